// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace vantaro {

// Each function seeds a fresh generator from the clock, then draws digits 0 to 9 uniformly;
// the first draw gives the first digit.
std::string randomDigits(int count);

// Six decimal digits: the automatic file name everywhere.
std::string randomFileName();

// "VTS_" + two digits + "_" + one digit, the name of a VOB result.
std::string vobFileName();

// "M4V" + five digits, the name of a PSP result (without extension).
std::string pspFileName();

} // namespace vantaro
