// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ConverterProcess.h"

#include "support/MediaClips.h"
#include "support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace vantaro {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

TEST(OutputTail, KeepsTheLastLinesWithinItsBounds) {
    OutputTail tail;
    std::string output;
    for (int i = 0; i < 1000; ++i)
        output += "frame=" + std::to_string(i) + (i % 2 == 0 ? "\r" : "\n");
    output += std::string(100000, 'x') + "\r\n" + "Conversion failed!";
    tail.append(output.data(), output.size());

    const auto lines = tail.lines();
    ASSERT_EQ(lines.size(), OutputTail::MaxLines + 1); // the full lines and the unfinished one
    EXPECT_EQ(lines[0], "frame=981");
    EXPECT_EQ(lines[OutputTail::MaxLines - 1], std::string(OutputTail::MaxLineLength, 'x'));
    EXPECT_EQ(lines.back(), "Conversion failed!");
}

TEST(OutputTail, LinesSplitAcrossPiecesAreJoined) {
    OutputTail tail;
    for (const char* piece : {"Inp", "ut #0\r", "\n", "", "Out", "put"})
        tail.append(piece, std::strlen(piece));
    EXPECT_THAT(tail.lines(), ElementsAre("Input #0", "Output"));
}

class ConverterProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ensureCoreApplication();
        ASSERT_TRUE(std::filesystem::is_directory(m_temp.path()));
    }
    std::string file(const std::string& name) const { return m_temp.path() + "/" + name; }
    int startErrorOf(const std::string& program) {
        ConverterProcess process;
        try {
            process.start(program, {});
        } catch (const ConverterStartError& error) {
            return error.code();
        }
        return 0;
    }
    testing::TempFolder m_temp{"vantaro-converter-process"};
};

TEST_F(ConverterProcessTest, StartErrorsCarryTheSystemsNumber) {
    EXPECT_EQ(startErrorOf(file("missing")), ENOENT);

    std::ofstream(file("plain")) << "#!/bin/sh\nexit 0\n";
    fs::permissions(file("plain"), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(startErrorOf(file("plain")), EACCES);

    std::ofstream(file("garbage")) << "\x7f"
                                      "ELF but not really";
    fs::permissions(file("garbage"), fs::perms::owner_all);
    EXPECT_EQ(startErrorOf(file("garbage")), ENOEXEC);

    ConverterStartError error(ENOENT, "QrlBin/x");
    EXPECT_EQ(error.systemText(), std::strerror(ENOENT));
}

TEST_F(ConverterProcessTest, ReportsHowTheToolEndedAndWhatItSaidLast) {
    std::ofstream(file("tool")) << "#!/bin/sh\necho first\necho \"$1\" >&2\nexit 7\n";
    fs::permissions(file("tool"), fs::perms::owner_all);
    ConverterProcess process;
    process.start(file("tool"), {"second line, from the errors"});
    while (!process.waitForEnd(200)) {
    }
    EXPECT_TRUE(process.exitedNormally());
    EXPECT_EQ(process.exitCode(), 7);
    EXPECT_THAT(process.lastLines(), ElementsAre("first", "second line, from the errors"));
}

TEST_F(ConverterProcessTest, TerminateKillsAndAnEndedToolIsNoError) {
    std::ofstream(file("sleeper")) << "#!/bin/sh\nexec sleep 30\n";
    fs::permissions(file("sleeper"), fs::perms::owner_all);
    ConverterProcess process;
    process.start(file("sleeper"), {});
    EXPECT_FALSE(process.waitForEnd(50));
    EXPECT_TRUE(process.terminate());
    EXPECT_TRUE(process.waitForEnd(30000));
    EXPECT_FALSE(process.exitedNormally());
    EXPECT_TRUE(process.terminate()) << "asking again once it has ended is harmless";
}

TEST_F(ConverterProcessTest, StandardInputIsEmpty) {
    std::ofstream(file("reader")) << "#!/bin/sh\nread answer; echo \"got:$answer:$?\"\n";
    fs::permissions(file("reader"), fs::perms::owner_all);
    ConverterProcess process;
    process.start(file("reader"), {});
    EXPECT_TRUE(process.waitForEnd(30000)) << "a tool waiting for an answer must not hang";
    EXPECT_THAT(process.lastLines(), ElementsAre("got::1"));
}

} // namespace
} // namespace vantaro
