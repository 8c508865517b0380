#pragma once
// The tool's end of a simulated adapter for tests: opens the device with termios,
// writes wire bytes and collects the frames that come back.

#include "link/FrameCodec.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace relvane::sim::test {

class PtyClient : public FrameSink {
public:
    PtyClient() : receiver_(this) {}
    ~PtyClient() override { Close(); }

    bool Open(const QString& path) {
        Close();
        fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) return false;
        termios t{};
        if (::tcgetattr(fd_, &t) != 0) return false;
        ::cfmakeraw(&t);
        t.c_cflag |= CS8 | CSTOPB | CLOCAL | CREAD;
        ::cfsetispeed(&t, B38400);
        ::cfsetospeed(&t, B38400);
        return ::tcsetattr(fd_, TCSANOW, &t) == 0;
    }

    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    bool Write(const QByteArray& wire) {
        int done = 0;
        while (done < wire.size()) {
            const ssize_t w = ::write(fd_, wire.constData() + done, static_cast<size_t>(wire.size() - done));
            if (w < 0) {
                if (errno == EAGAIN) {
                    ::usleep(1000);
                    continue;
                }
                return false;
            }
            done += static_cast<int>(w);
        }
        return true;
    }

    bool SendFrame(const Frame& f) {
        std::uint8_t out[ENCODED_FRAME_MAX];
        const int n = EncodeFrame(f.data(), f.length(), out);
        return n > 0 && Write(QByteArray(reinterpret_cast<const char*>(out), n));
    }

    // Reads until `count` frames are held or the time is up; true when they are.
    bool WaitFrames(int count, int timeoutMs) {
        QElapsedTimer t;
        t.start();
        while (frames_.size() < count) {
            const qint64 left = timeoutMs - t.elapsed();
            if (left <= 0) return false;
            if (!ReadOnce(static_cast<int>(left))) return frames_.size() >= count;
        }
        return true;
    }

    // Waits for the line to fail as it does for a pulled cable: hang-up, error or end of file.
    bool WaitHangUp(int timeoutMs) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0) {
                if (p.revents & (POLLHUP | POLLERR)) return true;
                std::uint8_t buf[256];
                const ssize_t r = ::read(fd_, buf, sizeof buf);
                if (r == 0 || (r < 0 && errno == EIO)) return true;
                if (r > 0) receiver_.Feed(buf, static_cast<int>(r));
            }
        }
        return false;
    }

    // Reads until the raw bytes received end with `tail` (the bootloader's unframed bytes).
    bool WaitRawTail(const QByteArray& tail, int timeoutMs) {
        QElapsedTimer t;
        t.start();
        while (!raw_.endsWith(tail)) {
            const qint64 left = timeoutMs - t.elapsed();
            if (left <= 0 || !ReadOnce(static_cast<int>(left))) return raw_.endsWith(tail);
        }
        return true;
    }
    const QByteArray& raw() const { return raw_; }
    // After a raw exchange, like the tool leaving raw mode: no half frame is kept.
    void ResetReceiver() { receiver_ = SlipReceiver(this); }

    QList<QByteArray> TakeFrames() {
        QList<QByteArray> f;
        f.swap(frames_);
        return f;
    }
    const QList<QByteArray>& frames() const { return frames_; }
    qint64 bytesRead() const { return bytesRead_; }

    void DispatchFrame(const std::uint8_t* frame, int count) override {
        frames_.append(QByteArray(reinterpret_cast<const char*>(frame), count));
    }

private:
    bool ReadOnce(int timeoutMs) {
        pollfd p{fd_, POLLIN, 0};
        const int n = ::poll(&p, 1, timeoutMs);
        if (n <= 0) return n == 0;
        if (p.revents & (POLLHUP | POLLERR)) return false;
        std::uint8_t buf[1024];
        const ssize_t r = ::read(fd_, buf, sizeof buf);
        if (r < 0) return errno == EAGAIN;
        if (r == 0) return false;
        bytesRead_ += r;
        raw_.append(reinterpret_cast<const char*>(buf), static_cast<int>(r));
        receiver_.Feed(buf, static_cast<int>(r));
        return true;
    }

    int fd_ = -1;
    SlipReceiver receiver_;
    QList<QByteArray> frames_;
    QByteArray raw_;
    qint64 bytesRead_ = 0;
};

inline QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b.append(static_cast<char>(v));
    return b;
}

inline int At(const QByteArray& frame, int i) {
    return i < frame.size() ? static_cast<std::uint8_t>(frame[i]) : -1;
}

inline bool ChecksumOk(const QByteArray& frame) {
    return FrameChecksumValid(reinterpret_cast<const std::uint8_t*>(frame.constData()), static_cast<int>(frame.size()));
}

}  // namespace relvane::sim::test
