#include "can/DbcExport.h"

#include "can/CanEditorRules.h"
#include "config/Cp1252.h"

#include <QSet>

#include <charconv>
#include <cmath>

namespace relvane {

namespace {

constexpr int kMessageSize = 8;

// Signal names unique in the whole file, so tools that list signals without their message
// still tell them apart: a name taken already gets "_2", "_3", ...
class NameBook {
public:
    QString Take(const QString& wanted)
    {
        const QString base = DbcSafeName(wanted);
        QString name = base;
        for (int n = 2; used_.contains(name.toLower()); ++n) {
            const QString suffix = QStringLiteral("_%1").arg(n);
            name = base.left(32 - int(suffix.size())) + suffix;
        }
        used_.insert(name.toLower());
        return name;
    }

private:
    QSet<QString> used_;
};

// The float the module holds, as the shortest decimal that reads back as that float (0.1f is
// written 0.1, not 0.100000001490116).
double FloatAsDecimal(float value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return QByteArray(text, int(end - text)).toDouble();
}

struct Source {
    QString shown;  // the name as the window shows it
    QString what;   // "output 3"

    // The base of its signal's name: the name shown, or "Output 3" for a name of no letter or
    // digit ("---", the files' placeholder).
    QString Base() const
    {
        for (const QChar c : shown)
            if (c.isLetterOrNumber())
                return shown;
        return what.at(0).toUpper() + what.mid(1);
    }
};

Source NamedSource(const QByteArray& name, const QString& what)
{
    const QString shown = Cp1252ToString(name);
    return {shown.isEmpty() ? what.at(0).toUpper() + what.mid(1) : shown, what};
}

Source OutputSource(const ConfigModel& model, int n)
{
    return NamedSource(model.Output(n).NAME, QStringLiteral("output %1").arg(n));
}

// An entry of the bit source list: outputs 1 to 34, inputs 1 to 11, "Output error".
Source BitSource(const ConfigModel& model, int position)
{
    if (position <= kOutputCount)
        return OutputSource(model, position);
    if (position <= kOutputCount + kInputCount) {
        const int n = position - kOutputCount;
        return NamedSource(model.Input(n).NAME, QStringLiteral("input %1").arg(n));
    }
    return {QStringLiteral("Output error"), QStringLiteral("any output in error")};
}

DbcSignal ByteSignal(const QString& name, int byte)
{
    DbcSignal s;
    s.name = name;
    s.startBit = byte * 8;
    s.length = 8;
    s.maximum = 255;
    s.receivers = QStringList{QLatin1String(kDbcNoNode)};
    return s;
}

DbcMessage ModuleMessage(int exportNumber, int id, const CanExportConfig& e, const QString& comment)
{
    DbcMessage m;
    m.id = quint32(id);
    m.extended = m.id > kCanStandardIdMax;
    m.name = QStringLiteral("Relvane_Export%1").arg(exportNumber);
    m.size = kMessageSize;
    m.sender = QLatin1String(kDbcModuleNode);
    m.comment = comment;
    if (NumberOrZero(e.REFRESS_TIME) > 0)
        m.cycleTimeMs = NumberOrZero(e.REFRESS_TIME);
    return m;
}

void AddExport1(const ConfigModel& model, const CanExportConfig& e, DbcMessage& m, NameBook& names)
{
    const int rows = std::clamp(NumberOrZero(e.ROW_COUNT), 0, kExport1Rows);
    auto current = [&](int entry, int byte) -> std::optional<DbcSignal> {
        const int p = e.CHANNEL_INDEX_[std::size_t(entry - 1)];
        if (p < 1 || p > kHighPowerOutputCount)
            return std::nullopt;
        const Source src = OutputSource(model, p);
        DbcSignal s = ByteSignal(names.Take(src.Base() + QStringLiteral("_Current")), byte);
        s.factor = kExport1AmperesPerStep;
        s.maximum = 255 * kExport1AmperesPerStep;
        s.unit = QStringLiteral("A");
        s.comment = QStringLiteral("%1 (%2): current, %3 A a step").arg(src.shown, src.what).arg(kExport1AmperesPerStep);
        return s;
    };
    DbcSignal row = ByteSignal(names.Take(QStringLiteral("Export1_Row")), 0);
    row.comment = rows > 0 ? QStringLiteral("Row counter, %1 to %2: byte 7 carries the current of that row's channel")
                                 .arg(kExport1FirstRow)
                                 .arg(kExport1FirstRow + rows - 1)
                           : QStringLiteral("Row counter (no rows configured)");
    if (rows > 0)
        row.mux = DbcMux::Multiplexor;
    m.signalList.append(row);
    for (int entry = 1; entry <= 6; ++entry)
        if (std::optional<DbcSignal> s = current(entry, entry))
            m.signalList.append(*s);
    for (int k = 1; k <= rows; ++k)
        if (std::optional<DbcSignal> s = current(6 + k, 7)) {
            s->mux = DbcMux::Multiplexed;
            s->muxValue = kExport1FirstRow + k - 1;
            s->comment += QStringLiteral(", row %1").arg(k);
            m.signalList.append(*s);
        }
}

void AddBits(const ConfigModel& model, int exportNumber, const CanExportConfig& e, DbcMessage& m, NameBook& names)
{
    for (int entry = 0; entry < CanExportEntryCount(exportNumber); ++entry) {
        const int p = e.CHANNEL_INDEX_[std::size_t(entry)];
        if (p < 1 || p >= CanExportListSize(exportNumber))
            continue;
        const Source src = BitSource(model, p);
        const bool outputError = p == CanExportListSize(exportNumber) - 1;
        const bool errorBit = exportNumber == 3 || outputError;
        DbcSignal s;
        s.name = names.Take(exportNumber == 3 && !outputError ? src.Base() + QStringLiteral("_Error") : src.Base());
        s.startBit = ExportEntryByte(entry) * 8 + ExportEntryBit(entry);
        s.length = 1;
        s.maximum = 1;
        s.receivers = QStringList{QLatin1String(kDbcNoNode)};
        s.comment = QStringLiteral("%1 (%2): %3").arg(src.shown, src.what, errorBit ? QStringLiteral("error bit, 1 = in error")
                                                                                     : QStringLiteral("state bit, 1 = on"));
        s.values = errorBit ? QList<DbcValueDescription>{{0, QStringLiteral("OK")}, {1, QStringLiteral("Error")}}
                            : QList<DbcValueDescription>{{0, QStringLiteral("Off")}, {1, QStringLiteral("On")}};
        m.signalList.append(s);
    }
}

// Where a CAN input reads its value: one byte, or two side by side (the first chosen is the
// low byte, so a high byte before it is Motorola order).
std::optional<DbcSignal> Placement(std::uint8_t low, std::uint8_t high)
{
    if (low > 8)
        low = 0;
    if (high > 8)
        high = 0;
    DbcSignal s;
    if (low == 0 && high == 0)
        return std::nullopt;
    if (low == 0 || high == 0) {
        s.startBit = (std::max(low, high) - 1) * 8;
        s.length = 8;
    } else if (high == low + 1) {
        s.startBit = (low - 1) * 8;
        s.length = 16;
    } else if (high + 1 == low) {
        s.order = DbcByteOrder::Motorola;
        s.startBit = (high - 1) * 8 + 7;
        s.length = 16;
    } else {
        return std::nullopt;
    }
    return s;
}

bool SamePlace(const DbcSignal& a, const DbcSignal& b)
{
    return a.startBit == b.startBit && a.length == b.length && a.order == b.order && a.isSigned == b.isSigned
        && a.factor == b.factor && a.offset == b.offset && a.unit == b.unit && a.mux == b.mux
        && (a.mux != DbcMux::Multiplexed || a.muxValue == b.muxValue);
}

class ReceivedMessages {
public:
    ReceivedMessages(DbcDatabase& db, NameBook& names, QStringList& notes) : db_(db), names_(names), notes_(notes) {}

