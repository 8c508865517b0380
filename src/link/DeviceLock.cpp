#include "link/DeviceLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace relvane {

namespace {

// Lock files are a few bytes; anything larger is not one.
constexpr qint64 LOCK_FILE_MAX = 128;

QByteArray ReadSmallFile(const QString& path, bool* exists) {
    QFile f(path);
    *exists = f.exists();
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.read(LOCK_FILE_MAX);
}

DeviceHolder HolderFor(qint64 pid, const QString& lockFile = {}) {
    DeviceHolder h;
    h.pid = pid;
    if (pid > 0) h.program = ProgramName(pid);
    h.lockFile = lockFile;
    return h;
}

// Each directory once, in order, with a symbolic link and its target counted as one
// (/var/lock is /run/lock on most systems).
QStringList DistinctDirs(const QStringList& dirs) {
    QStringList out;
    QStringList seen;
    for (const QString& d : dirs) {
        const QString canonical = QFileInfo(d).canonicalFilePath();
        const QString key = canonical.isEmpty() ? d : canonical;
        if (seen.contains(key)) continue;
        seen << key;
        out << d;
    }
    return out;
}

}  // namespace

QStringList DefaultLockDirectories() {
    return {QStringLiteral("/var/lock"), QStringLiteral("/run/lock")};
}

QStringList UucpLockNames(const QString& device) {
    // A link such as /dev/serial/by-id/... is locked under the device it points at.
    QString path = QFileInfo(device).canonicalFilePath();
    if (path.isEmpty()) path = device;
    const QString base = QFileInfo(path).fileName();
    QString below = base;
    if (path.startsWith(QLatin1String("/dev/"))) below = path.mid(5).replace(QLatin1Char('/'), QLatin1Char('_'));
    QStringList names{QStringLiteral("LCK..") + below};
    if (below != base && !base.isEmpty()) names << QStringLiteral("LCK..") + base;
    return names;
}

qint64 LockFilePid(const QByteArray& content) {
    // Text first: the first line's number (Qt's lock files add the program and host on
    // further lines). Four bytes that are no number are the older binary form, the PID as
    // the machine's int; no PID's bytes all read as digits.
    bool ok = false;
    const qint64 text = content.split('\n').value(0).trimmed().toLongLong(&ok);
    if (ok) return text > 0 && text <= 0x7fffffff ? text : 0;
    if (content.size() != static_cast<qsizetype>(sizeof(int))) return 0;
    int pid = 0;
    std::memcpy(&pid, content.constData(), sizeof pid);
    return pid > 0 ? pid : 0;
}

bool ProcessExists(qint64 pid) {
    if (pid <= 0 || pid > 0x7fffffff) return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

QString ProgramName(qint64 pid) {
    if (pid <= 0) return {};
    QFile f(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromLocal8Bit(f.read(64)).trimmed();
}

bool UucpLock::FindHolder(const QString& device, const QStringList& dirs, DeviceHolder* holder) {
    const QStringList names = UucpLockNames(device);
    for (const QString& dir : DistinctDirs(dirs)) {
        for (const QString& name : names) {
            const QString file = QDir(dir).filePath(name);
            bool exists = false;
            const QByteArray content = ReadSmallFile(file, &exists);
            if (!exists) continue;
            const qint64 pid = LockFilePid(content);
            if (pid > 0 && !ProcessExists(pid)) continue;  // stale
            if (holder) *holder = HolderFor(pid, file);
            return true;
        }
    }
    return false;
}

bool UucpLock::Acquire(const QString& device, const QStringList& dirs, DeviceHolder* holder) {
    Release();
    if (FindHolder(device, dirs, holder)) return false;
    const QString name = UucpLockNames(device).first();
    const QByteArray content = QByteArray::number(static_cast<qint64>(::getpid())).rightJustified(10, ' ') + '\n';
    for (const QString& dir : DistinctDirs(dirs)) {
        const QByteArray file = QFile::encodeName(QDir(dir).filePath(name));
        // Two tries: the second after taking a stale lock away.
        for (int attempt = 0; attempt < 2; ++attempt) {
            const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd >= 0) {
                const bool whole = ::write(fd, content.constData(), content.size()) == content.size();
                ::close(fd);
                if (!whole) {
                    ::unlink(file.constData());
                    break;
                }
                file_ = QFile::decodeName(file);
                return true;
            }
            if (errno != EEXIST) break;  // not writable here: the next directory
            // Someone took it since the look above, or a stale one is in the way.
            DeviceHolder found;
            if (FindHolder(device, {dir}, &found)) {
                if (holder) *holder = found;
                return false;
            }
            ::unlink(file.constData());
        }
    }
    return true;
}

void UucpLock::Release() {
    if (file_.isEmpty()) return;
    bool exists = false;
    const QByteArray content = ReadSmallFile(file_, &exists);
    // A lock another program has put in its place since is theirs.
    if (exists && LockFilePid(content) == ::getpid()) QFile::remove(file_);
    file_.clear();
}

DeviceHolder FlockHolder(const QString& device) {
    struct stat st {};
    if (::stat(QFile::encodeName(device).constData(), &st) != 0) return {};
    QFile f(QStringLiteral("/proc/locks"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    // "1: FLOCK  ADVISORY  WRITE 14421 fe:00:10953953 0 EOF"; waiters carry "->".
    const QByteArray wanted = QByteArray::number(major(st.st_dev), 16).rightJustified(2, '0') + ':' +
                              QByteArray::number(minor(st.st_dev), 16).rightJustified(2, '0') + ':' +
                              QByteArray::number(static_cast<qulonglong>(st.st_ino));
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields.at(1) != "FLOCK") continue;
        if (fields.at(5) != wanted) continue;
        bool ok = false;
        const qint64 pid = fields.at(4).toLongLong(&ok);
        if (ok && pid > 0) return HolderFor(pid);
    }
    return {};
}

DeviceHolder OpenerOf(const QString& device) {
    struct stat target {};
    if (::stat(QFile::encodeName(device).constData(), &target) != 0 || !S_ISCHR(target.st_mode)) return {};
    const qint64 self = ::getpid();
    qint64 own = 0;
    DIR* proc = ::opendir("/proc");
    if (!proc) return {};
    qint64 found = 0;
    while (found == 0) {
        const dirent* e = ::readdir(proc);
        if (!e) break;
        bool ok = false;
        const qint64 pid = QByteArray(e->d_name).toLongLong(&ok);
        if (!ok || pid <= 0) continue;
        const QByteArray fdDir = "/proc/" + QByteArray::number(pid) + "/fd";
        DIR* fds = ::opendir(fdDir.constData());
        if (!fds) continue;  // gone, or not ours to look into
        while (const dirent* f = ::readdir(fds)) {
            if (f->d_name[0] == '.') continue;
            struct stat st {};
            if (::stat((fdDir + '/' + f->d_name).constData(), &st) != 0) continue;
            if (!S_ISCHR(st.st_mode) || st.st_rdev != target.st_rdev) continue;
            if (pid == self) own = pid;
            else found = pid;
            break;
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    if (found == 0) found = own;
    return found > 0 ? HolderFor(found) : DeviceHolder{};
}

}  // namespace relvane
