#pragma once
// Running papyrion-pdf as a program from the tests, the way a script would.

#include <filesystem>
#include <string>

namespace papyrion::test {

struct ProgramRun {
    int exit_code;
    std::string out;
    std::string err;
};

// `text` in single quotes for /bin/sh, whatever it holds.
std::string Quote(const std::string& text);

std::string Slurp(const std::filesystem::path& path);

// Runs papyrion-pdf from the program folder with `arguments` (already
// quoted), `environment` ("NAME=value ..." or empty) before it; standard
// error goes through `err_file`.
ProgramRun RunPapyrionPdf(const std::string& environment, const std::string& arguments,
                          const std::filesystem::path& err_file);

}  // namespace papyrion::test
