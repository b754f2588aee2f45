#pragma once
// Running a program from a test: an argument list handed to the program as
// it is (no shell, nothing to quote), its output captured.

#include <filesystem>
#include <string>
#include <vector>

namespace papyrion::test {

struct ProgramResult {
    // The exit status; 128 + the signal when a signal ended the program, -1
    // when it could not be started (`err` says why).
    int exit_code = -1;
    std::string out;
    std::string err;
};

struct ProgramOptions {
    // "NAME=value" entries set on top of this process's environment; a bare
    // "NAME" removes that variable.
    std::vector<std::string> environment;
    // Standard input; empty means /dev/null.
    std::string input;
    // The working folder; empty means this process's.
    std::filesystem::path directory;
};

// Runs `arguments[0]` (looked up on PATH when it has no slash) with the rest
// as its arguments and waits for it.
ProgramResult RunProgram(const std::vector<std::string>& arguments,
                         const ProgramOptions& options = {});

// Whether a program of this name is on PATH.
bool OnPath(const std::string& program);

}  // namespace papyrion::test
