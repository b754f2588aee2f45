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

TEST(InputList, OwnFileNamesAreOutputsAndTemporaryFiles) {
    struct Case {
        const char* name;
        bool own;
    };
    const Case cases[] = {
        {"a_output.pdf", true},     {"A_OUTPUT.PDF", true},
        {"a_Output.Pdf", true},     {"a_output_output.pdf", true},
        {"output.pdf", false},      {"a_output.pdf.bak", false},
        {"a_output.docx", false},   {"a_outputs.pdf", false},
        {".papyrion-a.pdf", true},  {".papyrion-", true},
        {"papyrion-a.pdf", false},  {".Papyrion-a.pdf", false},
        {".a.pdf.1234.part", true}, {".a_output.pdf.7.part", true},
        {".a.pdf.part", false},                                // no process number
        {".a.pdf.12x.part", false}, {"a.pdf.12.part", false},  // not hidden
        {"..12.part", false},                                  // no name
        {".a.pdf", false},          {"a.pdf", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsOwnFileName(c.name), c.own) << c.name;
}

TEST(InputList, ExpansionSkipsOurOwnFilesButTakesThemWhenNamed) {
    RunFolder folder;
    const std::string top = folder / "drop";
    fs::create_directories(top + "/sub");
    fs::create_directories(top + "/old_output.pdf");  // a folder: still scanned
    for (const char* name : {"a.pdf", "a_output.pdf", "B_OUTPUT.PDF", ".papyrion-c.pdf",
                             ".a.pdf.4321.part", "sub/d.doc", "sub/d_output.pdf",
                             "old_output.pdf/e.pdf", "named_output.pdf", ".papyrion-named.pdf"}) {
        WriteFile(top + "/" + name, "x");
    }
    InputList list;
    FillFromDrop(list, {top, top + "/named_output.pdf", top + "/.papyrion-named.pdf"});
    EXPECT_THAT(list.Entries(),
                ElementsAre(top + "/.papyrion-named.pdf", top + "/a.pdf", top + "/named_output.pdf",
                            top + "/old_output.pdf/e.pdf", top + "/sub/d.doc"));
}

TEST(InputList, DropCountsTheInputFilesTheLimitLeavesOut) {
    RunFolder folder;
    const std::string top = folder / "x";
    fs::create_directories(top + "/sub/deeper");
    fs::create_directories(top + "/other");
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf", "d.jpg", "z_output.pdf", "sub/s1.pdf",
                             "sub/s2.pdf", "sub/deeper/s3.pdf", "other/o.pdf"}) {
        WriteFile(top + "/" + name, "x");
    }
    InputList list;

    DropFill fill = FillFromDrop(list, {top}, 3);
    EXPECT_THAT(list.Entries(), ElementsAre(top + "/a.pdf", top + "/b.pdf", top + "/c.pdf"));
    // o, s1, s2 and s3; neither the picture nor our own output counts.
    EXPECT_EQ(fill.files_left_out, 4u);
    EXPECT_EQ(fill.folders_left_out, 0u);

    // Items after the limit: files count once each, folders apart.
    fill = FillFromDrop(list,
                        {top + "/a.pdf", top + "/sub", top + "/sub/s1.pdf", top + "/c.pdf",
                         top + "/c.pdf", top + "/other", top + "/d.jpg"},
                        3);
    EXPECT_THAT(list.Entries(),
                ElementsAre(top + "/a.pdf", top + "/sub/s1.pdf", top + "/sub/s2.pdf"));
    EXPECT_EQ(fill.files_left_out, 2u);  // sub/deeper/s3 and c
    EXPECT_EQ(fill.folders_left_out, 1u);

    // A file after the limit that the expansion takes anyway is not lost.
    fill = FillFromDrop(list, {top + "/sub", top + "/other", top + "/sub/s1.pdf"}, 2);
    EXPECT_THAT(list.Entries(), ElementsAre(top + "/sub/s1.pdf", top + "/sub/s2.pdf"));
    EXPECT_EQ(fill.files_left_out, 2u);  // sub/deeper/s3 and other/o
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
    const DropFill fill = FillFromDrop(list, {top});
    EXPECT_EQ(list.Size(), kDropLimit);
    EXPECT_EQ(fill.files_left_out, 6u);
    EXPECT_FALSE(list.Contains(top + "/zsub/late.pdf"));
    EXPECT_TRUE(list.Contains(top + "/100000.pdf"));
}

}  // namespace
}  // namespace papyrion
