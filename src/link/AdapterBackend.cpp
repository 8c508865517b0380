#include "link/AdapterBackend.h"

#include "link/AdapterDirectory.h"

#include <QSerialPortInfo>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace relvane {

// The I/O goes through POSIX termios on the port's device path rather than
// QSerialPort. A QSerialPort belongs to the thread that created it and does its I/O
// from that thread's event loop, while here the link thread reads and writes and
// both the user-interface thread and the link thread open and close; a file
// descriptor has no such affinity. The same code then serves real adapters and the
// simulator's pseudo-terminals, and a hang-up is seen once, as a failed read, instead
// of as a stream of error signals while the dead port stays open.
namespace {

bool IsGoneErrno(int e) {
    return e == EIO || e == ENXIO || e == ENODEV || e == EBADF || e == EPIPE;
}

class PosixSerialPort final : public AdapterPort {
public:
    PosixSerialPort(int fd, std::unique_ptr<UucpLock> lock) : fd_(fd), lock_(std::move(lock)) {}
    int Descriptor() const override { return fd_; }
    // The descriptor goes first (and its flock with it), so a program that finds the
    // lock file gone finds the device free.
    ~PosixSerialPort() override {
        ::close(fd_);
        lock_.reset();
    }
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    ReadStatus Read(std::uint8_t* buffer, int max, int* got) override {
        *got = 0;
        if (max <= 0) return ReadStatus::Ok;
        pollfd p{fd_, POLLIN, 0};
        const int r = ::poll(&p, 1, LINK_READ_TIMEOUT_MS);
        if (r < 0) return errno == EINTR ? ReadStatus::Ok : ReadStatus::Failed;
        if (r == 0) return ReadStatus::Ok;
        if (p.revents & POLLNVAL) return ReadStatus::Gone;
        if (p.revents & POLLIN) {
            const ssize_t n = ::read(fd_, buffer, static_cast<std::size_t>(max));
            if (n > 0) {
                *got = static_cast<int>(n);
                return ReadStatus::Ok;
            }
            // Readable but nothing to read is a hang-up in raw mode.
            if (n == 0) return ReadStatus::Gone;
            if (errno == EAGAIN || errno == EINTR) return ReadStatus::Ok;
            return IsGoneErrno(errno) ? ReadStatus::Gone : ReadStatus::Failed;
        }
        if (p.revents & (POLLHUP | POLLERR)) return ReadStatus::Gone;
        return ReadStatus::Ok;
    }

    bool Write(const std::uint8_t* bytes, int count, int* written) override {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(LINK_WRITE_TIMEOUT_MS);
        int done = 0;
        while (done < count) {
            const ssize_t n = ::write(fd_, bytes + done, static_cast<std::size_t>(count - done));
            if (n > 0) {
                done += static_cast<int>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                *written = done;
                return done > 0;  // bytes already out make it a short write
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - Clock::now()).count();
            if (left <= 0) break;
            pollfd p{fd_, POLLOUT, 0};
            const int r = ::poll(&p, 1, static_cast<int>(left));
            if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
                *written = done;
                return done > 0;
            }
        }
        *written = done;
        return true;
    }

private:
    int fd_;
    std::unique_ptr<UucpLock> lock_;
};

QString ErrnoText(int e) { return QString::fromLocal8Bit(std::strerror(e)); }

}  // namespace

OpenFailure OpenFailureFromErrno(int errorNumber) {
    switch (errorNumber) {
    case 0:
        return OpenFailure::None;
    case EACCES:
    case EPERM:
        return OpenFailure::PermissionDenied;
    case EBUSY:
        return OpenFailure::Busy;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return OpenFailure::NotFound;
    default:
        return OpenFailure::Other;
    }
}