    void Add(const ConfigModel& model, int n)
    {
        const CanInputConfig& c = model.CanInput(n);
        const Source src = NamedSource(c.CAN_NAME, QStringLiteral("CAN input %1").arg(n));
        std::optional<DbcSignal> on = Placement(c.CAN_LOW_BYTE_ON_POS, c.CAN_HIGH_BYTE_ON_POS);
        std::optional<DbcSignal> off = Placement(c.CAN_LOW_BYTE_OFF_POS, c.CAN_HIGH_BYTE_OFF_POS);
        if (!on && !off)
            return;
        const bool same = on && off && c.CAN_ID_ON == c.CAN_ID_OFF && SamePlace(*on, *off);
        if (on)
            Side(c, n, src, *on, c.CAN_ID_ON, same ? QString() : QStringLiteral("_On"), same ? QStringLiteral("ON and OFF") : QStringLiteral("ON"));
        if (off && !same)
            Side(c, n, src, *off, c.CAN_ID_OFF, QStringLiteral("_Off"), QStringLiteral("OFF"));
    }

private:
    void Side(const CanInputConfig& c, int n, const Source& src, DbcSignal s, qint32 id, const QString& suffix,
              const QString& side)
    {
        const QString& shown = src.shown;
        const quint32 raw = quint32(id) & 0xFFFFu;  // the block carries 16 bits
        const bool extended = raw > kCanStandardIdMax;
        DbcMessage* m = const_cast<DbcMessage*>(db_.Find(raw, extended));
        if (m && m->sender == QLatin1String(kDbcModuleNode)) {
            notes_ << QStringLiteral("CAN input %1 (%2) reads identifier %3, which export %4 sends; it is left out.")
                          .arg(n)
                          .arg(shown, CanIdText(qint32(raw)), m->name.right(1));
            return;
        }
        if (!m) {
            DbcMessage added;
            added.id = raw;
            added.extended = extended;
            added.name = QStringLiteral("Relvane_Rx_%1").arg(CanIdText(qint32(raw)));
            added.size = kMessageSize;
            added.comment = QStringLiteral("Received by Relvane, compared by");
            db_.messages.append(added);
            db_.Reindex();
            m = &db_.messages.last();
        }
        s.isSigned = c.DATA_TYPE_ == 1;
        // A multiplicator of 0 (the editor's start value) would say nothing; the raw digits are kept.
        s.factor = c.MULTIPLICATOR_ != 0.0f && std::isfinite(c.MULTIPLICATOR_) ? FloatAsDecimal(c.MULTIPLICATOR_) : 1.0;
        s.offset = c.CAL_OFFSET_;
        s.unit = Cp1252ToString(c.DIMENSION_NAME);
        s.receivers = QStringList{QLatin1String(kDbcModuleNode)};
        const double lowest = s.isSigned ? -std::ldexp(1.0, s.length - 1) : 0.0;
        const double highest = s.isSigned ? std::ldexp(1.0, s.length - 1) - 1 : std::ldexp(1.0, s.length) - 1;
        s.minimum = std::min(lowest * s.factor + s.offset, highest * s.factor + s.offset);
        s.maximum = std::max(lowest * s.factor + s.offset, highest * s.factor + s.offset);
        if (c.ROW_ENABLED) {
            const DbcSignal* mux = m->Multiplexor();
            if (!mux) {
                DbcSignal row = ByteSignal(names_.Take(QStringLiteral("Row_%1").arg(CanIdText(qint32(raw)))), std::min<int>(c.ROW_INDEX, 7));
                row.mux = DbcMux::Multiplexor;
                row.receivers = QStringList{QLatin1String(kDbcModuleNode)};
                row.comment = QStringLiteral("Row counter the CAN inputs of this message compare");
                m->signalList.prepend(row);
                mux = &m->signalList.first();
            }
            if (mux->startBit == std::min<int>(c.ROW_INDEX, 7) * 8) {
                s.mux = DbcMux::Multiplexed;
                s.muxValue = c.ROW_VALUE;
            } else {
                notes_ << QStringLiteral("CAN input %1 (%2) counts rows in byte %3, but identifier %4 has its row "
                                         "counter in byte %5; its signal is not multiplexed.")
                              .arg(n)
                              .arg(shown)
                              .arg(c.ROW_INDEX)
                              .arg(CanIdText(qint32(raw)))
                              .arg(mux->startBit / 8);
            }
        }
        const QString label = QStringLiteral("%1 (CAN input %2, %3)").arg(shown).arg(n).arg(side);
        m->comment += (m->comment.endsWith(QLatin1String(" by")) ? QStringLiteral(" ") : QStringLiteral(", ")) + label;
        for (DbcSignal& existing : m->signalList)
            if (existing.mux != DbcMux::Multiplexor && SamePlace(existing, s)) {
                existing.comment += QStringLiteral("; ") + label;
                return;
            }
        s.name = names_.Take(src.Base() + suffix);
        s.comment = label;
        m->signalList.append(s);
    }

