// The desktop program offscreen: creation, drops, runs, closes and the end.

#include "ui/program.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/inifile.h"
#include "processing/inputlist.h"
#include "processing/processingrun.h"
#include "support/window_test_support.h"
#include "ui/configurationwindow.h"
#include "ui/droplayout.h"
#include "ui/dropwindow.h"

namespace papyrion::ui {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using namespace ::papyrion::ui::testing;

// Logging on (the start and stop entries are written), no first-run window,
// English texts.
constexpr const char* kSettings =
    "[Run]\nSetUpStatus=1\nMiniofMaxi=n\n[Loging]\nSpace=8\n[Opties]\nCountry=044\n";

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApplication();
        folder_.WriteSettings(kSettings);
    }

    // The program with its sleeps cut short, its boxes recorded and its
    // prints handed to `on_print`.
    std::unique_ptr<Program> Start(std::vector<std::string> arguments = {}) {
        ProgramOptions options;
        options.arguments = std::move(arguments);
        options.hooks.sleep = [](std::chrono::milliseconds) {};
        options.box_handler = [this](BoxKind, const std::string& text) {
            boxes_.push_back(text);
            return false;
        };
        options.wiring.print_pdf_file = [this](const std::string& path) {
            printed_.push_back(path);
            return on_print ? on_print(path) : true;
        };
        options.start_again = [this] { started_again_with_log_ = ReadFile(LogFile()); };
        auto program = std::make_unique<Program>(std::move(options));
        return program;
    }

    fs::path LogFile() const { return folder_.Dir() / "Papyrion_Log.csv"; }
    std::string Ini(SettingKey key) const {
        return IniRead(folder_.SettingsFile(), key.section, key.key, "<absent>");
    }
    static int XOf(Program& program, const char* icon) {
        return program.Drop().findChild<QWidget*>(icon)->geometry().center().x();
    }
    static bool Idle(Program& program) { return !program.Busy(); }

    DataFolder folder_;
    std::vector<std::string> boxes_;
    std::vector<std::string> printed_;
    std::function<bool(const std::string&)> on_print;
    std::string started_again_with_log_ = "<not started>";
};

