#include "processing/output_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "support/run_test_support.h"

namespace papyrion {
namespace {
namespace fs = std::filesystem;

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

TEST(FreeName, KeepsTheOutputEndingAndCountsFromTwo) {
    const std::set<std::string> taken = {"/d/a.PDF", "/d/a (2).PDF", "/d/x_output.pdf", "/d/n"};
    const auto is_taken = [&](const std::string& name) { return taken.count(name) > 0; };
    EXPECT_EQ(FreeName("/d/b.pdf", is_taken), "/d/b.pdf");
    EXPECT_EQ(FreeName("/d/a.PDF", is_taken), "/d/a (3).PDF");
    EXPECT_EQ(FreeName("/d/x_output.pdf", is_taken), "/d/x (2)_output.pdf");
    EXPECT_EQ(FreeName("/d/n", is_taken), "/d/n (2)");
}

// The side folder is private until the result has its final bits, and a
// later run clears away only the side folders nobody holds any more.
TEST(SideFolder, PublishesWithTheInputsBitsAndLeavesNothingBehind) {
    test::RunFolder folder;
    const std::string target = folder / "result.pdf";
    {
        SideFolder side(target);
        ASSERT_TRUE(side.Ok());
        const fs::path private_folder = fs::path(side.File()).parent_path();
        EXPECT_EQ(fs::status(private_folder).permissions() & fs::perms::all, fs::perms::owner_all);
        test::WriteFile(side.File(), "whole result");
        const FileAccess access{::geteuid(), ::getegid(), 0640};
        EXPECT_EQ(PublishFile(side.File(), target, access, false), "");
    }
    EXPECT_EQ(test::ReadFile(target), "whole result");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Names(folder.Path()), std::set<std::string>{"result.pdf"});

    SideFolder live(target);
    fs::create_directory(folder / ".papyrion-left");
    test::WriteFile(folder / ".papyrion-left/.lock", "");
    SideFolder::RemoveStale(folder.Path().string());
    EXPECT_EQ(Names(folder.Path()).size(), 2u) << "the live one stays, the left one goes";
    EXPECT_TRUE(fs::exists(fs::path(live.File()).parent_path()));
}

TEST(WritableByItsBits, FollowsTheBitsOfTheUsersClass) {
    test::RunFolder folder;
    const std::string file = folder / "f.pdf";
    test::WriteFile(file, "x");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(WritableByItsBits(file));
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_write | fs::perms::others_write);
    EXPECT_FALSE(WritableByItsBits(file)) << "read-only for its owner, root included";
    EXPECT_FALSE(WritableByItsBits(folder / "missing.pdf"));
}

}  // namespace
}  // namespace papyrion
