#pragma once
// Makes a folder unwritable for the length of a test. Permission bits do not stop root, so when
// they are not enough the folder is made immutable (ext2/3/4, needs CAP_LINUX_IMMUTABLE). Tests
// skip when neither works.

#include <QDir>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace relvane::test {

class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(const QString& path) : path_(path) {
    QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (Writable()) immutable_ = SetImmutable(true);
    active_ = !Writable();
  }
  ~ReadOnlyFolder() {
    if (immutable_) SetImmutable(false);
    QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  }
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

  // Whether the folder really refuses new files.
  bool Active() const { return active_; }

 private:
  bool Writable() const {
    const QString probe = path_ + QStringLiteral("/.probe");
    QFile f(probe);
    const bool ok = f.open(QIODevice::WriteOnly);
    f.close();
    if (ok) QFile::remove(probe);
    return ok;
  }
  bool SetImmutable(bool on) const {
    const int fd = ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
  }

  QString path_;
  bool immutable_ = false;
  bool active_ = false;
};

}  // namespace relvane::test
