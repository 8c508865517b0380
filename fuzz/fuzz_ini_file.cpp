// The INI reader and writer under the configuration and settings files, in memory:
// IniFile::Parse, its readers, writers and number conversions, ToBytes.
//
// Input: the file's bytes. Checks, for every entry line of the input (a line with
// "=" after the first section line):
// - the reader finds it under its section and key as written exactly when the key
//   is in the first section of that name, and gives the value of the key's first
//   entry there (names match regardless of case);
// - a value written back reads back unchanged (when it has no blank at its ends, no
//   enclosing quotes and no CR, which the reader drops and the writer replaces), and
//   the number readers give what the conversions make of the value;
// - an integer or a real written reads back as written, and a real's text is stable:
//   writing what was read from it gives the same text;
// - the written text parses back to the same text, before and after the writes.

#include "FuzzSupport.h"

#include "config/Cp1252.h"
#include "config/IniFile.h"

#include <QByteArray>
#include <QHash>

#include <cmath>
#include <vector>

using namespace relvane;
using namespace relvane::fuzzing;

namespace {

IniFile Parsed(const QByteArray& content) {
    IniFile ini;
    ini.SetDecimalSeparator(QLatin1Char('.'));
    ini.Parse(content);
    return ini;
}

// The written text reads back as the same text.
void CheckTextStable(const IniFile& ini) {
    const QByteArray text = ini.ToBytes();
    FUZZ_CHECK(Parsed(text).ToBytes() == text);
}

QByteArray Trimmed(QByteArray s) {
    while (!s.isEmpty() && (s.front() == ' ' || s.front() == '\t')) s.remove(0, 1);
    while (!s.isEmpty() && (s.back() == ' ' || s.back() == '\t')) s.chop(1);
    return s;
}

struct Entry {
    QString section;
    QString key;
    // Whether the key is in the first section of the name, and the value of its
    // first entry there: later sections of the same name are never read.
    bool found = false;
    QByteArray value;
};

// The entry lines of a file, each with the value that counts for its key.
std::vector<Entry> Entries(const QByteArray& content) {
    std::vector<Entry> entries;
    QHash<QString, QHash<QString, QByteArray>> first;  // folded section -> folded key -> value
    QHash<QString, int> seen;                          // folded section -> times seen
    QString section;
    bool inSection = false;
    for (QByteArray line : content.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        const QByteArray trimmed = Trimmed(line);
        if (trimmed.startsWith('[')) {
            const qsizetype close = trimmed.indexOf(']');
            section = Cp1252ToString(Trimmed(trimmed.mid(1, close < 0 ? -1 : close - 1)));
            inSection = true;
            ++seen[section.toCaseFolded()];
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (!inSection || eq < 0) continue;
        const QByteArray key = Trimmed(line.left(eq));
        if (key.isEmpty()) continue;
        const QString s = section.toCaseFolded();
        const QString k = Cp1252ToString(key).toCaseFolded();
        if (seen.value(s) == 1 && !first[s].contains(k)) first[s].insert(k, line.mid(eq + 1));
        entries.push_back({section, Cp1252ToString(key), false, QByteArray()});
    }
    for (Entry& e : entries) {
        const auto s = first.constFind(e.section.toCaseFolded());
        if (s == first.constEnd()) continue;
        const auto k = s->constFind(e.key.toCaseFolded());
        e.found = k != s->constEnd();
        if (e.found) e.value = *k;
    }
    return entries;
}

// What the reader makes of an entry's value text.
QByteArray ValueRead(QByteArray v) {
    v = Trimmed(v);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.mid(1, v.size() - 2);
    return v.left(IniFile::kMaxValueLength);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    EnsureApplication();
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    IniFile ini = Parsed(content);
    CheckTextStable(ini);

    const std::vector<Entry> entries = Entries(content);
    for (const Entry& e : entries) {
        FUZZ_CHECK(ini.HasSection(e.section));
        FUZZ_CHECK(ini.HasKey(e.section, e.key) == e.found);
        const QByteArray value = ini.ReadBytes(e.section, e.key, QByteArrayLiteral("absent"));
        if (!e.found) {
            FUZZ_CHECK(value == "absent");
            continue;
        }
        FUZZ_CHECK(value == ValueRead(e.value));
        FUZZ_CHECK(ini.ReadString(e.section, e.key) == Cp1252ToString(value));

        int integer = 0;
        const bool isInteger = IniFile::ParseInteger(value, &integer);
        FUZZ_CHECK(ini.ReadInteger(e.section, e.key, 17) == (isInteger ? integer : 17));
        FUZZ_CHECK(ini.ReadBool(e.section, e.key, true) == (isInteger ? integer != 0 : true));
        double real = 0;
        const bool isReal = ini.ParseFloat(value, &real);
        const double readReal = ini.ReadFloat(e.section, e.key, -0.5);
        FUZZ_CHECK(isReal ? (readReal == real || (std::isnan(real) && std::isnan(readReal))) : readReal == -0.5);
    }

    // The writers, on the same entries (and on the names and values they carry).
    const qsizetype lines = ini.ToBytes().count('\n');
    for (const Entry& e : entries) {
        if (!e.found) continue;
        const QByteArray value = ini.ReadBytes(e.section, e.key);
        const bool plain = value == Trimmed(value) && ValueRead(value) == value && !value.contains('\r');
        ini.WriteBytes(e.section, e.key, value);
        if (plain) FUZZ_CHECK(ini.ReadBytes(e.section, e.key) == value);

        int integer = 0;
        if (IniFile::ParseInteger(value, &integer)) {
            ini.WriteInteger(e.section, e.key, integer);
            FUZZ_CHECK(ini.ReadInteger(e.section, e.key, integer ^ 1) == integer);
        }
        double real = 0;
        if (ini.ParseFloat(value, &real) && std::isfinite(real)) {
            ini.WriteFloat(e.section, e.key, real);
            const QByteArray written = ini.ReadBytes(e.section, e.key);
            const double back = ini.ReadFloat(e.section, e.key, std::nan(""));
            FUZZ_CHECK(!std::isnan(back));
            FUZZ_CHECK(ini.FormatFloat(back) == written);
        }
    }
    // Every key written existed: each replaced its line, none was added.
    FUZZ_CHECK(ini.ToBytes().count('\n') == lines);
    CheckTextStable(ini);
    return 0;
}
