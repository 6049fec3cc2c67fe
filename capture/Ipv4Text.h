// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The text forms of IPv4 addresses, and the lenient integer reading they and the port texts use.
//
// An IPv4 address value is 32 bits in network byte order: the first number of the dotted text is
// the byte that comes first in memory, as in the IPv4 header. 0 stands for no address.

#include <cstdint>
#include <string>
#include <string_view>

namespace vantaro {

// "a.b.c.d" from the four bytes of the address in memory order.
std::string addressToText(std::uint32_t address);
// The address of a dotted text, 0 when the text is not a valid address.
std::uint32_t textToAddress(std::string_view text);
// True when the text is a valid dotted address; address receives it, or 0 when invalid.
bool parseDottedAddress(std::string_view text, std::uint32_t& address);

// Reads a signed 32-bit integer and never fails: leading blanks, one optional sign, then decimal
// digits or, after "$", "x" or "0x", hexadecimal ones, as long as the value fits in 32 bits. When
// reading stops before the end of the text, the result is the value read so far without its sign.
std::int32_t textToIntLenient(std::string_view text);

} // namespace vantaro
