#include "core/runstate.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <thread>

#include "core/inifile.h"
#include "core/restart.h"
#include "testsupport/files.h"

namespace papyrion {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ReadText;
using test::ScopedEnv;
using test::TempFolder;
using test::WriteFile;
using ::testing::HasSubstr;
using ::testing::Not;

class RunStateTest : public ::testing::Test {
  protected:
    RunStateTest() : xdg_("XDG_DATA_HOME", home_.Path().string()), tz_("TZ", "UTC") {
        tzset();
        fs::create_directories(Dir());
    }
    ~RunStateTest() override { tzset(); }

    std::unique_ptr<RunState> MakeRun() {
        RunHooks hooks;
        hooks.translate = [](std::string_view keyword) { return "[" + std::string(keyword) + "]"; };
        hooks.clock = [] { return std::chrono::system_clock::from_time_t(1386597933); };
        hooks.sleep = [this](std::chrono::milliseconds span) { slept_.push_back(span); };
        return std::make_unique<RunState>("/opt/papyrion/", std::move(hooks));
    }
    fs::path Dir() const { return home_.Path() / "Papyrion"; }

    // Another process with a run of its own, holding a file in its run
    // folder. It ends without the end steps, as a crash would: at once, or
    // when EndChild is called.
    struct ChildRun {
        pid_t pid = -1;
        std::string folder;
        int go = -1;
    };
    ChildRun StartChild(bool wait) {
        int report[2];
        int go[2];
        EXPECT_EQ(pipe(report), 0);
        EXPECT_EQ(pipe(go), 0);
        const pid_t pid = fork();
        if (pid == 0) {
            close(report[0]);
            close(go[1]);
            auto run = MakeRun();
            WriteFile(run->RunTempDir() + "letterhead1.pdf", "page");
            const std::string line = run->RunTempDir() + "\n";
            if (write(report[1], line.data(), line.size()) < 0) _exit(1);
            char word = 0;
            if (wait && read(go[0], &word, 1) < 0) _exit(1);
            _exit(0);
        }
        close(report[1]);
        close(go[0]);
        ChildRun child{pid, "", go[1]};
        char c = 0;
        while (read(report[0], &c, 1) == 1 && c != '\n') child.folder += c;
        close(report[0]);
        if (!wait) EndChild(child);
        return child;
    }
    static void EndChild(ChildRun& child) {
        if (child.go >= 0) close(child.go);
        child.go = -1;
        int status = 0;
        waitpid(child.pid, &status, 0);
    }

