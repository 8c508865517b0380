#include "sim/Pty.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace relvane::sim {

bool SetRawSerial(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return false;
    ::cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
    t.c_cflag |= CS8 | CSTOPB | CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    ::cfsetispeed(&t, B38400);
    ::cfsetospeed(&t, B38400);
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

bool OpenPty(Pty* pty, QString* error) {
    auto fail = [&](const char* what) {
        const int err = errno;
        if (error) *error = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(err)));
        ClosePty(pty);
        return false;
    };
    pty->master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (pty->master < 0) return fail("posix_openpt");
    if (::grantpt(pty->master) != 0) return fail("grantpt");
    if (::unlockpt(pty->master) != 0) return fail("unlockpt");
    char name[128] = {};
    if (::ptsname_r(pty->master, name, sizeof name) != 0) return fail("ptsname");
    pty->path = QString::fromLocal8Bit(name);
    pty->slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (pty->slave < 0) return fail("open the pseudo-terminal");
    if (!SetRawSerial(pty->slave)) return fail("set the slave's line settings");
    if (!SetRawSerial(pty->master)) return fail("set the master's line settings");
    const int flags = ::fcntl(pty->master, F_GETFL);
    if (flags < 0 || ::fcntl(pty->master, F_SETFL, flags | O_NONBLOCK) != 0) return fail("fcntl");
    ::fcntl(pty->master, F_SETFD, FD_CLOEXEC);
    return true;
}

void ClosePty(Pty* pty) {
    if (pty->master >= 0) ::close(pty->master);
    if (pty->slave >= 0) ::close(pty->slave);
    pty->master = -1;
    pty->slave = -1;
    pty->path.clear();
}

}  // namespace relvane::sim
