#include "protocol/BlockWire.h"

#include "protocol/BlockCodec.h"
#include "protocol/MessageCatalogue.h"

#include <cstring>

namespace relvane::blockwire {

namespace {

std::uint8_t Low8(int v) { return static_cast<std::uint8_t>(v & 0xFF); }

void PutLe16(Frame& f, int i, int v) {
    f[i] = Low8(v);
    f[i + 1] = Low8(v >> 8);
}

void PutBe16(Frame& f, int i, int v) {
    f[i] = Low8(v >> 8);
    f[i + 1] = Low8(v);
}

// A list position, or 0xFF for nothing selected.
std::uint8_t PositionByte(int position) {
    return position < 0 ? 0xFF : Low8(position);
}

// The name's bytes, then zeros to the end of the run; a name as long as the run
// fills it without a terminator.
void PutName(Frame& f, int at, int run, const QByteArray& name) {
    const int n = std::min(static_cast<int>(name.size()), run);
    for (int i = 0; i < run; ++i) f[at + i] = i < n ? static_cast<std::uint8_t>(name[i]) : 0;
}

// The numbers of the listed outputs in ascending order, as many as the run
// holds, the rest 0xFF.
void PutOutputList(Frame& f, int at, int run, const OutputList& list) {
    int k = 0;
    for (int out = 1; out <= kOutputCount && k < run; ++out)
        if (list[static_cast<std::size_t>(out - 1)]) f[at + k++] = Low8(out);
    for (; k < run; ++k) f[at + k] = 0xFF;
}

// A decimal integer typed into a field (blanks around it allowed), or fallback.
int DecimalOr(const QString& text, int fallback) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    return ok ? v : fallback;
}

// A hexadecimal number typed into a field, or 0 when it cannot be read.
int HexOrZero(const QString& text) {
    bool ok = false;
    const uint v = text.trimmed().toUInt(&ok, 16);
    return ok ? static_cast<int>(v) : 0;
}

// The wiper inputs go out as the code the base-list selector shows.
std::uint8_t WiperCodeByte(int code) {
    const int position = code < 0 ? kNoSelection : TriggerCodeToPosition(code);
    return Low8(BasePositionToTriggerCode(position));
}

// The first entry of the operand list (1) travels as 0xFF.
std::uint8_t OperandByte(std::uint8_t v) { return v == 1 ? 0xFF : v; }

void PutExportHead(Frame& f, const CanExportConfig& r) {
    f[5] = r.ENABLED ? 1 : 0;
    PutLe16(f, 6, NumberOrZero(r.REFRESS_TIME));
    PutLe16(f, 8, NumberOrZero(r.CAN_ID));
}

Frame Block(std::uint8_t command, int length) {
    return Frame(FRAME_TYPE_COMMAND, command, length);
}

}  // namespace

Frame EncodeInput(const ConfigModel& m, int n) {
    const InputConfig& r = m.Input(n);
    Frame f = Block(INPUT_WRITE_REQ, INPUT_BLOCK_LENGTH);
    f[4] = Low8(n);
    PutName(f, 5, 15, r.NAME);
    f[20] = PositionByte(r.MODE);
    return f;
}

Frame EncodeOutput(const ConfigModel& m, int n) {
    const OutputConfig& r = m.Output(n);
    Frame f = Block(OUTPUT_WRITE_REQ, OUTPUT_BLOCK_LENGTH);
    f[4] = Low8(n);
    if (IsHighPower(n)) {
        PutBe16(f, 5, NumberOrZero(r.MAX_CURRENT));
        f[7] = Low8(NumberOrZero(r.PEAK_TIME));
        PutLe16(f, 27, NumberOrZero(r.LOW_CURRENT));
        f[29] = Low8(NumberOrZero(r.LOW_CURRENT_TIME));
    } else {
        f[5] = 0xFF;
        f[6] = 0xFF;
    }
    f[8] = Low8(r.TRIGGER < 0 ? kTriggerCodeNone : r.TRIGGER);
    f[9] = r.TRIGLEVEL == 16 ? 16 : 1;
    PutName(f, 10, 15, r.NAME);
    f[25] = Low8(NumberOrZero(r.DELAY));
    f[26] = Low8(NumberOrZero(r.ON_TIME));
    return f;
}

Frame EncodePwm(const ConfigModel& m) {
    Frame f = Block(PWM_WRITE_REQ, PWM_BLOCK_LENGTH);
    f[4] = m.InputBlock().PWM_ENABLE ? 1 : 0;
    f[5] = m.OutputBlock().PWM_1 ? 1 : 0;
    f[6] = m.OutputBlock().PWM_2 ? 1 : 0;
    return f;
}

