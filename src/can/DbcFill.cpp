#include "can/DbcFill.h"

#include "can/CanEditorRules.h"
#include "config/Cp1252.h"

#include <cmath>

namespace relvane {

namespace {

// The data bytes (0-based) of a signal of one or two whole bytes: the low byte, and the high
// byte or -1.
struct ByteSpan {
    int low = 0;
    int high = -1;
};

std::optional<ByteSpan> WholeBytes(const DbcSignal& s)
{
    if (s.length != 8 && s.length != 16)
        return std::nullopt;
    const int first = s.startBit / 8;
    if (s.order == DbcByteOrder::Intel) {
        if (s.startBit % 8 != 0)
            return std::nullopt;
        return ByteSpan{first, s.length == 16 ? first + 1 : -1};
    }
    // Motorola: the start bit is the top bit of the first (most significant) byte.
    if (s.startBit % 8 != 7)
        return std::nullopt;
    return s.length == 16 ? ByteSpan{first + 1, first} : ByteSpan{first, -1};
}

QString Where(const DbcSignal& s)
{
    return QStringLiteral("start bit %1, %2 bit%3").arg(s.startBit).arg(s.length).arg(s.length == 1 ? QString() : QStringLiteral("s"));
}

}  // namespace

std::optional<QString> DbcFillRefusal(const DbcMessage& m, const DbcSignal& s)
{
    if (m.extended || m.id > kCanInputIdMax)
        return QStringLiteral("Message %1 has the extended identifier 0x%2; a CAN input takes 11-bit identifiers "
                              "(000 to 7FF).")
            .arg(m.name, QString::number(m.id, 16).toUpper());
    if (s.valueType != DbcValueType::Integer)
        return QStringLiteral("Signal %1 is a floating-point value; the module compares whole numbers.").arg(s.name);
    if (s.length > 16)
        return QStringLiteral("Signal %1 is %2 bits long; the module compares one or two bytes (at most 16 bits).")
            .arg(s.name)
            .arg(s.length);
    const std::optional<ByteSpan> span = WholeBytes(s);
    if (!span)
        return QStringLiteral("Signal %1 does not lie on whole bytes (%2); the module compares whole data bytes.")
            .arg(s.name, Where(s));
    if (std::max(span->low, span->high) > 7)
        return QStringLiteral("Signal %1 lies in data byte %2; the module compares data bytes 0 to 7.")
            .arg(s.name)
            .arg(std::max(span->low, span->high));
    if (!std::isfinite(float(s.factor)))
        return QStringLiteral("The factor %1 of signal %2 does not fit the multiplicator.").arg(s.factor).arg(s.name);
    if (s.mux == DbcMux::Multiplexed) {
        const DbcSignal* mux = m.Multiplexor();
        if (!mux)
            return QStringLiteral("Signal %1 is multiplexed, but message %2 has no multiplexor.").arg(s.name, m.name);
        const std::optional<ByteSpan> muxSpan = WholeBytes(*mux);
        if (!muxSpan || muxSpan->high >= 0)
            return QStringLiteral("The multiplexor %1 of message %2 is not one whole byte (%3); the row counter "
                                  "compares one data byte.")
                .arg(mux->name, m.name, Where(*mux));
        if (muxSpan->low > 7)
            return QStringLiteral("The multiplexor %1 of message %2 lies in data byte %3; the row counter takes "
                                  "bytes 0 to 7.")
                .arg(mux->name, m.name)
                .arg(muxSpan->low);
        if (s.muxValue > 255)
            return QStringLiteral("Signal %1 is sent when the multiplexor holds %2; the row counter's byte value "
                                  "is 0 to 255.")
                .arg(s.name)
                .arg(s.muxValue);
    }
    return std::nullopt;
}

DbcFillResult FillCanInput(const CanInputConfig& current, const DbcMessage& m, const DbcSignal& s,
                           const DbcFillOptions& options)
{
    DbcFillResult r;
    r.config = current;
    r.refusal = DbcFillRefusal(m, s);
    if (r.refusal)
        return r;
    CanInputConfig& c = r.config;

    c.CAN_ID_ON = qint32(m.id);
    c.CAN_ID_OFF = qint32(m.id);
    const ByteSpan span = *WholeBytes(s);
    const auto low = std::uint8_t(span.low + 1);
    const auto high = std::uint8_t(span.high >= 0 ? span.high + 1 : 0);
    c.CAN_LOW_BYTE_ON_POS = low;
    c.CAN_HIGH_BYTE_ON_POS = high;
    c.CAN_LOW_BYTE_OFF_POS = low;
    c.CAN_HIGH_BYTE_OFF_POS = high;
    c.DATA_TYPE_ = s.isSigned ? 1 : 0;

    bool mapped = true;
    const QByteArray unit = StringToCp1252(s.unit, &mapped);
    c.DIMENSION_NAME = unit.left(kDimensionLength);
    if (!mapped)
        r.notes << QStringLiteral("The unit \"%1\" has characters the module cannot show; they became '?'.").arg(s.unit);
    if (unit.size() > kDimensionLength)
        r.notes << QStringLiteral("The unit \"%1\" is cut to its first %2 characters, \"%3\".")
                       .arg(s.unit)
                       .arg(kDimensionLength)
                       .arg(Cp1252ToString(c.DIMENSION_NAME));

    c.MULTIPLICATOR_ = static_cast<float>(s.factor);
    // The offset goes through the offset edit's rule: -127 to 127, cut toward zero.
    c.CAL_OFFSET_ = CalOffsetFromText(QString::number(s.offset, 'f', 6));
    if (double(c.CAL_OFFSET_) != s.offset) {
        if (s.offset < -127.0 || s.offset > 127.0)
            r.notes << QStringLiteral("The offset %1 is beyond the editor's -127 to 127; %2 is stored.")
                           .arg(s.offset)
                           .arg(c.CAL_OFFSET_);
        else
            r.notes << QStringLiteral("The offset %1 is cut to the whole number %2.").arg(s.offset).arg(c.CAL_OFFSET_);
    }

    if (s.mux == DbcMux::Multiplexed) {
        const ByteSpan muxSpan = *WholeBytes(*m.Multiplexor());
        c.ROW_ENABLED = true;
        c.ROW_INDEX = CorrectRowIndex(muxSpan.low).field;
        c.ROW_VALUE = CorrectRowValue(qint32(s.muxValue)).field;
    } else {
        c.ROW_ENABLED = false;
        c.ROW_INDEX = 0;
        c.ROW_VALUE = 0;
    }

    if (options.takeName) {
        const QByteArray name = StringToCp1252(s.name);
        c.CAN_NAME = CutChannelName(name);
        if (name.size() > kChannelNameLength)
            r.notes << QStringLiteral("The name %1 is cut to %2 characters, \"%3\".")
                           .arg(s.name)
                           .arg(kChannelNameLength)
                           .arg(Cp1252ToString(c.CAN_NAME));
    }
    return r;
}

std::optional<DbcSignalRef> FindDbcSignal(const DbcDatabase& db, const QString& path, QString* error)
{
    const qsizetype dot = path.indexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == path.size() - 1) {
        *error = QStringLiteral("Give the signal as MESSAGE.SIGNAL, not \"%1\".").arg(path);
        return std::nullopt;
    }
    const QString messageName = path.left(dot);
    const QString signalName = path.mid(dot + 1);
    const DbcMessage* m = db.FindByName(messageName);
    if (!m) {
        *error = QStringLiteral("The CAN database has no message %1.").arg(messageName);
        return std::nullopt;
    }
    const DbcSignal* s = m->FindSignal(signalName);
    if (!s) {
        *error = QStringLiteral("Message %1 has no signal %2.").arg(m->name, signalName);
        return std::nullopt;
    }
    return DbcSignalRef{m, s};
}

