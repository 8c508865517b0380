#include "config/ConfigHistory.h"

#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "config/FieldCatalogue.h"
#include "config/IniFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSet>

#include <algorithm>

namespace relvane {

namespace {

const QString kExact = QStringLiteral("EXACT");
const QString kHeader = QStringLiteral("RESTORE_POINT");
const QByteArray kHeaderLine = "[RESTORE_POINT]\r\n";
const QByteArray kIndexMagic = "relvane-history 1 limit ";
constexpr int kLockWaitMs = 5000;

QByteArray Sha256(const QByteArray& bytes) {
  return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// A box name as part of a file name: letters, digits and '-' stay, the rest become '_'.
QString FileSafe(const QByteArray& boxName) {
  QString out;
  for (char c : boxName) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
    out += keep ? QChar::fromLatin1(c) : QLatin1Char('_');
  }
  return out.isEmpty() ? QStringLiteral("noname") : out;
}

QByteArray IndexLine(const RestorePoint& p) {
  return QFileInfo(p.file).fileName().toUtf8() + '\t' + p.time.toUTC().toString(Qt::ISODateWithMs).toUtf8() + '\t' +
         p.event.toUtf8().toPercentEncoding() + '\t' + p.boxName.toPercentEncoding() + '\t' +
         p.adapter.toUtf8().toPercentEncoding();
}

bool NewerFirst(const RestorePoint& a, const RestorePoint& b) {
  if (a.time != b.time) return a.time > b.time;
  return a.file > b.file;
}

}  // namespace

QString DefaultDataFolder() {
  const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
  const QString base = !xdg.isEmpty() && QDir::isAbsolutePath(xdg) ? xdg : QDir::homePath() + QStringLiteral("/.local/share");
  return QDir::cleanPath(base + QStringLiteral("/relvane"));
}

QString HistoryEventText(const QString& event) {
  if (event == HistoryEvent::Read) return QStringLiteral("Read");
  if (event == HistoryEvent::Upload) return QStringLiteral("Upload");
  if (event == HistoryEvent::Defaults) return QStringLiteral("Default settings");
  if (event == HistoryEvent::Firmware) return QStringLiteral("Firmware");
  if (event == HistoryEvent::Edits) return QStringLiteral("Edits replaced by a read");
  if (event == HistoryEvent::Recovery) return QStringLiteral("Recovery");
  return event;
}

bool WriteRestorePointFile(const QString& path, const ConfigModel& model, const RestorePoint& info, QString* error) {
  IniFile ini;
  // One separator whatever the locale of the tool that reads it back.
  ini.SetDecimalSeparator(QLatin1Char('.'));
  WriteConfig(model, ini);
  ConfigModel back;
  ReadConfig(back, ini);
  for (const ExactField& f : ExactFieldsDiffering(model, back)) ini.WriteBytes(kExact, f.key, f.value);
  const QByteArray content = ini.ToBytes();
  ini.WriteString(kHeader, QStringLiteral("TIME"), info.time.toUTC().toString(Qt::ISODateWithMs));
  ini.WriteString(kHeader, QStringLiteral("EVENT"), info.event);
  ini.WriteBytes(kHeader, QStringLiteral("BOX_NAME"), info.boxName.toPercentEncoding());
  ini.WriteBytes(kHeader, QStringLiteral("ADAPTER"), info.adapter.toUtf8().toPercentEncoding());
  ini.WriteBytes(kHeader, QStringLiteral("SHA256"), Sha256(content));
  return ini.Save(path, error);
}

bool ReadRestorePointFile(const QString& path, ConfigModel* model, RestorePoint* info, QString* error) {
  const auto fail = [&](const QString& why) {
    if (error) *error = why;
    return false;
  };
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return fail(QStringLiteral("cannot be read (%1)").arg(file.errorString()));
  // Far beyond any restore point; a bigger file is not one, and is not read whole.
  if (file.size() > 4 * 1024 * 1024) return fail(QStringLiteral("is no restore point (too large)"));
  const QByteArray bytes = file.readAll();
  qsizetype at = bytes.startsWith(kHeaderLine) ? 0 : bytes.lastIndexOf("\r\n" + kHeaderLine);
  if (at < 0) return fail(QStringLiteral("is no restore point (no [RESTORE_POINT] section)"));
  if (at > 0) at += 2;
  IniFile ini;
  ini.SetDecimalSeparator(QLatin1Char('.'));
  ini.Parse(bytes);
  if (ini.ReadBytes(kHeader, QStringLiteral("SHA256")) != Sha256(bytes.left(at)))
    return fail(QStringLiteral("is damaged (its checksum does not match)"));
  RestorePoint p;
  p.file = QFileInfo(path).absoluteFilePath();
  p.time = QDateTime::fromString(ini.ReadString(kHeader, QStringLiteral("TIME")), Qt::ISODateWithMs);
  p.event = ini.ReadString(kHeader, QStringLiteral("EVENT"));
  p.boxName = QByteArray::fromPercentEncoding(ini.ReadBytes(kHeader, QStringLiteral("BOX_NAME")));
  p.adapter = QString::fromUtf8(QByteArray::fromPercentEncoding(ini.ReadBytes(kHeader, QStringLiteral("ADAPTER"))));
  if (!p.time.isValid()) return fail(QStringLiteral("is damaged (no valid time)"));
  if (model) {
    ConfigModel read;
    ReadConfig(read, ini);
    // The keys of [EXACT] as written, read in their order.
    bool inExact = false;
    for (const QByteArray& line : bytes.left(at).split('\n')) {
      const QByteArray t = line.trimmed();
      if (t.startsWith('[')) {
        inExact = t == "[EXACT]";
        continue;
      }
      const qsizetype eq = t.indexOf('=');
      if (!inExact || eq <= 0) continue;
      if (!SetExactField(read, QString::fromLatin1(t.left(eq)), t.mid(eq + 1)))
        return fail(QStringLiteral("is damaged (the exact value %1 does not read)").arg(QString::fromLatin1(t.left(eq))));
    }
    read.SetBoxName(p.boxName);
    model->Assign(read);
  }
  if (info) *info = p;
  return true;
}

// ---------------------------------------------------------------------------------------------

ConfigHistory::ConfigHistory(QString folder, int limit) : folder_(std::move(folder)), limit_(limit) {}

HistoryListing ConfigHistory::List() const {
  HistoryListing out;
  out.limit = limit_ > 0 ? limit_ : kDefaultHistoryLimit;
  const QDir dir(folder_);
  if (!dir.exists()) return out;

  QSet<QString> indexed;
  QFile index(dir.filePath(IndexName()));
  if (index.open(QIODevice::ReadOnly)) {
    const QList<QByteArray> lines = index.readAll().split('\n');
    const QByteArray head = lines.value(0).trimmed();
    bool limitOk = false;
    const int limit = head.startsWith(kIndexMagic) ? head.mid(kIndexMagic.size()).toInt(&limitOk) : 0;
    if (!limitOk || limit < 1) {
      out.skipped << QStringLiteral("index: not a history index (the list is rebuilt from the files)");
    } else {
      if (limit_ <= 0) out.limit = limit;
      for (qsizetype i = 1; i < lines.size(); ++i) {
        // Not trimmed: an empty adapter leaves the line ending in a tab.
        QByteArray line = lines[i];
        if (line.endsWith('\r')) line.chop(1);
        if (line.trimmed().isEmpty()) continue;
        const QList<QByteArray> f = line.split('\t');
        RestorePoint p;
        const QString name = f.size() == 5 ? QString::fromUtf8(f[0]) : QString();
        if (f.size() == 5) {
          p.time = QDateTime::fromString(QString::fromUtf8(f[1]), Qt::ISODateWithMs);
          p.event = QString::fromUtf8(QByteArray::fromPercentEncoding(f[2]));
          p.boxName = QByteArray::fromPercentEncoding(f[3]);
          p.adapter = QString::fromUtf8(QByteArray::fromPercentEncoding(f[4]));
        }
        if (name.isEmpty() || name.contains(QLatin1Char('/')) || !name.endsWith(QLatin1String(".cfg")) ||
            !p.time.isValid()) {
          out.skipped << QStringLiteral("index line %1: damaged").arg(i + 1);
          continue;
        }
        if (indexed.contains(name)) continue;
        p.file = dir.absoluteFilePath(name);
        if (!QFileInfo(p.file).isFile()) {
          out.skipped << QStringLiteral("%1: listed in the index but missing").arg(name);
          continue;
        }
        indexed.insert(name);
        out.points.append(p);
      }
    }
  }
  // Files the index does not hold (a tool ended between writing one and its index line, or the
  // index was lost) are read for their own description.
  for (const QString& name : dir.entryList({QStringLiteral("*.cfg")}, QDir::Files, QDir::Name)) {
    if (indexed.contains(name)) continue;
    RestorePoint p;
    QString why;
    if (ReadRestorePointFile(dir.filePath(name), nullptr, &p, &why))
      out.points.append(p);
    else
      out.skipped << name + QStringLiteral(": ") + why;
  }
  std::stable_sort(out.points.begin(), out.points.end(), NewerFirst);
  return out;
}

bool ConfigHistory::Add(const QString& event, const ConfigModel& model, const QString& adapter, QString* error,
                        RestorePoint* added) {
  const auto fail = [&](const QString& why) {
    if (error)
      *error = QStringLiteral("Restore points cannot be written to %1: %2. Transfers go on without them.")
                   .arg(QDir::toNativeSeparators(folder_), why);
    return false;
  };
  if (!QDir().mkpath(folder_)) return fail(QStringLiteral("the folder cannot be created"));
  QLockFile lock(QDir(folder_).filePath(IndexName() + QStringLiteral(".lock")));
  if (!lock.tryLock(kLockWaitMs)) {
    return fail(lock.error() == QLockFile::LockFailedError ? QStringLiteral("another Relvane Tool keeps it locked")
                                                           : QStringLiteral("the folder cannot be written"));
  }

  RestorePoint p;
  p.time = QDateTime::currentDateTime();
  p.event = event;
  p.boxName = model.BoxName();
  p.adapter = adapter;
  const QString stem = p.time.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz_")) + event + QLatin1Char('_') + FileSafe(p.boxName);
  const QDir dir(folder_);
  p.file = dir.absoluteFilePath(stem + QStringLiteral(".cfg"));
  for (int i = 2; QFileInfo::exists(p.file); ++i) p.file = dir.absoluteFilePath(stem + QStringLiteral("-%1.cfg").arg(i));
  QString why;
  if (!WriteRestorePointFile(p.file, model, p, &why)) return fail(why);

  HistoryListing listing = List();
  const int limit = limit_ > 0 ? limit_ : listing.limit;
  int kept = 0;
  QList<RestorePoint> keep;
  for (const RestorePoint& r : listing.points) {
    if (r.boxName == p.boxName && ++kept > limit) {
      QFile::remove(r.file);
      continue;
    }
    keep.append(r);
  }
  QByteArray text = kIndexMagic + QByteArray::number(limit) + '\n';
  for (const RestorePoint& r : keep) text += IndexLine(r) + '\n';
  // The index is only a list; when it cannot be replaced the files still describe themselves.
  QSaveFile indexFile(dir.filePath(IndexName()));
  if (indexFile.open(QIODevice::WriteOnly) && indexFile.write(text) == text.size()) indexFile.commit();
  if (added) *added = p;
  return true;
}

}  // namespace relvane
