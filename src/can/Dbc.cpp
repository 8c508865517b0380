#include "can/Dbc.h"

#include <cmath>
#include <algorithm>
#include <cstring>

namespace relvane {

namespace {

constexpr quint32 kExtendedKey = 0x80000000u;

quint32 IndexKey(quint32 id, bool extended) { return id | (extended ? kExtendedKey : 0u); }

// The next bit of a Motorola signal, counting from its most significant bit: bits run from
// bit 7 down to bit 0 of a byte, then on to bit 7 of the next byte.
int NextMotorolaBit(int position) { return position % 8 == 0 ? position + 15 : position - 1; }

bool BitAt(const std::uint8_t* data, int position)
{
    return (data[position / 8] >> (position % 8)) & 1u;
}

QString Number(double value) { return QString::number(value, 'g', 12); }

}  // namespace

bool DbcSignal::SameAs(const DbcSignal& o) const
{
    return name == o.name && startBit == o.startBit && length == o.length && order == o.order
        && isSigned == o.isSigned && valueType == o.valueType && factor == o.factor && offset == o.offset
        && minimum == o.minimum && maximum == o.maximum && unit == o.unit && receivers == o.receivers
        && mux == o.mux && (mux != DbcMux::Multiplexed || muxValue == o.muxValue) && comment == o.comment
        && values == o.values;
}

const DbcSignal* DbcMessage::FindSignal(const QString& signalName) const
{
    for (const DbcSignal& s : signalList)
        if (s.name == signalName)
            return &s;
    return nullptr;
}

const DbcSignal* DbcMessage::Multiplexor() const
{
    for (const DbcSignal& s : signalList)
        if (s.mux == DbcMux::Multiplexor)
            return &s;
    return nullptr;
}

QString DbcMessage::IdText() const
{
    const QString hex = QStringLiteral("%1").arg(id, extended ? 8 : 3, 16, QLatin1Char('0')).toUpper();
    return extended ? hex + QLatin1Char('x') : hex;
}

bool DbcMessage::SameAs(const DbcMessage& o) const
{
    if (id != o.id || extended != o.extended || name != o.name || size != o.size || sender != o.sender
        || comment != o.comment || cycleTimeMs != o.cycleTimeMs || signalList.size() != o.signalList.size())
        return false;
    for (qsizetype i = 0; i < signalList.size(); ++i)
        if (!signalList.at(i).SameAs(o.signalList.at(i)))
            return false;
    return true;
}

const DbcMessage* DbcDatabase::Find(quint32 id, bool extended) const
{
    const auto at = index_.constFind(IndexKey(id, extended));
    if (at != index_.cend() && *at < messages.size()) {
        const DbcMessage& m = messages.at(*at);
        if (m.id == id && m.extended == extended)
            return &m;
    }
    // An index that is missing or out of date: look through the list.
    if (index_.size() != messages.size()) {
        for (const DbcMessage& m : messages)
            if (m.id == id && m.extended == extended)
                return &m;
    }
    return nullptr;
}

const DbcMessage* DbcDatabase::FindByName(const QString& nameOrId) const
{
    for (const DbcMessage& m : messages)
        if (m.name == nameOrId)
            return &m;
    QString text = nameOrId.trimmed();
    bool ok = false;
    quint32 id = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        id = text.mid(2).toUInt(&ok, 16);
    else if (text.endsWith(QLatin1Char('h'), Qt::CaseInsensitive))
        id = text.chopped(1).toUInt(&ok, 16);
    else if (!text.isEmpty() && text.at(0).isDigit())
        id = text.toUInt(&ok, 10);
    if (!ok)
        return nullptr;
    if (const DbcMessage* m = Find(id, false))
        return m;
    return Find(id, true);
}

void DbcDatabase::Reindex()
{
    index_.clear();
    index_.reserve(messages.size());
    for (qsizetype i = 0; i < messages.size(); ++i) {
        const quint32 key = IndexKey(messages.at(i).id, messages.at(i).extended);
        if (!index_.contains(key))
            index_.insert(key, i);
    }
}

QString DbcProblemText(const DbcProblem& problem)
{
    return QStringLiteral("line %1: %2").arg(problem.line).arg(problem.text);
}

bool DbcSearchMatches(const DbcMessage& message, const DbcSignal* signal, const QString& search)
{
    const QString text = search.trimmed();
    if (text.isEmpty())
        return true;
    if (message.name.contains(text, Qt::CaseInsensitive) || (signal && signal->name.contains(text, Qt::CaseInsensitive)))
        return true;
    QString hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? text.mid(2) : text;
    bool ok = false;
    const quint32 id = hex.toUInt(&ok, 16);
    return ok && id == message.id;
}

QString DbcSafeName(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool plain = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_';
        out += plain ? c : QLatin1Char('_');
    }
    if (out.isEmpty() || out.at(0).isDigit())
        out.prepend(QLatin1Char('_'));
    return out.left(32);
}