QStringList DbcFillSummary(const CanInputConfig& before, const CanInputConfig& after)
{
    auto cells = [](std::uint8_t low, std::uint8_t high) {
        if (high >= 1 && high <= 8)
            return QStringLiteral("byte %1 low, byte %2 high").arg(low - 1).arg(high - 1);
        return QStringLiteral("byte %1").arg(low - 1);
    };
    QStringList lines;
    lines << QStringLiteral("ON and OFF identifier: 0x%1").arg(CanIdText(after.CAN_ID_ON))
          << QStringLiteral("ON and OFF data: %1").arg(cells(after.CAN_LOW_BYTE_ON_POS, after.CAN_HIGH_BYTE_ON_POS))
          << QStringLiteral("Data type: %1").arg(after.DATA_TYPE_ == 1 ? QStringLiteral("Signed") : QStringLiteral("Unsigned"))
          << QStringLiteral("Dimension: \"%1\"").arg(Cp1252ToString(after.DIMENSION_NAME))
          << QStringLiteral("Multiplicator: %1, offset: %2").arg(MultiplicatorText(after.MULTIPLICATOR_)).arg(after.CAL_OFFSET_)
          << (after.ROW_ENABLED ? QStringLiteral("Row counter: byte %1 holds %2").arg(after.ROW_INDEX).arg(after.ROW_VALUE)
                                : QStringLiteral("Row counter: off"));
    if (after.CAN_NAME != before.CAN_NAME)
        lines << QStringLiteral("Name: %1 (was %2)").arg(Cp1252ToString(after.CAN_NAME), Cp1252ToString(before.CAN_NAME));
    return lines;
}

}  // namespace relvane
