// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A release page on 127.0.0.1 for the engine updates: a signing key made with gpg in a private
// home, engines made on the spot (a python zipapp, a deno zip), and the scripted server
// answering BASE/latest with a redirect to BASE/tag/TAG and serving BASE/download/TAG/NAME.

#include "support/ScriptedHttpServer.h"
#include "support/TempFolder.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>

namespace vantaro::testing {

inline void runShell(const std::string& command) {
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

inline std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

// A gpg home holding one new signing key, removed with its agent at the end.
class SigningKey {
public:
    explicit SigningKey(const std::string& name) : m_home("gpg-home") {
        runShell("gpg --homedir " + quoted(m_home.path()) +
                 " --batch --quiet --passphrase '' --quick-gen-key " +
                 quoted(name + " <" + name + "@example.invalid>") +
                 " ed25519 sign never 2>/dev/null");
    }
    ~SigningKey() {
        [[maybe_unused]] const int ignored = std::system(
            ("gpgconf --homedir " + quoted(m_home.path()) + " --kill all 2>/dev/null").c_str());
    }
    SigningKey(const SigningKey&) = delete;
    SigningKey& operator=(const SigningKey&) = delete;

    // The public key as a keyring file for gpgv, the way the shipped key is given.
    std::string exportKeyring(const std::string& path) const {
        runShell("gpg --homedir " + quoted(m_home.path()) + " --batch --quiet --export > " +
                 quoted(path));
        return path;
    }
    void sign(const std::string& file, const std::string& signature) const {
        runShell(
            "gpg --homedir " + quoted(m_home.path()) +
            " --batch --quiet --yes --pinentry-mode loopback --passphrase '' --detach-sign -o " +
            quoted(signature) + " " + quoted(file) + " 2>/dev/null");
    }

private:
    TempFolder m_home;
};

// The SHA-256 of a text as sha256sum computes it (a program of its own, not the code tested).
inline std::string sha256Hex(const std::string& folder, const std::string& text) {
    const std::string path = folder + "/to-sum";
    writeWholeFile(path, text);
    std::FILE* pipe = ::popen(("sha256sum " + quoted(path)).c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("cannot run sha256sum");
    char line[128] = {};
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    ::pclose(pipe);
    if (!read)
        throw std::runtime_error("sha256sum said nothing");
    return std::string(line).substr(0, 64);
}

// A yt-dlp zipapp that answers --version with the text given.
inline std::string makeZipapp(const std::string& folder, const std::string& version,
                              std::size_t paddingBytes = 0) {
    const std::string source = folder + "/zipapp-" + version;
    runShell("mkdir -p " + quoted(source));
    writeWholeFile(source + "/__main__.py", "import sys\nif sys.argv[1:] == ['--version']:\n"
                                            "    print('" +
                                                version + "')\n");
    if (paddingBytes > 0) {
        // Random bytes do not compress: the zipapp is about that size.
        std::string padding(paddingBytes, '\0');
        std::mt19937 random(7);
        for (char& c : padding)
            c = static_cast<char>(random());
        writeWholeFile(source + "/padding.bin", padding);
    }
    const std::string out = source + ".pyz";
    runShell("python3 -m zipapp " + quoted(source) + " -o " + quoted(out) +
             " -p '/usr/bin/env python3'");
    return readWholeFile(out);
}

// A deno release zip holding one program "deno" (a shell script answering --version like deno),
// stored or deflated, and possibly a second file.
inline std::string makeDenoZip(const std::string& folder, const std::string& version, bool deflated,
                               bool secondEntry = false) {
    const std::string script = folder + "/make-zip.py";
    writeWholeFile(script,
                   "import sys, zipfile\n"
                   "mode = zipfile.ZIP_DEFLATED if sys.argv[3] == '1' else zipfile.ZIP_STORED\n"
                   "with zipfile.ZipFile(sys.argv[1], 'w', mode) as z:\n"
                   "    z.writestr('deno', '#!/bin/sh\\necho \"deno ' + sys.argv[2] + "
                   "' (stable, release, x86_64-unknown-linux-gnu)\"\\n' + '#' * 5000 + '\\n')\n"
                   "    if sys.argv[4] == '1':\n"
                   "        z.writestr('README', 'more')\n");
    const std::string out = folder + "/deno-" + version + ".zip";
    runShell("python3 " + quoted(script) + " " + quoted(out) + " " + version + " " +
             (deflated ? "1" : "0") + " " + (secondEntry ? "1" : "0"));
    return readWholeFile(out);
}

// A raw 200 answer's head; the server adds the Content-Length.
inline const char* OkHead = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n";

// The JSON route of a file answer: the raw response written to path.
inline std::string fileItem(const std::string& path, const std::string& extra = "") {
    return "{\"file\": \"" + path + "\", \"substitute\": false" + extra + "}";
}

// The redirect BASE/latest answers, to the address given (relative to the server).
inline std::string redirectItem(const std::string& location) {
    return "{\"text\": \"HTTP/1.1 302 Found\\r\\nLocation: " + location +
           "\\r\\nContent-Length: 0\\r\\n\\r\\n\"}";
}

inline const char* EmptyOk = "{\"text\": \"HTTP/1.1 200 OK\\r\\nContent-Length: 0\\r\\n\\r\\n\"}";

// The plan of a release page holding one yt-dlp release: BASE/yt-dlp/latest leads to the tag,
// whose SHA2-256SUMS, signed with the key, lists the engine as "yt-dlp". engineExtra adds fields
// to the engine's answer; without serveEngine its file answers 404. The answers are written to
// the work folder.
inline std::string ytDlpReleasePlan(const std::string& work, const SigningKey& key,
                                    const std::string& tag, const std::string& engine,
                                    bool serveEngine = true, const std::string& engineExtra = "") {
    const std::string sums = sha256Hex(work, engine) + "  yt-dlp\n";
    writeWholeFile(work + "/SHA2-256SUMS", sums);
    key.sign(work + "/SHA2-256SUMS", work + "/SHA2-256SUMS.sig");
    std::string routes = "\"/yt-dlp/latest\": [" + redirectItem("/yt-dlp/tag/" + tag) +
                         "], \"/yt-dlp/tag/" + tag + "\": [" + EmptyOk + "]";
    const auto serve = [&](const std::string& name, const std::string& body,
                           const std::string& extra) {
        writeWholeFile(work + "/answer-" + name, OkHead + body);
        routes += ", \"/yt-dlp/download/" + tag + "/" + name + "\": [" +
                  fileItem(work + "/answer-" + name, ", \"length\": true" + extra) + "]";
    };
    serve("SHA2-256SUMS", sums, "");
    serve("SHA2-256SUMS.sig", readWholeFile(work + "/SHA2-256SUMS.sig"), "");
    if (serveEngine)
        serve("yt-dlp", engine, engineExtra);
    return "{\"routes\": {" + routes + "}}";
}

} // namespace vantaro::testing
