// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <filesystem>
#include <string>

namespace vantaro::testing {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
// Its name starts with the prefix, so a folder left by a killed test says which test made it.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "vantaro-test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    // The same for Qt's interfaces.
    QString qPath() const { return QString::fromStdString(m_path); }
    QString qFile(const std::string& name) const { return QString::fromStdString(file(name)); }

private:
    std::string m_path;
};

// A temporary folder that is the current directory for the time of the test; the previous one
// comes back at the end.
class OwnFolder {
public:
    explicit OwnFolder(const std::string& prefix = "vantaro-own-folder");
    ~OwnFolder();
    OwnFolder(const OwnFolder&) = delete;
    OwnFolder& operator=(const OwnFolder&) = delete;

    const TempFolder& folder() const { return m_folder; }
    const std::string& path() const { return m_folder.path(); }

private:
    std::filesystem::path m_previous;
    TempFolder m_folder;
};

// The whole content of a file; empty when it cannot be read.
std::string readWholeFile(const std::string& path);

// Replaces the file's content (creating the file).
void writeWholeFile(const std::string& path, const std::string& content);

} // namespace vantaro::testing
