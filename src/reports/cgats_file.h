#pragma once

// The verification's readings as CGATS files of the kind display profiling and verification
// tools read (the CTI3 flavour): per patch the device RGB in percent and the XYZ normalised to a
// white of Y = 100, with the absolute white in LUMINANCE_XYZ_CDM2. One file per colour space
// holds the measurements; beside it a file of the same patches holds the colour space's targets,
// so that a tool comparing the two reproduces the station's colour differences.

#include <string>
#include <vector>

#include "reports/verified_patches.h"

namespace halvo {

struct CgatsHeader {
    std::string originator;  // "Halvo V1.0"
    std::string created;     // date and time of the verification
    std::string monitor;     // model (S/N)
    std::string calibrationId;
    std::string instrument;  // as the station names it ("CA-210", "K-10" ...)
};

// The measured readings; the reference white is the colour space's measured white.
std::string MeasuredCgats(const ColorSpacePatches& patches, const CgatsHeader& header);
// The targets of the same patches, against the target white (for targeted colour spaces).
std::string TargetCgats(const ColorSpacePatches& patches, const CgatsHeader& header);

// Where a colour space's file goes for a path given as "<dir>/<stem>.ti3":
// "<dir>/<stem>_<space>.ti3" and "<dir>/<stem>_<space>_target.ti3", the space named without
// dots ("BT709", "SMPTE-C", "D-Cinema").
std::string CgatsPathFor(const std::string& path, int colorSpace, bool target);

// Writes every colour space's measured file and, where it has targets, its target file. The
// paths written are appended to *written. False with *error on the first file that could not be
// written; the files already written stay.
bool WriteCgatsFiles(const std::string& path, const std::vector<ColorSpacePatches>& spaces,
                     const CgatsHeader& header, std::vector<std::string>* written, std::string* error);

}  // namespace halvo
