#include "ui/configurationwindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>
#include <exception>
#include <string>

#include "core/settings_keys.h"
#include "ui/dropwindow.h"
#include "ui/program.h"

namespace papyrion::ui {
namespace {

struct TabSpec {
    const char* name;
    const char* caption_key;
};
// In the window's tab order.
constexpr TabSpec kTabs[] = {{"TabSheet3", "f1tab1"},
                             {"TabSheet4", "f1tab2"},
                             {"TabSheet1", "f1tab3"},
                             {"TabSheet2", "f1tab5"},
                             {"TabSheet5", "f1tab6"}};

}  // namespace

ConfigurationWindow::ConfigurationWindow(Program& program) : QWidget(nullptr), program_(program) {
    setObjectName(QStringLiteral("TForm1"));
    auto* layout = new QVBoxLayout(this);
    // The strip during a drop is far below what the tabs would ask for.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("PageControl1"));
    for (const TabSpec& spec : kTabs) {
        auto* page = new QWidget(tabs_);
        page->setObjectName(QString::fromLatin1(spec.name));
        tabs_->addTab(page, QString());
    }
    layout->addWidget(tabs_);
    auto* processing = tabs_->findChild<QWidget*>(QStringLiteral("TabSheet4"));
    auto* processing_layout = new QVBoxLayout(processing);
    minimise_ = new QCheckBox(processing);
    minimise_->setObjectName(QStringLiteral("CheckBox1"));
    processing_layout->addWidget(minimise_);
    processing_layout->addStretch();
    auto* manual = tabs_->findChild<QWidget*>(QStringLiteral("TabSheet2"));
    auto* manual_layout = new QVBoxLayout(manual);
    nib_ = new QLabel(QStringLiteral("0"), manual);
    nib_->setObjectName(QStringLiteral("nib"));
    button2_ = new QPushButton(manual);
    button2_->setObjectName(QStringLiteral("Button2"));
    manual_layout->addWidget(nib_);
    manual_layout->addWidget(button2_);
    manual_layout->addStretch();
    auto* preview = tabs_->findChild<QWidget*>(QStringLiteral("TabSheet5"));
    ddw_ = new QLabel(QStringLiteral("1"), preview);
    ddw_->setObjectName(QStringLiteral("DDW"));
    ddw_->hide();
    resize(520, 380);

    connect(minimise_, &QCheckBox::toggled, this, [this](bool ticked) {
        program_.State().Settings().SetChecked(setting::kShrinkWhileProcessing, ticked);
    });
    connect(button2_, &QPushButton::clicked, this, [this] {
        if (!program_.Busy()) ProcessInputs();
    });

    try {
        Create();
    } catch (const std::exception& error) {
        program_.Ui().ShowError(error.what());
    }
}

void ConfigurationWindow::Create() {
    RunState& state = program_.State();
    setWindowIcon(program_.Drop().windowIcon());
    setWindowTitle(program_.Tr("TITLE"));
    for (int i = 0; i < tabs_->count(); ++i) {
        tabs_->setTabText(i, program_.Tr(kTabs[i].caption_key));
    }
    minimise_->setText(QStringLiteral("Minimaliseeer"));
    button2_->setText(program_.Tr("knpstartproc"));

    state.LoadSettings();
    // A value that does not fit its key is named; the rest of the settings
    // were read all the same, and the saves leave that key as the file has it.
    if (const auto& problems = state.Settings().LoadProblems(); !problems.empty()) {
        std::string text;
        for (const SettingProblem& problem : problems) text += problem.Message() + "\n";
        program_.Ui().ShowError(text);
    }
    SettingsModel& settings = state.Settings();
    minimise_->setChecked(settings.Checked(setting::kShrinkWhileProcessing));

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screen_size = screen ? screen->size() : QSize(1024, 768);
    const WindowPlace place = settings.ConfigurationWindowPlace(
        {screen_size.width(), screen_size.height()}, width(), height());
    move(place.left, place.top);

    state.CountStart();
    state.InitialiseEventLog();
    SetActiveTab("TabSheet2");
    setAcceptDrops(true);
    state.WriteStartEntry();
    state.BackupSettings(program_.Ui());
}

void ConfigurationWindow::SetActionCode(const std::string& code) {
    program_.Run().SetActionCode(code);
    ddw_->setText(QString::fromStdString(code));
}

void ConfigurationWindow::SetActiveTab(const char* name) {
    if (auto* page = tabs_->findChild<QWidget*>(QString::fromLatin1(name))) {
        tabs_->setCurrentWidget(page);
    }
}

bool ConfigurationWindow::ShrinkWhileProcessing() const { return minimise_->isChecked(); }

void ConfigurationWindow::ShowAsStrip(const QRect& drop_window) {
    if (!strip_) before_strip_ = geometry();
    strip_ = true;
    SetActiveTab("TabSheet4");
    setMinimumSize(0, 0);
    setGeometry(drop_window.left(), drop_window.top(), drop_window.width(), 6);
    show();
    program_.Ui().ProcessPendingMessages();
}

void ConfigurationWindow::RestoreFromStrip() {
    if (!strip_) return;
    strip_ = false;
    setGeometry(before_strip_);
}

void ConfigurationWindow::ProcessInputs() {
    if (running_) return;
    running_ = true;
    ProcessingRun& run = program_.Run();
    nib_->setText(QString::number(run.Inputs().Size()));
    try {
        run.ProcessInputList();
    } catch (const std::exception& error) {
        // The entries the error left are named and taken off the list: tried
        // again they would fail again, and a later drop would find them.
        std::string text = error.what();
        if (!run.Inputs().Empty()) {
            text += "\n";
            for (const std::string& path : run.Inputs().Entries()) text += "\n" + path;
        }
        run.Inputs().Clear();
        program_.Ui().ShowError(text);
    }
    program_.Ui().EndActivity();
    nib_->setText(QString::number(run.Inputs().Size()));
    running_ = false;
    program_.AfterRun();
}

void ConfigurationWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Activate();
}

void ConfigurationWindow::Activate() {
    if (!strip_) tabs_->setCurrentIndex(remembered_tab_);
    setAcceptDrops(true);
}

void ConfigurationWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (strip_) return;
    SettingsModel& settings = program_.State().Settings();
    settings.SetNumber(setting::kConfigurationWindowTop, frameGeometry().top());
    settings.SetNumber(setting::kConfigurationWindowLeft, frameGeometry().left());
}

void ConfigurationWindow::closeEvent(QCloseEvent* event) {
    // The close deletes the temporary files, the run's page files among
    // them: it waits for the run.
    if (running_) {
        close_pending_ = true;
        event->ignore();
        return;
    }
    close_pending_ = false;
    if (!strip_) remembered_tab_ = tabs_->currentIndex();
    RunState& state = program_.State();
    // The mail program reads an attachment only when the user sends.
    for (const std::string& path : program_.Mailed().Entries()) state.TempFiles().Remove(path);
    try {
        state.CloseConfiguration();
    } catch (const std::exception& error) {
        program_.Ui().ShowError(error.what());
    }
    event->accept();
}

}  // namespace papyrion::ui
