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

    try {
        papyrion::ui::ProgramOptions options;
        options.arguments = files;
        papyrion::ui::Program program(std::move(options));

        // SIGTERM and SIGINT close the drop window like the user would, so
        // the end steps run (and wait for a going run).
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, signal_pipe) == 0) {
            auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, &app);
            QObject::connect(notifier, &QSocketNotifier::activated, &app, [&program] {
                char byte = 0;
                [[maybe_unused]] const ssize_t got = read(signal_pipe[0], &byte, 1);
                program.Drop().close();
            });
            struct sigaction action = {};
            action.sa_handler = OnTerminate;
            sigemptyset(&action.sa_mask);
            action.sa_flags = SA_RESTART;
            sigaction(SIGTERM, &action, nullptr);
            sigaction(SIGINT, &action, nullptr);
        }
        return program.Exec();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "papyrion: %s\n", error.what());
        return 1;
    }
}