QString OpenErrorHint(const OpenError& error) {
    const QString device = error.device.isEmpty() ? QStringLiteral("the adapter") : error.device;
    switch (error.failure) {
    case OpenFailure::PermissionDenied:
        return QStringLiteral("No permission to open %1: install the package's udev rule "
                              "(70-relvane.rules) and replug the adapter, or add yourself to the "
                              "dialout group (sudo usermod -aG dialout $USER) and log in again.")
            .arg(device);
    case OpenFailure::Busy: {
        QStringList who;
        const DeviceHolder& h = error.holder;
        if (h.pid > 0) {
            who << (h.program.isEmpty() ? QStringLiteral("PID %1").arg(h.pid)
                                        : QStringLiteral("%1, PID %2").arg(h.program).arg(h.pid));
        }
        if (!h.lockFile.isEmpty()) who << QStringLiteral("lock file %1").arg(h.lockFile);
        return QStringLiteral("%1 is in use by another program%2: close it and connect again.")
            .arg(device, who.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(who.join(QStringLiteral("; "))));
    }
    case OpenFailure::None:
    case OpenFailure::NotFound:
    case OpenFailure::Other:
        break;
    }
    return {};
}

std::unique_ptr<AdapterPort> AdapterBackend::OpenExplained(const QString& description,
                                                           OpenError* why) {
    std::unique_ptr<AdapterPort> port = Open(description);
    if (why) *why = port ? OpenError{} : OpenError{OpenFailure::Other, {}, {}};
    return port;
}

namespace {

void SetNotFound(OpenError* why, const QString& description) {
    if (why) *why = OpenError{OpenFailure::NotFound, {}, QStringLiteral("no adapter \"%1\"").arg(description)};
}

// The device's opening, with errno for the callers that want it.
std::unique_ptr<AdapterPort> OpenLocked(const QString& path, const SerialOpenOptions& options,
                                        OpenError* why, int* errorNumber) {
    *errorNumber = 0;
    auto fail = [&](const QString& text, int e, OpenFailure failure,
                    const DeviceHolder& holder = {}) -> std::unique_ptr<AdapterPort> {
        *errorNumber = e;
        if (why) *why = OpenError{failure, path, QStringLiteral("%1: %2").arg(path, text), holder};
        return nullptr;
    };
    auto failErrno = [&](int e) { return fail(ErrnoText(e), e, OpenFailureFromErrno(e)); };
    auto heldBy = [&](const DeviceHolder& holder) {
        const QString text = holder.lockFile.isEmpty()
                                 ? QStringLiteral("locked by another program")
                                 : QStringLiteral("locked by another program in %1").arg(holder.lockFile);
        return fail(text, EBUSY, OpenFailure::Busy, holder);
    };
    if (path.isEmpty()) return fail(QStringLiteral("no device path"), ENOENT, OpenFailure::NotFound);

    // A lock file says so before the device is even opened: opening a held terminal may
    // already disturb it (the modem lines of a first open).
    DeviceHolder holder;
    if (UucpLock::FindHolder(path, options.lockDirs, &holder)) return heldBy(holder);

    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        if (e == EBUSY && why) return fail(ErrnoText(e), e, OpenFailure::Busy, OpenerOf(path));
        return failErrno(e);
    }
    auto closeAnd = [fd](std::unique_ptr<AdapterPort> result) {
        ::close(fd);
        return result;
    };
    // Only a terminal device is an adapter; a stray path in a registration must not
    // turn a plain file or a disk into one.
    if (!::isatty(fd)) return closeAnd(fail(QStringLiteral("not a serial device"), ENOTTY, OpenFailure::Other));
    // The advisory lock comes before the exclusive mode: that mode stays on the terminal
    // until its last close, so setting it on a device another program holds would lock
    // that program out.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        if (e != EWOULDBLOCK) return closeAnd(failErrno(e));
        return closeAnd(heldBy(why ? FlockHolder(path) : DeviceHolder{}));
    }
    auto lock = std::make_unique<UucpLock>();
    if (!lock->Acquire(path, options.lockDirs, &holder)) return closeAnd(heldBy(holder));
    if (options.exclusive && ::ioctl(fd, TIOCEXCL) != 0) return closeAnd(failErrno(errno));
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return closeAnd(failErrno(errno));
    ::cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CRTSCTS);
    t.c_cflag |= CS8 | CSTOPB | CLOCAL | CREAD;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    ::cfsetispeed(&t, B38400);
    ::cfsetospeed(&t, B38400);
    if (::tcsetattr(fd, TCSANOW, &t) != 0) return closeAnd(failErrno(errno));
    if (why) *why = OpenError{};
    return std::make_unique<PosixSerialPort>(fd, std::move(lock));
}

