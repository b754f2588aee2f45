// The program runner the tests of every layer rely on: what it hands over
// must arrive unchanged, and what comes back must be complete.

#include "testsupport/program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "testsupport/files.h"

namespace papyrion::test {
namespace {

TEST(RunProgram, ArgumentsArriveAsGivenWithoutAShell) {
    const std::vector<std::string> arguments{"two words", "it's", "$HOME", "", "a\"b", "*", ";ls"};
    std::vector<std::string> command{"/bin/sh", "-c", "printf '[%s]' \"$@\"", "sh"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const ProgramResult run = RunProgram(command);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, "[two words][it's][$HOME][][a\"b][*][;ls]");
}

// Both outputs are read while the input is written, so a program that
// fills one pipe before it reads or writes the other does not hang.
TEST(RunProgram, LargeInputAndBothOutputsComeBackWhole) {
    const std::string input(1 << 20, 'i');
    ProgramOptions options;
    options.input = input;
    const ProgramResult run = RunProgram(
        {"/bin/sh", "-c", "head -c 1048576 /dev/zero | tr '\\0' e >&2; cat; echo done >&2"},
        options);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out, input);
    EXPECT_EQ(run.err, std::string(1 << 20, 'e') + "done\n");
}

TEST(RunProgram, EnvironmentAndFolderAreTheRunsOwn) {
    ScopedEnv kept("PAPYRION_TEST_KEPT", "kept");
    ScopedEnv removed("PAPYRION_TEST_REMOVED", "there");
    TempFolder folder;
    ProgramOptions options;
    options.environment = {"PAPYRION_TEST_SET=a=b c", "PAPYRION_TEST_REMOVED"};
    options.directory = folder.Path();
    const ProgramResult run = RunProgram(
        {"/bin/sh", "-c",
         "echo \"$PAPYRION_TEST_KEPT|$PAPYRION_TEST_SET|${PAPYRION_TEST_REMOVED-unset}\"; pwd"},
        options);
    EXPECT_EQ(run.out, "kept|a=b c|unset\n" + folder.Path().string() + "\n");
}

TEST(RunProgram, ExitStatusSignalAndMissingProgramAreTold) {
    struct Case {
        std::vector<std::string> command;
        int exit_code;
    } cases[] = {
        {{"/bin/sh", "-c", "exit 3"}, 3},
        {{"/bin/sh", "-c", "kill -9 $$"}, 128 + 9},
        {{"papyrion-no-such-program"}, -1},
        {{}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command.empty() ? "no command" : c.command.back());
        const ProgramResult run = RunProgram(c.command);
        EXPECT_EQ(run.exit_code, c.exit_code);
        if (c.exit_code == -1) {
            EXPECT_FALSE(run.err.empty());
        }
    }
}

TEST(WriteFile, MakesTheFolderAndFailsLoudly) {
    TempFolder folder;
    WriteFile(folder / "new" / "deeper" / "file.txt", "text");
    EXPECT_EQ(ReadText(folder / "new" / "deeper" / "file.txt"), "text");
    WriteFile(folder / "plain", "a file, not a folder");
    EXPECT_THROW(WriteFile(folder / "plain" / "inside.txt", "x"), std::exception);
    EXPECT_THROW(ReadText(folder / "missing.txt"), std::runtime_error);
    EXPECT_EQ(ReadFile(folder / "missing.txt"), "");
}

}  // namespace
}  // namespace papyrion::test
