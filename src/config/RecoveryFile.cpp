#include "config/RecoveryFile.h"

#include "config/ConfigHistory.h"
#include "config/ConfigModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>

namespace relvane {

namespace {

QString LockPath(const QString& file) { return file.chopped(4) + QStringLiteral(".lock"); }

}  // namespace

RecoveryFile::RecoveryFile(QString folder) : folder_(std::move(folder)) {
  path_ = QDir(folder_).absoluteFilePath(QStringLiteral("recovery-%1.cfg").arg(QCoreApplication::applicationPid()));
}

RecoveryFile::~RecoveryFile() = default;

bool RecoveryFile::Exists() const { return QFileInfo::exists(path_); }

bool RecoveryFile::Write(const ConfigModel& model, QString* error) {
  if (!QDir().mkpath(folder_)) {
    if (error) *error = QStringLiteral("the folder %1 cannot be created").arg(QDir::toNativeSeparators(folder_));
    return false;
  }
  if (!lock_) {
    // Held for the whole run: a lock whose process is gone tells a file left behind.
    lock_ = std::make_unique<QLockFile>(LockPath(path_));
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) lock_.reset();
  }
  RestorePoint info;
  info.time = QDateTime::currentDateTime();
  info.event = HistoryEvent::Recovery;
  info.boxName = model.BoxName();
  return WriteRestorePointFile(path_, model, info, error);
}

void RecoveryFile::Remove() { QFile::remove(path_); }

QList<RecoveryFile::Left> RecoveryFile::LeftBehind() const {
  QList<Left> out;
  const QDir dir(folder_);
  for (const QString& name : dir.entryList({QStringLiteral("recovery-*.cfg")}, QDir::Files)) {
    const QString path = dir.absoluteFilePath(name);
    if (path == path_) continue;
    QLockFile probe(LockPath(path));
    probe.setStaleLockTime(0);
    // Taken only when its tool no longer runs; released again at once.
    if (!probe.tryLock(0)) continue;
    probe.unlock();
    RestorePoint info;
    Left left{path, QFileInfo(path).lastModified()};
    if (ReadRestorePointFile(path, nullptr, &info)) left.time = info.time;
    out.append(left);
  }
  std::sort(out.begin(), out.end(), [](const Left& a, const Left& b) { return a.time > b.time; });
  return out;
}

bool RecoveryFile::Load(const QString& path, ConfigModel& model, QString* error) {
  QString why;
  if (ReadRestorePointFile(path, &model, nullptr, &why)) return true;
  if (error) *error = QDir::toNativeSeparators(path) + QLatin1Char(' ') + why;
  return false;
}

void RecoveryFile::Discard(const QString& path) {
  QFile::remove(path);
  QFile::remove(LockPath(path));
}

}  // namespace relvane
