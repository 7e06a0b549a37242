// A non-negative number as decimal digits rounded to a fixed count of decimals.
#pragma once
#include <string>

namespace scrivo {

struct FixedDigits {
    std::string Int;  // integer digits without leading zeros ("" for zero)
    std::string Frac; // exactly the requested count of decimals
    bool IsZero() const { return Int.empty() && Frac.find_first_not_of('0') == std::string::npos; }
};

// Rounds half away from zero on the number's 15 significant digits, so values that are
// meant as 1.125 round up as a person expects even when the double lies just below.
FixedDigits ToFixedDigits(double nonNegative, int decimals);

} // namespace scrivo