Frame EncodeLowBattery(const ConfigModel& m) {
    const LowBatteryConfig& r = m.LowBattery();
    Frame f = Block(LOW_BATTERY_WRITE_REQ, LOW_BATTERY_BLOCK_LENGTH);
    f[4] = Low8(TenthsFromText(r.LOW_TRIG));
    f[5] = Low8(TenthsFromText(r.UPPER_TRIG));
    PutOutputList(f, 6, 12, r.LIST_SELECTED);
    return f;
}

Frame EncodeCanSetup(ConfigModel& m) {
    const CanSetupConfig& r = m.CanSetup();
    Frame f = Block(CAN_SETUP_WRITE_REQ, CAN_SETUP_BLOCK_LENGTH);
    PutLe16(f, 5, r.BitRate == 500 ? 500 : 1000);

    // Taken as unsigned 16 bits, so a negative delay ends up at the top limit.
    const int typed = DecimalOr(r.NoCANdelay, 15) & 0xFFFF;
    const int delay = std::clamp(typed, 2, 2000);
    PutLe16(f, 7, delay);

    PutLe16(f, 9, HexOrZero(r.ResetChannelErrorID));
    f[11] = PositionByte(r.ResetChannelErrorDataByte);
    f[12] = Low8(HexOrZero(r.ResetChannelErrorMask));

    // Below half a second the module would reset errors at once; 1 to 4 mean 5.
    int autoReset = DecimalOr(m.OutputBlock().AutoResetError, 0) & 0xFF;
    const bool autoResetCorrected = autoReset >= 1 && autoReset <= 4;
    if (autoResetCorrected) autoReset = 5;
    f[13] = Low8(autoReset);

    // What went out is what the fields show from now on.
    if (delay != typed)
        m.ModifyCanSetup([&](CanSetupConfig& x) { x.NoCANdelay = QString::number(delay); });
    if (autoResetCorrected)
        m.ModifyOutputBlock([](OutputBlockConfig& x) { x.AutoResetError = QStringLiteral("5"); });
    return f;
}

Frame EncodeStartKill(const ConfigModel& m) {
    Frame f = Block(START_KILL_WRITE_REQ, START_KILL_BLOCK_LENGTH);
    f[4] = Low8(BasePositionToTriggerCode(m.StartButton().INPUT_TRIGGER_INDEX));
    PutOutputList(f, 5, 14, m.StartButton().LIST_SELECTED);
    f[19] = Low8(BasePositionToTriggerCode(m.KillButton().INPUT_TRIGGER_INDEX));
    f[20] = Low8(m.KillButton().INPUT_DELAY);
    PutOutputList(f, 21, 14, m.KillButton().LIST_SELECTED);
    return f;
}

Frame EncodeCanInput(const ConfigModel& m, int i) {
    const CanInputConfig& r = m.CanInput(i + 1);
    Frame f = Block(CAN_INPUT_WRITE_REQ, CAN_INPUT_BLOCK_LENGTH);
    f[4] = Low8(i);
    f[5] = Low8((r.ENABLED ? 1 : 0) | ((r.NO_CAN_DATA_STATE & 3) << 1));
    PutLe16(f, 6, r.CAN_ID_ON);
    PutLe16(f, 8, r.CAN_ID_OFF);
    PutLe16(f, 10, r.CAN_VALUE_ON);
    PutLe16(f, 12, r.CAN_VALUE_OFF);
    f[14] = Low8(r.CAN_OPERATOR_ON);
    f[15] = Low8(r.CAN_OPERATOR_OFF);
    f[16] = r.CAN_HIGH_BYTE_ON_POS;
    f[17] = r.CAN_LOW_BYTE_ON_POS;
    f[18] = r.CAN_HIGH_BYTE_OFF_POS;
    f[19] = r.CAN_LOW_BYTE_OFF_POS;
    PutName(f, 20, 15, r.CAN_NAME);
    f[35] = r.ROW_ENABLED ? 1 : 0;
    f[36] = r.ROW_INDEX;
    f[37] = r.ROW_VALUE;
    f[38] = r.DATA_TYPE_;
    PutName(f, 39, 5, r.DIMENSION_NAME);
    std::uint32_t bits = 0;
    static_assert(sizeof bits == sizeof r.MULTIPLICATOR_);
    std::memcpy(&bits, &r.MULTIPLICATOR_, sizeof bits);
    for (int k = 0; k < 4; ++k) f[44 + k] = Low8(static_cast<int>(bits >> (8 * k)));
    f[48] = static_cast<std::uint8_t>(r.CAL_OFFSET_);
    return f;
}

