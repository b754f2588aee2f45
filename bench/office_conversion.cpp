// Seconds per converted file for a batch of small .docx files, through the
// LibreOffice automation layer: one kept headless instance for the batch
// against a fresh soffice process per file; and, given a workbook, seconds
// per spreadsheet exported through Excel (active sheet, process per file). Run by hand through
// office_conversion.sh; not a test.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <string>

#include "platform/officeautomation_libreoffice.h"

namespace fs = std::filesystem;
using papyrion::AutomationObjectPtr;
using papyrion::LibreOfficeAutomation;
using papyrion::LibreOfficeOptions;

namespace {

double RunBatch(const fs::path& work, const fs::path& fixture, int files, bool keep) {
    const fs::path folder = work / (keep ? "kept" : "per_file");
    fs::remove_all(folder);
    fs::create_directories(folder / "in");
    for (int i = 0; i < files; ++i) {
        fs::copy_file(fixture, folder / "in" / ("letter" + std::to_string(i) + ".docx"));
    }
    LibreOfficeOptions options;
    options.temp_dir = work / "Temp";  // the profile is made once, before timing
    options.search_path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    options.keep_instance = keep;
    LibreOfficeAutomation automation(options);

    const auto start = std::chrono::steady_clock::now();
    AutomationObjectPtr word = automation.CreateOleObject("Word.Application");
    for (int i = 0; i < files; ++i) {
        const fs::path input = folder / "in" / ("letter" + std::to_string(i) + ".docx");
        const fs::path pdf = folder / "in" / ("letter" + std::to_string(i) + ".PDF");
        word->Put("Visible", false);
        word->Call("Documents").AsObject()->Call("Add");
        word->Call("Documents").AsObject()->Call("Open", {input.string()});
        word->Call("ActiveDocument")
            .AsObject()
            ->Call("SaveAs", {}, {{"Filename", pdf.string()}, {"fileformat", 17}});
        if (!fs::exists(pdf)) {
            std::cerr << "missing " << pdf << "\n";
            std::exit(1);
        }
    }
    word->Call("Quit", {true});
    word.reset();  // ends the kept instance: part of the batch's cost
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    return spent.count();
}

// Spreadsheets through Excel: a process per file that exports the active sheet.
double RunSheets(const fs::path& work, const fs::path& fixture, int files) {
    const fs::path folder = work / "sheets";
    fs::remove_all(folder);
    fs::create_directories(folder / "in");
    LibreOfficeOptions options;
    options.temp_dir = work / "Temp";
    options.search_path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    LibreOfficeAutomation automation(options);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < files; ++i) {
        const fs::path input = folder / "in" / ("figures" + std::to_string(i) + ".xlsx");
        const fs::path pdf = folder / "in" / ("figures" + std::to_string(i) + ".pdf");
        fs::copy_file(fixture, input);
        AutomationObjectPtr excel = automation.CreateOleObject("Excel.Application");
        excel->Call("Workbooks").AsObject()->Call("add", {-4167});
        excel->Call("Workbooks").AsObject()->Call("Open", {input.string()});
        excel->Call("ActiveSheet")
            .AsObject()
            ->Call("ExportAsFixedFormat", {},
                   {{"Filename", pdf.string()}, {"Type", 0}, {"OpenAfterPublish", false}});
        excel->Call("Workbooks").AsObject()->Call("close");
        if (!fs::exists(pdf)) {
            std::cerr << "missing " << pdf << "\n";
            std::exit(1);
        }
    }
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    return spent.count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr
            << "usage: office_conversion_bench <letter.docx> <work folder> [files] [rounds]\n";
        return 2;
    }
    const fs::path fixture = argv[1];
    const fs::path work = argv[2];
    const int files = argc > 3 ? std::atoi(argv[3]) : 10;
    const int rounds = argc > 4 ? std::atoi(argv[4]) : 3;
    fs::create_directories(work);
    RunBatch(work, fixture, 1, false);  // warm up: creates the private profile

    std::cout << std::fixed << std::setprecision(3);
    for (bool keep : {true, false}) {
        for (int round = 1; round <= rounds; ++round) {
            const double seconds = RunBatch(work, fixture, files, keep);
            std::cout << (keep ? "kept instance   " : "process per file") << "  round " << round
                      << ": " << seconds << " s for " << files << " files, " << seconds / files
                      << " s per file\n";
        }
    }
    if (argc > 5) {
        RunSheets(work, argv[5], 1);  // warm up: the spreadsheet profile
        for (int round = 1; round <= rounds; ++round) {
            const double seconds = RunSheets(work, argv[5], files);
            std::cout << "excel active sheet  round " << round << ": " << seconds << " s for "
                      << files << " files, " << seconds / files << " s per file\n";
        }
    }
    fs::remove_all(work);
    return 0;
}