    DbcDatabase& db_;
    NameBook& names_;
    QStringList& notes_;
};

}  // namespace

DbcExportResult ExportCanDatabase(const ConfigModel& model, const QString& source)
{
    DbcExportResult r;
    DbcDatabase& db = r.database;
    NameBook names;
    db.nodes = QStringList{QLatin1String(kDbcModuleNode)};
    db.comment = QStringLiteral(
                     "CAN traffic of a Relvane module, exported by Relvane Tool " RELVANE_VERSION "%1. "
                     "Messages sent by node Relvane are its enabled CAN exports; the others are the messages its "
                     "CAN inputs compare. Export 1 carries each current in one byte as the module's tenths of an "
                     "ampere divided by 4, %2 A a step (a choice: the module's documentation does not fix the "
                     "scaling); its row counter in byte 0 counts the rows from %3.")
                     .arg(source.isEmpty() ? QString() : QStringLiteral(" from ") + source)
                     .arg(kExport1AmperesPerStep)
                     .arg(kExport1FirstRow);
    db.nodeComments.insert(QLatin1String(kDbcModuleNode), QStringLiteral("Relvane power distribution module"));
    db.attributeDefinitions = {
        {QString(), QStringLiteral("BusType"), QStringLiteral("STRING"), QStringLiteral("\"CAN\"")},
        {QString(), QStringLiteral("Baudrate"), QStringLiteral("INT 0 1000000"), QStringLiteral("500000")},
        {QStringLiteral("BO_"), QLatin1String(kDbcCycleTime), QStringLiteral("INT 0 65535"), QStringLiteral("0")},
    };
    db.attributes.append({QStringLiteral("Baudrate"), QString(), QString(),
                          QString::number(model.CanSetup().BitRate == 500 ? 500000 : 1000000)});

    const QString texts[] = {
        QStringLiteral("CAN export 1: channel currents, byte 0 the row counter"),
        QStringLiteral("CAN export 2: on/off state of channels and inputs, a bit each"),
        QStringLiteral("CAN export 3: error bits of the channels, a bit each"),
        QStringLiteral("CAN export 4: state and error bits, a bit each"),
    };
    for (int n = 1; n <= kCanExportCount; ++n) {
        const CanExportConfig& e = model.CanExport(n);
        if (!e.ENABLED)
            continue;
        const int id = NumberOrZero(e.CAN_ID) & 0xFFFF;
        if (const DbcMessage* other = db.Find(quint32(id), quint32(id) > kCanStandardIdMax)) {
            r.notes << QStringLiteral("Export %1 uses identifier %2 of %3; it is left out.").arg(n).arg(CanIdText(id), other->name);
            continue;
        }
        DbcMessage m = ModuleMessage(n, id, e, texts[n - 1]);
        if (n == 1)
            AddExport1(model, e, m, names);
        else
            AddBits(model, n, e, m, names);
        db.messages.append(m);
        db.Reindex();
    }

    ReceivedMessages received(db, names, r.notes);
    for (int n = 1; n <= kCanInputCount; ++n)
        received.Add(model, n);
    db.Reindex();
    return r;
}

}  // namespace relvane
