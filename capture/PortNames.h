// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Service names of port pairs: the built-in well-known services and the port names of the
// optional "ports.txt".

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantaro {

// Optional table of port names, looked up in the process's current directory.
inline constexpr const char* PortNamesFileName = "ports.txt";
// Ports 1 to PortNameTableSize - 1 can be named by that file.
inline constexpr int PortNameTableSize = 10000;

struct WellKnownService {
    std::uint32_t port;
    const char* name;
};

// The built-in services, in ascending port order.
extern const std::span<const WellKnownService> WellKnownServices;

// Port names read from a services-style text. size is -1 before the first load attempt, 0 when
// there was no usable file (the names are then never consulted) and PortNameTableSize once read.
struct PortNameTable {
    int size = -1;
    std::vector<std::string> names;
};

// Reads the lines of a services-style text into a table (see loadPortNames for the line rule).
// A text without lines leaves the table absent (size 0).
void parsePortNames(std::string_view content, PortNameTable& table);

// Loads a table from a file: absent (size 0) when the file does not exist or cannot be read.
// A line names a port when it has at least 5 characters, does not start with "#", and its first
// blank comes at position 2 or later and not after its first "/": the name is the text before
// the blank, the port the text from the blank up to the "/" read leniently, from 1 to 9999.
// Tabs are not separators. A later line for the same port replaces the earlier name.
void loadPortNames(PortNameTable& table, const std::filesystem::path& file);

// Loads the process-wide table from "ports.txt" in the current directory. serviceName calls it
// once, at its first call; a file created or changed later is not read again.
void loadPortNames();

// The service name of a pair of ports, never empty: the destination port's file name, else the
// source port's, else the built-in name of the lower port that has one, else "<" + the source
// port + ">" when that is below 1024, else "<" + the destination port + ">".
std::string serviceName(std::int32_t sourcePort, std::int32_t destinationPort);
// The same rule against a given table instead of the process-wide one (which it never loads).
std::string serviceName(const PortNameTable& table, std::int32_t sourcePort,
                        std::int32_t destinationPort);

} // namespace vantaro
