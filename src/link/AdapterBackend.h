#pragma once
// What the link needs from an adapter: listing by description, opening one with the
// module's serial settings, timed reads and writes, and telling that it is gone.

#include "link/DeviceLock.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <utility>

namespace relvane {

// Serial settings of the module's link.
inline constexpr int LINK_BAUD_RATE = 38400;
inline constexpr int LINK_DATA_BITS = 8;
inline constexpr int LINK_STOP_BITS = 2;  // no parity
inline constexpr int LINK_READ_TIMEOUT_MS = 5;
inline constexpr int LINK_WRITE_TIMEOUT_MS = 100;

// One adapter as a backend lists it. detailsOk false stands for an adapter whose
// details could not be read: it is counted but not offered.
struct AdapterInfo {
    QString description;
    bool detailsOk = true;
};

// Why an adapter could not be opened.
enum class OpenFailure {
    None,              // it opened
    NotFound,          // no adapter with that description, or its device is gone
    PermissionDenied,  // the device exists but this user may not open it
    Busy,              // another program holds it
    Other,
};

struct OpenError {
    OpenError() = default;
    OpenError(OpenFailure f, QString d, QString t, DeviceHolder h = {})
        : failure(f), device(std::move(d)), text(std::move(t)), holder(std::move(h)) {}

    OpenFailure failure = OpenFailure::None;
    QString device;  // the device path tried, when one was
    QString text;    // the system's words for it
    DeviceHolder holder;  // for Busy: the program holding the device, when it can be told
};

// The failure an open(2) errno stands for.
OpenFailure OpenFailureFromErrno(int errorNumber);

// One line telling the user how to fix a failed open (the dialout group or the udev
// rule for a permission failure, the other program, named when known, for a busy one);
// empty when there is nothing the user can do about it.
QString OpenErrorHint(const OpenError& error);

enum class ReadStatus {
    Ok,      // *got bytes (possibly 0 after the read time-out)
    Failed,  // a passing error; the port stays usable
    Gone,    // the adapter was unplugged or its device hung up
};

// An open adapter. Destroying it closes it. Read and Write are called by one thread
// at a time (the link serialises them), but that may be a different thread from the
// one that opened it.
class AdapterPort {
public:
    virtual ~AdapterPort() = default;
    // Waits up to the read time-out for bytes; reads at most max.
    virtual ReadStatus Read(std::uint8_t* buffer, int max, int* got) = 0;
    // Writes up to count bytes within the write time-out. False when the write
    // failed; true with *written < count for a short write.
    virtual bool Write(const std::uint8_t* bytes, int count, int* written) = 0;
    // A descriptor that polls readable when bytes wait, for the fast link; -1 when the port
    // has none (the fast link then reads with the read time-out).
    virtual int Descriptor() const { return -1; }
};

class AdapterBackend {
public:
    virtual ~AdapterBackend() = default;
    // Appends the adapters present in the backend's order; false when listing failed.
    virtual bool ListAdapters(QList<AdapterInfo>& out) = 0;
    // Opens the first adapter with this description; nullptr when none opens.
    virtual std::unique_ptr<AdapterPort> Open(const QString& description) = 0;
    // Open, telling in *why (when given) why it failed. A backend that cannot tell
    // keeps this default, which reports OpenFailure::Other for any failure.
    virtual std::unique_ptr<AdapterPort> OpenExplained(const QString& description, OpenError* why);
};

// Lists the adapters of several backends one after the other and opens a
// description in the first backend that has it.
class CombinedBackend : public AdapterBackend {
public:
    // The backends are not owned and must outlive this one.
    explicit CombinedBackend(QList<AdapterBackend*> backends) : backends_(std::move(backends)) {}
    bool ListAdapters(QList<AdapterInfo>& out) override;
    std::unique_ptr<AdapterPort> Open(const QString& description) override;
    std::unique_ptr<AdapterPort> OpenExplained(const QString& description, OpenError* why) override;

private:
    QList<AdapterBackend*> backends_;
};

// Real USB serial adapters: listed through QSerialPortInfo with their USB product
// description (ports that are not USB are not adapters); opened as a POSIX serial
// port on the port's device path, exclusively, respecting and leaving UUCP lock files
// in lockDirs.
class SerialPortBackend : public AdapterBackend {
public:
    explicit SerialPortBackend(QStringList lockDirs = DefaultLockDirectories())
        : lockDirs_(std::move(lockDirs)) {}
    bool ListAdapters(QList<AdapterInfo>& out) override;
    std::unique_ptr<AdapterPort> Open(const QString& description) override;
    std::unique_ptr<AdapterPort> OpenExplained(const QString& description, OpenError* why) override;

private:
    QStringList lockDirs_;
};

// Simulated modules registered in the adapter directory (link/AdapterDirectory.h);
// their devices are pseudo-terminal slaves, locked like real adapters. An empty dir
// means AdapterDirectory(), looked up again on every call.
class DirectoryBackend : public AdapterBackend {
public:
    explicit DirectoryBackend(QString dir = {}, QStringList lockDirs = DefaultLockDirectories())
        : dir_(std::move(dir)), lockDirs_(std::move(lockDirs)) {}
    bool ListAdapters(QList<AdapterInfo>& out) override;
    std::unique_ptr<AdapterPort> Open(const QString& description) override;
    std::unique_ptr<AdapterPort> OpenExplained(const QString& description, OpenError* why) override;

private:
    QString Dir() const;
    QString dir_;
    QStringList lockDirs_;
};

// The backend the program uses: real adapters, then simulated ones.
class SystemBackend : public AdapterBackend {
public:
    SystemBackend() : combined_({&serial_, &directory_}) {}
    bool ListAdapters(QList<AdapterInfo>& out) override { return combined_.ListAdapters(out); }
    std::unique_ptr<AdapterPort> Open(const QString& description) override {
        return combined_.Open(description);
    }
    std::unique_ptr<AdapterPort> OpenExplained(const QString& description, OpenError* why) override {
        return combined_.OpenExplained(description, why);
    }

private:
    SerialPortBackend serial_;
    DirectoryBackend directory_;
    CombinedBackend combined_;
};

struct SerialOpenOptions {
    // Asks the kernel to refuse further opens of the device while it is open (TIOCEXCL).
    bool exclusive = false;
    // Where UUCP lock files are looked for and this process's own is left; empty: none.
    QStringList lockDirs;
};

// Opens a serial device path with the link's settings (raw, 38400 baud, 8 data bits,
// 2 stop bits, no parity). A device another program holds is left alone: a live UUCP
// lock file on it, an advisory lock (flock) or its exclusive mode fail the open as
// OpenFailure::Busy, with the holder named where it can be told; the settings of a held
// device are never touched. The open port holds an flock and, where a lock directory
// can be written, a lock file naming this process, both given up when it closes.
// nullptr with *why filled when it fails.
std::unique_ptr<AdapterPort> OpenSerialDevice(const QString& path, const SerialOpenOptions& options,
                                              OpenError* why = nullptr);

// The same with the default lock directories; *error is the failure's text and
// *errorNumber the errno of the failing call (0 when no call failed).
std::unique_ptr<AdapterPort> OpenSerialDevice(const QString& path, bool exclusive,
                                              QString* error = nullptr, int* errorNumber = nullptr);

}  // namespace relvane
