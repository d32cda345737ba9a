#pragma once

// The light sources behind a wide-gamut LCD panel, as spectral shapes: a blue InGaN LED, a green
// phosphor and a narrow-line red fluoride phosphor. Each colour filter passes mostly its own
// emitter and a little of the others; PanelModel mixes these shapes into the three channels'
// spectra.

namespace halvo::sim {

enum class Emitter : int { Red = 0, Green = 1, Blue = 2 };

// Relative spectral power of an emitter at a wavelength (peak near 1).
double EmitterShape(Emitter emitter, double nm);

}  // namespace halvo::sim
