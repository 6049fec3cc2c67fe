// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary texts through the lenient integer reader and the dotted address parser.
#include "capture/Ipv4Text.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::int32_t value = vantaro::textToIntLenient(text);
    // A plain decimal number in range reads as the standard library reads it.
    const bool plainDecimal =
        !text.empty() && text.size() <= 9 &&
        text.find_first_not_of("0123456789") == std::string_view::npos &&
        !(text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'));
    if (plainDecimal) {
        std::int32_t expected = 0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        if (value != expected)
            std::abort();
    }

    std::uint32_t address = 0xFFFFFFFFu;
    const bool valid = vantaro::parseDottedAddress(text, address);
    if (!valid && address != 0)
        std::abort();
    if (vantaro::textToAddress(text) != address)
        std::abort();
    const std::string dotted = vantaro::addressToText(address);
    if (dotted.size() < 7 || dotted.size() > 15)
        std::abort();
    // The text of any address whose first byte is not 0 reads back as the same address.
    if ((address & 0xFF) != 0 && vantaro::textToAddress(dotted) != address)
        std::abort();
    return 0;
}