bool DbcSignalFits(const DbcSignal& s, int bytes)
{
    const int bits = bytes * 8;
    if (s.length < 1 || s.length > 64 || s.startBit < 0 || s.startBit >= bits)
        return false;
    if (s.order == DbcByteOrder::Intel)
        return s.startBit + s.length <= bits;
    int position = s.startBit;
    for (int i = 1; i < s.length; ++i) {
        position = NextMotorolaBit(position);
        if (position >= bits)
            return false;
    }
    return true;
}

QList<int> DbcSignalBytes(const DbcSignal& s)
{
    QList<int> bytes;
    if (!DbcSignalFits(s, 64))
        return bytes;
    int position = s.startBit;
    for (int i = 0; i < s.length; ++i) {
        if (!bytes.contains(position / 8))
            bytes.append(position / 8);
        position = s.order == DbcByteOrder::Intel ? position + 1 : NextMotorolaBit(position);
    }
    std::sort(bytes.begin(), bytes.end());
    return bytes;
}

std::optional<quint64> DbcRawBits(const DbcSignal& s, const std::uint8_t* data, int count)
{
    if (count < 0 || !DbcSignalFits(s, count))
        return std::nullopt;
    quint64 bits = 0;
    if (s.order == DbcByteOrder::Intel) {
        for (int i = 0; i < s.length; ++i)
            bits |= quint64(BitAt(data, s.startBit + i)) << i;
    } else {
        int position = s.startBit;
        for (int i = 0; i < s.length; ++i) {
            bits = (bits << 1) | quint64(BitAt(data, position));
            position = NextMotorolaBit(position);
        }
    }
    return bits;
}

qint64 DbcRawValue(const DbcSignal& s, quint64 bits)
{
    if (!s.isSigned || s.length >= 64)
        return qint64(bits);
    const quint64 sign = quint64(1) << (s.length - 1);
    if (bits & sign)
        return qint64(bits | ~((sign << 1) - 1));
    return qint64(bits);
}

double DbcPhysicalValue(const DbcSignal& s, quint64 bits)
{
    double raw = 0;
    if (s.valueType == DbcValueType::Float32 && s.length == 32) {
        float f = 0;
        const auto word = quint32(bits);
        std::memcpy(&f, &word, sizeof f);
        raw = double(f);
    } else if (s.valueType == DbcValueType::Float64 && s.length == 64) {
        std::memcpy(&raw, &bits, sizeof raw);
    } else if (s.isSigned) {
        raw = double(DbcRawValue(s, bits));
    } else {
        raw = double(bits);
    }
    return raw * s.factor + s.offset;
}

QString DbcSignalText(const DbcSignal& s, quint64 bits)
{
    QString text = s.name + QLatin1Char('=') + Number(DbcPhysicalValue(s, bits));
    if (!s.unit.isEmpty())
        text += QLatin1Char(' ') + s.unit;
    if (s.valueType == DbcValueType::Integer) {
        const qint64 raw = DbcRawValue(s, bits);
        for (const DbcValueDescription& d : s.values)
            if (d.value == raw) {
                text += QStringLiteral(" (") + d.text + QLatin1Char(')');
                break;
            }
    }
    return text;
}

QString DbcDecodedText(const DbcMessage& message, const std::uint8_t* data, int count)
{
    std::optional<quint64> muxValue;
    if (const DbcSignal* mux = message.Multiplexor())
        muxValue = DbcRawBits(*mux, data, count);
    QStringList parts;
    for (const DbcSignal& s : message.signalList) {
        if (s.mux == DbcMux::Multiplexed && (!muxValue || qint64(*muxValue) != s.muxValue))
            continue;
        if (const std::optional<quint64> bits = DbcRawBits(s, data, count))
            parts << DbcSignalText(s, *bits);
    }
    return parts.join(QStringLiteral(", "));
}

}  // namespace relvane
