#pragma once
// SIGTERM and SIGINT (Ctrl-C) end the tool the way File -> Exit does: the main window
// closes (its close writes the settings file), every running event loop ends, a modal
// window's included, and the link thread is stopped and joined as the program's windows
// are taken down. The handler only writes the signal's number into a pipe; a socket
// notifier reads it on the user-interface thread, so nothing but write() runs inside
// the handler. Header-only, so the program entry and the tests use the same code.

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <signal.h>
#include <functional>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace relvane {

// What the program does when asked by a signal to stop: close the main window (unless
// it is already closed) and end every running event loop. QCoreApplication::exit ends
// nested loops too, and a loop started after it returns at once, so a transfer's
// progress window or a message box cannot hold the shutdown up.
inline void EndRunOnSignal(QWidget* mainWindow)
{
    if (mainWindow && mainWindow->isVisible()) {
        // The window asks nothing on such a close (a session ending must not hang on a question).
        mainWindow->setProperty("closedBySignal", true);
        mainWindow->close();
    }
    QCoreApplication::exit(0);
}

class ShutdownSignals {
public:
    // Installs the handlers for SIGTERM and SIGINT (each unless it is ignored when the
    // program starts); needs the application object. The first signal calls
    // onSignal(signal number) from whatever event loop runs; later ones do not call it
    // again. After its first delivery a signal has its default action again, so a second
    // Ctrl-C ends a program whose shutdown got stuck.
    explicit ShutdownSignals(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal))
    {
        if (instance_ || ::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        instance_ = this;
        notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { Drain(); });
        // The pipe is whole before a handler can write to it.
        writeFd_ = fds_[1];
        struct sigaction action = {};
        action.sa_handler = &ShutdownSignals::Handler;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        installed_ = Install(SIGTERM, action, &oldTerm_);
        installed_ = Install(SIGINT, action, &oldInt_) && installed_;
    }

    ~ShutdownSignals()
    {
        if (instance_ != this)
            return;
        ::sigaction(SIGTERM, &oldTerm_, nullptr);
        ::sigaction(SIGINT, &oldInt_, nullptr);
        notifier_.reset();
        writeFd_ = -1;
        ::close(fds_[0]);
        ::close(fds_[1]);
        instance_ = nullptr;
    }

    ShutdownSignals(const ShutdownSignals&) = delete;
    ShutdownSignals& operator=(const ShutdownSignals&) = delete;

    bool Installed() const { return installed_; }
    // The first signal that arrived and was read, 0 while none was.
    int Received() const { return received_; }

    // Reads what the handler wrote; the notifier does this, and the program entry calls
    // it where no event loop runs (a signal during start-up).
    void Drain()
    {
        unsigned char sig = 0;
        while (::read(fds_[0], &sig, 1) == 1) {
            if (received_ != 0)
                continue;
            received_ = sig;
            if (onSignal_)
                onSignal_(sig);
        }
    }

    // Once the program's windows and link are gone: ends the process by the signal that
    // asked for the shutdown, with its default action, so whoever sent it sees the
    // program ended by it (a shell script stops at a Ctrl-C, as it should). Returns when
    // no signal arrived.
    void ReraiseReceived()
    {
        if (received_ == 0)
            return;
        const int sig = received_;
        struct sigaction dfl = {};
        dfl.sa_handler = SIG_DFL;
        sigemptyset(&dfl.sa_mask);
        ::sigaction(sig, &dfl, nullptr);
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, sig);
        ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        ::raise(sig);
    }

private:
    // A signal the starter chose to ignore stays ignored (a job started in the background
    // by a shell ignores Ctrl-C, as it should).
    static bool Install(int sig, const struct sigaction& action, struct sigaction* old)
    {
        if (::sigaction(sig, &action, old) != 0)
            return false;
        if (old->sa_handler == SIG_IGN) {
            ::sigaction(sig, old, nullptr);
            return false;
        }
        return true;
    }

    static void Handler(int sig)
    {
        const int saved = errno;
        const int fd = writeFd_;
        if (fd >= 0) {
            const unsigned char byte = static_cast<unsigned char>(sig);
            [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
        }
        errno = saved;
    }

    static inline ShutdownSignals* instance_ = nullptr;
    static inline volatile sig_atomic_t writeFd_ = -1;

    std::function<void(int)> onSignal_;
    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction oldTerm_ = {};
    struct sigaction oldInt_ = {};
    bool installed_ = false;
    int received_ = 0;
};

} // namespace relvane
