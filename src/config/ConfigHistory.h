#pragma once
// Restore points: the configuration at each Read, and before each Upload, Default settings and
// firmware Program, kept as configuration files under the user's data folder with a small
// index, at most a set number per box name. Each file also says when, why, which box and which
// adapter, and holds a checksum of its configuration, so the index can always be rebuilt from
// the files and a damaged one is told apart. Two tools writing at once take turns on a lock.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace relvane {

class ConfigModel;

inline constexpr int kDefaultHistoryLimit = 200;

// Where the tool keeps the user's data: $XDG_DATA_HOME/relvane (when that is an absolute path),
// else ~/.local/share/relvane.
QString DefaultDataFolder();

// Why a restore point was written.
namespace HistoryEvent {
inline const QString Read = QStringLiteral("read");            // a completed read of the module
inline const QString Upload = QStringLiteral("upload");        // what an upload is about to send
inline const QString Defaults = QStringLiteral("defaults");    // the module's, before its factory settings
inline const QString Firmware = QStringLiteral("firmware");    // the module's, before a firmware program
inline const QString Edits = QStringLiteral("edits");          // edits a Read was let replace
inline const QString Recovery = QStringLiteral("recovery");    // the recovery file's own
}  // namespace HistoryEvent
// "Read", "Upload", "Default settings", "Firmware", "Edits replaced by a read"; unknown events as they are.
QString HistoryEventText(const QString& event);

struct RestorePoint {
  QString file;  // full path
  QDateTime time;
  QString event;
  QByteArray boxName;  // Windows-1252, as the model holds it
  QString adapter;
};

// A restore point file: the configuration as a configuration file (any tool opens it), the
// fields such a file cannot hold exactly in [EXACT], then [RESTORE_POINT] with the time, event,
// box name, adapter and the SHA-256 of everything before it. Written atomically.
bool WriteRestorePointFile(const QString& path, const ConfigModel& model, const RestorePoint& info,
                           QString* error = nullptr);
// Reads one back exactly as it was written (model may be null to read the description only).
// A file that is not whole, or no restore point at all, gives false and why.
bool ReadRestorePointFile(const QString& path, ConfigModel* model, RestorePoint* info, QString* error = nullptr);

struct HistoryListing {
  QList<RestorePoint> points;  // newest first
  QStringList skipped;         // entries and files that could not be used, each with why
  int limit = kDefaultHistoryLimit;
};

class ConfigHistory {
 public:
  // folder: the history folder itself. limit: how many restore points to keep per box name; 0
  // keeps the number the folder's index holds (the command line follows the window's setting).
  explicit ConfigHistory(QString folder, int limit = 0);

  QString Folder() const { return folder_; }

  // Writes model as a restore point and drops the oldest ones of its box name beyond the
  // limit. False, with a message naming the folder and the reason, when it could not be
  // written; nothing else is changed then.
  bool Add(const QString& event, const ConfigModel& model, const QString& adapter, QString* error = nullptr,
           RestorePoint* added = nullptr);

  // The restore points, newest first; a damaged index line or file is skipped and named.
  HistoryListing List() const;

  // "history/index" and its lock.
  static QString IndexName() { return QStringLiteral("index"); }

 private:
  QString folder_;
  int limit_;
};

}  // namespace relvane
