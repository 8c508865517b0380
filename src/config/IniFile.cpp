#include "config/IniFile.h"

#include "config/Cp1252.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

#include <algorithm>
#include <limits>

namespace relvane {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

QByteArray TrimBlanks(const QByteArray& s) {
  qsizetype b = 0;
  qsizetype e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.mid(b, e - b);
}

bool IsHexDigit(char c, unsigned* v) {
  if (c >= '0' && c <= '9') { *v = unsigned(c - '0'); return true; }
  if (c >= 'a' && c <= 'f') { *v = unsigned(c - 'a' + 10); return true; }
  if (c >= 'A' && c <= 'F') { *v = unsigned(c - 'A' + 10); return true; }
  return false;
}

QString FoldText(const QString& s) { return s.toCaseFolded(); }

// A section or key name folded for a look-up in the index. Short ASCII names (every name the
// tool itself asks for) are folded into this object's own buffer, without an allocation; for
// ASCII, case folding is A-Z to a-z. The text refers to that buffer: it must not outlive this
// object nor be stored (Owned() gives a copy that may be).
class FoldedName {
 public:
  explicit FoldedName(const QString& name) {
    const qsizetype n = name.size();
    bool ascii = n <= kInline;
    for (qsizetype i = 0; ascii && i < n; ++i) {
      const char16_t c = name.at(i).unicode();
      if (c >= 0x80) ascii = false;
      else buffer_[i] = QChar(c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c);
    }
    text_ = ascii ? QString::fromRawData(buffer_, n) : FoldText(name);
  }
  FoldedName(const FoldedName&) = delete;
  FoldedName& operator=(const FoldedName&) = delete;

  const QString& text() const { return text_; }
  QString Owned() const { return QString(text_.constData(), text_.size()); }

 private:
  static constexpr qsizetype kInline = 64;
  QChar buffer_[kInline];
  QString text_;
};

// The value part of an entry line as the readers see it: blanks dropped, then one pair of equal
// enclosing quotes, then cut to the longest value.
QByteArrayView ValueOf(QByteArrayView v, qsizetype maxLength) {
  while (!v.isEmpty() && IsBlank(v.front())) v = v.sliced(1);
  while (!v.isEmpty() && IsBlank(v.back())) v.chop(1);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.sliced(1, v.size() - 2);
  return v.first(std::min(v.size(), maxLength));
}

// A view's bytes as a QByteArray that shares them, for the conversions used at once.
QByteArray Borrowed(QByteArrayView v) { return QByteArray::fromRawData(v.data(), v.size()); }

}  // namespace

IniFile::IniFile() {
  const QString point = QLocale::system().decimalPoint();
  decimalSeparator_ = point.size() == 1 ? point.at(0) : QLatin1Char('.');
}

QString IniFile::Fold(const QByteArray& name) { return Cp1252ToString(name).toCaseFolded(); }

void IniFile::Clear() {
  sections_.clear();
  sectionIndex_.clear();
}

bool IniFile::Load(const QString& path, QString* error) {
  Clear();
  QFile file(path);
  if (!file.exists()) return true;
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = QStringLiteral("Unable to read %1").arg(path);
    return false;
  }
  const QByteArray content = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    if (error) *error = QStringLiteral("Unable to read %1").arg(path);
    return false;
  }
  Parse(content);
  return true;
}

bool IniFile::Save(const QString& path, QString* error) const {
  const QString fullPath = QFileInfo(path).absoluteFilePath();
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    if (error) *error = QStringLiteral("Unable to create file: '%1'").arg(fullPath);
    return false;
  }
  const QByteArray content = ToBytes();
  if (file.write(content) != content.size() || !file.commit()) {
    file.cancelWriting();
    if (error) *error = QStringLiteral("Unable to write to %1").arg(fullPath);
    return false;
  }
  return true;
}

