#pragma once
// The configuration being edited, kept in a file while it has unsaved changes, so a crash, a
// kill or a signal loses nothing: each running tool has its own file (by process number) and
// holds a lock on it for as long as it runs, so the next start tells the files of tools that
// ended without removing theirs from those of tools still running. The file is a restore point
// file (the configuration exactly as it was, with its time).

#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>

class QLockFile;

namespace relvane {

class ConfigModel;

class RecoveryFile {
 public:
  // folder: the recovery folder itself ($XDG_DATA_HOME/relvane/recovery).
  explicit RecoveryFile(QString folder);
  // Lets the lock go; the file stays (Remove takes it away).
  ~RecoveryFile();
  RecoveryFile(const RecoveryFile&) = delete;
  RecoveryFile& operator=(const RecoveryFile&) = delete;

  QString Path() const { return path_; }
  bool Exists() const;
  // Replaces the file atomically with model; false (and why) when the folder cannot be written.
  bool Write(const ConfigModel& model, QString* error = nullptr);
  void Remove();

  struct Left {
    QString path;
    QDateTime time;  // when it was last written
  };
  // The files of tools that are no longer running, newest first (never this tool's own).
  QList<Left> LeftBehind() const;
  // Reads one exactly as it was written; false (and why) for a damaged one.
  static bool Load(const QString& path, ConfigModel& model, QString* error = nullptr);
  // Removes a file left behind (and its stale lock).
  static void Discard(const QString& path);

 private:
  QString folder_;
  QString path_;
  std::unique_ptr<QLockFile> lock_;
};

}  // namespace relvane