    TempFolder home_;
    ScopedEnv xdg_;
    ScopedEnv tz_;
    RecordingUserInterface ui_;
    std::vector<std::chrono::milliseconds> slept_;
};

TEST_F(RunStateTest, PathsComeFromTheDataFolder) {
    auto run = MakeRun();
    const std::string dir = Dir().string() + "/";
    EXPECT_EQ(run->Dir(), dir);
    EXPECT_EQ(run->TempDir(), dir + "Temp/");
    EXPECT_EQ(run->LogFile(), dir + "Papyrion_Log.csv");
    EXPECT_EQ(run->SettingsFile(), dir + "Papyrion.ini");
    EXPECT_EQ(run->BackupFile(), dir + "Papyrion.ono");
    EXPECT_TRUE(fs::is_directory(run->TempDir()));
}

TEST_F(RunStateTest, EachRunHasItsOwnFolderAndAStartRemovesOnlyThoseOfEndedRuns) {
    ChildRun live = StartChild(true);
    ChildRun ended = StartChild(false);
    ASSERT_TRUE(fs::exists(ended.folder + "letterhead1.pdf"));
    ASSERT_TRUE(fs::exists(live.folder + "letterhead1.pdf"));
    // Left by an ended run whose process number is in use again (here by
    // this very process): the number proves nothing, the free lock does.
    const fs::path reused = Dir() / "Temp" / ("run-" + std::to_string(getpid()) + "-old");
    fs::create_directories(reused);
    WriteFile(reused / ".lock", "");

    auto run = MakeRun();
    EXPECT_FALSE(fs::exists(ended.folder));
    EXPECT_FALSE(fs::exists(reused));
    EXPECT_TRUE(fs::exists(live.folder + "letterhead1.pdf"));
    EXPECT_TRUE(fs::is_directory(run->RunTempDir()));
    EXPECT_THAT(run->RunTempDir(), ::testing::StartsWith(run->TempDir()));
    EXPECT_NE(run->RunTempDir(), run->TempDir());
    EXPECT_NE(run->RunTempDir(), live.folder);

    EndChild(live);
    run->EndProgram(ui_);
    EXPECT_FALSE(fs::exists(run->RunTempDir()));
    EXPECT_TRUE(fs::exists(live.folder));  // nobody has started since it ended
    auto next = MakeRun();
    EXPECT_FALSE(fs::exists(live.folder));
}

TEST_F(RunStateTest, StartWithoutSettingsFileMakesNoBackupAndCountsTheFirstStart) {
    auto run = MakeRun();
    ASSERT_TRUE(run->RunStartup(ui_));
    EXPECT_TRUE(ui_.calls.empty());
    EXPECT_FALSE(fs::exists(run->BackupFile()));
    EXPECT_FALSE(fs::exists(run->SettingsFile()));
    EXPECT_FALSE(fs::exists(run->LogFile()));  // logging is off by default
    EXPECT_EQ(run->Settings().Number(setting::kProgramStarts), 1);
    EXPECT_EQ(run->Settings().Value(setting::kCountryCode), "031");
    EXPECT_EQ(run->Settings().Value(setting::kLetterheadFile), "[Onbekend]");
    EXPECT_TRUE(run->TempFiles().Contains(run->BackupFile().string()));
}

TEST_F(RunStateTest, StartBacksUpTheSettingsAndWritesTheStartEntry) {
    const std::string settings =
        "[Loging]\nSpace=3\n[Opties]\nCountry=\n"
        "[Statistiek]\nAangemaakte bestanden=5\nAangemaakte paginas=12\nProgramma starts=41\n";
    WriteFile(Dir() / "Papyrion.ini", settings);
    WriteFile(Dir() / "Papyrion.ono", "an old backup\n");
    auto run = MakeRun();
    ASSERT_TRUE(run->RunStartup(ui_));

    EXPECT_EQ(ReadText(run->BackupFile()), settings);
    EXPECT_EQ(ReadText(run->LogFile()),
              "00000I;09-12-2013 14:05:33;;Intital trace file created\r\n"
              "00002I;09-12-2013 14:05:33.000;0.000;Program start;5;12;/opt/papyrion/;"
              "DC2013-09-06_14:23:00\r\n");
    EXPECT_EQ(run->Settings().Number(setting::kProgramStarts), 42);
    EXPECT_EQ(run->Settings().Value(setting::kCountryCode), "031");  // empty becomes 031
    // The count reaches the file with the close-time save, not before.
    EXPECT_EQ(IniRead(run->SettingsFile(), setting::kProgramStarts.section,
                      setting::kProgramStarts.key, ""),
              "41");
}

TEST_F(RunStateTest, ALoadProblemIsLeftToTheCallerAndTheStartGoesOn) {
    WriteFile(Dir() / "Papyrion.ini", "[Loging]\nSpace=3\n[Opties]\nVoorgrond=\n");
    auto run = MakeRun();
    EXPECT_TRUE(run->RunStartup(ui_));
    EXPECT_TRUE(ui_.calls.empty());
    ASSERT_EQ(run->Settings().LoadProblems().size(), 1u);
    EXPECT_EQ(run->Settings().LoadProblems().front().key, setting::kStationeryPlacement);
    EXPECT_EQ(run->Settings().ItemIndex(setting::kStationeryPlacement), 1);  // the default
    EXPECT_EQ(run->Settings().Number(setting::kProgramStarts), 1);
    EXPECT_TRUE(fs::exists(run->LogFile()));
    EXPECT_TRUE(fs::exists(run->BackupFile()));
}

TEST_F(RunStateTest, ClosingTheConfigurationSavesWaitsAndDeletesTemporaryFilesWithEntries) {
    WriteFile(Dir() / "Papyrion.ini", "[Loging]\nSpace=8\nTrace=1\n");
    auto run = MakeRun();
    ASSERT_TRUE(run->RunStartup(ui_));
    // Two files that differ only in case are two files; both must go.
    const fs::path upper = Dir() / "Temp" / "Page.pdf";
    const fs::path lower = Dir() / "Temp" / "page.pdf";
    WriteFile(upper, "1");
    WriteFile(lower, "2");
    EXPECT_TRUE(run->TempFiles().Add(upper.string()));
    EXPECT_TRUE(run->TempFiles().Add(lower.string()));
    EXPECT_FALSE(run->TempFiles().Add(lower.string()));

    run->CloseConfiguration();

    EXPECT_THAT(slept_, ::testing::ElementsAre(1000ms));
    EXPECT_FALSE(fs::exists(upper));
    EXPECT_FALSE(fs::exists(lower));
    EXPECT_FALSE(fs::exists(run->BackupFile()));
    EXPECT_TRUE(run->TempFiles().Empty());
    const std::string log = ReadText(run->LogFile());
    for (const fs::path& file : {run->BackupFile(), upper, lower}) {
        EXPECT_THAT(log, HasSubstr("00901I;09-12-2013 14:05:33.000;0.000;Delete temp files  ;;;" +
                                   file.string() + "\r\n"));
    }
    EXPECT_EQ(IniRead(run->SettingsFile(), setting::kProgramStarts.section,
                      setting::kProgramStarts.key, ""),
              "1");

    // The backup is gone, so restoring only reloads the current file.
    IniWrite(run->SettingsFile(), setting::kStationeryPlacement.section,
             setting::kStationeryPlacement.key, "0");
    run->RestoreStartupSettings();
    EXPECT_EQ(run->Settings().ItemIndex(setting::kStationeryPlacement), 0);
}

TEST_F(RunStateTest, EndCountsSavesWritesTheStopEntryAndDeletesSilently) {
    WriteFile(Dir() / "Papyrion.ini", "[Loging]\nSpace=8\nTrace=1\n");
    auto run = MakeRun();
    ASSERT_TRUE(run->RunStartup(ui_));
    const fs::path temp = Dir() / "Temp" / "mail.pdf";
    WriteFile(temp, "x");
    run->TempFiles().Add(temp.string());

    run->EndProgram(ui_);

    EXPECT_FALSE(fs::exists(temp));
    EXPECT_EQ(
        IniRead(run->SettingsFile(), setting::kProgramEnds.section, setting::kProgramEnds.key, ""),
        "1");
    const std::string log = ReadText(run->LogFile());
    EXPECT_THAT(log, HasSubstr("\r\n00009I;09-12-2013 14:05:33.000;0.000;Program stop;0;0\r\n"));
    EXPECT_THAT(log, Not(HasSubstr("00901I")));
    EXPECT_TRUE(ui_.calls.empty());
}

TEST_F(RunStateTest, AFailingSaveAtTheEndStillStopsAndCleansUp) {
    WriteFile(Dir() / "Papyrion_Log.csv", "");
    auto run = MakeRun();
    run->Settings().SetChecked(setting::kLogBox, true);
    fs::create_directories(run->SettingsFile());  // a folder where the file should be
    const fs::path temp = Dir() / "Temp" / "print.pdf";
    WriteFile(temp, "x");
    run->TempFiles().Add(temp.string());

    run->EndProgram(ui_);

    EXPECT_FALSE(fs::exists(temp));
    EXPECT_THAT(ReadText(run->LogFile()), HasSubstr("Program stop;0;0"));
    EXPECT_THAT(ui_.calls, ::testing::ElementsAre("error: Unable to write to " +
                                                  run->SettingsFile().string()));
}

TEST_F(RunStateTest, RestoreCopiesTheBackupOverTheSettingsAndReloads) {
    WriteFile(Dir() / "Papyrion.ini", "[Opties]\nVoorgrond=0\n");
    auto run = MakeRun();
    ASSERT_TRUE(run->RunStartup(ui_));
    IniWrite(run->SettingsFile(), setting::kStationeryPlacement.section,
             setting::kStationeryPlacement.key, "1");
    run->Settings().SetItemIndex(setting::kStationeryPlacement, 1);

    run->RestoreStartupSettings();

    EXPECT_EQ(ReadText(run->SettingsFile()), "[Opties]\nVoorgrond=0\n");
    EXPECT_EQ(run->Settings().ItemIndex(setting::kStationeryPlacement), 0);
}

TEST_F(RunStateTest, ResetDeletesSettingsAndLogOnYesAndRestarts) {
    WriteFile(Dir() / "Papyrion.ini", "[Opties]\nVoorgrond=0\n");
    WriteFile(Dir() / "Papyrion_Log.csv", "log\n");
    auto run = MakeRun();
    int restarts = 0;

    ui_.answer = false;
    EXPECT_FALSE(run->ResetSettings(ui_, [&] { ++restarts; }));
    EXPECT_TRUE(fs::exists(run->SettingsFile()));

    ui_.answer = true;
    EXPECT_TRUE(run->ResetSettings(ui_, [&] { ++restarts; }));
    EXPECT_FALSE(fs::exists(run->SettingsFile()));
    EXPECT_FALSE(fs::exists(run->LogFile()));
    EXPECT_EQ(restarts, 1);
    EXPECT_THAT(ui_.calls, ::testing::ElementsAre("ask: [Resetmsg]", "ask: [Resetmsg]"));
}

TEST_F(RunStateTest, CommandLineKeepsTheFirstArgumentApart) {
    auto run = MakeRun();
    EXPECT_EQ(run->CommandLineFile(), "");
    run->SetCommandLine({"/a/b.pdf", "/a/c.docx"});
    EXPECT_EQ(run->CommandLineFile(), "/a/b.pdf");
    EXPECT_THAT(run->CommandLineFiles(), ::testing::ElementsAre("/a/b.pdf", "/a/c.docx"));
}

TEST(SortedPathList, SortsWithoutCaseButKeepsPathsThatDifferInCase) {
    SortedPathList list;
    for (const char* path : {"/t/b.pdf", "/t/A.pdf", "/t/a.pdf", "/t/B.pdf", "/t/a.pdf"}) {
        list.Add(path);
    }
    EXPECT_THAT(list.Entries(),
                ::testing::ElementsAre("/t/A.pdf", "/t/a.pdf", "/t/B.pdf", "/t/b.pdf"));
    EXPECT_TRUE(list.Contains("/t/B.pdf"));
    EXPECT_FALSE(list.Contains("/t/c.pdf"));
    EXPECT_TRUE(list.Remove("/t/a.pdf"));
    EXPECT_FALSE(list.Remove("/t/a.pdf"));
    EXPECT_THAT(list.Entries(), ::testing::ElementsAre("/t/A.pdf", "/t/B.pdf", "/t/b.pdf"));
}

TEST(Restart, ProgramFolderIsTheFolderOfTheRunningExecutable) {
    EXPECT_EQ(fs::path(ProgramFolder()), fs::canonical(PAPYRION_BIN_DIR) / "");
}

TEST(Restart, StartsTheExecutableWithoutArgumentsThenTerminates) {
    TempFolder folder;
    const fs::path script = folder / "papyrion";
    WriteFile(script, "#!/bin/sh\necho \"$#\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.started\"\n");
    fs::permissions(script, fs::perms::owner_all);
    bool terminated = false;

    RestartProgram(script, [&] { terminated = true; });

    EXPECT_TRUE(terminated);
    const fs::path started = folder / "papyrion.started";
    for (int i = 0; i < 1000 && !fs::exists(started); ++i) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(fs::exists(started));
    EXPECT_EQ(ReadText(started), "0\n");
}

TEST(Restart, AProgramThatCannotStartIsReportedAndNothingTerminates) {
    TempFolder folder;
    const fs::path not_executable = folder / "papyrion";
    WriteFile(not_executable, "#!/bin/sh\n");
    for (const fs::path& program : {folder / "missing", not_executable}) {
        bool terminated = false;
        try {
            RestartProgram(program, [&] { terminated = true; });
            ADD_FAILURE() << "no error for " << program;
        } catch (const std::runtime_error& error) {
            EXPECT_THAT(error.what(), HasSubstr("Unable to start " + program.string()));
        }
        EXPECT_FALSE(terminated);
    }
}

}  // namespace
}  // namespace papyrion
