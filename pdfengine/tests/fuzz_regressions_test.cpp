// Replays the saved inputs of the fuzz targets as plain tests, so that every
// build checks them, not only the clang fuzzing build.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "testsupport/files.h"

// The fuzz targets' entry functions, built under these names for the tests.
extern "C" int FuzzFiltersOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int FuzzReadWriteOneInput(const std::uint8_t* data, std::size_t size);

namespace papyrion::pdf {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;

// File name -> what still goes wrong, from the folder's pending.txt.
std::map<std::string, std::string> PendingInputs(const fs::path& dir) {
    std::map<std::string, std::string> pending;
    std::istringstream lines(ReadFile(dir / "pending.txt"));
    for (std::string line; std::getline(lines, line);) {
        const auto tab = line.find('\t');
        if (line.empty() || line[0] == '#') continue;
        pending[line.substr(0, tab)] = tab == std::string::npos ? "" : line.substr(tab + 1);
    }
    return pending;
}

void Replay(const char* target, int (*entry)(const std::uint8_t*, std::size_t)) {
    const fs::path dir = fs::path(PAPYRION_SOURCE_DIR) / "fuzz" / "regressions" / target;
    const auto pending = PendingInputs(dir);
    int replayed = 0;
    std::string skipped;
    for (const auto& item : fs::directory_iterator(dir)) {
        const std::string name = item.path().filename().string();
        if (name == "pending.txt") continue;
        if (pending.count(name)) {
            skipped += "\n  " + name + ": " + pending.at(name);
            continue;
        }
        SCOPED_TRACE(name);
        const std::string input = ReadFile(item.path());
        EXPECT_EQ(entry(reinterpret_cast<const std::uint8_t*>(input.data()), input.size()), 0);
        ++replayed;
    }
    EXPECT_GT(replayed, 0) << "no saved inputs in " << dir;
    if (!skipped.empty()) std::printf("Not replayed, still failing:%s\n", skipped.c_str());
}

TEST(FuzzRegressions, FiltersInputsRunCleanly) { Replay("filters", FuzzFiltersOneInput); }

TEST(FuzzRegressions, ReadWriteInputsRunCleanly) {
    Replay("pdf_read_write", FuzzReadWriteOneInput);
}

}  // namespace
}  // namespace papyrion::pdf
