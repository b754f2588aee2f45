// Every corpus file the engine opens gets stamped through the facade in
// both placements, and its first and last pages extracted; qpdf must accept
// each result without errors, and the stamped result must keep the input's
// page count.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "pdfengine/pdfengine.h"
#include "support/facade_sequences.h"
#include "support/facade_test_support.h"
#include "support/pdf_fixtures.h"

namespace papyrion::pdf {
namespace {

namespace fs = std::filesystem;

TEST(FacadeCorpus, EveryOpenedFileStampsIntoAValidFile) {
    const fs::path corpus = fs::path(PAPYRION_SHARED_DIR) / "corpus";
    if (!fs::exists(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    test::TempFolder folder;
    const fs::path stationery =
        folder.Write("lh.pdf", testing::OnePagePdf("[0 0 595 842]", "1 0 0 rg 0 800 595 42 re f"));
    int stamped = 0;
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        if (entry.path().extension() != ".pdf") continue;
        const std::string name = fs::relative(entry.path(), corpus).string();
        int pages = 0;
        {
            SCOPED_TRACE(name + ", extracted");
            PdfEngine probe;
            if (probe.OpenFile(entry.path().string()) != 1) continue;
            pages = probe.CountPages();
            const std::string list = pages > 1 ? "1," + std::to_string(pages) : "1";
            ASSERT_EQ(probe.ExtractPageList(list), 1);
            EXPECT_EQ(probe.CountPages(), pages > 1 ? 2 : 1);
            const fs::path extracted = folder.Path() / "extracted.pdf";
            ASSERT_EQ(probe.SaveFile(extracted.string()), 1);
            const std::string problems = test::QpdfProblems(extracted);
            EXPECT_EQ(problems.find("ERROR"), std::string::npos) << problems;
        }
        for (bool foreground : {true, false}) {
            SCOPED_TRACE(name + (foreground ? ", over" : ", under"));
            const fs::path work = folder.Path() / "work.pdf";
            fs::copy_file(entry.path(), work, fs::copy_options::overwrite_existing);
            testing::StampOptions options;
            options.foreground = foreground;
            EXPECT_TRUE(testing::StampThroughFacade(work.string(), stationery.string(), options));
            const std::string problems = test::QpdfProblems(work);
            EXPECT_EQ(problems.find("ERROR"), std::string::npos) << problems;
            PdfEngine result;
            ASSERT_EQ(result.OpenFile(work.string()), 1);
            EXPECT_EQ(result.CountPages(), pages);
            ++stamped;
        }
    }
    EXPECT_GT(stamped, 0);
}

}  // namespace
}  // namespace papyrion::pdf
