// papyrion: the desktop program. The drop window stays on the desktop; the
// command line may name files to process at the first activation.

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "ui/dropwindow.h"
#include "ui/program.h"

namespace {

int signal_pipe[2] = {-1, -1};

void OnTerminate(int) {
    const char byte = 1;
    // Only the write is safe in a signal handler; the loop does the rest.
    [[maybe_unused]] const ssize_t written = write(signal_pipe[1], &byte, 1);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("papyrion"));
    // QApplication has taken its own options out of argv: the rest are paths,
    // kept as the bytes the shell gave.
    const std::vector<std::string> files(argv + 1, argv + argc);

    // SIGTERM and SIGINT close the drop window like the user would, so the
    // end steps run (after a going run). One that comes during the start
    // (a message box of the creation steps may wait) ends the program as
    // soon as the windows exist.
    papyrion::ui::Program* running = nullptr;
    bool terminate_requested = false;
    const auto terminate = [&running, &terminate_requested] {
        if (running) {
            running->Drop().close();
        } else {
            terminate_requested = true;
            QCoreApplication::exit(0);
        }
    };
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, signal_pipe) == 0) {
        auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&terminate] {
            char byte = 0;
            [[maybe_unused]] const ssize_t got = read(signal_pipe[0], &byte, 1);
            terminate();
        });
        struct sigaction action = {};
        action.sa_handler = OnTerminate;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGINT, &action, nullptr);
    }
    try {
        papyrion::ui::ProgramOptions options;
        options.arguments = files;
        papyrion::ui::Program program(std::move(options));
        running = &program;
        if (terminate_requested) return 0;  // the end steps run as the program goes
        return program.Exec();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "papyrion: %s\n", error.what());
        return 1;
    }
}
