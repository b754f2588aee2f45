#include "ui/dropwindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <exception>
#include <filesystem>

#include "core/inifile.h"
#include "core/settings_keys.h"
#include "iconwidget.h"
#include "processing/inputlist.h"
#include "ui/configurationwindow.h"
#include "ui/program.h"

namespace papyrion::ui {
namespace {

const QString kSkyBlue =
    QStringLiteral("rgb(%1,%2,%3)").arg(kStatusRed).arg(kStatusGreen).arg(kStatusBlue);

QString StatusStyle(bool warning) {
    return QStringLiteral("QLabel { background: %1; color: %2; padding-left: 2px; }")
        .arg(kSkyBlue, warning ? QStringLiteral("red") : QStringLiteral("black"));
}

void Place(QWidget* widget, const Box& box) {
    widget->setGeometry(box.left, box.top, box.width, box.height);
}

// Local files among the dropped URLs, whole and in their order. Anything
// else (a web link, a file on a remote share only a URL names) is no input.
std::vector<std::string> LocalPaths(const QMimeData* mime) {
    std::vector<std::string> paths;
    if (!mime || !mime->hasUrls()) return paths;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (!path.isEmpty()) paths.push_back(QFile::encodeName(path).toStdString());
    }
    return paths;
}

}  // namespace

DropWindow::DropWindow(Program& program)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      program_(program) {
    setObjectName(QStringLiteral("Tform2"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::HighlightedText));
    setPalette(palette);
    setMouseTracking(true);
    setMinimumWidth(120);

    const QString icons = QString::fromStdString(program_.State().ProgramFolder()) + "icons/";
    const auto icon = [this, &icons](const char* name, const char* file) {
        return new IconWidget(this, name, icons + QString::fromLatin1(file));
    };
    image_map_ = icon("image_map", "save.svg");
    immail_ = icon("immail", "mail.svg");
    imprt_ = icon("imprt", "print.svg");
    imstaf_ = icon("imstaf", "configured.svg");
    imsetup_ = icon("imsetup", "setup.svg");
    immet_ = icon("immet", "stationery-on.svg");
    imzon_ = icon("imzon", "stationery-off.svg");
    imzon_->hide();

    QFont strip_font(QStringLiteral("Calibri"));
    strip_font.setPixelSize(9);
    for (QLabel** label : {&label1_, &label2_}) {
        *label = new QLabel(this);
        (*label)->setFont(strip_font);
        (*label)->setStyleSheet(StatusStyle(false));
        (*label)->setAutoFillBackground(true);
        (*label)->setMouseTracking(true);
    }
    label1_->setObjectName(QStringLiteral("Label1"));
    label2_->setObjectName(QStringLiteral("Label2"));
    pb1_ = new QProgressBar(this);
    pb1_->setObjectName(QStringLiteral("PB1"));
    pb1_->setRange(0, 100);
    pb1_->setTextVisible(false);
    pb1_->hide();
    checkbox1_ = new QCheckBox(this);
    checkbox1_->setObjectName(QStringLiteral("CheckBox1"));
    checkbox1_->hide();
    setup_status_ = new QLabel(QStringLiteral("0"), this);
    setup_status_->setObjectName(QStringLiteral("Setupstatusx"));
    setup_status_->hide();
    nvm_ = new QLabel(QStringLiteral("No New version detected"), this);
    nvm_->setObjectName(QStringLiteral("NVM"));
    nvm_->hide();

    image_map_->on_enter = [this] { Hover(1, true); };
    immail_->on_enter = [this] { Hover(2, true); };
    imprt_->on_enter = [this] { Hover(3, true); };
    imstaf_->on_enter = [this] { Hover(4, true); };
    imsetup_->on_enter = [this] { Hover(5, false); };
    immet_->on_enter = [this] { Hover(6, false); };
    imzon_->on_enter = [this] { Hover(7, false); };
    imsetup_->on_click = [this] {
        if (!program_.Configuration().isActiveWindow()) OpenConfiguration();
    };
    immet_->on_click = [this] { SetWithStationery(false); };
    imzon_->on_click = [this] { SetWithStationery(true); };

    program_.Ui().Attach(this, label1_, label2_, pb1_);
    try {
        Create();
    } catch (const std::exception& error) {
        program_.Ui().ShowError(error.what());
    }
}

