// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/RandomNames.h"

#include <chrono>
#include <random>

namespace vantaro {

std::string randomDigits(int count) {
    const auto seed = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    std::mt19937 generator(static_cast<std::mt19937::result_type>(seed));
    std::uniform_int_distribution<int> digit(0, 9);
    std::string digits;
    digits.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        digits += static_cast<char>('0' + digit(generator));
    return digits;
}

std::string randomFileName() {
    return randomDigits(6);
}

std::string vobFileName() {
    const std::string digits = randomDigits(3);
    return "VTS_" + digits.substr(0, 2) + "_" + digits.substr(2, 1);
}

std::string pspFileName() {
    return "M4V" + randomDigits(5);
}

} // namespace vantaro
