// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/Ipv4Text.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace vantaro {

namespace {

bool isHexDigit(char c, unsigned& digit) {
    if (c >= '0' && c <= '9')
        digit = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f')
        digit = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
        digit = static_cast<unsigned>(c - 'A' + 10);
    else
        return false;
    return true;
}

} // namespace

std::string addressToText(std::uint32_t address) {
    std::uint8_t bytes[4];
    std::memcpy(bytes, &address, sizeof bytes);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
    return text;
}

std::uint32_t textToAddress(std::string_view text) {
    std::uint32_t address = 0;
    parseDottedAddress(text, address);
    return address;
}

bool parseDottedAddress(std::string_view text, std::uint32_t& address) {
    address = 0;
    if (text.size() < 7)
        return false;
    std::uint8_t octets[4] = {0, 0, 0, 0};
    bool anyAboveZero = false;
    std::size_t position = 0;
    for (int part = 0; part < 4; ++part) {
        std::string_view partText;
        if (part < 3) {
            const std::size_t dot = text.find('.', position);
            if (dot == std::string_view::npos)
                return false;
            partText = text.substr(position, dot - position);
            position = dot + 1;
        } else {
            partText = text.substr(position);
        }
        const std::int32_t value = partText.empty() ? 0 : textToIntLenient(partText);
        if (value > 255)
            return false;
        if (value > 0)
            anyAboveZero = true;
        octets[part] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) & 0xFF);
    }
    if (octets[0] == 0 && anyAboveZero)
        return false;
    std::memcpy(&address, octets, sizeof address);
    return true;
}

std::int32_t textToIntLenient(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    // Decimal values keep within the signed range (one more for a negative number); hexadecimal
    // ones may use all 32 bits.
    const std::uint64_t limit =
        hex ? 0xFFFFFFFFull
            : static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) +
                  (negative ? 1u : 0u);
    const unsigned base = hex ? 16 : 10;
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        unsigned digit = 0;
        if (!isHexDigit(text[i], digit) || digit >= base)
            break;
        const std::uint64_t next = value * base + digit;
        if (next > limit)
            break;
        value = next;
    }
    const auto magnitude = static_cast<std::uint32_t>(value);
    if (i < text.size()) {
        // Reading stopped early: the digits read so far, without their sign.
        return static_cast<std::int32_t>(magnitude);
    }
    return static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
}

} // namespace vantaro