DropWindow::~DropWindow() = default;

void DropWindow::Create() {
    activations_ = 0;
    SettingsModel& settings = program_.State().Settings();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screen_size = screen ? screen->size() : QSize(1024, 768);
    const DropWindowSettings applied = settings.ApplyDropWindowSettings(
        {screen_size.width(), screen_size.height()}, [this](int width) {
            return LayoutDropWindow(width, frame_.width(), frame_.height()).window_height;
        });
    // Kept above other windows through the window manager's hint.
    setWindowFlag(Qt::WindowStaysOnTopHint, applied.stay_on_top);
    setup_status_->setText(QString::fromStdString(applied.setup_status));
    const DropLayout first = LayoutDropWindow(applied.width, frame_.width(), frame_.height());
    applied_width_ = applied.width;
    resize(applied.width - frame_.width(), first.ClientHeight(frame_.height()));
    Relayout();
    move(applied.left, applied.top);
    checkbox1_->setChecked(applied.with_stationery);
    ApplyIconState();
    setAcceptDrops(true);
    label1_->setFixedWidth(width() - 11);
    label2_->setFixedWidth(width() - 11);

    program_.LoadTable();
    setWindowTitle(program_.Tr("TITLE"));
    for (int i = 1; i <= 7; ++i) texts_[i] = program_.Tr("momes" + std::to_string(i));
    sleepmes_ = program_.Tr("sleepmes");
    sleephier_ = program_.Tr("sleephier");
    knpstartproc_ = program_.Tr("KNPSTARTPROC");
    voeresu_ = program_.Tr("voeresu");
    margoltuit_ = program_.Tr("MARGOLTUIT");
    label1_->setText(sleepmes_);
    label1_->setToolTip(sleephier_);
    label2_->setToolTip(sleephier_);
    ApplyIconState();
}

int DropWindow::WindowWidth() const { return width() + frame_.width(); }

void DropWindow::ApplyLayout(int window_width) {
    layout_ = LayoutDropWindow(window_width, frame_.width(), frame_.height());
    Place(image_map_, layout_.image_map);
    Place(immail_, layout_.immail);
    Place(imprt_, layout_.imprt);
    Place(imstaf_, layout_.imstaf);
    Place(imsetup_, layout_.imsetup);
    Place(immet_, layout_.immet);
    Place(imzon_, layout_.imzon);
    Place(pb1_, layout_.pb1);
    // The strip lines span the client; the layout's width keeps them clear
    // of a frame that the design drew inside the window.
    label1_->setFixedWidth(layout_.label1.width);
    label2_->setFixedWidth(layout_.label2.width);
    Place(label1_, layout_.label1);
    Place(label2_, layout_.label2);
    const int client_height = layout_.ClientHeight(frame_.height());
    const int client_width = window_width - frame_.width();
    if (height() != client_height || width() != client_width) resize(client_width, client_height);

    SettingsModel& settings = program_.State().Settings();
    settings.SetNumber(setting::kDropWindowWidth, window_width);
    try {
        settings.Save(SaveGroup::kG5);
    } catch (const std::exception&) {
        // A refused write of the width alone is not worth a box at every
        // resize; the end steps save again and report.
    }
}

void DropWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Relayout();
}

