// Every file of the shared corpus: it opens, counts its pages like qpdf,
// and re-saves to a file that qpdf checks clean and counts the same.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "document/page_lookup.h"
#include "document/pdf_document.h"
#include "support/pdf_fixtures.h"
#include "testsupport/pdf_tools.h"

namespace papyrion::pdf {
namespace {

namespace fs = std::filesystem;

struct CorpusFile {
    std::string path;                 // relative to the corpus folder
    std::string password;             // the user password, else the owner's, else empty
    std::optional<PdfBox> media_box;  // page 1 as the manifest's notes give it
};

// "page 1 MediaBox [0.00 0.00 595.28 841.89]" in the notes column.
std::optional<PdfBox> MediaBoxOf(const std::string& notes) {
    const std::string marker = "page 1 MediaBox [";
    std::size_t at = notes.find(marker);
    if (at == std::string::npos) return std::nullopt;
    std::stringstream numbers(notes.substr(at + marker.size()));
    PdfBox box{};
    for (double& value : box) {
        if (!(numbers >> value)) return std::nullopt;
    }
    return box;
}

fs::path CorpusFolder() { return fs::path(PAPYRION_SHARED_DIR) / "corpus"; }

std::string PasswordOf(const std::string& field) {
    // "user=view; owner=master", "user=(empty)", "user=foo"
    std::string user, owner;
    std::stringstream parts(field);
    std::string part;
    while (std::getline(parts, part, ';')) {
        while (!part.empty() && part.front() == ' ') part.erase(part.begin());
        if (part.rfind("user=", 0) == 0) user = part.substr(5);
        if (part.rfind("owner=", 0) == 0) owner = part.substr(6);
    }
    if (user == "(empty)") return {};
    return !user.empty() ? user : owner;
}

std::vector<CorpusFile> LoadManifest() {
    std::vector<CorpusFile> files;
    std::ifstream manifest(CorpusFolder() / "MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);  // column names
    while (std::getline(manifest, line)) {
        std::vector<std::string> columns;
        std::stringstream cells(line);
        std::string cell;
        while (std::getline(cells, cell, '\t')) columns.push_back(cell);
        if (columns.empty() || columns[0].empty()) continue;
        files.push_back({columns[0], columns.size() > 7 ? PasswordOf(columns[7]) : std::string(),
                         columns.size() > 8 ? MediaBoxOf(columns[8]) : std::nullopt});
    }
    return files;
}

class Corpus : public ::testing::TestWithParam<CorpusFile> {};

// Writes `document`, reads the result back and returns its page count
// (-1 when writing or reading back fails).
int ResavedPageCount(TPDFDocument& document, const std::string& password, const fs::path& out) {
    {
        std::ofstream stream(out, std::ios::binary);
        if (!document.Write(stream)) return -1;
    }
    TPDFDocument again;
    if (again.Read(test::ReadFile(out), password) != ReadResult::kRead) return -1;
    EXPECT_EQ(again.IsEncrypted(), document.IsEncrypted());
    return static_cast<int>(CollectPages(again).size());
}

TEST_P(Corpus, OpensCountsPagesAndResavesCleanly) {
    const CorpusFile& entry = GetParam();
    const fs::path file = CorpusFolder() / entry.path;
    const std::string bytes = test::ReadFile(file);
    ASSERT_FALSE(bytes.empty()) << file;
    const int expected = test::QpdfPageCount(file, entry.password);

    TPDFDocument document;
    const ReadResult result = document.Read(bytes, entry.password);
    test::TempFolder folder;
    const fs::path out = folder.Path() / "resaved.pdf";
    if (expected < 0) {
        // qpdf cannot read it. A refusal must leave nothing behind; a file we
        // do read must survive being written and read back.
        if (result != ReadResult::kRead) {
            EXPECT_TRUE(document.IndirectObjects().empty()) << entry.path;
        } else {
            const int pages = static_cast<int>(CollectPages(document).size());
            EXPECT_GT(pages, 0) << entry.path;
            EXPECT_EQ(ResavedPageCount(document, entry.password, out), pages) << entry.path;
        }
        return;
    }
    ASSERT_EQ(result, ReadResult::kRead) << entry.path;
    const auto pages = CollectPages(document);
    EXPECT_EQ(static_cast<int>(pages.size()), expected) << entry.path;
    if (entry.media_box && !pages.empty()) {
        auto box = InheritedMediaBox(*pages[0]);
        ASSERT_TRUE(box) << entry.path;
        for (std::size_t i = 0; i < 4; ++i) {
            // The manifest rounds to two decimals.
            EXPECT_NEAR((*box)[i], (*entry.media_box)[i], 0.006) << entry.path << " box " << i;
        }
    }

    EXPECT_EQ(ResavedPageCount(document, entry.password, out), expected) << entry.path;
    EXPECT_EQ(test::QpdfProblems(out, entry.password), "") << entry.path;
    EXPECT_EQ(test::QpdfPageCount(out, entry.password), expected) << entry.path;
}

std::string TestName(const ::testing::TestParamInfo<CorpusFile>& info) {
    std::string name;
    for (char c : info.param.path) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
}

TEST(CorpusManifest, IsPresent) {
    // Without it the corpus cases below silently vanish.
    EXPECT_GT(LoadManifest().size(), 0u) << CorpusFolder() / "MANIFEST.tsv";
}

INSTANTIATE_TEST_SUITE_P(SharedCorpus, Corpus, ::testing::ValuesIn(LoadManifest()), TestName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Corpus);

}  // namespace
}  // namespace papyrion::pdf
