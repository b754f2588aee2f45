// Page files in the temporary folder: one page of a PDF cut out into its
// own file, its JPEG preview, stationery page counts and the two page
// files the stationery tab makes for the processing run.

#include "processing/pagefiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "pdfengine/pdfengine.h"
#include "testsupport/files.h"
#include "testsupport/pdf_tools.h"

namespace papyrion {
namespace {

namespace fs = std::filesystem;

// A test folder with the application's Temp folder in it.
class Folder : public test::TempFolder {
  public:
    Folder() { fs::create_directories(Path() / "Temp"); }
    std::string TempDir() const { return (Path() / "Temp").string() + "/"; }
};

// A PDF whose page n (1-based) carries the text "PAGE-n" (`mark` + n), made
// by the engine.
std::string WritePagesPdf(const fs::path& file, int pages, const std::string& mark = "PAGE-") {
    pdf::PdfEngine engine;
    engine.CreateDocument();
    engine.SetPageSize(595, 842);
    if (pages > 1) engine.AppendPages(pages - 1);
    for (int page = 1; page <= pages; ++page) {
        engine.UsePage(page);
        engine.PlaceText(100, 700, mark + std::to_string(page));
    }
    EXPECT_EQ(engine.SaveFile(file.string()), 1);
    return file.string();
}

std::string PageText(const fs::path& pdf) {
    std::string text = test::PdfText(pdf, false);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\f')) text.pop_back();
    return text;
}

int PageCount(const fs::path& pdf) {
    pdf::PdfEngine engine;
    return engine.OpenFile(pdf.string()) == 1 ? engine.CountPages() : -1;
}

// Width and height from the first SOF marker; {0, 0} when there is none.
std::pair<int, int> JpegSize(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t i = 2;
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(data[at]); };
    while (i + 9 < data.size() && byte(i) == 0xFF) {
        const int marker = byte(i + 1);
        const std::size_t length = byte(i + 2) * 256u + byte(i + 3);
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            return {byte(i + 7) * 256 + byte(i + 8), byte(i + 5) * 256 + byte(i + 6)};
        }
        i += 2 + length;
    }
    return {0, 0};
}