void DropWindow::Relayout() {
    // Setting the height that follows the width resizes once more.
    if (laying_out_) return;
    laying_out_ = true;
    // The window manager tells the frame only once the window is up: the
    // whole window keeps the width it was given, so a start does not add
    // the frame to the saved width again.
    const QSize frame = isVisible() ? frameGeometry().size() - size() : frame_;
    const bool frame_changed = frame != frame_;
    frame_ = frame;
    ApplyLayout(frame_changed ? applied_width_ : width() + frame_.width());
    applied_width_ = WindowWidth();
    laying_out_ = false;
}

void DropWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Relayout();
}

void DropWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    Relayout();
    SettingsModel& settings = program_.State().Settings();
    settings.SetNumber(setting::kDropWindowTop, frameGeometry().top());
    settings.SetNumber(setting::kDropWindowLeft, frameGeometry().left());
}

void DropWindow::Hover(int message, bool with_hint) {
    label1_->setText(texts_[message]);
    SetLine2(with_hint ? sleepmes_ : QString(), false);
}

void DropWindow::SetLine2(const QString& text, bool warning) {
    label2_->setText(text);
    label2_->setStyleSheet(StatusStyle(warning));
}

void DropWindow::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    // The background leaves the action at "preview only", but never that of
    // a going run.
    if (!program_.Busy()) program_.Configuration().SetActionCode("0");
}

void DropWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        OpenConfiguration();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DropWindow::OpenConfiguration() {
    ConfigurationWindow& config = program_.Configuration();
    config.SetActiveTab("TabSheet3");
    if (!program_.Busy()) config.SetActionCode("4");
    program_.Ui().ProcessPendingMessages();
    config.show();
    config.raise();
    config.activateWindow();
}

bool DropWindow::WithStationery() const { return checkbox1_->isChecked(); }

void DropWindow::SetWithStationery(bool on) {
    checkbox1_->setChecked(on);
    program_.State().Settings().SetChecked(setting::kWithStationery, on);
    ApplyIconState();
}

void DropWindow::ApplyIconState() {
    const bool on = checkbox1_->isChecked();
    immet_->setVisible(on);
    imzon_->setVisible(!on);
    SetLine2(on ? margoltuit_ : QStringLiteral(" "), false);
}

void DropWindow::SwitchStationeryOnWhenConfigured() {
    const SettingsModel& settings = program_.State().Settings();
    const bool configured = settings.ItemIndex(setting::kLetterheadMode) != 0 ||
                            settings.ItemIndex(setting::kContinuationMode) != 0 ||
                            !settings.Value(setting::kLetterheadFile).empty() ||
                            !settings.Value(setting::kContinuationFile).empty();
    if (!checkbox1_->isChecked() && configured) {
        checkbox1_->setChecked(true);
        program_.State().Settings().SetChecked(setting::kWithStationery, true);
    }
    ApplyIconState();
}

void DropWindow::RefreshStationeryHint() {
    SetLine2(QString(), false);
    const std::filesystem::path& file = program_.State().SettingsFile();
    const auto read = [&file](SettingKey key, std::string_view def) {
        return IniRead(file, key.section, key.key, def);
    };
    const bool no_paths =
        read(setting::kLetterheadFile, "").empty() && read(setting::kContinuationFile, "").empty();
    const bool no_rules =
        read(setting::kLetterheadMode, "0") == "0" && read(setting::kContinuationMode, "0") == "0";
    if (no_paths || no_rules) {
        if (checkbox1_->isChecked()) {
            SetLine2(voeresu_, true);
        } else {
            SetLine2(QString(), false);
        }
    }
}

void DropWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Activate();
}

