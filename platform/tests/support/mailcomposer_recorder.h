#pragma once
// A recording stand-in for a mail program: a script that writes each
// argument it gets, NUL-terminated, to a file.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "testsupport/files.h"

namespace papyrion::testing {

using ScratchFolder = test::TempFolder;
using test::ReadFile;
using test::WriteFile;

// Writes an executable script at `script` that records its arguments into
// `record` and ends with `exit_code`.
void WriteRecorder(const std::filesystem::path& script, const std::filesystem::path& record,
                   int exit_code = 0);

// The arguments a recorder got; empty when it never ran.
std::vector<std::string> RecordedArguments(const std::filesystem::path& record);

// Decodes %XX sequences.
std::string PercentDecoded(const std::string& text);

}  // namespace papyrion::testing
