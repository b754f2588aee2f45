#pragma once
// LibreOffice standing in for Word, Excel and OpenOffice: it serves the
// program ids "Word.Application", "Excel.Application" and
// "com.sun.star.ServiceManager" with the members the conversion uses, and
// does the work with a headless LibreOffice that has a private profile, so a
// LibreOffice the user has open is neither disturbed nor able to block it.
//
// Every conversion is bounded in time; a hung or crashed LibreOffice makes
// that conversion fail and leaves no process behind.
//
// How the work is done, and why:
// - Each conversion copies the input into a private work folder under
//   `temp_dir` and converts the copy, so the user's file (and its folder: no
//   lock file) is never touched. The PDF is copied next to the target under a
//   hidden name and renamed over it, so no half-written PDF ever carries the
//   final name.
// - Word and Excel objects share one headless instance (profile
//   `temp_dir`/lo_profile) that holds a small document open so that it
//   outlives the conversions handed to it. A conversion is an
//   `soffice --convert-to` on the same profile, which passes the job to the
//   instance and waits for it: about three times faster per file than a
//   fresh process (bench/office_conversion.sh). Word's Quit, or the last
//   reference going, ends the instance.
// - The service manager's documents get a process of their own, as its
//   desktop is terminated after every file.
// - Excel exports only the active sheet. The command line cannot name a
//   sheet, so a Basic module in a second private profile
//   (`temp_dir`/lo_profile_sheets) loads the workbook and exports its active
//   sheet as the selection.
// - Filters follow the document: spreadsheets get the spreadsheet PDF export
//   whatever export filter a caller named; CSV is read with ";" and '"' in
//   UTF-8; container formats (.docx, .odt, .xlsx, .ods) are read with their
//   own filter so that a damaged file fails instead of showing up as text.

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/officeautomation.h"

namespace papyrion {

struct LibreOfficeOptions {
    // Parent of the private profile ("lo_profile") and of the work folders.
    std::filesystem::path temp_dir;
    // Where soffice is looked for, in PATH form.
    std::string search_path;
    // Longest time one conversion (or the start of the kept instance) may take.
    std::chrono::milliseconds timeout = std::chrono::seconds(120);
    // Keep one headless instance for the objects of a run (the Word
    // application and an attached Excel) instead of one process per file.
    bool keep_instance = true;
};

// The soffice program on `search_path`, if any.
std::optional<std::filesystem::path> FindSoffice(std::string_view search_path);

class LibreOfficeAutomation : public OfficeAutomation {
  public:
    explicit LibreOfficeAutomation(LibreOfficeOptions options);
    ~LibreOfficeAutomation() override;
    LibreOfficeAutomation(const LibreOfficeAutomation&) = delete;
    LibreOfficeAutomation& operator=(const LibreOfficeAutomation&) = delete;

    // "Word.Application" and "Excel.Application" attach to the instance that
    // a live Word or Excel object of this layer keeps; there is none to
    // attach to otherwise (and never for the service manager).
    AutomationObjectPtr GetActiveOleObject(std::string_view prog_id) override;
    // Fails, as for a program id without a registered server, when soffice is
    // not on the search path or the program id is not one of the three.
    AutomationObjectPtr CreateOleObject(std::string_view prog_id) override;

    class Engine;

  private:
    std::shared_ptr<Engine> engine_;
};

}  // namespace papyrion
