// The public door: open, ask, save.

#include "pdfengine/pdf_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "support/pdf_fixtures.h"

namespace papyrion::pdf {
namespace {

TEST(PdfFile, ReportsPagesAndInheritedSizes) {
    auto objects = testing::SimplePageObjects(3);
    // Page 2 has a box of its own with a non-zero origin; pages 1 and 3 inherit.
    objects[3].body = "<< /Type /Page /Parent 2 0 R /MediaBox [ 10 20 110 170 ] >>";
    PdfFile file;
    ASSERT_EQ(file.OpenBytes(testing::BuildClassicPdf(objects)), PdfReadResult::kRead);
    EXPECT_EQ(file.PageCount(), 3);
    EXPECT_EQ(file.Version(), "1.4");
    EXPECT_FALSE(file.IsEncrypted());
    const std::pair<int, std::optional<std::pair<double, double>>> cases[] = {
        {1, std::make_pair(200.0, 300.0)},
        {2, std::make_pair(100.0, 150.0)},
        {3, std::make_pair(200.0, 300.0)},
        {0, std::nullopt},
        {4, std::nullopt},
    };
    for (const auto& [page, expected] : cases) {
        auto size = file.PageSize(page);
        ASSERT_EQ(size.has_value(), expected.has_value()) << page;
        if (size) {
            EXPECT_EQ(size->width, expected->first) << page;
            EXPECT_EQ(size->height, expected->second) << page;
        }
    }
}

TEST(PdfFile, FailuresCarryTheEngineErrorCodes) {
    test::TempFolder folder;
    PdfFile file;
    EXPECT_EQ(file.OpenBytes("not a pdf"), PdfReadResult::kNotReadable);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.OpenFile(folder.Path() / "missing.pdf"), PdfReadResult::kFileError);
    EXPECT_EQ(file.OpenFile(folder.Path()), PdfReadResult::kFileError);  // a folder
    EXPECT_EQ(OpenErrorCode(PdfReadResult::kNotReadable), 401);
    EXPECT_EQ(OpenErrorCode(PdfReadResult::kPasswordRejected), 404);
    EXPECT_EQ(OpenErrorCode(PdfReadResult::kRead), 0);
    EXPECT_EQ(OpenErrorCode(PdfReadResult::kFileError), 0);
}

TEST(PdfFile, SavingReplacesTheTargetWholeOrNotAtAll) {
    test::TempFolder folder;
    PdfFile blank = PdfFile::NewDocument();
    auto target = folder.Write("target.pdf", "old contents");
    ASSERT_TRUE(blank.SaveToFile(target));
    PdfFile reread;
    ASSERT_EQ(reread.OpenFile(target), PdfReadResult::kRead);
    EXPECT_EQ(reread.PageCount(), 1);
    EXPECT_EQ(reread.PageSize(1)->width, 612);

    EXPECT_FALSE(blank.SaveToFile(folder.Path() / "missing" / "out.pdf"));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        ++files;
    }
    EXPECT_EQ(files, 1u);  // no partial file left behind

    PdfFile empty;
    std::string bytes;
    EXPECT_FALSE(empty.SaveToBytes(bytes));
    EXPECT_FALSE(empty.SaveToFile(folder.Path() / "never.pdf"));
}

}  // namespace
}  // namespace papyrion::pdf
