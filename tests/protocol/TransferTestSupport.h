#pragma once
// Shared by the transfer tests: the message chains a whole read and a whole upload
// must produce, a readable form of frames for comparisons, the simulator's slot of
// each block, and a text image of a whole model.

#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "config/IniFile.h"
#include "link/Frame.h"
#include "protocol/BlockCodec.h"
#include "protocol/MessageCatalogue.h"
#include "sim/ConfigStore.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <utility>

namespace relvane::test {

// "0x53:7" for a frame with command 0x53 and byte 4 = 7; "0x28" when byte 4 does
// not matter. The expected lists below use the same form.
inline QString Describe(std::uint8_t command, int index = -1)
{
    QString s = QStringLiteral("0x%1").arg(command, 2, 16, QLatin1Char('0'));
    if (index >= 0)
        s += QStringLiteral(":%1").arg(index);
    return s;
}

// Commands whose byte 4 is an index (or the read-all marker) worth comparing.
inline bool CarriesIndex(std::uint8_t command)
{
    switch (command) {
    case INPUT_READ_REQ: case OUTPUT_READ_REQ:
    case CAN_INPUT_READ_REQ: case VIRTUAL_INPUT_READ_REQ: case FLASH_READ_REQ: case CAN_EXPORT_READ_REQ:
    case INPUT_WRITE_REQ: case OUTPUT_WRITE_REQ:
    case CAN_INPUT_WRITE_REQ: case VIRTUAL_INPUT_WRITE_REQ: case FLASH_WRITE_REQ: case CAN_EXPORT_WRITE_REQ:
    case INPUT_READ_CFM: case OUTPUT_READ_CFM:
    case CAN_INPUT_READ_CFM: case VIRTUAL_INPUT_READ_CFM: case FLASH_READ_CFM: case CAN_EXPORT_READ_CFM:
        return true;
    default:
        return false;
    }
}

inline QString DescribeFrame(const QByteArray& f)
{
    if (f.size() < 4)
        return QStringLiteral("short");
    const auto command = std::uint8_t(f[3]);
    return Describe(command, CarriesIndex(command) && f.size() > 4 ? std::uint8_t(f[4]) : -1);
}

// The 70 requests of a whole read, in order.
inline QStringList ExpectedReadRequests()
{
    QStringList l;
    l << Describe(INPUT_READ_REQ, 0xFF) << Describe(OUTPUT_READ_REQ, 0xFF) << Describe(LOW_BATTERY_READ_REQ)
      << Describe(CAN_SETUP_READ_REQ);
    for (int i = 0; i < 32; ++i) l << Describe(CAN_INPUT_READ_REQ, i);
    l << Describe(CAN_INPUT_ENABLE_READ_REQ) << Describe(NAME_READ_REQ);
    for (int i = 0; i < 20; ++i) l << Describe(VIRTUAL_INPUT_READ_REQ, i);
    l << Describe(START_KILL_READ_REQ);
    for (int i = 0; i < 5; ++i) l << Describe(FLASH_READ_REQ, i);
    l << Describe(WIPER_READ_REQ) << Describe(PWM_READ_REQ) << Describe(CAN_EXPORT1_READ_REQ);
    for (int s = 0; s < 3; ++s) l << Describe(CAN_EXPORT_READ_REQ, s);
    return l;
}

// The 113 block answers of a whole read, in order.
inline QStringList ExpectedReadAnswers()
{
    QStringList l;
    for (int n = 1; n <= 11; ++n) l << Describe(INPUT_READ_CFM, n);
    for (int n = 1; n <= 34; ++n) l << Describe(OUTPUT_READ_CFM, n);
    l << Describe(LOW_BATTERY_READ_CFM) << Describe(CAN_SETUP_READ_CFM);
    for (int i = 0; i < 32; ++i) l << Describe(CAN_INPUT_READ_CFM, i);
    l << Describe(CAN_INPUT_ENABLE_READ_CFM) << Describe(NAME_READ_CFM);
    for (int i = 0; i < 20; ++i) l << Describe(VIRTUAL_INPUT_READ_CFM, i);
    l << Describe(START_KILL_READ_CFM);
    for (int i = 0; i < 5; ++i) l << Describe(FLASH_READ_CFM, i);
    l << Describe(WIPER_READ_CFM) << Describe(PWM_READ_CFM) << Describe(CAN_EXPORT1_READ_CFM);
    for (int s = 0; s < 3; ++s) l << Describe(CAN_EXPORT_READ_CFM, s);
    return l;
}

// The 113 blocks of a whole upload, in order.
inline QStringList ExpectedUploadBlocks()
{
    QStringList l;
    for (int n = 1; n <= 11; ++n) l << Describe(INPUT_WRITE_REQ, n);
    for (int n = 1; n <= 34; ++n) l << Describe(OUTPUT_WRITE_REQ, n);
    l << Describe(LOW_BATTERY_WRITE_REQ) << Describe(CAN_SETUP_WRITE_REQ) << Describe(START_KILL_WRITE_REQ);
    for (int i = 0; i < 32; ++i) l << Describe(CAN_INPUT_WRITE_REQ, i);
    l << Describe(CAN_INPUT_ENABLE_WRITE_REQ) << Describe(NAME_WRITE_REQ);
    for (int i = 0; i < 20; ++i) l << Describe(VIRTUAL_INPUT_WRITE_REQ, i);
    for (int i = 0; i < 5; ++i) l << Describe(FLASH_WRITE_REQ, i);
    l << Describe(WIPER_WRITE_REQ) << Describe(PWM_WRITE_REQ) << Describe(CAN_EXPORT1_WRITE_REQ);
    for (int s = 0; s < 3; ++s) l << Describe(CAN_EXPORT_WRITE_REQ, s);
    return l;
}

// The simulator's store slot of a block.
inline std::pair<sim::BlockKind, int> SimSlot(const BlockRef& b)
{
    switch (b.kind) {
    case BlockKind::Input: return {sim::BlockKind::Input, b.index - 1};
    case BlockKind::Output: return {sim::BlockKind::Output, b.index - 1};
    case BlockKind::Pwm: return {sim::BlockKind::Pwm, 0};
    case BlockKind::LowBattery: return {sim::BlockKind::LowBattery, 0};
    case BlockKind::CanSetup: return {sim::BlockKind::CanSetup, 0};
    case BlockKind::StartKill: return {sim::BlockKind::StartKill, 0};
    case BlockKind::CanInput: return {sim::BlockKind::CanInput, b.index};
    case BlockKind::CanInputEnable: return {sim::BlockKind::CanInputEnable, 0};
    case BlockKind::BoxName: return {sim::BlockKind::Name, 0};
    case BlockKind::VirtualInput: return {sim::BlockKind::VirtualInput, b.index};
    case BlockKind::Flash: return {sim::BlockKind::Flash, b.index};
    case BlockKind::Wiper: return {sim::BlockKind::Wiper, 0};
    case BlockKind::CanExport1: return {sim::BlockKind::CanExport1, 0};
    case BlockKind::CanExport: return {sim::BlockKind::CanExport, b.index};
    }
    return {sim::BlockKind::Input, -1};
}

// The module's read answer of a block kind.
inline std::uint8_t ReadConfirmOf(BlockKind kind)
{
    switch (kind) {
    case BlockKind::Input: return INPUT_READ_CFM;
    case BlockKind::Output: return OUTPUT_READ_CFM;
    case BlockKind::Pwm: return PWM_READ_CFM;
    case BlockKind::LowBattery: return LOW_BATTERY_READ_CFM;
    case BlockKind::CanSetup: return CAN_SETUP_READ_CFM;
    case BlockKind::StartKill: return START_KILL_READ_CFM;
    case BlockKind::CanInput: return CAN_INPUT_READ_CFM;
    case BlockKind::CanInputEnable: return CAN_INPUT_ENABLE_READ_CFM;
    case BlockKind::BoxName: return NAME_READ_CFM;
    case BlockKind::VirtualInput: return VIRTUAL_INPUT_READ_CFM;
    case BlockKind::Flash: return FLASH_READ_CFM;
    case BlockKind::Wiper: return WIPER_READ_CFM;
    case BlockKind::CanExport1: return CAN_EXPORT1_READ_CFM;
    case BlockKind::CanExport: return CAN_EXPORT_READ_CFM;
    }
    return 0;
}

// The payload (frame bytes 4 onwards) the model encodes for a block.
inline QByteArray EncodedPayload(ConfigModel& model, const BlockRef& b)
{
    const auto f = EncodeConfigBlock(model, b.kind, b.index);
    if (!f)
        return {};
    return QByteArray(reinterpret_cast<const char*>(f->data()) + FRAME_PAYLOAD, f->length() - FRAME_PAYLOAD);
}

// A stored payload as the module's read answer of that block.
inline QByteArray ReadAnswerOf(std::uint8_t readCfm, const QByteArray& payload)
{
    QByteArray f(4, '\0');
    f[1] = char(4 + payload.size());
    f[2] = char(FRAME_TYPE_COMMAND);
    f[3] = char(readCfm);
    f += payload;
    f[0] = char(FrameChecksum(reinterpret_cast<const std::uint8_t*>(f.constData()) + 1, int(f.size()) - 1));
    return f;
}

// Every field of the model as configuration-file text, plus the box name.
inline QByteArray ModelText(const ConfigModel& model)
{
    IniFile ini;
    WriteConfig(model, ini);
    return ini.ToBytes() + "\nBoxName=" + model.BoxName();
}

// Names no module configuration has, so a block the read left out shows.
inline void FillWithMarkers(ConfigModel& m)
{
    for (int n = 1; n <= 11; ++n) SetInputName(m, n, QByteArray("in?") + QByteArray::number(n));
    for (int n = 1; n <= 34; ++n) SetOutputName(m, n, QByteArray("out?") + QByteArray::number(n));
    for (int n = 1; n <= 32; ++n) SetCanInputName(m, n, QByteArray("can?") + QByteArray::number(n));
    for (int n = 1; n <= 20; ++n) SetVirtualInputName(m, n, QByteArray("vi?") + QByteArray::number(n));
    for (int n = 1; n <= 5; ++n) SetFlashName(m, n, QByteArray("fl?") + QByteArray::number(n));
    m.SetBoxName(QByteArray("box?"));
    m.ModifyLowBattery([](LowBatteryConfig& r) { r.LOW_TRIG = QStringLiteral("1.0"); });
    m.ModifyWiper([](WiperConfig& r) { r.INTERVAL_TIME = 77; });
    m.ModifyCanExport(1, [](CanExportConfig& e) { e.CAN_ID = 0x123; });
    m.ModifyCanExport(4, [](CanExportConfig& e) { e.CAN_ID = 0x124; });
}

}  // namespace relvane::test
