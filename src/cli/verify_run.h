#pragma once

// A verification run from the command line, as the Measure button runs it: the page's choices
// from the options, the run driven to its end (with the uniformity positions walked by the
// simulated operator, or by the person at a real monitor who presses Enter), the report written
// and the verdict table printed. `verify` uses all of it; `calibrate ... --verify` takes the
// choices with TakeVerifyChoices and, once the calibration has started the verification (the
// Setup option "Measurement after calibration:"), calls FinishVerification.

#include <string>

#include "cli/controller_session.h"
#include "cli/json_writer.h"

namespace halvo::cli {

struct VerifyChoices {
    bool gamma = false;
    bool color = false;
    bool temperature = false;
    bool uniformity = false;
    bool colorSpaceMode = false;
    uint8_t colorSpaceMask = 1;
    std::string report;  // with its final extension
    bool json = false;
    std::string certificate;  // the certificate's PDF, or "" for none
    std::string cgats;        // "<dir>/<stem>.ti3": the readings per colour space, or "" for none
};

// The Measure page's colour spaces, as --color-spaces names them.
ListVocabulary MeasureSpaceVocabulary();

// --gamma, --color, --color-temperature, --uniformity (none given: the page's defaults, the first
// three), --color-spaces all|<list>, --report <file.xlsx|file.txt>, --certificate <file.pdf>,
// --cgats <file.ti3>, --json. False with a message.
bool TakeVerifyChoices(Args& args, VerifyChoices& choices, std::string* error);

// Sets the Measure page's boxes as the choices say.
void ApplyVerifyChoices(CHalvoDlg& station, const VerifyChoices& choices);

// Drives a started verification to its end, writes the report and prints the verdicts.
// Returns 0 when every measured item is OK, 1 when any is OR or the run or the report failed.
int FinishVerification(ControllerSession& session, const VerifyChoices& choices, bool simulate, CliIo& io);
// The same in two halves: the run and the report (false with a message when either failed),
// then the verdict table and the exit code.
bool CompleteVerification(ControllerSession& session, const VerifyChoices& choices, bool simulate, CliIo& io,
                          ReportBook& book, std::vector<std::string>* written = nullptr);
int PrintVerification(const ReportBook& book, const VerifyChoices& choices, CliIo& io);

// The chart pictures of the workbook and the certificate's PDF: the window's painter on Qt's
// offscreen platform, when the build has it; without it the workbook has no pictures and no
// certificate can be written.
void InstallChartPainter(CHalvoDlg& station);

// The certificate and the CGATS files the choices ask for, from the station's results; false
// with a message on stderr when one could not be written. Each file written is appended to
// *written.
bool WriteVerificationFiles(CHalvoDlg& station, const VerifyChoices& choices, CliIo& io,
                            std::vector<std::string>* written);

// "deltaE2000": [{"colorSpace", "patches", "mean", "max"}...] for --json outputs; colour spaces
// without targets have mean and max null.
void WriteDeltaEJson(JsonWriter& j, const char* key, const std::vector<ColorSpacePatches>& spaces);
// One line per colour space: "ΔE2000 BT.709   mean 0.52  max 1.31  (19 patches)".
void PrintDeltaE(std::FILE* out, const std::vector<ColorSpacePatches>& spaces);

}  // namespace halvo::cli
