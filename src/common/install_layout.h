#pragma once

// Where the station finds its own files at run time. An installed program finds them through
// the same relative paths the install used (bin/ -> lib/halvo/standins, share/halvo/sounds,
// ...), so an installed tree keeps working wherever it is copied or unpacked; a program run from
// the build tree falls back to the build tree's directories.

#include <string>

namespace halvo {

// The directory of the running program file, symbolic links resolved; empty when the system
// cannot tell.
std::string ProgramDirectory();

// path when it is absolute, else path taken from programDirectory; the result with its ".."
// resolved when the directory exists, empty when it does not (or programDirectory is empty and
// path relative).
std::string ExistingDirectoryBeside(const std::string& programDirectory, const std::string& path);

// The simulated station's stand-ins of the instrument makers' libraries: the installed
// directory when there is one beside the program, else the build tree's.
std::string StandInLibraryDirectory();

// The directory an installation keeps for the instrument makers' own libraries; empty when the
// program is not installed or the directory is missing.
std::string VendorLibraryDirectory();

// The installed sound files (Error.wav, Success.wav, Fail.wav); empty when not installed.
std::string InstalledSoundDirectory();

}  // namespace halvo
