#include "platform/atomicfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include "support/mailcomposer_recorder.h"

namespace papyrion {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::ScratchFolder;
using testing::WriteFile;

mode_t ModeOf(const fs::path& file) {
    struct stat st {};
    EXPECT_EQ(::stat(file.c_str(), &st), 0) << file;
    return st.st_mode & 07777;
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AtomicFile, ReplacesContentKeepingTheTargetsModeAndLeavesNoSideFile) {
    ScratchFolder dir;
    WriteFile(dir / "settings.ini", "old content that is longer\n");
    ::chmod((dir / "settings.ini").c_str(), 0640);
    ASSERT_FALSE(ReplaceFileContent(dir / "settings.ini", "new\n"));
    EXPECT_EQ(ReadFile(dir / "settings.ini"), "new\n");
    EXPECT_EQ(ModeOf(dir / "settings.ini"), 0640u);

    ASSERT_FALSE(ReplaceFileContent(dir / "fresh.ini", "x", 0604));
    EXPECT_EQ(ModeOf(dir / "fresh.ini"), 0604u);
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"fresh.ini", "settings.ini"}));
}

TEST(AtomicFile, ACopyTakesTheSourcesModeOnlyForANewTarget) {
    ScratchFolder dir;
    std::string big(300000, 'p');
    WriteFile(dir / "made.pdf", big);
    ::chmod((dir / "made.pdf").c_str(), 0644);
    ASSERT_FALSE(ReplaceFileWithCopy(dir / "new.pdf", dir / "made.pdf"));
    EXPECT_EQ(ReadFile(dir / "new.pdf"), big);
    EXPECT_EQ(ModeOf(dir / "new.pdf"), 0644u);

    WriteFile(dir / "kept.pdf", "old");
    ::chmod((dir / "kept.pdf").c_str(), 0600);
    ASSERT_FALSE(ReplaceFileWithCopy(dir / "kept.pdf", dir / "made.pdf"));
    EXPECT_EQ(ReadFile(dir / "kept.pdf"), big);
    EXPECT_EQ(ModeOf(dir / "kept.pdf"), 0600u);

    EXPECT_TRUE(ReplaceFileWithCopy(dir / "other.pdf", dir / "missing.pdf"));
    EXPECT_FALSE(fs::exists(dir / "other.pdf"));
}

TEST(AtomicFile, ConcurrentWritersEachReplaceTheWholeFile) {
    ScratchFolder dir;
    std::vector<std::thread> writers;
    std::atomic<int> failures{0};
    for (int w = 0; w < 6; ++w) {
        writers.emplace_back([&, w] {
            const std::string content(4096 * (w + 1), static_cast<char>('a' + w));
            for (int i = 0; i < 20; ++i) {
                if (ReplaceFileContent(dir / "shared.ini", content)) ++failures;
            }
        });
    }
    for (auto& t : writers) t.join();
    EXPECT_EQ(failures, 0);
    const std::string last = ReadFile(dir / "shared.ini");
    ASSERT_FALSE(last.empty());
    EXPECT_EQ(last, std::string(last.size(), last.front()));
    EXPECT_EQ(last.size(), 4096u * static_cast<unsigned>(last.front() - 'a' + 1));
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"shared.ini"});
}

TEST(AtomicFile, ALinkStaysALinkAndItsFileIsReplaced) {
    ScratchFolder dir;
    fs::create_directory(dir / "real");
    WriteFile(dir / "real" / "settings.ini", "old");
    fs::create_symlink(dir / "real" / "settings.ini", dir / "link.ini");
    ASSERT_FALSE(ReplaceFileContent(dir / "link.ini", "new"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.ini"));
    EXPECT_EQ(ReadFile(dir / "real" / "settings.ini"), "new");
}

TEST(AtomicFile, AFailedReplacementLeavesTheFolderAsItWas) {
    ScratchFolder dir;
    fs::create_directory(dir / "folder");
    WriteFile(dir / "folder" / "inside", "kept");
    const std::error_code error = ReplaceFileContent(dir / "folder", "content");
    EXPECT_TRUE(error);
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"folder"});
    EXPECT_EQ(ReadFile(dir / "folder" / "inside"), "kept");

    EXPECT_TRUE(ReplaceFileContent(dir / "no-such-folder" / "file", "content"));
}

TEST(AtomicFile, ADurableRenameMovesTheFileOverTheTarget) {
    ScratchFolder dir;
    WriteFile(dir / "side", "new");
    WriteFile(dir / "target", "old");
    ASSERT_FALSE(RenameDurably(dir / "side", dir / "target"));
    EXPECT_EQ(ReadFile(dir / "target"), "new");
    EXPECT_FALSE(fs::exists(dir / "side"));
    EXPECT_EQ(RenameDurably(dir / "side", dir / "target"), std::errc::no_such_file_or_directory);
}

}  // namespace
}  // namespace papyrion
