#pragma once
// Single-page PDFs and JPEG previews in the temporary folder: a page of a
// PDF cut out into its own file (the letterhead and continuation page files
// the processing run stamps with are made this way), rendered to a JPEG,
// and the page counts of stationery files. The windows show the JPEGs; no
// window work happens here.

#include <functional>
#include <string>
#include <string_view>

#include "core/sortedpathlist.h"
#include "core/userinterface.h"

namespace papyrion {

// The file name of a path: the text after its last "/", or when it has
// none after its last "\", at most 255 characters; "" when it has neither.
std::string DisplayFileName(std::string_view path);

// The file's name without its folder and without the part from its last ".".
std::string PathStem(std::string_view path);

// The page count of a PDF, or 1 when the file does not exist. A file the
// engine cannot read counts as the engine's blank start document: 1.
int CountStationeryPages(const std::string& path);

class PageFiles {
  public:
    // `temp_dir` ends in "/" (the run's own folder, RunState::RunTempDir());
    // every file made is entered in `temp_files`.
    PageFiles(UserInterface& ui, std::string temp_dir, SortedPathList& temp_files);

    // Writes page `page` of `path` as a one-page PDF named
    // temp_dir + name + number + ".pdf" (the number raised to 1 when below)
    // and makes that the current extraction result. The name is `name`, or
    // the stem of `path` when `name` is empty. A page beyond the last
    // writes the last page under the asked number; a page below 1 writes
    // nothing. A file of that name left from an earlier extraction is
    // removed first, so a failed extraction never leaves a stale page to
    // be stamped or printed. Returns the number used in the name.
    int ExtractPageToTemp(const std::string& path, int page, std::string_view name = {});

    // Extracts the page, then renders it at 75 DPI scaled by size / 100
    // into temp_dir + name + number + ".jpg" (name as for the extraction). `page_text` and
    // `size_text` are read as integers (page 1 and size 17 when 0 or not a number). Returns the
    // JPEG path, or "" when there was no page file to render.
    std::string RenderPageToJpeg(const std::string& path, const std::string& page_text,
                                 const std::string& size_text, std::string_view name = {});

    const std::string& CurrentExtraction() const { return current_extraction_; }
    // Page count found by the last extraction of an existing file.
    int PreviewPageCount() const { return preview_page_count_; }
    // Called with that count (the preview's scroll bar maximum).
    std::function<void(int)> on_preview_page_count;

  private:
    UserInterface& ui_;
    std::string temp_dir_;
    SortedPathList& temp_files_;
    std::string current_extraction_;
    int preview_page_count_ = 0;
};

// The names (before the page number) of the page files the processing run
// stamps with.
inline constexpr std::string_view kLetterheadPageName = "letterhead";
inline constexpr std::string_view kContinuationPageName = "continuation";

// One stationery PDF as the stationery tab uses it.
struct StationeryChoice {
    std::string file;
    int page = 1;
    int mode = 0;  // the page-rule mode of `ComboBox1` / `ComboBox2`; 0 is "Geen"
};

struct StationeryPageFiles {
    int letterhead_pages = 1;
    int continuation_pages = 1;
    std::string letterhead_page_file;  // kept when the mode is "Geen"
    std::string continuation_page_file;
    std::string letterhead_jpeg;  // the thumbnails, "" when none was rendered
    std::string continuation_jpeg;
};

// The file work of refreshing the stationery tab: recounts both files and,
// for each mode above 0, renders the thumbnail at size 18 and takes its
// extraction as the page file. The files are named by their role (the names
// above) and page number, not by the stationery file, so two stationery
// files of one name never share a page file.
void RefreshStationeryPageFiles(PageFiles& page_files, const StationeryChoice& letterhead,
                                const StationeryChoice& continuation, StationeryPageFiles& files);

}  // namespace papyrion
