#include "config/ConfigSheet.h"

#include "config/ConfigChecks.h"
#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "config/ConfigWords.h"
#include "config/EditorRules.h"
#include "config/IniFile.h"
#include "config/SelectionLists.h"
#include "config/SheetConnectors.h"
#include "config/SheetHtml.h"

#include <QCryptographicHash>

#include <bitset>

namespace relvane {

QString ConfigChecksum(const ConfigModel& model)
{
    IniFile ini;
    ini.SetDecimalSeparator(QLatin1Char('.'));
    WriteConfig(model, ini);
    const QByteArray hex = QCryptographicHash::hash(ini.ToBytes(), QCryptographicHash::Sha256).toHex().toUpper().left(16);
    QStringList groups;
    for (int i = 0; i < hex.size(); i += 4)
        groups << QString::fromLatin1(hex.mid(i, 4));
    return groups.join(QLatin1Char('-'));
}

using namespace sheet;

namespace {

// The trigger of an output with its level, in words.
QString OutputTrigger(const ConfigModel& m, const OutputConfig& r)
{
    if (r.TRIGGER < 0)
        return QStringLiteral("(none: goes to the module as +30, always on)");
    const int p = TriggerCodeToPosition(r.TRIGGER);
    const TriggerSource s = TriggerAt(p);
    if (s.kind == TriggerSource::Plus30)
        return QStringLiteral("+30 (always on)");
    if (s.kind == TriggerSource::Input && s.number == 1)
        return TriggerWords(m, p) + QStringLiteral(", at +12 V");
    if (s.kind == TriggerSource::Input)
        return TriggerWords(m, p) + (r.TRIGLEVEL == 16 ? QStringLiteral(", when OPEN") : QStringLiteral(", at GND"));
    return TriggerWords(m, p);
}

// The functions that switch an output besides its trigger.
QString AlsoSwitchedBy(const ConfigModel& m, int n)
{
    QStringList by;
    for (int f = 1; f <= kFlashCount; ++f)
        if (m.Flash(f).INPUT_TRIGGER != 0 && FlashOutputsFromSlots(m.Flash(f).CHANNEL_LIST).test(std::size_t(n - 1)))
            by << FlashWords(m, f);
    if (m.StartButton().LIST_SELECTED.test(std::size_t(n - 1)) && m.StartButton().INPUT_TRIGGER_INDEX != 0)
        by << QStringLiteral("the start button");
    return by.isEmpty() ? QString() : QStringLiteral("<br>also ") + E(by.join(QStringLiteral(", ")));
}

QString SheetOutputs(const ConfigModel& m)
{
    QList<QStringList> rows;
    for (int n = 1; n <= kOutputCount; ++n) {
        const OutputConfig& r = m.Output(n);
        QString pin = OutputPinText(n);
        pin = pin.mid(2, pin.size() - 4);  // without "( " and " )"
        QStringList row{QString::number(n), E(NameWords(r.NAME)), E(pin), E(OutputTrigger(m, r)) + AlsoSwitchedBy(m, n),
                        TextFromTenths(NumberOrZero(r.DELAY)), E(OnTimeText(NumberOrZero(r.ON_TIME)))};
        if (n <= kHighPowerOutputCount)
            row << TextFromTenths(NumberOrZero(r.MAX_CURRENT)) << TextFromTenths(NumberOrZero(r.PEAK_TIME))
                << TextFromTenths(NumberOrZero(r.LOW_CURRENT)) << TextFromTenths(NumberOrZero(r.LOW_CURRENT_TIME));
        else
            row << QStringLiteral("—") << QStringLiteral("—") << QStringLiteral("—") << QStringLiteral("—");
        rows << row;
    }
    return H2(QStringLiteral("Outputs"))
           + Table({{QStringLiteral("No."), 4, true}, {QStringLiteral("Name"), 13}, {QStringLiteral("Pin"), 22},
                    {QStringLiteral("Switched by"), 24}, {QStringLiteral("Delay"), 6, true}, {QStringLiteral("On time"), 7, true},
                    {QStringLiteral("Max A"), 6, true}, {QStringLiteral("Peak"), 6, true}, {QStringLiteral("Min A"), 6, true},
                    {QStringLiteral("Min t"), 6, true}},
                   rows)
           + Note(QStringLiteral("Times in seconds. On time CONT.: on for as long as the trigger is active. Max A: the current "
                                 "limit, Peak: its peak time. Min A and Min t: the low-current diagnostic (a fault when the "
                                 "current stays below Min A for Min t). Low-power outputs 19 to 34 have no current settings."));
}

QString SheetInputs(const ConfigModel& m)
{
    QList<QStringList> rows;
    for (int n = 1; n <= kInputCount; ++n) {
        const int mode = m.Input(n).MODE;
        rows << QStringList{QString::number(n), E(NameWords(m.Input(n).NAME)), QStringLiteral("Con. 4, Red ring, Pin %1").arg(18 + n),
                            mode == 0 ? QStringLiteral("Latching") : mode == 1 ? QStringLiteral("Momentary") : QStringLiteral("(none)")};
    }
    const CanInputEnableConfig& e = m.CanInputEnable();
    const QString canSwitching =
        e.ENABLE ? QStringLiteral("CAN inputs switch only while %1 is active.")
                       .arg(E(e.INPUT_PIN >= 0 && e.INPUT_PIN < kInputCount ? InputWords(m, e.INPUT_PIN + 1)
                                                                            : QStringLiteral("(no input chosen; the module takes input 1)")))
                 : QStringLiteral("CAN inputs switch whatever the inputs do.");
    return H2(QStringLiteral("Inputs"))
           + Table({{QStringLiteral("No."), 4, true}, {QStringLiteral("Name"), 24}, {QStringLiteral("Pin"), 30}, {QStringLiteral("Mode"), 42}}, rows)
           + P(canSwitching);
}

QString SheetConnectorsSection(const ConfigModel& m, SheetDrawings drawings, double width)
{
    // A page of its own (the three fit on one), the one to take to the harness.
    QString html = QStringLiteral("<h2 style=\"page-break-before: always\">Connectors</h2>")
                   + Note(QStringLiteral("Each pin with what this configuration puts on it, high-power outputs with their current "
                                         "limit. The pins are drawn in order, not as the connector's face."));
    for (const Connector& c : SheetConnectors(m)) {
        const SheetDrawing d = DrawConnector(c, width);
        if (drawings == SheetDrawings::InlineSvg)
            html += QStringLiteral("<div>") + DrawingSvg(d) + QStringLiteral("</div>");
        else
            html += QStringLiteral("<p><img src=\"%1:%2\" width=\"%3\" height=\"%4\"></p>")
                        .arg(QLatin1String(kConnectorImageScheme))
                        .arg(c.number)
                        .arg(qRound(d.size.width()))
                        .arg(qRound(d.size.height()));
    }
    return html;
}

// The CAN inputs something chooses as its source.
std::bitset<kCanInputCount + 1> CanInputsChosen(const ConfigModel& m)
{
    std::bitset<kCanInputCount + 1> used;
    const auto trigger = [&](int position) {
        const TriggerSource s = TriggerAt(position);
        if (s.kind == TriggerSource::CanInput)
            used.set(std::size_t(s.number));
    };
    for (int n = 1; n <= kOutputCount; ++n)
        if (m.Output(n).TRIGGER >= 0)
            trigger(TriggerCodeToPosition(m.Output(n).TRIGGER));
    for (int f = 1; f <= kFlashCount; ++f)
        trigger(TriggerCodeToBasePosition(m.Flash(f).INPUT_TRIGGER));
    trigger(m.StartButton().INPUT_TRIGGER_INDEX);
    trigger(m.KillButton().INPUT_TRIGGER_INDEX);
    const WiperConfig& w = m.Wiper();
    for (int code : {w.LOW_SPEED_INPUT, w.HIGH_SPEED_INPUT, w.INTERVAL_INPUT, w.HOME_PARK_INPUT})
        if (code >= 0)
            trigger(TriggerCodeToPosition(code));
    for (int v = 1; v <= kVirtualInputCount; ++v) {
        const VirtualInputConfig& r = m.VirtualInput(v);
        for (int index : {r.CHANNEL_1_Index, r.CHANNEL_2_Index, r.CHANNEL_3_Index}) {
            const OperandSource s = OperandAt(index);
            if (s.kind == OperandSource::CanInput)
                used.set(std::size_t(s.number));
        }
    }
    return used;
}

bool BytePos(int p) { return p >= 1 && p <= 8; }

// "ID 0x1A3<br>bytes 2 (low) and 3 (high)<br>above 100 km/h", escaped, one part a line.
QString CanCondition(const CanInputConfig& r, int id, int op, int value, int low, int high)
{
    static const char* const ops[] = {"equal to", "above", "below", "with bits", "without bits", "not"};
    QStringList lines{QStringLiteral("ID ") + CanIdWords(id & 0xFFFF)};
    if (BytePos(low) && BytePos(high))
        lines << QStringLiteral("bytes %1 (low) and %2 (high)").arg(low - 1).arg(high - 1);
    else if (BytePos(low) || BytePos(high))
        lines << QStringLiteral("byte %1").arg((BytePos(low) ? low : high) - 1);
    else
        return E(lines.first()) + QStringLiteral("<br>") + E(QStringLiteral("no data byte"));
    const int shown = r.DATA_TYPE_ == 1 ? int(int16_t(uint16_t(value))) : value;
    QString compare = (op >= 0 && op <= 5 ? QLatin1String(ops[op]) : QStringLiteral("(comparison %1)").arg(op)) + QLatin1Char(' ')
                      + QString::number(shown);
    const QString unit = NameWords(r.DIMENSION_NAME);
    if (!unit.isEmpty())
        compare += QLatin1Char(' ') + unit;
    lines << compare;
    for (QString& l : lines)
        l = E(l);
    return lines.join(QStringLiteral("<br>"));
}

QString SheetCan(const ConfigModel& m)
{
    const CanSetupConfig& s = m.CanSetup();
    QString reset = QStringLiteral("not used (no data byte chosen)");
    if (s.ResetChannelErrorDataByte >= 0)
        reset = QStringLiteral("ID 0x%1, byte %2, mask 0x%3").arg(s.ResetChannelErrorID.trimmed().toUpper()).arg(s.ResetChannelErrorDataByte)
                    .arg(s.ResetChannelErrorMask.trimmed().toUpper());
    QString html = H2(QStringLiteral("CAN bus"))
                   + Table({{QStringLiteral("Setting"), 40}, {QStringLiteral("Value"), 60}},
                           {{QStringLiteral("Bit rate"), s.BitRate == 500 ? QStringLiteral("500 kbit/s") : QStringLiteral("1 Mbit/s")},
                            {QStringLiteral("Delay before \"No CAN data\""), E(s.NoCANdelay) + QStringLiteral(" × 100 ms")},
                            {QStringLiteral("Message that resets channel errors"), E(reset)},
                            {QStringLiteral("Auto reset of channel errors"), E(m.OutputBlock().AutoResetError) + QStringLiteral(" × 100 ms (0: off)")}});

    static const char* const noData[] = {"Set Off", "Set On", "Hold state"};
    const std::bitset<kCanInputCount + 1> chosen = CanInputsChosen(m);
    QList<QStringList> rows;
    QStringList unset;
    for (int c = 1; c <= kCanInputCount; ++c) {
        const CanInputConfig& r = m.CanInput(c);
        const bool bytes = BytePos(r.CAN_LOW_BYTE_ON_POS) || BytePos(r.CAN_HIGH_BYTE_ON_POS) || BytePos(r.CAN_LOW_BYTE_OFF_POS)
                           || BytePos(r.CAN_HIGH_BYTE_OFF_POS);
        if (!bytes && !chosen.test(std::size_t(c)) && !r.ENABLED) {
            unset << QString::number(c);
            continue;
        }
        const QString calibration = QStringLiteral("digits × %1 %2 %3")
                                        .arg(QString::number(double(r.MULTIPLICATOR_), 'g', 7), r.CAL_OFFSET_ < 0 ? QStringLiteral("−") : QStringLiteral("+"))
                                        .arg(std::abs(int(r.CAL_OFFSET_)));
        QStringList details{QStringLiteral("No CAN data: ") + (r.NO_CAN_DATA_STATE >= 0 && r.NO_CAN_DATA_STATE <= 2
                                                                   ? QLatin1String(noData[r.NO_CAN_DATA_STATE])
                                                                   : QString::number(r.NO_CAN_DATA_STATE))};
        if (r.ROW_ENABLED)
            details << QStringLiteral("row counter: byte %1 = %2").arg(r.ROW_INDEX).arg(r.ROW_VALUE);
        details << (r.DATA_TYPE_ == 1 ? QStringLiteral("signed, value = ") : QStringLiteral("unsigned, value = ")) + calibration;
        for (QString& d : details)
            d = E(d);
        rows << QStringList{QString::number(c), E(NameWords(r.CAN_NAME)) + (r.ENABLED ? QString() : QStringLiteral("<br>(not enabled)")),
                            CanCondition(r, r.CAN_ID_ON, r.CAN_OPERATOR_ON, r.CAN_VALUE_ON, r.CAN_LOW_BYTE_ON_POS, r.CAN_HIGH_BYTE_ON_POS),
                            CanCondition(r, r.CAN_ID_OFF, r.CAN_OPERATOR_OFF, r.CAN_VALUE_OFF, r.CAN_LOW_BYTE_OFF_POS, r.CAN_HIGH_BYTE_OFF_POS),
                            details.join(QStringLiteral("<br>"))};
    }
    html += H2(QStringLiteral("CAN inputs"));
    if (!rows.isEmpty())
        html += Table({{QStringLiteral("No."), 4, true}, {QStringLiteral("Name"), 14}, {QStringLiteral("On when"), 24},
                       {QStringLiteral("Off when"), 24}, {QStringLiteral("Data"), 34}},
                      rows);
    if (!unset.isEmpty())
        html += Note(QStringLiteral("Not set up (no data byte, not chosen anywhere): CAN inputs %1.").arg(unset.join(QStringLiteral(", "))));
    return html;
}

// A source of a formula: its name alone, or the kind and number when it has none.
QString Term(const ConfigModel& m, int index)
{
    const OperandSource s = OperandAt(index);
    QByteArray name;
    QString kind;
    switch (s.kind) {
    case OperandSource::NotUsed: return QString();
    case OperandSource::Plus30: return QStringLiteral("+30");
    case OperandSource::Invalid: return QStringLiteral("(entry %1)").arg(index);
    case OperandSource::Input: name = m.Input(s.number).NAME; kind = QStringLiteral("Input"); break;
    case OperandSource::CanInput: name = m.CanInput(s.number).CAN_NAME; kind = QStringLiteral("CAN input"); break;
    case OperandSource::Output: name = m.Output(s.number).NAME; kind = QStringLiteral("Output"); break;
    case OperandSource::VirtualInput: name = m.VirtualInput(s.number).VIRTUAL_NAME; kind = QStringLiteral("Virtual input"); break;
    }
    const QString words = NameWords(name);
    return words.isEmpty() ? QStringLiteral("%1 %2").arg(kind).arg(s.number) : words;
}

QString Formula(const ConfigModel& m, const VirtualInputConfig& r)
{
    const int sources[] = {r.CHANNEL_1_Index, r.CHANNEL_2_Index, r.CHANNEL_3_Index};
    const int delays[] = {r.IN_DELAY_1_, r.IN_DELAY_2_, r.IN_DELAY_3_};
    QString terms[3];
    for (int k = 0; k < 3; ++k) {
        terms[k] = Term(m, sources[k]);
        if (terms[k].isEmpty())
            continue;
        if (r.MASK_NOT & (1 << k))
            terms[k] = QStringLiteral("NOT ") + terms[k];
        if (delays[k] > 0)
            terms[k] += QStringLiteral(" (after %1 s)").arg(TextFromTenths(delays[k]));
    }
    const auto op = [](int o) {
        static const char* const ops[] = {"AND", "OR", "NOR"};
        return o >= 0 && o <= 2 ? QLatin1String(ops[o]) : QStringLiteral("(no operator)");
    };
    QString left = terms[0];
    bool joined = false;
    if (!terms[0].isEmpty() && !terms[1].isEmpty()) {
        left = terms[0] + QLatin1Char(' ') + op(r.OPERATOR_1_Index) + QLatin1Char(' ') + terms[1];
        joined = true;
    } else if (left.isEmpty()) {
        left = terms[1];
    }
    if (terms[2].isEmpty())
        return left;
    if (left.isEmpty())
        return terms[2];
    return (joined ? QStringLiteral("(") + left + QStringLiteral(")") : left) + QLatin1Char(' ') + op(r.OPERATOR_2_Index) + QLatin1Char(' ')
           + terms[2];
}

QString SheetVirtualInputs(const ConfigModel& m)
{
    QList<QStringList> rows;
    for (int v = 1; v <= kVirtualInputCount; ++v) {
        const VirtualInputConfig& r = m.VirtualInput(v);
        const QString formula = Formula(m, r);
        if (!formula.isEmpty())
            rows << QStringList{QString::number(v), E(NameWords(r.VIRTUAL_NAME)), E(formula)};
    }
    QString html = H2(QStringLiteral("Virtual inputs"));
    if (rows.isEmpty())
        return html + P(QStringLiteral("No virtual input has a source."));
    return html + Table({{QStringLiteral("No."), 4, true}, {QStringLiteral("Name"), 16}, {QStringLiteral("Is on when"), 80}}, rows)
           + Note(QStringLiteral("Virtual inputs without a source are not listed."));
}

}  // namespace

QString BuildSheetHtml(const ConfigModel& m, const SheetInfo& info, SheetDrawings drawings, double textWidth)
{
    const QList<ConfigProblem> problems = CheckConfig(m);
    const QString box = NameWords(m.BoxName());
    QString html = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Relvane configuration sheet</title><style>")
                   + QLatin1String(kStyle) + QStringLiteral("</style></head><body>");
    html += QStringLiteral("<h1>Relvane configuration sheet</h1>");
    html += Table({{QStringLiteral("Box name"), 18}, {QStringLiteral("Configuration file"), 24}, {QStringLiteral("Date"), 18}, {QStringLiteral("Checksum"), 22},
                   {QStringLiteral("Tool"), 18}},
                  {{E(box.isEmpty() ? QStringLiteral("(none)") : box), E(info.fileName.isEmpty() ? QStringLiteral("(read from the module)") : info.fileName),
                    info.created.toString(QStringLiteral("yyyy-MM-dd HH:mm")), ConfigChecksum(m),
                    E(QStringLiteral("Relvane Tool ") + info.toolVersion)}});
    html += P(QStringLiteral("Problems: ") + E(ProblemCountText(problems)) + (problems.isEmpty() ? QString() : QStringLiteral(" (listed at the end)")));
    html += SheetOutputs(m) + SheetConnectorsSection(m, drawings, textWidth) + SheetInputs(m) + SheetCan(m) + SheetVirtualInputs(m)
            + SheetFunctions(m) + SheetExports(m) + SheetProblems(problems);
    return html + QStringLiteral("</body></html>");
}

}  // namespace relvane
