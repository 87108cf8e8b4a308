// SIGTERM (a desktop log-out), SIGHUP (its terminal closed) and SIGINT
// (Ctrl+C) end the program the way FILE -> Quit does, so the settings are
// kept.  The handler only writes a byte to a pipe; the event loop reads it
// and quits.
#include <fcntl.h>
#include <unistd.h>

#include <QObject>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

#include "workspace/orvalin.h"

namespace {

int g_pipe[2] = {-1, -1};

void OnQuitSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a quit request.
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

void Drain() {
    char bytes[64];
    while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
}

} // namespace

int orvalin_CatchQuitSignals() {
    static QSocketNotifier* notifier = nullptr;
    if (notifier == nullptr) {
        if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return -1;
        notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read);
        QObject::connect(notifier, &QSocketNotifier::activated, [] {
            Drain();
            orvalin_QuitWhenIdle();
        });
    }
    Drain();
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    // Armed once per run: a second signal while the quit hangs kills.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        // Started under nohup: closing the terminal is not meant to end it.
        struct sigaction old {};
        if (sig == SIGHUP && sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        sigaction(sig, &action, nullptr);
    }
    return 0;
}