void IniFile::Parse(const QByteArray& content) {
  Clear();
  Section* current = nullptr;
  qsizetype pos = 0;
  const qsizetype n = content.size();
  while (pos < n) {
    qsizetype end = content.indexOf('\n', pos);
    if (end < 0) end = n;
    qsizetype stop = end;
    if (stop > pos && content[stop - 1] == '\r') --stop;
    const QByteArray text = content.mid(pos, stop - pos);
    pos = end + 1;

    qsizetype lead = 0;
    while (lead < text.size() && IsBlank(text[lead])) ++lead;
    if (lead < text.size() && text[lead] == '[') {
      qsizetype close = text.indexOf(']', lead + 1);
      if (close < 0) close = text.size();
      Section s;
      s.name = TrimBlanks(text.mid(lead + 1, close - lead - 1));
      sections_.push_back(std::move(s));
      current = &sections_.back();
      continue;
    }
    if (!current) {
      Section s;
      s.header = false;
      sections_.push_back(std::move(s));
      current = &sections_.back();
    }
    Line line;
    line.text = text;
    // Entries before the first section belong to no section and are never found.
    const qsizetype eq = current->header ? text.indexOf('=') : -1;
    if (eq >= 0) {
      line.key = TrimBlanks(text.left(eq));
      if (!line.key.isEmpty()) {
        line.valueAt = eq + 1;
        const QString folded = Fold(line.key);
        // The first occurrence of a key counts.
        if (!current->keys.contains(folded)) current->keys.insert(folded, qsizetype(current->lines.size()));
      }
    }
    current->lines.push_back(std::move(line));
  }
  // The first of repeated sections counts; the others are kept as written but never found.
  for (qsizetype i = 0; i < qsizetype(sections_.size()); ++i) {
    const Section& s = sections_[std::size_t(i)];
    if (!s.header) continue;
    const QString folded = Fold(s.name);
    if (!sectionIndex_.contains(folded)) sectionIndex_.insert(folded, i);
  }
}

QByteArray IniFile::ToBytes() const {
  QByteArray out;
  for (const Section& s : sections_) {
    if (s.header) {
      out += '[';
      out += s.name;
      out += "]\r\n";
    }
    for (const Line& l : s.lines) {
      out += l.text;
      out += "\r\n";
    }
  }
  return out;
}

bool IniFile::HasSection(const QString& section) const { return sectionIndex_.contains(FoldedName(section).text()); }

bool IniFile::HasKey(const QString& section, const QString& key) const { return Find(section, key) != nullptr; }

const IniFile::Line* IniFile::Find(const QString& section, const QString& key) const {
  const auto s = sectionIndex_.constFind(FoldedName(section).text());
  if (s == sectionIndex_.constEnd()) return nullptr;
  const Section& sec = sections_[std::size_t(*s)];
  const auto k = sec.keys.constFind(FoldedName(key).text());
  if (k == sec.keys.constEnd()) return nullptr;
  return &sec.lines[std::size_t(*k)];
}

std::optional<QByteArrayView> IniFile::RawValue(const QString& section, const QString& key) const {
  const Line* line = Find(section, key);
  if (!line) return std::nullopt;
  return ValueOf(QByteArrayView(line->text).sliced(line->valueAt), kMaxValueLength);
}

QByteArray IniFile::ReadBytes(const QString& section, const QString& key, const QByteArray& def) const {
  const std::optional<QByteArrayView> v = RawValue(section, key);
  return v ? v->toByteArray() : def;
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
  const std::optional<QByteArrayView> v = RawValue(section, key);
  return v ? Cp1252ToString(*v) : def;
}

int IniFile::ReadInteger(const QString& section, const QString& key, int def) const {
  const std::optional<QByteArrayView> v = RawValue(section, key);
  int value = 0;
  return v && ParseInteger(Borrowed(*v), &value) ? value : def;
}

