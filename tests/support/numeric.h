#pragma once

// Numeric comparisons for tests. Every tolerance has a name that says why it is what it is, and a
// failure reports the error as a multiple of the tolerance.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace halvo::test {

// Half a unit in the last digit of a published figure: "0.652756059" -> 5e-10,
// "-2.374595012e-08" -> 5e-18, "100" -> 0.5.
inline double HalfUnitInLastDigit(const std::string& published) {
    const size_t e = published.find_first_of("eE");
    const std::string mantissa = published.substr(0, e);
    const int exponent = e == std::string::npos ? 0 : std::atoi(published.c_str() + e + 1);
    const size_t dot = mantissa.find('.');
    const int decimals = dot == std::string::npos ? 0 : static_cast<int>(mantissa.size() - dot - 1);
    return 0.5 * std::pow(10.0, exponent - decimals);
}

// The actual value agrees with a published figure to every digit given: rounding it to the
// figure's last digit gives the figure.
inline ::testing::AssertionResult AgreesToDigits(double actual, const std::string& published) {
    const double expected = std::strtod(published.c_str(), nullptr);
    // The published figure itself is a decimal rounding: allow its own binary representation.
    const double tol = HalfUnitInLastDigit(published) * (1.0 + 1e-9);
    const double err = std::fabs(actual - expected);
    if (err <= tol) {
        return ::testing::AssertionSuccess();
    }
    char buf[200];
    std::snprintf(buf, sizeof buf, "%.17g differs from the published %s by %.3g (%.2f x the last digit's half unit)",
                  actual, published.c_str(), err, err / tol);
    return ::testing::AssertionFailure() << buf;
}

// |actual - expected| <= absolute + relative * |expected|.
inline ::testing::AssertionResult Near(double actual, double expected, double absolute, double relative = 0.0) {
    const double tol = absolute + relative * std::fabs(expected);
    const double err = std::fabs(actual - expected);
    if (err <= tol && std::isfinite(actual)) {
        return ::testing::AssertionSuccess();
    }
    char buf[200];
    std::snprintf(buf, sizeof buf, "%.17g vs expected %.17g: error %.3g is %.2f x the tolerance %.3g", actual,
                  expected, err, err / tol, tol);
    return ::testing::AssertionFailure() << buf;
}

}  // namespace halvo::test
