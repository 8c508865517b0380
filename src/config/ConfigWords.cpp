#include "config/ConfigWords.h"

#include "config/Cp1252.h"
#include "config/SelectionLists.h"

namespace relvane {

namespace {

QString Numbered(const QString& what, int n, const QByteArray& name)
{
    const QString text = QStringLiteral("%1 %2").arg(what).arg(n);
    const QString words = NameWords(name);
    return words.isEmpty() ? text : text + QStringLiteral(" \"") + words + QLatin1Char('"');
}

}  // namespace

QString NameWords(const QByteArray& name)
{
    QString text = Cp1252ToString(name);
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QChar(0xFFFD);
    }
    return text;
}

QString OutputWords(const ConfigModel& m, int n)
{
    return Numbered(QStringLiteral("Output"), n, n >= 1 && n <= kOutputCount ? m.Output(n).NAME : QByteArray());
}

QString InputWords(const ConfigModel& m, int n)
{
    return Numbered(QStringLiteral("Input"), n, n >= 1 && n <= kInputCount ? m.Input(n).NAME : QByteArray());
}

QString CanInputWords(const ConfigModel& m, int n)
{
    return Numbered(QStringLiteral("CAN input"), n,
                    n >= 1 && n <= kCanInputCount ? m.CanInput(n).CAN_NAME : QByteArray());
}

QString VirtualInputWords(const ConfigModel& m, int n)
{
    return Numbered(QStringLiteral("Virtual input"), n,
                    n >= 1 && n <= kVirtualInputCount ? m.VirtualInput(n).VIRTUAL_NAME : QByteArray());
}

QString FlashWords(const ConfigModel& m, int n)
{
    return Numbered(QStringLiteral("Flash"), n, n >= 1 && n <= kFlashCount ? m.Flash(n).FLASH_NAME : QByteArray());
}

TriggerSource TriggerAt(int p)
{
    if (p == kTriggerPosDisabled)
        return {TriggerSource::Disabled, 0};
    if (p == kTriggerPosPlus30)
        return {TriggerSource::Plus30, 0};
    if (p >= kTriggerPosFirstInput && p < kTriggerPosFirstCanInput)
        return {TriggerSource::Input, p - kTriggerPosFirstInput + 1};
    if (p >= kTriggerPosFirstCanInput && p < kTriggerPosFirstVirtualInput)
        return {TriggerSource::CanInput, p - kTriggerPosFirstCanInput + 1};
    if (p >= kTriggerPosFirstVirtualInput && p < kTriggerPosWiperSlow)
        return {TriggerSource::VirtualInput, p - kTriggerPosFirstVirtualInput + 1};
    if (p == kTriggerPosWiperSlow)
        return {TriggerSource::WiperSlow, 0};
    if (p == kTriggerPosWiperFast)
        return {TriggerSource::WiperFast, 0};
    return {};
}

QString TriggerWords(const ConfigModel& m, int p)
{
    const TriggerSource s = TriggerAt(p);
    switch (s.kind) {
    case TriggerSource::None: return QStringLiteral("(none)");
    case TriggerSource::Disabled: return QStringLiteral("DISABLED");
    case TriggerSource::Plus30: return QStringLiteral("+30");
    case TriggerSource::Input: return InputWords(m, s.number);
    case TriggerSource::CanInput: return CanInputWords(m, s.number);
    case TriggerSource::VirtualInput: return VirtualInputWords(m, s.number);
    case TriggerSource::WiperSlow: return QStringLiteral("Wiper Slow");
    case TriggerSource::WiperFast: return QStringLiteral("Wiper Fast");
    }
    return QString();
}

OperandSource OperandAt(int index)
{
    if (index == 0)
        return {OperandSource::NotUsed, 0};
    if (index == 1 || index == 255)
        return {OperandSource::Plus30, 0};
    if (index >= kOperandPosFirstInput && index < kOperandPosFirstCanInput)
        return {OperandSource::Input, index - kOperandPosFirstInput + 1};
    if (index >= kOperandPosFirstCanInput && index < kOperandPosFirstOutput)
        return {OperandSource::CanInput, index - kOperandPosFirstCanInput + 1};
    if (index >= kOperandPosFirstOutput && index < kOperandPosFirstVirtualInput)
        return {OperandSource::Output, index - kOperandPosFirstOutput + 1};
    if (index >= kOperandPosFirstVirtualInput && index < kOperandListSize)
        return {OperandSource::VirtualInput, index - kOperandPosFirstVirtualInput + 1};
    return {OperandSource::Invalid, 0};
}

QString OperandWords(const ConfigModel& m, int index)
{
    const OperandSource s = OperandAt(index);
    switch (s.kind) {
    case OperandSource::NotUsed: return QStringLiteral("Not Used");
    case OperandSource::Plus30: return QStringLiteral("+30");
    case OperandSource::Input: return InputWords(m, s.number);
    case OperandSource::CanInput: return CanInputWords(m, s.number);
    case OperandSource::Output: return OutputWords(m, s.number);
    case OperandSource::VirtualInput: return VirtualInputWords(m, s.number);
    case OperandSource::Invalid: break;
    }
    return QStringLiteral("(entry %1, not in the list)").arg(index);
}

QString ExportEntryWords(const ConfigModel& m, int x, int p)
{
    if (p == 0)
        return QStringLiteral("DISABLED");
    if (const int output = ExportEntryOutput(x, p))
        return OutputWords(m, output);
    if (x >= 2 && p >= kExportBitPosFirstInput && p < kExportBitPosOutputError)
        return InputWords(m, p - kExportBitPosFirstInput + 1);
    if (x >= 2 && p == kExportBitPosOutputError)
        return QStringLiteral("Output error");
    return QStringLiteral("(none)");
}

int ExportEntryOutput(int x, int p)
{
    if (x == 1)
        return p >= 1 && p < kExport1ListSize ? p : 0;
    if (x >= 2 && x <= kCanExportCount)
        return p >= kExportBitPosFirstOutput && p < kExportBitPosFirstInput ? p : 0;
    return 0;
}

QString ExportEntryPlace(int x, int e)
{
    if (x == 1)
        return e < 6 ? QStringLiteral("byte %1").arg(e + 1) : QStringLiteral("byte 7 row %1").arg(e - 5);
    return QStringLiteral("byte %1 bit %2").arg(e / 8).arg(7 - e % 8);
}

QString CanIdWords(int id)
{
    return QStringLiteral("0x") + QString::number(static_cast<uint>(id), 16).toUpper().rightJustified(3, QLatin1Char('0'));
}

}  // namespace relvane
