#include "link/AdapterBackend.h"

#include "link/AdapterDirectory.h"

#include <QSerialPortInfo>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
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
    explicit PosixSerialPort(int fd) : fd_(fd) {}
    int Descriptor() const override { return fd_; }
    ~PosixSerialPort() override { ::close(fd_); }
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
    case OpenFailure::Busy:
        return QStringLiteral("%1 is in use by another program: close it and connect again.")
            .arg(device);
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

// Opens a device for a backend and tells why it failed.
std::unique_ptr<AdapterPort> OpenDeviceExplained(const QString& path, bool exclusive,
                                                 OpenError* why) {
    QString text;
    int e = 0;
    std::unique_ptr<AdapterPort> port = OpenSerialDevice(path, exclusive, &text, &e);
    if (why) {
        *why = OpenError{};
        if (!port) *why = OpenError{e ? OpenFailureFromErrno(e) : OpenFailure::Other, path, text};
    }
    return port;
}

void SetNotFound(OpenError* why, const QString& description) {
    if (why) *why = OpenError{OpenFailure::NotFound, {}, QStringLiteral("no adapter \"%1\"").arg(description)};
}

}  // namespace

std::unique_ptr<AdapterPort> OpenSerialDevice(const QString& path, bool exclusive,
                                              QString* error, int* errorNumber) {
    if (errorNumber) *errorNumber = 0;
    auto fail = [&](const QString& why, int e = 0) -> std::unique_ptr<AdapterPort> {
        if (error) *error = QStringLiteral("%1: %2").arg(path, why);
        if (errorNumber) *errorNumber = e;
        return nullptr;
    };
    if (path.isEmpty()) return fail(QStringLiteral("no device path"), ENOENT);
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        return fail(ErrnoText(e), e);
    }
    // Only a terminal device is an adapter; a stray path in a registration must not
    // turn a plain file or a disk into one.
    if (!::isatty(fd)) {
        ::close(fd);
        return fail(QStringLiteral("not a serial device"), ENOTTY);
    }
    if (exclusive && ::ioctl(fd, TIOCEXCL) != 0) {
        const int e = errno;
        ::close(fd);
        return fail(ErrnoText(e), e);
    }
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        const int e = errno;
        ::close(fd);
        return fail(ErrnoText(e), e);
    }
    ::cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CRTSCTS);
    t.c_cflag |= CS8 | CSTOPB | CLOCAL | CREAD;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    ::cfsetispeed(&t, B38400);
    ::cfsetospeed(&t, B38400);
    if (::tcsetattr(fd, TCSANOW, &t) != 0) {
        const int e = errno;
        ::close(fd);
        return fail(ErrnoText(e), e);
    }
    return std::make_unique<PosixSerialPort>(fd);
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
                return OpenDeviceExplained(p.systemLocation(), true, why);
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
            // Pseudo-terminals are opened shared: the simulator may hold its slave too.
            if (r.description == description) return OpenDeviceExplained(r.device, false, why);
        }
    }
    SetNotFound(why, description);
    return nullptr;
}

}  // namespace relvane
