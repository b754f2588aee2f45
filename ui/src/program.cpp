#include "ui/program.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "core/restart.h"
#include "ui/configurationwindow.h"
#include "ui/dropwindow.h"

namespace papyrion::ui {
namespace {

// A window whose content comes with a later step: created in its place in
// the order, named as the design names it.
std::unique_ptr<QWidget> Host(const char* name) {
    auto window = std::make_unique<QWidget>();
    window->setObjectName(QString::fromLatin1(name));
    return window;
}

std::unique_ptr<QDialog> StartupHost(Program& program) {
    auto dialog = std::make_unique<QDialog>();
    dialog->setObjectName(QStringLiteral("TForm5"));
    dialog->setWindowTitle(program.Tr("F5Title"));
    auto* layout = new QVBoxLayout(dialog.get());
    auto* welcome = new QLabel(program.Tr("F5Welkom"), dialog.get());
    welcome->setWordWrap(true);
    layout->addWidget(welcome);
    auto* close = new QPushButton(program.Tr("Knpsluiten"), dialog.get());
    close->setObjectName(QStringLiteral("Button1"));
    QObject::connect(close, &QPushButton::clicked, dialog.get(), &QDialog::accept);
    layout->addWidget(close);
    return dialog;
}

}  // namespace

Program::Program(ProgramOptions options) : options_(std::move(options)) {
    QGuiApplication::setApplicationDisplayName(
        QString::fromUtf8(kApplicationTitle.data(), kApplicationTitle.size()));
    QApplication::setQuitOnLastWindowClosed(false);
    if (options_.box_handler) ui_.SetBoxHandler(options_.box_handler);
    RunHooks hooks = options_.hooks;
    hooks.translate = [this](std::string_view keyword) {
        return table_ ? table_->Translate(keyword) : std::string(kMissingText);
    };
    state_ = std::make_unique<RunState>(ProgramFolder(), hooks);
    state_->SetCommandLine(options_.arguments);

    drop_ = std::make_unique<DropWindow>(*this);
    if (!table_) LoadTable();  // the drop window's creation stopped before its texts
    web_functions_ = Host("TForm4");
    config_ = std::make_unique<ConfigurationWindow>(*this);
    template_editor_ = Host("TForm3");
    startup_ = StartupHost(*this);
    stationery_chooser_ = Host("TForm6");
    RunWiringOptions wiring = options_.wiring;
    if (wiring.search_path.empty()) {
        if (const char* path = std::getenv("PATH")) wiring.search_path = path;
    }
    assembly_ = std::make_unique<RunAssembly>(*state_, *table_, ui_, wiring);
}

Program::~Program() { End(); }

void Program::LoadTable() {
    SettingsModel& settings = state_->Settings();
    if (settings.DropWindowCountry().empty()) settings.LoadDropWindowCountry();
    table_ = std::make_unique<TranslationTable>(
        state_->ProgramFolder(), settings.DropWindowCountry(), ui_,
        [&settings](const std::string& code) { settings.StoreDropWindowCountry(code); });
    table_->Load();
}

QString Program::Tr(std::string_view keyword) {
    if (!table_) return QString::fromUtf8(kMissingText.data(), kMissingText.size());
    return QString::fromStdString(table_->Translate(keyword));
}

void Program::ShowStartupWindow() {
    if (options_.show_startup_window) {
        options_.show_startup_window(*startup_);
    } else {
        startup_->exec();
    }
}

void Program::Show() {
    drop_->show();
    // Without a window manager nothing activates the window; the first
    // activation (set-up window, command-line files) must come all the same.
    QTimer::singleShot(0, drop_.get(), [this] {
        if (drop_->Activations() == 0) drop_->Activate();
    });
}

int Program::Exec() {
    Show();
    const int code = QApplication::exec();
    const bool restart = restart_requested_;
    End();
    if (restart) {
        try {
            if (options_.start_again) {
                options_.start_again();
            } else {
                RestartProgram(RunningExecutable(), [] {});
            }
        } catch (const std::exception& error) {
            std::fprintf(stderr, "papyrion: %s\n", error.what());
            return 1;
        }
    }
    return code;
}

bool Program::Busy() const {
    // Also asked while the windows are still being made (a box of a
    // creation step lets events run).
    return (config_ && config_->Running()) || (drop_ && drop_->Processing()) ||
           (assembly_ && assembly_->Run().Running());
}

void Program::AfterRun() {
    QTimer::singleShot(0, drop_.get(), [this] { drop_->ProcessDrops(); });
    QTimer::singleShot(0, drop_.get(), [this] { FinishDeferred(); });
}

void Program::FinishDeferred() {
    if (Busy()) return;  // the run's end comes back here
    if (config_->ClosePending()) config_->close();
    if (restart_requested_) {
        Quit();
        return;
    }
    if (drop_->ClosePending()) drop_->close();
}

void Program::Quit() {
    quit_requested_ = true;
    // Not quit(): that would close every window again, running close steps
    // a restart must skip.
    QCoreApplication::exit(0);
}

void Program::Restart() {
    restart_requested_ = true;
    if (!Busy()) Quit();
}

void Program::End() {
    if (ended_) return;
    ended_ = true;
    if (assembly_)
        for (const std::string& path : assembly_->Mailed().Entries())
            state_->TempFiles().Remove(path);
    state_->EndProgram(ui_);
}

}  // namespace papyrion::ui
