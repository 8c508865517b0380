#pragma once
// CAN databases in the DBC text format: what a file describes (messages, their signals, value
// tables, comments, attributes), reading a file as CAN tools write it, writing one, and taking a
// signal's value out of a message's data bytes.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace relvane {

// The placeholder node of a signal or message without a named receiver or sender.
inline constexpr const char* kDbcNoNode = "Vector__XXX";
// The largest standard (11-bit) identifier. Where a log or the module carries no extended flag,
// a larger identifier counts as extended.
inline constexpr quint32 kCanStandardIdMax = 0x7FF;
// The attribute of a message's send period in milliseconds.
inline constexpr const char* kDbcCycleTime = "GenMsgCycleTime";

enum class DbcByteOrder {
    Motorola,  // "@0": most significant byte first; the start bit is the most significant bit
    Intel,     // "@1": least significant byte first; the start bit is the least significant bit
};

enum class DbcValueType { Integer, Float32, Float64 };  // SIG_VALTYPE_ 0, 1, 2

enum class DbcMux {
    None,
    Multiplexor,  // "M": its value tells which multiplexed signals the message carries
    Multiplexed,  // "m<value>": present when the multiplexor holds muxValue
};

struct DbcValueDescription {
    qint64 value = 0;
    QString text;
    friend bool operator==(const DbcValueDescription&, const DbcValueDescription&) = default;
};

struct DbcSignal {
    QString name;
    int startBit = 0;  // as the file numbers it: bit b is bit b % 8 of data byte b / 8
    int length = 1;    // 1 to 64
    DbcByteOrder order = DbcByteOrder::Intel;
    bool isSigned = false;
    DbcValueType valueType = DbcValueType::Integer;
    double factor = 1.0;
    double offset = 0.0;
    double minimum = 0.0;
    double maximum = 0.0;
    QString unit;
    QStringList receivers;
    DbcMux mux = DbcMux::None;
    qint64 muxValue = 0;
    QString comment;
    QList<DbcValueDescription> values;  // VAL_, in file order
    int line = 0;                       // where it was read (0 for a signal made in code)

    // The same signal, whatever line it came from.
    bool SameAs(const DbcSignal& other) const;
};

struct DbcMessage {
    quint32 id = 0;  // without the extended flag
    bool extended = false;
    QString name;
    int size = 8;  // data bytes, 0 to 64
    QString sender = QLatin1String(kDbcNoNode);
    QList<DbcSignal> signalList;
    QString comment;
    std::optional<int> cycleTimeMs;  // GenMsgCycleTime of this message
    int line = 0;

    const DbcSignal* FindSignal(const QString& signalName) const;
    // The "M" signal, or none.
    const DbcSignal* Multiplexor() const;
    // "1A5" or "18FEF100x" (extended), as logs write identifiers.
    QString IdText() const;
    bool SameAs(const DbcMessage& other) const;
};

// An attribute as the file states it; values are kept as their text ("100", "\"CAN\"").
struct DbcAttributeDefinition {
    QString object;  // "", "BU_", "BO_", "SG_" or "EV_"
    QString name;
    QString type;    // what follows the name, e.g. INT 0 65535
    QString defaultValue;  // BA_DEF_DEF_, empty when the file gives none
};
struct DbcAttributeValue {
    QString name;
    QString object;  // "", "BU_", "BO_", "SG_", "EV_"
    QString target;  // node name, message identifier as written, "identifier signal", or empty
    QString value;
};

struct DbcDatabase {
    QString version;
    QStringList nodes;
    QString comment;
    QHash<QString, QString> nodeComments;
    QList<DbcMessage> messages;
    QList<DbcAttributeDefinition> attributeDefinitions;
    QList<DbcAttributeValue> attributes;  // all but the messages' cycle times

    // The message of an identifier; built index, so a monitor on a busy bus stays cheap.
    const DbcMessage* Find(quint32 id, bool extended) const;
    // A message by name, or by identifier written as "0x1A5" or "1A5h".
    const DbcMessage* FindByName(const QString& nameOrId) const;
    // Rebuilds the identifier index after messages were added or removed.
    void Reindex();

private:
    QHash<quint32, qsizetype> index_;  // bit 31 set for extended identifiers
};

// A line of the file that could not be used, and why.
struct DbcProblem {
    int line = 0;
    QString text;
};
// "line 12: unknown section "FOO_""
QString DbcProblemText(const DbcProblem& problem);

struct DbcReadResult {
    DbcDatabase database;
    QList<DbcProblem> problems;  // at most kDbcMaxProblems; the rest only counted
    int problemCount = 0;
    // Set when the file could not be read at all (no such file, nothing usable in it).
    QString error;
    bool Ok() const { return error.isEmpty(); }
};
inline constexpr int kDbcMaxProblems = 200;

// Reads a DBC text: UTF-8 (with or without a byte order mark) or, when it is not valid UTF-8,
// Windows-1252; CR LF or LF lines. Statements that cannot be used are left out and listed as
// problems with their line; everything else is kept. A text without a single message and with
// problems is an error (the first problem).
DbcReadResult ReadDbc(const QByteArray& bytes);
DbcReadResult ReadDbcFile(const QString& path);

// The DBC text of a database: Windows-1252 (characters it cannot hold become '?'), CR LF lines.
QByteArray WriteDbc(const DbcDatabase& database);
// Writes the file whole or not at all; false with a message in *error.
bool SaveDbcFile(const DbcDatabase& database, const QString& path, QString* error);

// The pickers' search: a part of the message's or the signal's name (any case), or the message's
// identifier in hexadecimal ("1a5", "0x1A5", leading zeros alike). An empty search matches all.
bool DbcSearchMatches(const DbcMessage& message, const DbcSignal* signal, const QString& search);

// Makes a text a name DBC tools accept: letters, digits and '_', not starting with a digit,
// at most 32 characters ("Head light L." gives "Head_light_L_").
QString DbcSafeName(const QString& text);

// --- Signal values -----------------------------------------------------------------------------

// Whether every bit of the signal lies within `bytes` data bytes.
bool DbcSignalFits(const DbcSignal& signal, int bytes);
// The data bytes the signal touches (0-based), lowest first; empty when it does not fit 64 bytes.
QList<int> DbcSignalBytes(const DbcSignal& signal);
// The signal's bits as an unsigned number, most significant bit as the signal's; nothing when
// a bit lies beyond count bytes.
std::optional<quint64> DbcRawBits(const DbcSignal& signal, const std::uint8_t* data, int count);
// The raw bits with the signal's sign extended (integer signals).
qint64 DbcRawValue(const DbcSignal& signal, quint64 bits);
// raw × factor + offset (float signals: the IEEE value × factor + offset).
double DbcPhysicalValue(const DbcSignal& signal, quint64 bits);
// "Speed=12.5 km/h" or "Gear=3 (Drive)".
QString DbcSignalText(const DbcSignal& signal, quint64 bits);
// The signals a message's data carries, "Speed=12.5 km/h, Gear=3 (Drive)": multiplexed
// signals only when the multiplexor holds their value, signals beyond the data left out.
QString DbcDecodedText(const DbcMessage& message, const std::uint8_t* data, int count);

}  // namespace relvane
