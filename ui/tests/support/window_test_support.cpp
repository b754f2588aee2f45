#include "window_test_support.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QThread>
#include <QUrl>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace papyrion::ui::testing {

void EnsureApplication() {
    if (QApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "papyrion_ui_tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

DataFolder::DataFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "papyrion-ui-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
    root_ = pattern;
    if (const char* old = std::getenv("XDG_DATA_HOME")) {
        had_xdg_ = true;
        old_xdg_ = old;
    }
    std::filesystem::create_directories(Dir());
    setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
}

DataFolder::~DataFolder() {
    if (had_xdg_) {
        setenv("XDG_DATA_HOME", old_xdg_.c_str(), 1);
    } else {
        unsetenv("XDG_DATA_HOME");
    }
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

void DataFolder::WriteSettings(const std::string& content) const {
    std::ofstream(SettingsFile()) << content;
}

std::filesystem::path DataFolder::AddPdf(const std::string& relative) const {
    const std::filesystem::path target = root_ / relative;
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(std::filesystem::path(PAPYRION_BIN_DIR) / "Sample_Letterhead.pdf",
                               target, std::filesystem::copy_options::overwrite_existing);
    return target;
}

bool DropFiles(QWidget* target, int x, const std::vector<std::filesystem::path>& files) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const auto& file : files) urls << QUrl::fromLocalFile(QString::fromStdString(file));
    mime.setUrls(urls);
    const QPoint point(x, 10);
    QDragEnterEvent enter(point, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(point), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return true;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace papyrion::ui::testing
