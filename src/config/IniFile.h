#pragma once
// An INI file held in memory, read and written with the conventions of the Windows profile
// functions, so that files written by other tools read the same:
// - section and key names match regardless of case; the first matching section and, within it,
//   the first occurrence of a key count;
// - blanks around a value are dropped, then one pair of equal enclosing quotes (" or ') is removed,
//   then the value is cut to 2047 characters;
// - integers are decimal, or hexadecimal after "0x", "0X" or "$", and must fit in 32 bits (a
//   hexadecimal value up to FFFFFFFF wraps to a signed number); anything else gives the default;
// - flags are integers, any value other than 0 is set; written as "1" or "0";
// - reals use the decimal separator of the locale and are written with up to 15 significant digits;
// - setting a key replaces an existing entry in place, appends a new one after the last entry of
//   its section, or appends a new section at the end of the file.
// Lines end with CR LF; the bytes on disk are Windows-1252. Lines this class does not understand
// (comments, blank lines) are kept as they were. Save writes the whole file once, atomically.

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QHash>
#include <QString>

#include <optional>
#include <vector>

namespace relvane {

class IniFile {
 public:
  static constexpr int kMaxValueLength = 2047;

  // The decimal separator starts as that of the system locale.
  IniFile();

  // Reads the file. A file that does not exist is no error and gives an empty file; a file that
  // exists but cannot be read returns false with a message in *error and leaves this one empty.
  bool Load(const QString& path, QString* error = nullptr);
  // Writes the whole file atomically (a temporary file beside the target, renamed over it), so a
  // failure leaves the file that was there untouched. On failure returns false with, in *error,
  // "Unable to create file: '<full path>'" when the file cannot be created at all, or
  // "Unable to write to <full path>" when writing or replacing it fails.
  bool Save(const QString& path, QString* error = nullptr) const;

  void Parse(const QByteArray& content);
  QByteArray ToBytes() const;
  void Clear();

  QChar DecimalSeparator() const { return decimalSeparator_; }
  void SetDecimalSeparator(QChar c) { decimalSeparator_ = c; }

  bool HasSection(const QString& section) const;
  bool HasKey(const QString& section, const QString& key) const;

  // Readers. A key that is absent gives the default; a key present with an empty value gives an
  // empty text, and the default for the numeric readers.
  QByteArray ReadBytes(const QString& section, const QString& key, const QByteArray& def = {}) const;
  QString ReadString(const QString& section, const QString& key, const QString& def = {}) const;
  int ReadInteger(const QString& section, const QString& key, int def) const;
  bool ReadBool(const QString& section, const QString& key, bool def) const;
  double ReadFloat(const QString& section, const QString& key, double def) const;

  // Writers. CR and LF in a value would break the line structure of the file; each becomes a blank.
  void WriteBytes(const QString& section, const QString& key, const QByteArray& value);
  void WriteString(const QString& section, const QString& key, const QString& value);
  void WriteInteger(const QString& section, const QString& key, int value);
  void WriteBool(const QString& section, const QString& key, bool value);
  void WriteFloat(const QString& section, const QString& key, double value);

  // The conversions, exposed for tests and for callers that hold a value text.
  static bool ParseInteger(const QByteArray& text, int* value);
  bool ParseFloat(const QByteArray& text, double* value) const;
  QByteArray FormatFloat(double value) const;

 private:
  struct Line {
    QByteArray text;   // the line without its line end
    QByteArray key;    // key as written, trimmed; empty when the line is no entry
    qsizetype valueAt = -1;  // offset of the value in text
  };
  struct Section {
    QByteArray name;
    std::vector<Line> lines;  // the lines after the section line
    QHash<QString, qsizetype> keys;  // folded key -> first entry line
    bool header = true;       // false for the lines before the first section
  };

  static QString Fold(const QByteArray& name);
  const Line* Find(const QString& section, const QString& key) const;
  // The value as the readers take it (see above), in the line's own bytes; nothing when absent.
  std::optional<QByteArrayView> RawValue(const QString& section, const QString& key) const;

  std::vector<Section> sections_;
  QHash<QString, qsizetype> sectionIndex_;  // folded name -> first section
  QChar decimalSeparator_;
};

}  // namespace relvane
