#pragma once

// Whole-file reads and writes. Writes go to a temporary file beside the target that is renamed
// over it only when everything is on disk, so a full disk or a crash never leaves a half-written
// file in place of a good one.

#include <cstddef>
#include <functional>
#include <string>

namespace halvo {

// Text with every line feed written as carriage return + line feed, as the station's text
// files have always been stored.
std::string WithCrLf(const std::string& text);

bool WriteFileAtomically(const std::string& path, const std::string& data, std::string* error);

// For a writer that writes only to a file it opens by name (the spreadsheet library): write
// makes the file at the scratch path it is given, in the temporary directory, and it is then put
// at path whole, as WriteFileAtomically puts it. False with *error set; the scratch file goes
// either way.
bool WriteFileThroughScratch(const std::string& path,
                             const std::function<bool(const std::string& scratch, std::string* error)>& write,
                             std::string* error);

// Test seam: a disk that takes only so many more bytes per file before the write fails with
// "No space left on device", or a file system mounted read-only. Every file the station writes
// goes through WriteFileAtomically, so this is the one place a test can fill the disk.
struct WriteFault {
    bool readOnly = false;
    long long bytesFree = -1;  // -1: no limit
};
void SetWriteFaultForTesting(const WriteFault& fault);

// Test seam: called with the path of every file ReadWholeFile or WriteFileAtomically has open,
// while it is open (a test sees what the station shows the operator meanwhile). Empty: none.
void SetFileAccessObserverForTesting(std::function<void(const std::string& path)> observer);

// Reads a whole file of at most maxBytes. False with *error set when it cannot be read or is
// larger.
bool ReadWholeFile(const std::string& path, std::string& data, std::string* error,
                   size_t maxBytes = 256u * 1024u * 1024u);

}  // namespace halvo