bool IniFile::ReadBool(const QString& section, const QString& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

double IniFile::ReadFloat(const QString& section, const QString& key, double def) const {
  const std::optional<QByteArrayView> v = RawValue(section, key);
  double value = 0;
  return v && ParseFloat(Borrowed(*v), &value) ? value : def;
}

void IniFile::WriteBytes(const QString& section, const QString& key, const QByteArray& value) {
  const QByteArray keyBytes = StringToCp1252(key);
  Line line;
  line.text.reserve(keyBytes.size() + 1 + value.size());
  line.text.append(keyBytes).append('=').append(value);
  line.key = keyBytes;
  line.valueAt = keyBytes.size() + 1;
  for (qsizetype i = line.valueAt; i < line.text.size(); ++i) {
    if (line.text[i] == '\r' || line.text[i] == '\n') line.text[i] = ' ';
  }

  const FoldedName foldedSection(section);
  const FoldedName foldedKey(key);
  auto s = sectionIndex_.constFind(foldedSection.text());
  if (s == sectionIndex_.constEnd()) {
    Section sec;
    sec.name = StringToCp1252(section);
    sec.keys.insert(foldedKey.Owned(), 0);
    sec.lines.push_back(std::move(line));
    sections_.push_back(std::move(sec));
    sectionIndex_.insert(foldedSection.Owned(), qsizetype(sections_.size() - 1));
    return;
  }
  Section& sec = sections_[std::size_t(*s)];
  const auto k = sec.keys.constFind(foldedKey.text());
  if (k != sec.keys.constEnd()) {
    sec.lines[std::size_t(*k)] = std::move(line);
    return;
  }
  // After the last line of the section that is not blank, so blank lines between sections stay.
  qsizetype at = qsizetype(sec.lines.size());
  while (at > 0 && TrimBlanks(sec.lines[std::size_t(at - 1)].text).isEmpty()) --at;
  if (at < qsizetype(sec.lines.size())) {
    for (auto it = sec.keys.begin(); it != sec.keys.end(); ++it) {
      if (*it >= at) ++*it;
    }
  }
  sec.lines.insert(sec.lines.begin() + at, std::move(line));
  sec.keys.insert(foldedKey.Owned(), at);
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value) {
  WriteBytes(section, key, StringToCp1252(value));
}

void IniFile::WriteInteger(const QString& section, const QString& key, int value) {
  WriteBytes(section, key, QByteArray::number(value));
}

void IniFile::WriteBool(const QString& section, const QString& key, bool value) {
  WriteBytes(section, key, value ? QByteArray("1") : QByteArray("0"));
}

void IniFile::WriteFloat(const QString& section, const QString& key, double value) {
  WriteBytes(section, key, FormatFloat(value));
}

bool IniFile::ParseInteger(const QByteArray& text, int* value) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < n && text[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= n) return false;
  if (hex) {
    quint64 v = 0;
    for (; i < n; ++i) {
      unsigned d = 0;
      if (!IsHexDigit(text[i], &d)) return false;
      v = v * 16 + d;
      if (v > 0xFFFFFFFFull) return false;
    }
    const auto bits = static_cast<qint32>(static_cast<quint32>(v));
    *value = negative ? static_cast<int>(0u - static_cast<quint32>(bits)) : bits;
    return true;
  }
  qint64 v = 0;
  for (; i < n; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
    if (v > qint64(std::numeric_limits<int>::max()) + 1) return false;
  }
  if (negative) v = -v;
  if (v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min()) return false;
  *value = static_cast<int>(v);
  return true;
}

bool IniFile::ParseFloat(const QByteArray& text, double* value) const {
  const char sep = decimalSeparator_.unicode() < 0x80 ? char(decimalSeparator_.unicode()) : '.';
  QByteArray plain;
  plain.reserve(text.size());
  qsizetype i = 0;
  const qsizetype n = text.size();
  const auto isDigit = [&](qsizetype k) { return k < n && text[k] >= '0' && text[k] <= '9'; };
  if (i < n && (text[i] == '+' || text[i] == '-')) plain += text[i++];
  int digits = 0;
  while (isDigit(i)) { plain += text[i++]; ++digits; }
  if (i < n && text[i] == sep) {
    plain += '.';
    ++i;
    while (isDigit(i)) { plain += text[i++]; ++digits; }
  }
  if (digits == 0) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    plain += 'e';
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) plain += text[i++];
    if (!isDigit(i)) return false;
    while (isDigit(i)) plain += text[i++];
  }
  if (i != n) return false;
  bool ok = false;
  const double v = plain.toDouble(&ok);
  if (!ok) return false;
  *value = v;
  return true;
}

QByteArray IniFile::FormatFloat(double value) const {
  if (value != value) return "NAN";
  if (value == std::numeric_limits<double>::infinity()) return "INF";
  if (value == -std::numeric_limits<double>::infinity()) return "-INF";
  if (value == 0) return "0";
  const char sep = decimalSeparator_.unicode() < 0x80 ? char(decimalSeparator_.unicode()) : '.';
  // 15 significant digits, correctly rounded: "-d.dddddddddddddde+XX".
  const QByteArray e = QByteArray::number(value, 'e', 14);
  const bool negative = e.startsWith('-');
  const qsizetype mantissaStart = negative ? 1 : 0;
  const qsizetype ePos = e.indexOf('e');
  QByteArray digits = e.mid(mantissaStart, ePos - mantissaStart);
  digits.remove(1, 1);  // the decimal point
  const int exponent = e.mid(ePos + 1).toInt();
  while (digits.size() > 1 && digits.endsWith('0')) digits.chop(1);

  QByteArray out;
  if (negative) out += '-';
  if (exponent >= 15 || exponent < -5) {
    out += digits[0];
    if (digits.size() > 1) {
      out += sep;
      out += digits.mid(1);
    }
    out += 'E';
    out += QByteArray::number(exponent);
  } else if (exponent >= 0) {
    const qsizetype intDigits = exponent + 1;
    if (digits.size() <= intDigits) {
      out += digits;
      out += QByteArray(intDigits - digits.size(), '0');
    } else {
      out += digits.left(intDigits);
      out += sep;
      out += digits.mid(intDigits);
    }
  } else {
    out += '0';
    out += sep;
    out += QByteArray(-exponent - 1, '0');
    out += digits;
  }
  return out;
}

}  // namespace relvane