void DropWindow::Activate() {
    // The start-up window is modal: closing it activates this window again
    // while the first activation is still going on.
    if (activating_) return;
    activating_ = true;
    setAcceptDrops(true);
    RefreshStationeryHint();
    const bool first = activations_ == 0;
    if (first && setup_status_->text() == QLatin1String("0")) {
        try {
            FirstStart();
        } catch (const std::exception& error) {
            program_.Ui().ShowError(error.what());
        }
    }
    ++activations_;
    activating_ = false;
    if (first) {
        RunState& state = program_.State();
        if (!state.CommandLineFile().empty()) {
            Drop drop;
            for (const std::string& path : state.CommandLineFiles()) {
                drop.paths.push_back(std::filesystem::absolute(path).lexically_normal().string());
            }
            drop.action = program_.Run().ActionCode();
            state.ClearCommandLineFile();
            QueueDrop(std::move(drop));
        }
    }
}

void DropWindow::FirstStart() {
    program_.ShowStartupWindow();
    SettingsModel& settings = program_.State().Settings();
    settings.SetValue(setting::kSetupStatus, setup_status_->text().toStdString());
    settings.Save(SaveGroup::kG7);
    ConfigurationWindow& config = program_.Configuration();
    config.SetActiveTab("TabSheet3");
    config.show();
}

void DropWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalPaths(event->mimeData()).empty()) event->acceptProposedAction();
}

void DropWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (!LocalPaths(event->mimeData()).empty()) event->acceptProposedAction();
}

void DropWindow::dropEvent(QDropEvent* event) {
    Drop drop;
    drop.paths = LocalPaths(event->mimeData());
    if (drop.paths.empty()) return;
    drop.action = std::string(ActionAtX(layout_, qRound(event->position().x())));
    // The file manager waits for the drop to end: take the paths and return.
    event->acceptProposedAction();
    if (!program_.Busy()) label1_->setText(QString::fromStdString(drop.action));
    QueueDrop(std::move(drop));
}

void DropWindow::QueueDrop(Drop drop) {
    queue_.push_back(std::move(drop));
    QTimer::singleShot(0, this, [this] { ProcessDrops(); });
}

void DropWindow::ProcessDrops() {
    ConfigurationWindow& config = program_.Configuration();
    if (processing_ || config.Running() || queue_.empty()) return;
    processing_ = true;
    const bool reopen = config.isVisible() && config.isActiveWindow();
    if (reopen) config.close();
    while (!queue_.empty()) {
        const Drop drop = std::move(queue_.front());
        queue_.pop_front();
        ProcessingRun& run = program_.Run();
        config.SetActionCode(drop.action);
        FillFromDrop(run.Inputs(), drop.paths);
        if (drop.action == "0") config.SetActiveTab("TabSheet5");
        if (run.Inputs().Empty()) {
            // Nothing of the drop is an input: nothing starts, nothing to say.
            label1_->setText(sleepmes_);
            continue;
        }
        label1_->setText(knpstartproc_);
        const bool strip = config.ShrinkWhileProcessing();
        if (strip) config.ShowAsStrip(frameGeometry());
        config.ProcessInputs();
        if (strip) {
            config.close();
            // The window system reports the strip's geometry as the window
            // goes; the restore comes after that report.
            program_.Ui().ProcessPendingMessages();
            config.RestoreFromStrip();
        }
    }
    processing_ = false;
    if (reopen) config.show();
    program_.AfterRun();
}

void DropWindow::closeEvent(QCloseEvent* event) {
    // Closing ends the program: not under a going run, whose page files
    // and outputs the end steps would remove.
    if (program_.Busy()) {
        close_pending_ = true;
        event->ignore();
        return;
    }
    close_pending_ = false;
    try {
        program_.State().StoreStationeryMode(checkbox1_->isChecked());
        program_.Table().WriteReport(program_.State().Dir());
        if (!nvm_->text().startsWith(QLatin1String("NO"), Qt::CaseInsensitive)) {
            program_.Ui().AskYesNo((program_.Tr("newvermsg") + nvm_->text()).toStdString());
        }
    } catch (const std::exception& error) {
        program_.Ui().ShowError(error.what());
    }
    event->accept();
    program_.Quit();
}

bool DropWindow::ClosePending() const { return close_pending_; }

}  // namespace papyrion::ui