TEST_F(ProgramTest, CreatesTheWindowsInOrderAndLaysOutTheDropWindowByItsWidth) {
    folder_.WriteSettings(std::string(kSettings) + "[Position]\nF2Width=300\n");
    auto program = Start();
    EXPECT_EQ(QGuiApplication::applicationDisplayName().toStdString(), kApplicationTitle);
    std::vector<std::string> names;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        names.push_back(window->objectName().toStdString());
    }
    for (const char* name : {"Tform2", "TForm4", "TForm1", "TForm3", "TForm5", "TForm6"}) {
        EXPECT_THAT(names, ::testing::Contains(name));
    }
    DropWindow& drop = program->Drop();
    EXPECT_EQ(drop.windowTitle().toStdString(), "Papyrion");
    // Offscreen windows have no frame: the client is the whole width.
    const DropLayout expected = LayoutDropWindow(300, 0, 0);
    const QRect map = drop.findChild<QWidget*>("image_map")->geometry();
    EXPECT_EQ(map, QRect(3, 3, expected.icon, expected.icon));
    EXPECT_EQ(drop.findChild<QWidget*>("imsetup")->geometry().left(), expected.imsetup.left);
    EXPECT_EQ(drop.height(), expected.window_height);
    // Shown, the window may get a frame: it comes out of the width, which
    // would otherwise grow by the frame at every start.
    program->Show();
    ASSERT_TRUE(WaitFor([&] { return drop.frameGeometry().width() == 300; }));
    EXPECT_EQ(Ini(setting::kDropWindowWidth), "300");
    drop.resize(271, 10);
    const QSize frame = drop.frameGeometry().size() - drop.size();
    EXPECT_EQ(drop.WindowWidth(), 271 + frame.width());
    EXPECT_EQ(drop.height(), LayoutDropWindow(drop.WindowWidth(), frame.width(), frame.height())
                                 .ClientHeight(frame.height()));
    EXPECT_EQ(Ini(setting::kDropWindowWidth), std::to_string(drop.WindowWidth()));
    EXPECT_THAT(ReadFile(LogFile()), HasSubstr("00002I"));
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(ProgramTest, IconsTellWhatTheyDoAndTheSwitchTurnsTheStationeryOnAndOff) {
    auto program = Start();
    DropWindow& drop = program->Drop();
    auto* line1 = drop.findChild<QLabel*>("Label1");
    auto* line2 = drop.findChild<QLabel*>("Label2");
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(drop.findChild<QWidget*>("immail"), &enter);
    EXPECT_EQ(line1->text(), program->Tr("momes2"));
    EXPECT_EQ(line2->text(), program->Tr("sleepmes"));
    QApplication::sendEvent(drop.findChild<QWidget*>("imsetup"), &enter);
    EXPECT_EQ(line1->text(), program->Tr("momes5"));
    EXPECT_TRUE(line2->text().isEmpty());

    ASSERT_FALSE(drop.WithStationery());
    QWidget* off = drop.findChild<QWidget*>("imzon");
    QMouseEvent click(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(off, &click);
    EXPECT_TRUE(drop.WithStationery());
    EXPECT_FALSE(drop.findChild<QWidget*>("immet")->isHidden());
    EXPECT_TRUE(off->isHidden());
    EXPECT_EQ(line2->text(), program->Tr("MARGOLTUIT"));
    // F1 opens the configuration window on its house-style tab.
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(&drop, &f1);
    EXPECT_TRUE(program->Configuration().isVisible());
    EXPECT_EQ(program->Configuration()
                  .findChild<QTabWidget*>("PageControl1")
                  ->currentWidget()
                  ->objectName(),
              "TabSheet3");
    // On without any stationery chosen: the activation warns in red.
    drop.Activate();
    EXPECT_EQ(line2->text(), program->Tr("voeresu"));
    EXPECT_THAT(line2->styleSheet().toStdString(), HasSubstr("red"));
}

TEST_F(ProgramTest, ADropOnTheSaveIconWritesTheStampedOutputNextToTheInput) {
    const fs::path input = folder_.AddPdf("in/letter.pdf");
    auto program = Start();
    ASSERT_TRUE(DropFiles(&program->Drop(), XOf(*program, "image_map"), {input}));
    const fs::path output = folder_.Root() / "in/letter_output.pdf";
    ASSERT_TRUE(WaitFor([&] { return fs::exists(output) && Idle(*program); }));
    EXPECT_TRUE(fs::exists(input));
    EXPECT_TRUE(printed_.empty());
    EXPECT_TRUE(program->Run().Inputs().Empty());
    EXPECT_TRUE(boxes_.empty()) << boxes_.front();
}

TEST_F(ProgramTest, DroppedPathsAreTakenWhole) {
    // Cut at a fixed length the path would name another file or none.
    const std::string deep(120, 'd');
    const fs::path input = folder_.AddPdf(deep + "/" + deep + "/letter.pdf");
    ASSERT_GT(input.string().size(), 254u);
    auto program = Start();
    ASSERT_TRUE(DropFiles(&program->Drop(), XOf(*program, "image_map"), {input}));
    const fs::path output = input.parent_path() / "letter_output.pdf";
    EXPECT_TRUE(WaitFor([&] { return fs::exists(output) && Idle(*program); }));
}

TEST_F(ProgramTest, ADropDuringARunWaitsForItAndKeepsItsOwnAction) {
    const fs::path first = folder_.AddPdf("in/first.pdf");
    const fs::path second = folder_.AddPdf("in/second.pdf");
    auto program = Start();
    std::vector<std::string> inputs_seen;
    std::string action_seen;
    on_print = [&](const std::string&) {
        // A drop on the save icon while the print run is going on.
        DropFiles(&program->Drop(), XOf(*program, "image_map"), {second});
        // The background and the set-up icon set actions of their own.
        QMouseEvent move(QEvent::MouseMove, QPointF(1, 70), QPointF(1, 70), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&program->Drop(), &move);
        QMouseEvent click(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(program->Drop().findChild<QWidget*>("imsetup"), &click);
        program->Ui().ProcessPendingMessages();
        inputs_seen = program->Run().Inputs().Entries();
        action_seen = program->Run().ActionCode();
        return true;
    };
    ASSERT_TRUE(DropFiles(&program->Drop(), XOf(*program, "imprt"), {first}));
    const fs::path second_output = folder_.Root() / "in/second_output.pdf";
    ASSERT_TRUE(WaitFor([&] { return fs::exists(second_output) && Idle(*program); }))
        << printed_.size() << " prints; boxes: " << ::testing::PrintToString(boxes_) << "; busy "
        << program->Busy();
    EXPECT_EQ(action_seen, "3");
    EXPECT_THAT(inputs_seen, ::testing::Not(::testing::Contains(second.string())));
    ASSERT_EQ(printed_.size(), 1u);
    EXPECT_THAT(printed_[0], HasSubstr("first"));
    EXPECT_EQ(program->Run().ActionCode(), "1");
}

TEST_F(ProgramTest, EntriesAnErrorLeavesAreReportedOnceAndNotTriedAgain) {
    const fs::path first = folder_.AddPdf("in/first.pdf");
    const fs::path second = folder_.AddPdf("in/second.pdf");
    bool fail = true;
    ProgramOptions options;
    options.hooks.sleep = [](std::chrono::milliseconds) {};
    options.box_handler = [this](BoxKind, const std::string& text) {
        boxes_.push_back(text);
        return false;
    };
    options.wiring.refresh_stationery_tab = [&fail]() -> StampingPageFiles {
        if (fail) throw std::runtime_error("stationery tab broke");
        return {};
    };
    Program program(std::move(options));
    ASSERT_TRUE(DropFiles(&program.Drop(), XOf(program, "image_map"), {first}));
    ASSERT_TRUE(WaitFor([&] { return !boxes_.empty() && Idle(program); }));
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_THAT(boxes_[0], HasSubstr("stationery tab broke"));
    EXPECT_THAT(boxes_[0], HasSubstr(first.string()));
    EXPECT_TRUE(program.Run().Inputs().Empty());

    fail = false;
    ASSERT_TRUE(DropFiles(&program.Drop(), XOf(program, "image_map"), {second}));
    ASSERT_TRUE(WaitFor(
        [&] { return fs::exists(folder_.Root() / "in/second_output.pdf") && Idle(program); }));
    EXPECT_FALSE(fs::exists(folder_.Root() / "in/first_output.pdf"));
    EXPECT_EQ(boxes_.size(), 1u);
}

TEST_F(ProgramTest, TheFirstStartShowsTheStartUpWindowThenTheConfigurationWindow) {
    folder_.WriteSettings("[Loging]\nSpace=8\n[Opties]\nCountry=044\n");
    int shown = 0;
    ProgramOptions options;
    options.hooks.sleep = [](std::chrono::milliseconds) {};
    options.show_startup_window = [&shown](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName().toStdString(), "TForm5");
        ++shown;
    };
    Program program(std::move(options));
    program.Show();
    ASSERT_TRUE(WaitFor([&] { return program.Drop().Activations() > 0; }));
    program.Drop().Activate();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(program.Configuration().isVisible());
    // No log-in in the start-up window: it comes again at the next start.
    EXPECT_EQ(Ini(setting::kSetupStatus), "0");
}

TEST_F(ProgramTest, WithMinimaliseeerTheConfigurationWindowIsAStripDuringTheRunAndClosesAfter) {
    folder_.WriteSettings("[Run]\nSetUpStatus=1\nMiniofMaxi=y\n[Opties]\nCountry=044\n");
    const fs::path input = folder_.AddPdf("in/letter.pdf");
    auto program = Start();
    program->Show();
    ConfigurationWindow& config = program->Configuration();
    const QRect before = config.geometry();
    QRect during;
    bool visible_during = false;
    on_print = [&](const std::string&) {
        during = config.geometry();
        visible_during = config.isVisible();
        return true;
    };
    ASSERT_TRUE(DropFiles(&program->Drop(), XOf(*program, "imprt"), {input}));
    ASSERT_TRUE(WaitFor([&] { return !printed_.empty() && Idle(*program); }));
    EXPECT_TRUE(visible_during);
    EXPECT_EQ(during.height(), 6);
    EXPECT_EQ(during.width(), program->Drop().frameGeometry().width());
    EXPECT_FALSE(config.isVisible());
    // Back in its place at its size (which its layout may settle again).
    EXPECT_EQ(config.geometry().topLeft(), before.topLeft());
    EXPECT_GT(config.geometry().height(), 100);
    // Its close removed the printed output with the other temporary files.
    EXPECT_FALSE(fs::exists(printed_[0]));
}

TEST_F(ProgramTest, OnlyUnacceptedFilesStartNothing) {
    const fs::path notes = folder_.Root() / "notes.xyz";
    std::ofstream(notes) << "not a document";
    auto program = Start();
    ASSERT_TRUE(DropFiles(&program->Drop(), XOf(*program, "image_map"), {notes}));
    ASSERT_TRUE(WaitFor([&] { return Idle(*program); }));
    QApplication::processEvents();
    EXPECT_TRUE(program->Run().Outcomes().empty());
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(fs::directory_iterator(folder_.Root()) == fs::directory_iterator(), false);
    EXPECT_FALSE(fs::exists(folder_.Root() / "notes_output.pdf"));
}

TEST_F(ProgramTest, ClosingDuringARunWaitsForItsEnd) {
    const fs::path input = folder_.AddPdf("in/letter.pdf");
    auto program = Start();
    program->Show();
    bool quit_during_run = true;
    bool output_there_during_run = false;
    on_print = [&](const std::string& output) {
        program->Configuration().show();
        program->Configuration().close();
        program->Drop().close();
        program->Ui().ProcessPendingMessages();
        quit_during_run = program->QuitRequested();
        output_there_during_run = fs::exists(output) && program->Drop().isVisible();
        return true;
    };
    ASSERT_TRUE(DropFiles(&program->Drop(), XOf(*program, "imprt"), {input}));
    ASSERT_TRUE(WaitFor([&] { return program->QuitRequested(); }));
    EXPECT_FALSE(quit_during_run);
    EXPECT_TRUE(output_there_during_run);
    EXPECT_FALSE(program->Drop().isVisible());
    EXPECT_FALSE(program->Configuration().isVisible());
    // The close steps ran after the run: the stationery mode is stored.
    EXPECT_EQ(Ini(setting::kWithStationery), "0");
}

TEST_F(ProgramTest, MailedOutputsOutliveTheCloseOfTheConfigurationWindow) {
    // The mail program reads its attachments when the user sends.
    const fs::path composer = folder_.Root() / "composer";
    std::ofstream(composer) << "#!/bin/sh\nexit 0\n";
    fs::permissions(composer, fs::perms::owner_all);
    setenv("PAPYRION_MAIL_COMMAND", composer.c_str(), 1);
    std::ofstream(folder_.Dir() / "Email_user044.txt") << "TO:office@example.org\nSUBJECT:S\nHi\n";
    const fs::path input = folder_.AddPdf("in/letter.pdf");
    auto program = Start();
    ASSERT_TRUE(DropFiles(&program->Drop(), XOf(*program, "immail"), {input}));
    const fs::path output = folder_.Root() / "in/letter_output.pdf";
    const bool mailed = WaitFor([&] { return program->Mailed().Contains(output.string()); });
    unsetenv("PAPYRION_MAIL_COMMAND");
    ASSERT_TRUE(mailed) << ::testing::PrintToString(boxes_);
    ASSERT_TRUE(WaitFor([&] { return Idle(*program); }));
    program->Configuration().show();
    program->Configuration().close();
    EXPECT_TRUE(fs::exists(output));
    program->End();
    EXPECT_TRUE(fs::exists(output));
}

TEST_F(ProgramTest, TheEndStepsRunOnceAndARestartSkipsTheDropWindowsClose) {
    {
        auto program = Start();
        program->Drop().close();
        EXPECT_TRUE(program->QuitRequested());
        program->End();
        program->End();
    }
    const std::string log = ReadFile(LogFile());
    const auto start = log.find("00002I");
    const auto stop = log.find("00009I");
    ASSERT_NE(start, std::string::npos);
    ASSERT_NE(stop, std::string::npos);
    EXPECT_LT(start, stop);
    EXPECT_EQ(log.find("00009I", stop + 1), std::string::npos);
    EXPECT_EQ(Ini(setting::kProgramStarts), "1");
    EXPECT_EQ(Ini(setting::kProgramEnds), "1");
    EXPECT_EQ(Ini(setting::kWithStationery), "0");

    folder_.WriteSettings(kSettings);
    auto program = Start();
    QTimer::singleShot(0, [&] { program->Restart(); });
    program->Exec();
    // The new instance is started only after the stop entry.
    EXPECT_THAT(started_again_with_log_, HasSubstr("00009I"));
    EXPECT_EQ(Ini(setting::kWithStationery), "<absent>");
    EXPECT_EQ(Ini(setting::kProgramEnds), "1");
}

TEST_F(ProgramTest, CommandLineFilesAreProcessedOnceAtTheFirstActivation) {
    const fs::path a = folder_.AddPdf("in/a.pdf");
    const fs::path b = folder_.AddPdf("in/b.pdf");
    auto program = Start({a.string(), b.string()});
    program->Show();
    ASSERT_TRUE(WaitFor([&] {
        return fs::exists(folder_.Root() / "in/a_output.pdf") &&
               fs::exists(folder_.Root() / "in/b_output.pdf") && Idle(*program);
    }));
    EXPECT_EQ(program->Run().Outcomes().size(), 2u);
    fs::remove(folder_.Root() / "in/a_output.pdf");
    program->Drop().Activate();
    QApplication::processEvents();
    ASSERT_TRUE(WaitFor([&] { return Idle(*program); }));
    EXPECT_FALSE(fs::exists(folder_.Root() / "in/a_output.pdf"));
}

}  // namespace
}  // namespace papyrion::ui
