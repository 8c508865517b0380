#pragma once
// Telling whether another program holds a serial device, and saying so to them: the UUCP
// lock files ("LCK..ttyUSB0" holding the holder's PID) that serial programs such as minicom
// and picocom leave in /var/lock or /run/lock, the advisory lock (flock) on the device, and
// the processes that have it open.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace relvane {

// Who holds a device, as far as it can be told.
struct DeviceHolder {
    qint64 pid = 0;    // 0: not known
    QString program;   // its name (/proc/PID/comm); empty when not known
    QString lockFile;  // the UUCP lock file that names it, when that is how it was found
};

// Where serial programs keep their UUCP lock files: /var/lock, then /run/lock.
QStringList DefaultLockDirectories();

// The lock file names a device may be locked under: "LCK.." and the path below /dev with
// '/' turned into '_' ("LCK..ttyUSB0", "LCK..pts_3"), then, where that differs, the plain
// base name that some programs use ("LCK..3").
QStringList UucpLockNames(const QString& device);

// The PID a lock file holds: ten ASCII digits (blank-padded, maybe followed by more lines)
// or a binary int of four bytes. 0 when it holds none.
qint64 LockFilePid(const QByteArray& content);

// Whether a process with this PID exists (one of another user counts).
bool ProcessExists(qint64 pid);
// A process's program name from /proc/PID/comm; empty when it cannot be read.
QString ProgramName(qint64 pid);

// A UUCP lock of this process on one device; released (its file removed) on destruction.
class UucpLock {
public:
    UucpLock() = default;
    ~UucpLock() { Release(); }
    UucpLock(const UucpLock&) = delete;
    UucpLock& operator=(const UucpLock&) = delete;

    // True, with *holder filled, when a live lock on the device is in one of dirs. A lock
    // whose PID no longer exists is stale and holds nothing; one that names no PID is
    // taken as held (a program may be writing it).
    static bool FindHolder(const QString& device, const QStringList& dirs, DeviceHolder* holder);

    // Takes the lock for this process in the first of dirs that lets it write, replacing
    // a stale lock. False, with *holder filled, when another program holds the device.
    // True also when no directory can be written: the lock is a courtesy to other
    // programs, not a condition of opening.
    bool Acquire(const QString& device, const QStringList& dirs, DeviceHolder* holder);
    // Removes the lock file, if it still names this process.
    void Release();

    QString File() const { return file_; }

private:
    QString file_;
};

// The process holding an advisory lock (flock) on the device, from /proc/locks.
DeviceHolder FlockHolder(const QString& device);
// A process that has the device open, another one before this one; from /proc/*/fd, so
// only processes this user may look into are found.
DeviceHolder OpenerOf(const QString& device);

}  // namespace relvane
