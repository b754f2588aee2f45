#include "processing/inputlist.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_test_support.h"

namespace papyrion {
namespace {
namespace fs = std::filesystem;
using test::RunFolder;
using test::WriteFile;
using ::testing::ElementsAre;

TEST(InputList, AcceptsTheDocumentEndingsInAnyCase) {
    struct Case {
        const char* path;
        bool accepted;
    };
    const Case cases[] = {
        {"/d/a.pdf", true},  {"/d/A.PDF", true}, {"/d/MYPDF", true},  // no dot needed
        {"/d/x.docx", true}, {"/d/x.Doc", true}, {"/d/x.rtf", true},  {"/d/x.txt", true},
        {"/d/x.odt", true},  {"/d/x.csv", true}, {"/d/x.xls", true},  {"/d/x.xlsx", true},
        {"/d/x.XLSB", true}, {"/d/x.ods", true}, {"/d/c.jpg", false}, {"/d/a.pdf.bak", false},
        {"/d/x.odp", false}, {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsAcceptedInput(c.path), c.accepted) << c.path;
}

TEST(InputList, FolderTestTakesExistingFoldersNotEndingInADot) {
    RunFolder folder;
    fs::create_directories(folder / "sub");
    fs::create_directories(folder / "dotted.");
    WriteFile(folder / "file.pdf", "x");
    EXPECT_TRUE(PassesFolderTest(folder / "sub"));
    EXPECT_FALSE(PassesFolderTest(folder / "dotted."));
    EXPECT_FALSE(PassesFolderTest(folder / "sub/."));
    EXPECT_FALSE(PassesFolderTest(folder / "sub/.."));
    EXPECT_FALSE(PassesFolderTest(folder / "file.pdf"));
    EXPECT_FALSE(PassesFolderTest(folder / "missing"));
}

TEST(InputList, SortsWithoutCaseAndKeepsNamesThatDifferOnlyInCase) {
    InputList list;
    EXPECT_TRUE(list.Add("/d/b.pdf"));
    EXPECT_TRUE(list.Add("/d/A.pdf"));
    EXPECT_TRUE(list.Add("/d/a.pdf"));
    EXPECT_FALSE(list.Add("/d/b.pdf"));
    EXPECT_THAT(list.Entries(), ElementsAre("/d/A.pdf", "/d/a.pdf", "/d/b.pdf"));
}

TEST(InputList, DropExpandsFoldersBreadthFirstAndIgnoresOtherFiles) {
    RunFolder folder;
    const std::string top = folder / "drop";
    fs::create_directories(top + "/sub/deeper");
    fs::create_directories(top + "/archive.pdf");  // a folder, whatever its name
    for (const char* name : {"a.pdf", "b.txt", "c.jpg", ".hidden.pdf", "sub/d.doc",
                             "sub/deeper/e.xlsx", "archive.pdf/f.odt"}) {
        WriteFile(top + "/" + name, "x");
    }
    const std::string single = folder / "single.pdf";
    WriteFile(single, "x");

    InputList list;
    list.Add("/left/over.pdf");
    FillFromDrop(list, {single, top, single, folder / "missing.txt", folder / "nothing"});
    // A missing file with an accepted ending is taken as dropped; the run
    // reports it. The drop replaces what the list held.
    EXPECT_THAT(list.Entries(),
                ElementsAre(top + "/.hidden.pdf", top + "/a.pdf", top + "/archive.pdf/f.odt",
                            top + "/b.txt", top + "/sub/d.doc", top + "/sub/deeper/e.xlsx",
                            folder / "missing.txt", single));
}

TEST(InputList, LinkCycleEndsTheExpansion) {
    RunFolder folder;
    const std::string top = folder / "top";
    fs::create_directories(top + "/sub");
    WriteFile(top + "/sub/a.pdf", "x");
    fs::create_directory_symlink(top, top + "/sub/back");
    InputList list;
    FillFromDrop(list, {top});
    EXPECT_THAT(list.Entries(), ElementsAre(top + "/sub/a.pdf"));
}

TEST(InputList, ExpansionStopsAddingAtTheDropLimit) {
    RunFolder folder;
    const std::string top = folder / "many";
    fs::create_directories(top + "/zsub");
    for (std::size_t i = 0; i < kDropLimit + 5; ++i) {
        WriteFile(top + "/" + std::to_string(100000 + i) + ".pdf", "");
    }
    WriteFile(top + "/zsub/late.pdf", "");
    InputList list;
    FillFromDrop(list, {top});
    EXPECT_EQ(list.Size(), kDropLimit);
    EXPECT_FALSE(list.Contains(top + "/zsub/late.pdf"));
    EXPECT_TRUE(list.Contains(top + "/100000.pdf"));
}

}  // namespace
}  // namespace papyrion
