// Printing output files: what the user is told, and real jobs on the
// private cups-pdf queue (skipped when the tests run without one).

#include "delivery/printing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "pdfengine/pdfengine.h"
#include "testsupport/files.h"

namespace papyrion {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(PAPYRION_SHARED_DIR) / "corpus";

using Folder = test::TempFolder;

class FixedPrinters : public PrinterDirectory {
  public:
    std::vector<std::string> PrinterNames() override { return names; }
    std::string DefaultDeviceString() override { return device; }
    std::vector<std::string> names;
    std::string device;
};

std::string WritePdf(const fs::path& file, int pages, double width = 595, double height = 842) {
    pdf::PdfEngine engine;
    engine.CreateDocument();
    engine.SetPageSize(width, height);
    if (pages > 1) engine.AppendPages(pages - 1);
    for (int page = 1; page <= pages; ++page) {
        engine.UsePage(page);
        engine.PlaceText(72, 72, "page " + std::to_string(page));
    }
    EXPECT_EQ(engine.SaveFile(file.string()), 1);
    return file.string();
}

std::vector<std::string> Messages(const RecordingUserInterface& ui) {
    std::vector<std::string> messages;
    for (const std::string& call : ui.calls) {
        if (call != "tick") messages.push_back(call);
    }
    return messages;
}

TEST(PrintPdfFile, WhatTheUserIsToldWithoutPrinting) {
    Folder folder;
    std::ofstream(folder.Path() / "damaged.pdf") << "%PDF-1.4 nothing else";
    const fs::path protected_file = kCorpus / "encrypted/r4-user-password.pdf";
    ASSERT_TRUE(fs::exists(protected_file));
    struct Case {
        const char* what;
        std::string path;
        std::vector<std::string> messages;
    } cases[] = {
        {"a missing file is skipped silently", (folder.Path() / "gone.pdf").string(), {}},
        {"a damaged file is not printed as a blank sheet",
         (folder.Path() / "damaged.pdf").string(),
         {"message: " + std::string(kNotPrintedUnreadable) +
          (folder.Path() / "damaged.pdf").string()}},
        {"a file that needs a password is not printed",
         protected_file.string(),
         {"message: " + std::string(kNotPrintedPassword) + protected_file.string()}},
    };
    // A printer that does not exist: had the engine tried to print, the
    // failure message would show.
    FixedPrinters printers;
    printers.names = {"NoSuchPrinter-papyrion"};
    const PrinterChoice choice = LoadPrinterChoice(printers, "Default printer", 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingUserInterface ui;
        PrintSetup setup{ui, printers, choice};
        PrintPdfFile(c.path, setup);
        EXPECT_EQ(Messages(ui), c.messages);
        EXPECT_EQ(ui.calls.front(), "tick");
    }
}

TEST(PrintPdfFile, UnknownPrinterShowsTheFailureAndTheRunGoesOn) {
    if (std::getenv("PAPYRION_TEST_PRINTER") == nullptr) {
        GTEST_SKIP() << "no test print queue (PAPYRION_TEST_PRINTER)";
    }
    Folder folder;
    const std::string one = WritePdf(folder.Path() / "one.pdf", 1);
    const std::string two = WritePdf(folder.Path() / "two.pdf", 2);
    FixedPrinters printers;
    printers.names = {"NoSuchPrinter-papyrion"};
    struct Case {
        const char* what;
        int selected;
        std::string device;
    } cases[] = {
        {"a printer CUPS does not know", 0, ""},
        {"the default-printer entry without a default printer", 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        printers.device = c.device;
        PrinterChoice choice = LoadPrinterChoice(printers, "Default printer", c.selected);
        RecordingUserInterface ui;
        PrintSetup setup{ui, printers, choice};
        std::vector<std::size_t> selected_lines;
        PrintAllOutputFiles({one, two}, setup,
                            [&](std::size_t line) { selected_lines.push_back(line); });
        EXPECT_EQ(selected_lines, (std::vector<std::size_t>{0, 1}));
        EXPECT_EQ(Messages(ui),
                  (std::vector<std::string>{"message: Printing failed return code=0",
                                            "message: Printing failed return code=0"}));
    }
}

std::set<fs::path> JobFiles(const fs::path& folder) {
    std::set<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().filename().string().rfind("Papyrion_of_Korvendal_printing", 0) == 0) {
            files.insert(entry.path());
        }
    }
    return files;
}

int PageCount(const fs::path& pdf) {
    pdf::PdfEngine engine;
    return engine.OpenFile(pdf.string()) == 1 ? engine.CountPages() : -1;
}

TEST(PrintPdfFile, OutputFilesReachTheDefaultPrinter) {
    const char* queue = std::getenv("PAPYRION_TEST_PRINTER");
    const char* out = std::getenv("PAPYRION_TEST_PRINTER_OUT");
    if (queue == nullptr || out == nullptr) {
        GTEST_SKIP() << "no test print queue (PAPYRION_TEST_PRINTER)";
    }
    Folder folder;
    // A real three-page file (pdfTeX, object streams) and a landscape page.
    const std::string three = (kCorpus / "xref-stream/multicolumn.pdf").string();
    ASSERT_TRUE(fs::exists(three));
    const std::string landscape = WritePdf(folder.Path() / "landscape.pdf", 1, 842, 595);
    const std::string deleted = (folder.Path() / "deleted.pdf").string();

    // The default-printer entry, with the queue as the default printer.
    FixedPrinters printers;
    printers.names = {"Other", queue};
    printers.device = std::string(queue) + ",Generic CUPS-PDF Printer,cups-pdf:/";
    PrinterChoice choice = LoadPrinterChoice(printers, "Default printer", 2);
    ASSERT_EQ(choice.entries[static_cast<std::size_t>(choice.selected)], "Default printer");

    const std::set<fs::path> before = JobFiles(out);
    RecordingUserInterface ui;
    PrintSetup setup{ui, printers, choice};
    PrintAllOutputFiles({three, deleted, landscape}, setup, {});
    EXPECT_EQ(Messages(ui), std::vector<std::string>{});

    // cups-pdf writes its files after the job was taken; wait for both.
    std::vector<fs::path> made;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (made.size() < 2 && std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        made.clear();
        for (const fs::path& file : JobFiles(out)) {
            if (!before.count(file)) made.push_back(file);
        }
    }
    ASSERT_EQ(made.size(), 2u);
    std::multiset<int> pages;
    // A file may still be being written when it appears; its count settles.
    for (const fs::path& file : made) {
        int count = -1;
        for (int attempt = 0; attempt < 50 && count < 0; ++attempt) {
            count = PageCount(file);
            if (count < 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        pages.insert(count);
    }
    EXPECT_EQ(pages, (std::multiset<int>{1, 3}));
}

}  // namespace
}  // namespace papyrion
