// Replays the saved inputs of the filters fuzz target as a plain test, so
// that every build checks them, not only the clang fuzzing build.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../../fuzz/filters_fuzzer.cpp"

namespace papyrion::pdf {
namespace {

TEST(FiltersFuzzRegressions, SavedInputsRunCleanly) {
    const auto dir =
        std::filesystem::path(PAPYRION_SOURCE_DIR) / "fuzz" / "regressions" / "filters";
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        const std::string input = bytes.str();
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()),
                                         input.size()),
                  0);
        ++replayed;
    }
    EXPECT_GT(replayed, 0) << "no saved inputs in " << dir;
}

}  // namespace
}  // namespace papyrion::pdf
