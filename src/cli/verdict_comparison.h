#pragma once

// The verification before and after a calibration side by side, laid out for a terminal.

#include <cstdio>
#include <string>
#include <vector>

#include "reports/verdict_comparison.h"

namespace halvo::cli {

using halvo::CompareVerdicts;
using halvo::ComparedLine;
using halvo::Comparison;

// `text` padded with spaces to `width` characters on a terminal; UTF-8 sequences ("Δu'") count as
// one character, so the columns stay aligned. Longer text is left as it is.
std::string PadToWidth(const std::string& text, size_t width);

// The table (test, item, quantity, value and verdict before, value and verdict after) and the
// counts under it.
void PrintComparison(std::FILE* out, const Comparison& comparison);

}  // namespace halvo::cli
