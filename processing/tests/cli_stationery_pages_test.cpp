// The stationery page files of a run without windows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "core/runstate.h"
#include "pdfengine/pdfengine.h"
#include "processing/processingrun_cli.h"
#include "support/run_test_support.h"
#include "testsupport/pdf_tools.h"

namespace papyrion {
namespace {
namespace fs = std::filesystem;
using test::ReadFile;
using test::RunFolder;
using test::WriteFile;
using ::testing::IsEmpty;
using ::testing::StartsWith;

TEST(CliStationeryPages, FilesOfOneNameGiveTwoPageFilesInTheRunsOwnFolder) {
    RunFolder folder;
    const std::string data = folder / "data/";
    RunHooks hooks;
    hooks.translate = [](std::string_view keyword) { return std::string(keyword); };
    hooks.environment = [&data](std::string_view name) -> std::string {
        if (name == "DIR") return data;
        if (name == "Tempdir") return data + "Temp/";
        return "";
    };
    RunState state("/opt/papyrion/", hooks);
    const auto write_pdf = [&folder](const std::string& name, const std::string& text) {
        fs::create_directories(fs::path(folder / name).parent_path());
        pdf::PdfEngine engine;
        engine.CreateDocument();
        engine.SetPageSize(595, 842);
        engine.UsePage(1);
        engine.PlaceText(100, 700, text);
        EXPECT_EQ(engine.SaveFile(folder / name), 1);
        return folder / name;
    };
    const auto text_of = [](const std::string& pdf) {
        const std::string text = test::PdfText(pdf, false);
        return text.substr(0, text.find_first_of("\n\f"));
    };
    SettingsModel& settings = state.Settings();
    settings.SetItemIndex(setting::kLetterheadMode, 1);
    settings.SetValue(setting::kLetterheadFile, write_pdf("a/paper.pdf", "LETTERHEAD"));
    settings.SetItemIndex(setting::kContinuationMode, 1);
    settings.SetValue(setting::kContinuationFile, write_pdf("b/paper.pdf", "CONTINUATION"));
    RecordingUserInterface ui;

    const StampingPageFiles files = CliStationeryPages(state, settings, ui, nullptr);
    EXPECT_THAT(ui.calls, IsEmpty());
    ASSERT_NE(state.RunTempDir(), state.TempDir());
    EXPECT_THAT(files.letterhead, StartsWith(state.RunTempDir()));
    EXPECT_THAT(files.continuation, StartsWith(state.RunTempDir()));
    EXPECT_EQ(text_of(files.letterhead), "LETTERHEAD");
    EXPECT_EQ(text_of(files.continuation), "CONTINUATION");
    EXPECT_TRUE(state.TempFiles().Contains(files.letterhead));
    EXPECT_TRUE(state.TempFiles().Contains(files.continuation));
}

}  // namespace
}  // namespace papyrion
