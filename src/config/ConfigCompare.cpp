#include "config/ConfigCompare.h"

#include "config/ConfigModel.h"
#include "config/Cp1252.h"
#include "config/SelectionLists.h"

#include <QRegularExpression>

#include <algorithm>
#include <map>

namespace relvane {

namespace {

struct KeyNumber {
    QString base;
    int number = -1;  // -1: the key ends in no number
};

KeyNumber SplitNumber(const QString& key)
{
    static const QRegularExpression trailing(QStringLiteral("^(.*\\D)(\\d+)$"));
    const QRegularExpressionMatch m = trailing.match(key);
    if (!m.hasMatch())
        return {key, -1};
    return {m.captured(1), m.captured(2).toInt()};
}

FieldLocation At(int page, const QString& control, int controlRow = -1)
{
    FieldLocation l;
    l.page = page;
    l.control = control;
    l.controlRow = controlRow;
    return l;
}

FieldLocation InSelector(int page, const QString& selector, int row, const QString& control, int controlRow = -1)
{
    FieldLocation l = At(page, control, controlRow);
    l.selector = selector;
    l.selectorRow = row;
    return l;
}

// The control names below are the pages' objectNames; the composed program's test walks every
// field of a file to each of them, so a renamed control fails there.

FieldLocation LocateInput(const KeyNumber& k)
{
    const QString n = QString::number(k.number);
    if (k.base == QLatin1String("NAME") && k.number >= 1 && k.number <= kInputCount)
        return At(ComparePage::Inputs, QStringLiteral("EditInputName_ch") + n);
    if (k.base == QLatin1String("MODE") && k.number >= 1 && k.number <= kInputCount)
        return At(ComparePage::Inputs, QStringLiteral("ComboBoxInput_ch") + n);
    return {};  // PWM_ENABLE: its check box is never shown
}

FieldLocation LocateOutput(const QString& key, const KeyNumber& k)
{
    if (key == QLatin1String("AutoResetError"))
        return At(ComparePage::Diagnostic, QStringLiteral("AutoResetChannelErrorEdit"));
    if (k.number < 1 || k.number > kOutputCount)
        return {};  // PWM_1, PWM_2: their check boxes are never shown
    const QString n = QString::number(k.number);
    static const std::map<QString, QString> outputs = {
        {QStringLiteral("NAME"), QStringLiteral("EditOutputName_ch")},
        {QStringLiteral("TRIGGER"), QStringLiteral("ComboBoxInputTrigCH")},
        {QStringLiteral("TRIGLEVEL"), QStringLiteral("ComboBoxTrigLevelCH")},
        {QStringLiteral("DELAY"), QStringLiteral("EditDelayCH")},
        {QStringLiteral("MAX_CURRENT"), QStringLiteral("EditMaxCurrentCH")},
        {QStringLiteral("PEAK_TIME"), QStringLiteral("EditCurrentPeakTimeCH")},
        {QStringLiteral("ON_TIME"), QStringLiteral("EditOnTimeCH")},
    };
    if (const auto it = outputs.find(k.base); it != outputs.end())
        return At(ComparePage::Outputs, it->second + n);
    if (k.base == QLatin1String("LOW_CURRENT"))
        return At(ComparePage::LowCurrent, QStringLiteral("EditLowCurrentCH") + n);
    if (k.base == QLatin1String("LOW_CURRENT_TIME"))
        return At(ComparePage::LowCurrent, QStringLiteral("EditLowCurrentTimeCH") + n);
    return {};
}

// The output tick lists of the low battery, start and kill button blocks count from 0.
FieldLocation LocateOutputList(int page, const QString& list, const QString& key, const KeyNumber& k)
{
    if (k.base == QLatin1String("LIST_SELECTED") && k.number >= 0 && k.number < kOutputCount)
        return At(page, list, k.number);
    if (key == QLatin1String("OUTPUT_LIST_COUNT"))
        return At(page, list);
    return {};
}

FieldLocation LocateCanSetup(const QString& key)
{
    static const std::map<QString, QString> controls = {
        {QStringLiteral("BitRate"), QStringLiteral("CANbitRateComboBox")},
        {QStringLiteral("NoCANdelay"), QStringLiteral("CANdelayBeforeNoCANdataEdit")},
        {QStringLiteral("ResetChannelErrorID"), QStringLiteral("CANresetChannelErrorIDedit")},
        {QStringLiteral("ResetChannelErrorDataByte"), QStringLiteral("CANresetChannelErrorDataCombo")},
        {QStringLiteral("ResetChannelErrorMask"), QStringLiteral("CANresetChannelErrorBitMaskEdit")},
    };
    if (const auto it = controls.find(key); it != controls.end())
        return At(ComparePage::CanInputs, it->second);
    return {};
}

FieldLocation LocateCanInput(const ConfigField& f, const KeyNumber& k)
{
    if (k.number < 1 || k.number > kCanInputCount)
        return {};
    // The names are edited in the name columns of the "Inputs" page.
    if (k.base == QLatin1String("CAN_NAME"))
        return At(ComparePage::Inputs, QStringLiteral("EditCanInputName_ch") + QString::number(k.number));
    static const std::map<QString, QString> controls = {
        {QStringLiteral("NO_CAN_DATA_STATE"), QStringLiteral("NoCANdataComboBox")},
        {QStringLiteral("CAN_ID_ON"), QStringLiteral("EditCAN_ID_ON_1")},
        {QStringLiteral("CAN_ID_OFF"), QStringLiteral("EditCAN_ID_OFF_1")},
        {QStringLiteral("CAN_OPERATOR_ON"), QStringLiteral("ComboBoxCAN_OperatorON")},
        {QStringLiteral("CAN_OPERATOR_OFF"), QStringLiteral("ComboBoxCAN_OperatorOFF")},
        {QStringLiteral("CAN_VALUE_ON"), QStringLiteral("EditValueCAN_ON_1")},
        {QStringLiteral("CAN_VALUE_OFF"), QStringLiteral("EditValueCAN_OFF_1")},
        {QStringLiteral("CAN_HIGH_BYTE_ON_POS"), QStringLiteral("ImageCan_1_ON")},
        {QStringLiteral("CAN_LOW_BYTE_ON_POS"), QStringLiteral("ImageCan_1_ON")},
        {QStringLiteral("CAN_HIGH_BYTE_OFF_POS"), QStringLiteral("ImageCan_1_OFF")},
        {QStringLiteral("CAN_LOW_BYTE_OFF_POS"), QStringLiteral("ImageCan_1_OFF")},
        {QStringLiteral("ROW_ENABLED"), QStringLiteral("CheckBoxCAN_In_RowEnable")},
        {QStringLiteral("ROW_INDEX"), QStringLiteral("EditValueCAN_IN_RowByteIndex")},
        {QStringLiteral("ROW_VALUE"), QStringLiteral("EditValueCAN_IN_RowByteValue")},
        {QStringLiteral("DIMENSION_NAME"), QStringLiteral("EditValueCAN_IN_Dimension")},
        {QStringLiteral("MULTIPLICATOR_"), QStringLiteral("EditValueCAN_IN_Multiplicator")},
        {QStringLiteral("CAL_OFFSET_"), QStringLiteral("EditValueCAN_IN_Offset")},
    };
    QString control;
    if (k.base == QLatin1String("DATA_TYPE_")) {
        // The radio button of the value shown.
        control = f.value == QLatin1String("1") ? QStringLiteral("RadioButton_Signed")
                                                : QStringLiteral("RadioButton_Unsigned");
    } else if (const auto it = controls.find(k.base); it != controls.end()) {
        control = it->second;
    } else {
        return {};  // ENABLED: no page edits it
    }
    return InSelector(ComparePage::CanInputs, QStringLiteral("ListBoxCAN_INPUT"), k.number - 1, control);
}

FieldLocation LocateVirtualInput(const ConfigField& f, const QString& otherValue, const KeyNumber& k)
{
    if (k.number < 1 || k.number > kVirtualInputCount)
        return {};
    if (k.base == QLatin1String("VIRTUAL_NAME"))
        return At(ComparePage::Inputs, QStringLiteral("EditInputName_Virtuel_ch") + QString::number(k.number));
    static const std::map<QString, QString> controls = {
        {QStringLiteral("IN_DELAY_1_"), QStringLiteral("EditDelayTime")},
        {QStringLiteral("IN_DELAY_2_"), QStringLiteral("EditDelayTime2")},
        {QStringLiteral("IN_DELAY_3_"), QStringLiteral("EditDelayTime3")},
        {QStringLiteral("CHANNEL_1_Index"), QStringLiteral("ComboBoxVirtuel_1_Channel_1")},
        {QStringLiteral("CHANNEL_2_Index"), QStringLiteral("ComboBoxVirtuel_1_Channel_2")},
        {QStringLiteral("CHANNEL_3_Index"), QStringLiteral("ComboBoxVirtuel_1_Channel_3")},
        {QStringLiteral("OPERATOR_1_Index"), QStringLiteral("ComboBoxVirtuel_1_operator_1")},
        {QStringLiteral("OPERATOR_2_Index"), QStringLiteral("ComboBoxVirtuel_1_operator_2")},
    };
    QString control;
    if (k.base == QLatin1String("MASK_NOT")) {
        // The NOT box of the first source whose bit differs (the first box when none can be told).
        const int diff = (f.value.toInt() ^ otherValue.toInt()) & 0x7;
        const int source = diff & 1 ? 1 : diff & 2 ? 2 : diff & 4 ? 3 : 1;
        control = QStringLiteral("CheckBoxVirtuel_Channel_%1").arg(source);
    } else if (const auto it = controls.find(k.base); it != controls.end()) {
        control = it->second;
    } else {
        return {};
    }
    return InSelector(ComparePage::VirtualInputs, QStringLiteral("ListBoxVIRTUAL_INPUT"), k.number - 1, control);
}

FieldLocation LocateFlash(const ConfigField& f, const QString& otherValue)
{
    static const QRegularExpression slot(QStringLiteral("^CHANNEL_LIST(\\d+)index (\\d+)$"));
    const QString selector = QStringLiteral("ListBoxFlashNo");
    if (const QRegularExpressionMatch m = slot.match(f.key); m.hasMatch()) {
        const int n = m.captured(1).toInt();
        if (n < 1 || n > kFlashCount)
            return {};
        // A slot holds an output index (255: empty); the row of the output on either side.
        int row = -1;
        for (const QString& v : {f.value, otherValue}) {
            bool ok = false;
            const int index = v.toInt(&ok);
            if (ok && index >= 0 && index < kOutputCount) {
                row = index;
                break;
            }
        }
        return InSelector(ComparePage::FlashWiper, selector, n - 1, QStringLiteral("CheckListBoxFlashOutputList"), row);
    }
    const KeyNumber k = SplitNumber(f.key);
    if (k.number < 1 || k.number > kFlashCount)
        return {};
    static const std::map<QString, QString> controls = {
        {QStringLiteral("CONTINUES"), QStringLiteral("CheckBoxFlash")},
        {QStringLiteral("INPUT_TRIGGER"), QStringLiteral("ComboBoxFlashInputTrig")},
        {QStringLiteral("FLASH_TIME_ON"), QStringLiteral("EditFlashOnTime")},
        {QStringLiteral("FLASH_TIME_OFF"), QStringLiteral("EditFlashOffTime")},
        {QStringLiteral("DURATION"), QStringLiteral("EditFlashDuration")},
        {QStringLiteral("FLASH_NAME"), QStringLiteral("EditFlashName")},
    };
    if (const auto it = controls.find(k.base); it != controls.end())
        return InSelector(ComparePage::FlashWiper, selector, k.number - 1, it->second);
    return {};  // ENABLED: no page edits it
}

FieldLocation LocateWiper(const QString& key)
{
    static const std::map<QString, QString> controls = {
        {QStringLiteral("LOW_SPEED_INPUT"), QStringLiteral("WiperLowSpeedInputComboBox")},
        {QStringLiteral("HIGH_SPEED_INPUT"), QStringLiteral("WiperHighSpeedInputComboBox")},
        {QStringLiteral("INTERVAL_INPUT"), QStringLiteral("WiperIntervalInputComboBox")},
        {QStringLiteral("HOME_PARK_INPUT"), QStringLiteral("WiperHomeParkInputComboBox")},
        {QStringLiteral("HOME_PARK_LEVEL"), QStringLiteral("WiperHomeParkILevelComboBox")},
        {QStringLiteral("INTERVAL_TIME"), QStringLiteral("WiperIntervalTimeEdit")},
    };
    if (const auto it = controls.find(key); it != controls.end())
        return At(ComparePage::FlashWiper, it->second);
    return {};
}

FieldLocation LocateCanExport(int x, const QString& key)
{
    if (x < 1 || x > kCanExportCount)
        return {};
    const QString n = QString::number(x);
    if (key == QLatin1String("ENABLED"))
        return At(ComparePage::CanExport, QStringLiteral("CheckBoxCAN_Export") + n);
    if (key == QLatin1String("CAN_ID") || key == QLatin1String("CAN_ID_1"))
        return At(ComparePage::CanExport, QStringLiteral("EditCAN_ID_Export") + n);
    if (key == QLatin1String("REFRESS_TIME") || key == QLatin1String("REFRESS_TIME_1"))
        return At(ComparePage::CanExport, QStringLiteral("Edit_REFRESS_Export") + n);
    if (key == QLatin1String("ROW_COUNT") && x == 1)
        return At(ComparePage::CanExport, QStringLiteral("EditCAN_EXPORT_1_RowCounter"));
    const KeyNumber k = SplitNumber(key);
    if (k.base != QLatin1String("CHANNEL_INDEX_") || k.number < 0)
        return {};
    const int e = k.number;
    if (x == 1) {
        // Export 1 counts its byte entries from 1.
        if (e < 1 || e > CanExportEntryCount(1))
            return {};
        return At(ComparePage::CanExport, QStringLiteral("ComboBox_CAN_Export1_DataByte%1").arg(e));
    }
    if (e >= CanExportEntryCount(x))
        return {};
    // Entry e is bit 7 - (e mod 8) of data byte e div 8.
    return At(ComparePage::CanExport,
              QStringLiteral("ComboBox_CAN_Export%1_DataByte%2_Bit%3").arg(x).arg(e / 8).arg(7 - e % 8));
}

}  // namespace

FieldLocation LocateField(const ConfigField& f, const QString& otherValue)
{
    const QString& s = f.section;
    if (s.isEmpty() && f.key == BoxNameKey())
        return At(ComparePage::Inputs, QStringLiteral("EditBoxName"));
    if (s == QLatin1String("FLASH"))
        return LocateFlash(f, otherValue);
    if (s.startsWith(QLatin1String("CAN_EXPORT_")))
        return LocateCanExport(s.mid(11).toInt(), f.key);
    const KeyNumber k = SplitNumber(f.key);
    if (s == QLatin1String("INPUT"))
        return LocateInput(k);
    if (s == QLatin1String("OUTPUT"))
        return LocateOutput(f.key, k);
    if (s == QLatin1String("LOW_BATTERY")) {
        if (f.key == QLatin1String("LOW_TRIG"))
            return At(ComparePage::LowBattery, QStringLiteral("EditLowVoltageTrig"));
        if (f.key == QLatin1String("UPPER_TRIG"))
            return At(ComparePage::LowBattery, QStringLiteral("EditUpperVoltageTrig"));
        return LocateOutputList(ComparePage::LowBattery, QStringLiteral("CheckListBoxLowBatt"), f.key, k);
    }
    if (s == QLatin1String("START BUTTON")) {
        if (f.key == QLatin1String("INPUT_TRIGGER_INDEX"))
            return At(ComparePage::StartKill, QStringLiteral("ComboBoxInputTrigStartButton"));
        return LocateOutputList(ComparePage::StartKill, QStringLiteral("CheckListBoxStartButton"), f.key, k);
    }
    if (s == QLatin1String("KILL BUTTON")) {
        if (f.key == QLatin1String("INPUT_TRIGGER_INDEX"))
            return At(ComparePage::StartKill, QStringLiteral("ComboBoxInputTrigKillButton"));
        if (f.key == QLatin1String("INPUT_DELAY"))
            return At(ComparePage::StartKill, QStringLiteral("KillInputDelayEdit"));
        return LocateOutputList(ComparePage::StartKill, QStringLiteral("CheckListBoxKillButton"), f.key, k);
    }
    if (s == QLatin1String("CAN_SETUP"))
        return LocateCanSetup(f.key);
    if (s == QLatin1String("CAN_INPUT"))
        return LocateCanInput(f, k);
    if (s == QLatin1String("CAN_INPUT_ENABLE")) {
        if (f.key == QLatin1String("ENABLE"))
            return At(ComparePage::CanInputs, QStringLiteral("CheckBoxCanInputEnable"));
        if (f.key == QLatin1String("INPUT_PIN"))
            return At(ComparePage::CanInputs, QStringLiteral("ComboBoxInputTrigCAN_Input"));
        return {};
    }
    if (s == QLatin1String("VIRTUAL_INPUT"))
        return LocateVirtualInput(f, otherValue, k);
    if (s == QLatin1String("WIPER"))
        return LocateWiper(f.key);
    return {};
}

QString BoxNameKey() { return QStringLiteral("Box name"); }

QList<CompareGroup> CompareConfigs(const ConfigModel& shown, const ConfigModel& other, bool withBoxName)
{
    QList<ConfigDifference> diffs = DiffConfigs(shown, other);
    if (withBoxName && shown.BoxName() != other.BoxName()) {
        ConfigDifference d;
        d.field.key = BoxNameKey();
        d.field.field = BoxNameKey();
        d.field.value = Cp1252ToString(shown.BoxName());
        d.otherValue = Cp1252ToString(other.BoxName());
        diffs.append(d);
    }

    // Pages in notebook order; the fields no page shows in a group of their own at the end, so
    // a row never takes the user to a page where the value cannot be seen or changed.
    std::map<int, CompareGroup> byPage;
    CompareGroup unseen;
    for (ConfigDifference& d : diffs) {
        const FieldLocation where = LocateField(d.field, d.otherValue);
        CompareGroup& g = where.page == ComparePage::None ? unseen : byPage[where.page];
        g.page = where.page;
        g.rows.append({d, where});
    }
    QList<CompareGroup> groups;
    for (auto& [page, group] : byPage)
        groups.append(group);
    if (!unseen.rows.isEmpty())
        groups.append(unseen);
    return groups;
}

QString CompareSummaryText(const QList<CompareGroup>& groups)
{
    qsizetype count = 0;
    for (const CompareGroup& g : groups)
        count += g.rows.size();
    if (count == 0)
        return QStringLiteral("The configurations are the same");
    if (count == 1)
        return QStringLiteral("1 field differs");
    return QStringLiteral("%1 fields differ").arg(count);
}

QString FieldText(const ConfigField& field)
{
    // Without a channel the number (if any) is part of the field's name: "CAN_ID_1", "PWM_2".
    if (field.channel.isEmpty() || field.field.isEmpty())
        return field.key;
    return field.field;
}

QString ChannelText(const ConfigDifference& d)
{
    const ConfigField& f = d.field;
    if (f.channel.isEmpty())
        return QString();
    QString text = f.channel;
    const QString& a = f.channelName;
    const QString& b = d.otherChannelName;
    if (!a.isEmpty() && !b.isEmpty() && a != b)
        text += QStringLiteral(" \"%1\" / \"%2\"").arg(a, b);
    else if (!a.isEmpty() || !b.isEmpty())
        text += QStringLiteral(" \"%1\"").arg(a.isEmpty() ? b : a);
    return text;
}

namespace {

QString Entry(const QStringList& entries, int position)
{
    return position >= 0 && position < entries.size() ? entries.at(position) : QStringLiteral("(none)");
}

}  // namespace

QString ValueText(const ConfigField& f, const QString& value, const ConfigModel& m)
{
    bool isNumber = false;
    const int v = value.toInt(&isNumber);
    if (!isNumber)
        return value;
    const QString& s = f.section;
    const QString base = FieldText(f);
    if (s == QLatin1String("OUTPUT")) {
        if (base == QLatin1String("TRIGGER"))
            return Entry(BuildTriggerSourceEntries(m), TriggerCodeToPosition(v));
        if (base == QLatin1String("ON_TIME"))
            return OnTimeText(v);
        if (base == QLatin1String("DELAY") || base == QLatin1String("MAX_CURRENT") || base == QLatin1String("PEAK_TIME")
            || base == QLatin1String("LOW_CURRENT") || base == QLatin1String("LOW_CURRENT_TIME"))
            return TextFromTenths(v);
        return value;
    }
    if (s == QLatin1String("INPUT") && base == QLatin1String("MODE"))
        return v == 0 ? QStringLiteral("Latching") : v == 1 ? QStringLiteral("Momentary") : QStringLiteral("(none)");
    if ((s == QLatin1String("START BUTTON") || s == QLatin1String("KILL BUTTON"))
        && f.key == QLatin1String("INPUT_TRIGGER_INDEX"))
        return Entry(BuildTriggerSourceEntries(m), v);
    if (s == QLatin1String("WIPER")) {
        if (f.key == QLatin1String("HOME_PARK_LEVEL"))
            return v == 0 ? QStringLiteral("Stop on Low") : v == 1 ? QStringLiteral("Stop on High") : QStringLiteral("(none)");
        if (f.key.endsWith(QLatin1String("_INPUT")))
            return Entry(BuildTriggerSourceEntries(m), TriggerCodeToPosition(v));
        return value;
    }
    if (s == QLatin1String("FLASH") && base == QLatin1String("INPUT_TRIGGER"))
        return Entry(BuildTriggerSourceBaseEntries(m), TriggerCodeToBasePosition(v));
    if (s == QLatin1String("CAN_INPUT")) {
        if (base == QLatin1String("CAN_ID_ON") || base == QLatin1String("CAN_ID_OFF"))
            return QStringLiteral("0x") + QString::number(v, 16).toUpper().rightJustified(3, QLatin1Char('0'));
        if (base == QLatin1String("NO_CAN_DATA_STATE"))
            return v == 0 ? QStringLiteral("Set Off") : v == 1 ? QStringLiteral("Set On") : v == 2 ? QStringLiteral("Hold state") : value;
        return value;
    }
    if (s == QLatin1String("CAN_INPUT_ENABLE") && f.key == QLatin1String("INPUT_PIN"))
        return Entry(BuildInputNameEntries(m), v);
    if (s == QLatin1String("VIRTUAL_INPUT") && base.startsWith(QLatin1String("CHANNEL_")))
        return Entry(BuildVirtualOperandEntries(m), v);
    if (s.startsWith(QLatin1String("CAN_EXPORT_"))) {
        const int x = s.mid(11).toInt();
        if (base == QLatin1String("CHANNEL_INDEX_"))
            return Entry(x == 1 ? BuildExport1ChannelEntries(m) : BuildExportBitSourceEntries(m), v);
        if (f.key.startsWith(QLatin1String("CAN_ID")))
            return QStringLiteral("0x") + QString::number(v, 16).toUpper().rightJustified(3, QLatin1Char('0'));
        return value;
    }
    return value;
}

}  // namespace relvane