Frame EncodeCanInputEnable(const ConfigModel& m) {
    const CanInputEnableConfig& r = m.CanInputEnable();
    Frame f = Block(CAN_INPUT_ENABLE_WRITE_REQ, CAN_INPUT_ENABLE_BLOCK_LENGTH);
    f[4] = r.ENABLE ? 1 : 0;
    // Input p+1 sits at position p+2 of the trigger source list; nothing
    // selected goes out as input 1.
    const int pin = (r.INPUT_PIN >= 0 && r.INPUT_PIN < kInputCount) ? r.INPUT_PIN : 0;
    f[5] = Low8(PositionToTriggerCode(pin + 2));
    return f;
}

Frame EncodeBoxName(const ConfigModel& m) {
    Frame f = Block(NAME_WRITE_REQ, NAME_BLOCK_LENGTH);
    // 16 bytes for at most 15 characters: always terminated.
    PutName(f, 4, 16, m.BoxName().left(kChannelNameLength));
    return f;
}

Frame EncodeVirtualInput(const ConfigModel& m, int i) {
    const VirtualInputConfig& r = m.VirtualInput(i + 1);
    Frame f = Block(VIRTUAL_INPUT_WRITE_REQ, VIRTUAL_INPUT_BLOCK_LENGTH);
    f[4] = Low8(i);
    f[6] = OperandByte(r.CHANNEL_1_Index);
    f[7] = OperandByte(r.CHANNEL_2_Index);
    f[8] = OperandByte(r.CHANNEL_3_Index);
    f[9] = static_cast<std::uint8_t>(r.OPERATOR_1_Index);
    f[10] = static_cast<std::uint8_t>(r.OPERATOR_2_Index);
    PutName(f, 11, 15, r.VIRTUAL_NAME);
    f[26] = r.IN_DELAY_1_;
    f[27] = r.IN_DELAY_2_;
    f[28] = r.IN_DELAY_3_;
    f[29] = r.MASK_NOT;
    return f;
}

Frame EncodeFlash(const ConfigModel& m, int i) {
    const FlashConfig& r = m.Flash(i + 1);
    Frame f = Block(FLASH_WRITE_REQ, FLASH_BLOCK_LENGTH);
    f[4] = Low8(i);
    f[5] = r.ENABLED;
    f[6] = r.CONTINUES;
    f[7] = r.INPUT_TRIGGER;
    f[8] = r.FLASH_TIME_ON;
    f[9] = r.FLASH_TIME_OFF;
    f[10] = r.DURATION;
    for (int k = 0; k < kFlashSlotCount; ++k) f[11 + k] = r.CHANNEL_LIST[static_cast<std::size_t>(k)];
    PutName(f, 15, 15, r.FLASH_NAME);
    return f;
}

Frame EncodeWiper(const ConfigModel& m) {
    const WiperConfig& r = m.Wiper();
    Frame f = Block(WIPER_WRITE_REQ, WIPER_BLOCK_LENGTH);
    f[4] = WiperCodeByte(r.LOW_SPEED_INPUT);
    f[5] = WiperCodeByte(r.HIGH_SPEED_INPUT);
    f[6] = WiperCodeByte(r.INTERVAL_INPUT);
    f[7] = WiperCodeByte(r.HOME_PARK_INPUT);
    f[8] = PositionByte(r.HOME_PARK_LEVEL);
    f[9] = Low8(r.INTERVAL_TIME);
    return f;
}

Frame EncodeCanExport1(const ConfigModel& m) {
    const CanExportConfig& r = m.CanExport(1);
    Frame f = Block(CAN_EXPORT1_WRITE_REQ, CAN_EXPORT1_BLOCK_LENGTH);
    PutExportHead(f, r);
    for (int k = 0; k < CanExportEntryCount(1); ++k)
        f[10 + k] = PositionByte(r.CHANNEL_INDEX_[static_cast<std::size_t>(k)]);
    f[28] = Low8(NumberOrZero(r.ROW_COUNT));
    return f;
}

Frame EncodeCanExport(const ConfigModel& m, int selector) {
    const int number = selector + 2;
    const CanExportConfig& r = m.CanExport(number);
    Frame f = Block(CAN_EXPORT_WRITE_REQ, CAN_EXPORT_BLOCK_LENGTH);
    f[4] = Low8(selector);
    PutExportHead(f, r);
    for (int k = 0; k < CanExportEntryCount(number); ++k)
        f[10 + k] = PositionByte(r.CHANNEL_INDEX_[static_cast<std::size_t>(k)]);
    return f;
}

}  // namespace relvane::blockwire