// Opens a backend's device with its lock directories.
std::unique_ptr<AdapterPort> OpenDeviceExplained(const QString& path, bool exclusive,
                                                 const QStringList& lockDirs, OpenError* why) {
    int e = 0;
    return OpenLocked(path, SerialOpenOptions{exclusive, lockDirs}, why, &e);
}

}  // namespace

std::unique_ptr<AdapterPort> OpenSerialDevice(const QString& path, const SerialOpenOptions& options,
                                              OpenError* why) {
    int e = 0;
    return OpenLocked(path, options, why, &e);
}

std::unique_ptr<AdapterPort> OpenSerialDevice(const QString& path, bool exclusive,
                                              QString* error, int* errorNumber) {
    OpenError why;
    int e = 0;
    std::unique_ptr<AdapterPort> port =
        OpenLocked(path, SerialOpenOptions{exclusive, DefaultLockDirectories()}, &why, &e);
    if (error) *error = why.text;
    if (errorNumber) *errorNumber = e;
    return port;
}

bool CombinedBackend::ListAdapters(QList<AdapterInfo>& out) {
    bool any = false;
    for (AdapterBackend* b : backends_) {
        // One backend failing to list must not hide the others' adapters.
        if (b->ListAdapters(out)) any = true;
    }
    return any || backends_.isEmpty();
}

std::unique_ptr<AdapterPort> CombinedBackend::Open(const QString& description) {
    return OpenExplained(description, nullptr);
}

std::unique_ptr<AdapterPort> CombinedBackend::OpenExplained(const QString& description,
                                                            OpenError* why) {
    for (AdapterBackend* b : backends_) {
        QList<AdapterInfo> list;
        if (!b->ListAdapters(list)) continue;
        const bool has = std::any_of(list.cbegin(), list.cend(), [&](const AdapterInfo& a) {
            return a.detailsOk && a.description == description;
        });
        if (has) return b->OpenExplained(description, why);
    }
    SetNotFound(why, description);
    return nullptr;
}

namespace {

QList<QSerialPortInfo> UsbPorts() {
    QList<QSerialPortInfo> ports;
    for (const QSerialPortInfo& p : QSerialPortInfo::availablePorts()) {
        if (p.hasVendorIdentifier()) ports.append(p);
    }
    std::sort(ports.begin(), ports.end(), [](const QSerialPortInfo& a, const QSerialPortInfo& b) {
        return a.systemLocation() < b.systemLocation();
    });
    return ports;
}

}  // namespace

bool SerialPortBackend::ListAdapters(QList<AdapterInfo>& out) {
    for (const QSerialPortInfo& p : UsbPorts()) out.append(AdapterInfo{p.description(), true});
    return true;
}

std::unique_ptr<AdapterPort> SerialPortBackend::Open(const QString& description) {
    return OpenExplained(description, nullptr);
}

std::unique_ptr<AdapterPort> SerialPortBackend::OpenExplained(const QString& description,
                                                              OpenError* why) {
    if (!description.isEmpty()) {
        for (const QSerialPortInfo& p : UsbPorts()) {
            if (p.description() == description)
                return OpenDeviceExplained(p.systemLocation(), true, lockDirs_, why);
        }
    }
    SetNotFound(why, description);
    return nullptr;
}

QString DirectoryBackend::Dir() const { return dir_.isEmpty() ? AdapterDirectory() : dir_; }

bool DirectoryBackend::ListAdapters(QList<AdapterInfo>& out) {
    for (const AdapterRegistration& r : ReadAdapterRegistrations(Dir()))
        out.append(AdapterInfo{r.description, true});
    return true;
}

std::unique_ptr<AdapterPort> DirectoryBackend::Open(const QString& description) {
    return OpenExplained(description, nullptr);
}

std::unique_ptr<AdapterPort> DirectoryBackend::OpenExplained(const QString& description,
                                                             OpenError* why) {
    if (!description.isEmpty()) {
        for (const AdapterRegistration& r : ReadAdapterRegistrations(Dir())) {
            // Pseudo-terminals are not made exclusive: the simulator holds its slave too
            // (without a lock, so the advisory one is still the tool's to take).
            if (r.description == description)
                return OpenDeviceExplained(r.device, false, lockDirs_, why);
        }
    }
    SetNotFound(why, description);
    return nullptr;
}

}  // namespace relvane
