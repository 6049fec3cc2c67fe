// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace vantaro::testing {

TempFolder::TempFolder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed for " + pattern);
    m_path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

OwnFolder::OwnFolder(const std::string& prefix)
    : m_previous(std::filesystem::current_path()), m_folder(prefix) {
    std::filesystem::current_path(m_folder.path());
}

OwnFolder::~OwnFolder() {
    std::error_code ignored;
    std::filesystem::current_path(m_previous, ignored);
}

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeWholeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

} // namespace vantaro::testing