TEST(PageFileNames, StemAndDisplayName) {
    struct Case {
        const char* path;
        const char* stem;
        const char* display;
    } cases[] = {
        {"/home/u/briefpapier.pdf", "briefpapier", "briefpapier.pdf"},
        {"C:\\a\\briefpapier.pdf", "briefpapier", "briefpapier.pdf"},
        {"/home/u/my.letter.head.PDF", "my.letter.head", "my.letter.head.PDF"},
        {"/home/u/noext", "noext", "noext"},
        {"plain.pdf", "plain", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(PathStem(c.path), c.stem);
        EXPECT_EQ(DisplayFileName(c.path), c.display);
    }
    EXPECT_EQ(DisplayFileName("/x/" + std::string(300, 'a')).size(), 255u);
}

TEST(PageFiles, ExtractsThePageNamedByStemAndNumber) {
    Folder folder;
    const std::string source = WritePagesPdf(folder.Path() / "briefpapier.pdf", 3);
    RecordingUserInterface ui;
    SortedPathList temp_files;
    PageFiles files(ui, folder.TempDir(), temp_files);
    int scroll_maximum = 0;
    files.on_preview_page_count = [&](int pages) { scroll_maximum = pages; };

    struct Case {
        int page;
        int name_number;
        const char* text;  // "" when nothing is written
    } cases[] = {
        {2, 2, "PAGE-2"},
        {1, 1, "PAGE-1"},
        {7, 7, "PAGE-3"},  // beyond the last: the last page, under the asked number
        {0, 1, ""},        // below 1: named as page 1, nothing written
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("page " + std::to_string(c.page));
        EXPECT_EQ(files.ExtractPageToTemp(source, c.page), c.name_number);
        const fs::path target =
            folder.TempDir() + "briefpapier" + std::to_string(c.name_number) + ".pdf";
        EXPECT_EQ(files.CurrentExtraction(), target.string());
        EXPECT_TRUE(temp_files.Contains(target.string()));
        if (*c.text) {
            EXPECT_EQ(PageCount(target), 1);
            EXPECT_EQ(PageText(target), c.text);
        } else {
            // The page 1 file of the earlier case is gone, not left to be stamped.
            EXPECT_FALSE(fs::exists(target));
        }
        EXPECT_EQ(files.PreviewPageCount(), 3);
        EXPECT_EQ(scroll_maximum, 3);
    }
    EXPECT_EQ(std::count(ui.calls.begin(), ui.calls.end(), "tick"), 4);
}

TEST(PageFiles, RendersAThumbnailJpeg) {
    Folder folder;
    const std::string source = WritePagesPdf(folder.Path() / "briefpapier.pdf", 2);
    RecordingUserInterface ui;
    SortedPathList temp_files;
    PageFiles files(ui, folder.TempDir(), temp_files);

    const std::string jpeg = files.RenderPageToJpeg(source, "2", "18");
    EXPECT_EQ(jpeg, folder.TempDir() + "briefpapier2.jpg");
    EXPECT_TRUE(temp_files.Contains(jpeg));
    EXPECT_TRUE(temp_files.Contains(folder.TempDir() + "briefpapier2.pdf"));
    // A4 at 75 DPI and size 18: 13.5 DPI.
    EXPECT_EQ(JpegSize(jpeg), (std::pair<int, int>{112, 158}));

    // Page and size that are no numbers: page 1 at size 17 (12.75 DPI).
    const std::string fallback = files.RenderPageToJpeg(source, "x", "");
    EXPECT_EQ(fallback, folder.TempDir() + "briefpapier1.jpg");
    EXPECT_EQ(JpegSize(fallback), (std::pair<int, int>{106, 150}));

    // A missing source renders nothing.
    EXPECT_EQ(files.RenderPageToJpeg((folder.Path() / "gone.pdf").string(), "1", "18"), "");
}

TEST(PageFiles, StationeryPageCounts) {
    Folder folder;
    EXPECT_EQ(CountStationeryPages(WritePagesPdf(folder.Path() / "three.pdf", 3)), 3);
    EXPECT_EQ(CountStationeryPages((folder.Path() / "missing.pdf").string()), 1);
    std::ofstream(folder.Path() / "junk.pdf") << "this is no PDF";
    EXPECT_EQ(CountStationeryPages((folder.Path() / "junk.pdf").string()), 1);
}

TEST(PageFiles, StationeryTabMakesBothPageFiles) {
    Folder folder;
    const std::string stationery = WritePagesPdf(folder.Path() / "stationery.pdf", 3);
    RecordingUserInterface ui;
    SortedPathList temp_files;
    PageFiles files(ui, folder.TempDir(), temp_files);
    StationeryPageFiles made;

    // Letterhead page 1, continuation page 2 of the same file.
    RefreshStationeryPageFiles(files, {stationery, 1, 1}, {stationery, 2, 1}, made);
    EXPECT_EQ(made.letterhead_pages, 3);
    EXPECT_EQ(made.continuation_pages, 3);
    EXPECT_EQ(made.letterhead_page_file, folder.TempDir() + "letterhead1.pdf");
    EXPECT_EQ(made.continuation_page_file, folder.TempDir() + "continuation2.pdf");
    EXPECT_EQ(PageText(made.letterhead_page_file), "PAGE-1");
    EXPECT_EQ(PageText(made.continuation_page_file), "PAGE-2");
    EXPECT_EQ(made.letterhead_jpeg, folder.TempDir() + "letterhead1.jpg");
    EXPECT_EQ(made.continuation_jpeg, folder.TempDir() + "continuation2.jpg");

    // Two steps forward on the letterhead: page 3.
    RefreshStationeryPageFiles(files, {stationery, 3, 1}, {stationery, 2, 1}, made);
    EXPECT_EQ(made.letterhead_page_file, folder.TempDir() + "letterhead3.pdf");
    EXPECT_EQ(PageText(made.letterhead_page_file), "PAGE-3");
    EXPECT_EQ(PageText(made.continuation_page_file), "PAGE-2");

    // Letterhead mode "Geen": no letterhead page file is made, the last one stays.
    for (const char* name : {"letterhead1.pdf", "continuation2.pdf", "letterhead3.pdf"}) {
        fs::remove(folder.TempDir() + name);
    }
    RefreshStationeryPageFiles(files, {stationery, 1, 0}, {stationery, 2, 1}, made);
    EXPECT_EQ(made.letterhead_page_file, folder.TempDir() + "letterhead3.pdf");
    EXPECT_FALSE(fs::exists(folder.TempDir() + "letterhead1.pdf"));
    EXPECT_FALSE(fs::exists(folder.TempDir() + "letterhead3.pdf"));
    EXPECT_EQ(PageText(folder.TempDir() + "continuation2.pdf"), "PAGE-2");
}

TEST(PageFiles, StationeryFilesOfOneNameGiveTwoPageFiles) {
    Folder folder;
    fs::create_directories(folder.Path() / "a");
    fs::create_directories(folder.Path() / "b");
    const std::string letterhead = WritePagesPdf(folder.Path() / "a/paper.pdf", 1, "LETTER-");
    const std::string continuation = WritePagesPdf(folder.Path() / "b/paper.pdf", 2, "NEXT-");
    RecordingUserInterface ui;
    SortedPathList temp_files;
    PageFiles files(ui, folder.TempDir(), temp_files);
    StationeryPageFiles made;

    // Page 1 of each: under the stationery's own name both would be paper1.pdf.
    RefreshStationeryPageFiles(files, {letterhead, 1, 1}, {continuation, 1, 1}, made);
    EXPECT_NE(made.letterhead_jpeg, made.continuation_jpeg);
    EXPECT_EQ(PageText(made.letterhead_page_file), "LETTER-1");
    EXPECT_EQ(PageText(made.continuation_page_file), "NEXT-1");
}

}  // namespace
}  // namespace papyrion
