#include "protocol/BlockCodec.h"

#include "protocol/MessageCatalogue.h"

#include <algorithm>
#include <cstring>

namespace relvane {

namespace {

// ---------------------------------------------------------------------------
// Writing a block.

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

QString HexText(int v, int digits) {
    return QStringLiteral("%1").arg(v, digits, 16, QLatin1Char('0')).toUpper();
}

// The wiper inputs go out as the code the base-list selector shows.
std::uint8_t WiperCodeByte(int code) {
    const int position = code < 0 ? kNoSelection : TriggerCodeToPosition(code);
    return Low8(BasePositionToTriggerCode(position));
}

// ---------------------------------------------------------------------------
// Reading a block: a field counts only when all its bytes arrived.

class Received {
public:
    Received(const std::uint8_t* frame, int count)
        : f_(frame), n_(frame == nullptr ? 0 : std::clamp(count, 0, SLIP_RECEIVE_BUFFER)) {}

    bool Has(int at, int len = 1) const { return at >= 0 && len >= 0 && at + len <= n_; }
    std::uint8_t U8(int at) const { return f_[at]; }
    std::int8_t S8(int at) const { return static_cast<std::int8_t>(f_[at]); }
    int Le16(int at) const { return f_[at] | (f_[at + 1] << 8); }
    int Be16(int at) const { return (f_[at] << 8) | f_[at + 1]; }

    // The bytes of a name run up to its first zero or its end.
    QByteArray Name(int at, int run) const {
        int len = 0;
        while (len < run && f_[at + len] != 0) ++len;
        return QByteArray(reinterpret_cast<const char*>(f_ + at), len);
    }

    // An output list run: cleared, then every byte from 1 to 34 sets that output.
    OutputList List(int at, int run) const {
        OutputList list;
        for (int i = 0; i < run; ++i) {
            const int out = f_[at + i];
            if (out >= 1 && out <= kOutputCount) list.set(static_cast<std::size_t>(out - 1));
        }
        return list;
    }

    // A received position, or nothing selected when the list has no such entry.
    int Position(int at, int listSize) const {
        const int p = f_[at];
        return p < listSize ? p : kNoSelection;
    }

private:
    const std::uint8_t* f_;
    int n_;
};

// Outputs 1 to 18 measure current; the others carry fixed filler bytes.
bool IsHighPower(int n) { return n >= 1 && n <= kHighPowerOutputCount; }

Frame Block(std::uint8_t command, int length) {
    return Frame(FRAME_TYPE_COMMAND, command, length);
}

// ---------------------------------------------------------------------------
// Encoders.

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

// The first entry of the operand list (1) travels as 0xFF.
std::uint8_t OperandByte(std::uint8_t v) { return v == 1 ? 0xFF : v; }
std::uint8_t OperandFromByte(std::uint8_t b) { return b == 0xFF ? 1 : b; }

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

void PutExportHead(Frame& f, const CanExportConfig& r) {
    f[5] = r.ENABLED ? 1 : 0;
    PutLe16(f, 6, NumberOrZero(r.REFRESS_TIME));
    PutLe16(f, 8, NumberOrZero(r.CAN_ID));
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

// ---------------------------------------------------------------------------
// Decoders. Each returns false when the block's index is out of range.

bool DecodeInput(ConfigModel& m, const Received& b) {
    if (!b.Has(4)) return false;
    const int n = b.U8(4);
    if (n < 1 || n > kInputCount) return false;
    m.ModifyInput(n, [&](InputConfig& r) {
        if (b.Has(5, 15)) r.NAME = b.Name(5, 15);
        if (b.Has(20)) r.MODE = b.Position(20, 2);
    });
    return true;
}

bool DecodeOutput(ConfigModel& m, const Received& b) {
    if (!b.Has(4)) return false;
    const int n = b.U8(4);
    if (n < 1 || n > kOutputCount) return false;
    m.ModifyOutput(n, [&](OutputConfig& r) {
        if (IsHighPower(n)) {
            if (b.Has(5, 2)) r.MAX_CURRENT = b.Be16(5);
            if (b.Has(7)) r.PEAK_TIME = b.U8(7);
            if (b.Has(27, 2)) r.LOW_CURRENT = b.Le16(27);
            if (b.Has(29)) r.LOW_CURRENT_TIME = b.U8(29);
        }
        // The model holds the code the trigger selector can show.
        if (b.Has(8)) r.TRIGGER = PositionToTriggerCode(TriggerCodeToPosition(b.U8(8)));
        if (b.Has(9)) r.TRIGLEVEL = b.U8(9) == 16 ? 16 : 1;
        if (b.Has(10, 15)) r.NAME = b.Name(10, 15);
        if (b.Has(25)) r.DELAY = b.U8(25);
        if (b.Has(26)) r.ON_TIME = b.U8(26);
    });
    return true;
}

bool DecodePwm(ConfigModel& m, const Received& b) {
    if (b.Has(4)) m.ModifyInputBlock([&](InputBlockConfig& r) { r.PWM_ENABLE = b.U8(4) != 0; });
    if (b.Has(5, 2)) {
        m.ModifyOutputBlock([&](OutputBlockConfig& r) {
            r.PWM_1 = b.U8(5) != 0;
            r.PWM_2 = b.U8(6) != 0;
        });
    } else if (b.Has(5)) {
        m.ModifyOutputBlock([&](OutputBlockConfig& r) { r.PWM_1 = b.U8(5) != 0; });
    }
    return true;
}

bool DecodeLowBattery(ConfigModel& m, const Received& b) {
    m.ModifyLowBattery([&](LowBatteryConfig& r) {
        if (b.Has(4)) r.LOW_TRIG = TextFromTenths(b.U8(4));
        if (b.Has(5)) r.UPPER_TRIG = TextFromTenths(b.U8(5));
        if (b.Has(6, 12)) r.LIST_SELECTED = b.List(6, 12);
    });
    return true;
}

bool DecodeCanSetup(ConfigModel& m, const Received& b, int lengthByte) {
    const bool full = lengthByte >= CAN_SETUP_BLOCK_LENGTH;
    m.ModifyCanSetup([&](CanSetupConfig& r) {
        if (b.Has(5, 2)) r.BitRate = b.Le16(5) == 500 ? 500 : 1000;
        if (!full) {
            // An older module's short block carries the bit rate only.
            r.NoCANdelay.clear();
            r.ResetChannelErrorID.clear();
            r.ResetChannelErrorMask.clear();
            r.ResetChannelErrorDataByte = kNoSelection;
            return;
        }
        if (b.Has(7, 2)) r.NoCANdelay = QString::number(b.Le16(7));
        if (b.Has(9, 2)) r.ResetChannelErrorID = HexText(b.Le16(9), 3);
        if (b.Has(11)) r.ResetChannelErrorDataByte = b.Position(11, 8);
        if (b.Has(12)) r.ResetChannelErrorMask = HexText(b.U8(12), 2);
    });
    if (!full) {
        m.ModifyOutputBlock([](OutputBlockConfig& r) { r.AutoResetError.clear(); });
    } else if (b.Has(13)) {
        m.ModifyOutputBlock([&](OutputBlockConfig& r) { r.AutoResetError = QString::number(b.U8(13)); });
    }
    return true;
}

bool DecodeStartKill(ConfigModel& m, const Received& b) {
    m.ModifyStartButton([&](StartButtonConfig& r) {
        if (b.Has(4)) r.INPUT_TRIGGER_INDEX = TriggerCodeToPosition(b.U8(4));
        if (b.Has(5, 14)) r.LIST_SELECTED = b.List(5, 14);
    });
    m.ModifyKillButton([&](KillButtonConfig& r) {
        if (b.Has(19)) r.INPUT_TRIGGER_INDEX = TriggerCodeToPosition(b.U8(19));
        if (b.Has(20)) r.INPUT_DELAY = b.U8(20);
        if (b.Has(21, 14)) r.LIST_SELECTED = b.List(21, 14);
    });
    return true;
}

bool DecodeCanInput(ConfigModel& m, const Received& b) {
    if (!b.Has(4)) return false;
    const int i = b.U8(4);
    if (i >= kCanInputCount) return false;
    m.ModifyCanInput(i + 1, [&](CanInputConfig& r) {
        if (b.Has(5)) {
            r.ENABLED = (b.U8(5) & 1) != 0;
            r.NO_CAN_DATA_STATE = (b.U8(5) >> 1) & 3;
        }
        if (b.Has(6, 2)) r.CAN_ID_ON = b.Le16(6);
        if (b.Has(8, 2)) r.CAN_ID_OFF = b.Le16(8);
        if (b.Has(10, 2)) r.CAN_VALUE_ON = b.Le16(10);
        if (b.Has(12, 2)) r.CAN_VALUE_OFF = b.Le16(12);
        if (b.Has(14)) r.CAN_OPERATOR_ON = b.S8(14);
        if (b.Has(15)) r.CAN_OPERATOR_OFF = b.S8(15);
        if (b.Has(16)) r.CAN_HIGH_BYTE_ON_POS = b.U8(16);
        if (b.Has(17)) r.CAN_LOW_BYTE_ON_POS = b.U8(17);
        if (b.Has(18)) r.CAN_HIGH_BYTE_OFF_POS = b.U8(18);
        if (b.Has(19)) r.CAN_LOW_BYTE_OFF_POS = b.U8(19);
        if (b.Has(20, 15)) r.CAN_NAME = b.Name(20, 15);
        if (b.Has(35)) r.ROW_ENABLED = b.U8(35) != 0;
        if (b.Has(36)) r.ROW_INDEX = b.U8(36);
        if (b.Has(37)) r.ROW_VALUE = b.U8(37);
        if (b.Has(38)) r.DATA_TYPE_ = b.U8(38);
        if (b.Has(39, 5)) r.DIMENSION_NAME = b.Name(39, 5);
        if (b.Has(44, 4)) {
            std::uint32_t bits = 0;
            for (int k = 0; k < 4; ++k) bits |= static_cast<std::uint32_t>(b.U8(44 + k)) << (8 * k);
            std::memcpy(&r.MULTIPLICATOR_, &bits, sizeof bits);
        }
        if (b.Has(48)) r.CAL_OFFSET_ = b.S8(48);
    });
    return true;
}

bool DecodeCanInputEnable(ConfigModel& m, const Received& b) {
    m.ModifyCanInputEnable([&](CanInputEnableConfig& r) {
        if (b.Has(4)) r.ENABLE = b.U8(4) != 0;
        if (b.Has(5)) {
            // Inputs 2 to 11 by their codes; anything else is input 1.
            r.INPUT_PIN = 0;
            for (int p = 1; p < kInputCount; ++p)
                if (PositionToTriggerCode(p + 2) == b.U8(5)) r.INPUT_PIN = p;
        }
    });
    return true;
}

bool DecodeBoxName(ConfigModel& m, const Received& b) {
    if (b.Has(4, 16)) m.SetBoxName(b.Name(4, 16));
    return true;
}

bool DecodeVirtualInput(ConfigModel& m, const Received& b) {
    if (!b.Has(4)) return false;
    const int i = b.U8(4);
    if (i >= kVirtualInputCount) return false;
    m.ModifyVirtualInput(i + 1, [&](VirtualInputConfig& r) {
        if (b.Has(6)) r.CHANNEL_1_Index = OperandFromByte(b.U8(6));
        if (b.Has(7)) r.CHANNEL_2_Index = OperandFromByte(b.U8(7));
        if (b.Has(8)) r.CHANNEL_3_Index = OperandFromByte(b.U8(8));
        if (b.Has(9)) r.OPERATOR_1_Index = b.S8(9);
        if (b.Has(10)) r.OPERATOR_2_Index = b.S8(10);
        if (b.Has(11, 15)) r.VIRTUAL_NAME = b.Name(11, 15);
        if (b.Has(26)) r.IN_DELAY_1_ = b.U8(26);
        if (b.Has(27)) r.IN_DELAY_2_ = b.U8(27);
        if (b.Has(28)) r.IN_DELAY_3_ = b.U8(28);
        if (b.Has(29)) r.MASK_NOT = b.U8(29);
    });
    return true;
}

bool DecodeFlash(ConfigModel& m, const Received& b) {
    if (!b.Has(4)) return false;
    const int i = b.U8(4);
    if (i >= kFlashCount) return false;
    m.ModifyFlash(i + 1, [&](FlashConfig& r) {
        if (b.Has(5)) r.ENABLED = b.U8(5);
        if (b.Has(6)) r.CONTINUES = b.U8(6);
        if (b.Has(7)) r.INPUT_TRIGGER = b.U8(7);
        if (b.Has(8)) r.FLASH_TIME_ON = b.U8(8);
        if (b.Has(9)) r.FLASH_TIME_OFF = b.U8(9);
        if (b.Has(10)) r.DURATION = b.U8(10);
        if (b.Has(11, kFlashSlotCount))
            for (int k = 0; k < kFlashSlotCount; ++k) r.CHANNEL_LIST[static_cast<std::size_t>(k)] = b.U8(11 + k);
        if (b.Has(15, 15)) r.FLASH_NAME = b.Name(15, 15);
    });
    return true;
}

// A wiper input as its base-list selector shows it: a code the base list has
// no entry for selects nothing.
int WiperInputFromByte(std::uint8_t code) {
    const int position = TriggerCodeToPosition(code);
    return position >= kTriggerBaseListSize ? kNoSelection : PositionToTriggerCode(position);
}

bool DecodeWiper(ConfigModel& m, const Received& b) {
    m.ModifyWiper([&](WiperConfig& r) {
        if (b.Has(4)) r.LOW_SPEED_INPUT = WiperInputFromByte(b.U8(4));
        if (b.Has(5)) r.HIGH_SPEED_INPUT = WiperInputFromByte(b.U8(5));
        if (b.Has(6)) r.INTERVAL_INPUT = WiperInputFromByte(b.U8(6));
        if (b.Has(7)) r.HOME_PARK_INPUT = WiperInputFromByte(b.U8(7));
        if (b.Has(8)) r.HOME_PARK_LEVEL = b.U8(8) == 1 ? 1 : 0;
        if (b.Has(9)) r.INTERVAL_TIME = b.U8(9);
    });
    return true;
}

void TakeExportHead(CanExportConfig& r, const Received& b) {
    if (b.Has(5)) r.ENABLED = b.U8(5) != 0;
    if (b.Has(6, 2)) r.REFRESS_TIME = b.Le16(6);
    if (b.Has(8, 2)) r.CAN_ID = b.Le16(8);
}

void TakeExportEntries(CanExportConfig& r, const Received& b, int number) {
    const int entries = CanExportEntryCount(number);
    const int listSize = CanExportListSize(number);
    for (int k = 0; k < entries; ++k)
        if (b.Has(10 + k)) r.CHANNEL_INDEX_[static_cast<std::size_t>(k)] = b.Position(10 + k, listSize);
}

bool DecodeCanExport1(ConfigModel& m, const Received& b) {
    m.ModifyCanExport(1, [&](CanExportConfig& r) {
        TakeExportHead(r, b);
        TakeExportEntries(r, b, 1);
        if (b.Has(28)) r.ROW_COUNT = b.U8(28);
    });
    return true;
}

bool DecodeCanExport(ConfigModel& m, const Received& b) {
    if (!b.Has(4)) return false;
    const int selector = b.U8(4);
    if (selector > 2) return false;
    const int number = selector + 2;
    m.ModifyCanExport(number, [&](CanExportConfig& r) {
        TakeExportHead(r, b);
        TakeExportEntries(r, b, number);
    });
    return true;
}

bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

}  // namespace

const std::array<BlockRef, CONFIG_BLOCK_COUNT>& AllConfigBlocks() {
    static const std::array<BlockRef, CONFIG_BLOCK_COUNT> blocks = [] {
        std::array<BlockRef, CONFIG_BLOCK_COUNT> b{};
        int k = 0;
        auto add = [&](BlockKind kind, int index) { b[static_cast<std::size_t>(k++)] = {kind, index}; };
        for (int n = 1; n <= kInputCount; ++n) add(BlockKind::Input, n);
        for (int n = 1; n <= kOutputCount; ++n) add(BlockKind::Output, n);
        add(BlockKind::LowBattery, 0);
        add(BlockKind::CanSetup, 0);
        add(BlockKind::StartKill, 0);
        for (int i = 0; i < kCanInputCount; ++i) add(BlockKind::CanInput, i);
        add(BlockKind::CanInputEnable, 0);
        add(BlockKind::BoxName, 0);
        for (int i = 0; i < kVirtualInputCount; ++i) add(BlockKind::VirtualInput, i);
        for (int i = 0; i < kFlashCount; ++i) add(BlockKind::Flash, i);
        add(BlockKind::Wiper, 0);
        add(BlockKind::Pwm, 0);
        add(BlockKind::CanExport1, 0);
        for (int i = 0; i < 3; ++i) add(BlockKind::CanExport, i);
        return b;
    }();
    return blocks;
}

std::optional<BlockKind> BlockKindOfCommand(std::uint8_t command) {
    switch (command) {
    case INPUT_WRITE_REQ: case INPUT_READ_CFM: return BlockKind::Input;
    case OUTPUT_WRITE_REQ: case OUTPUT_READ_CFM: return BlockKind::Output;
    case PWM_WRITE_REQ: case PWM_READ_CFM: return BlockKind::Pwm;
    case LOW_BATTERY_WRITE_REQ: case LOW_BATTERY_READ_CFM: return BlockKind::LowBattery;
    case CAN_SETUP_WRITE_REQ: case CAN_SETUP_READ_CFM: return BlockKind::CanSetup;
    case START_KILL_WRITE_REQ: case START_KILL_READ_CFM: return BlockKind::StartKill;
    case CAN_INPUT_WRITE_REQ: case CAN_INPUT_READ_CFM: return BlockKind::CanInput;
    case CAN_INPUT_ENABLE_WRITE_REQ: case CAN_INPUT_ENABLE_READ_CFM: return BlockKind::CanInputEnable;
    case NAME_WRITE_REQ: case NAME_READ_CFM: return BlockKind::BoxName;
    case VIRTUAL_INPUT_WRITE_REQ: case VIRTUAL_INPUT_READ_CFM: return BlockKind::VirtualInput;
    case FLASH_WRITE_REQ: case FLASH_READ_CFM: return BlockKind::Flash;
    case WIPER_WRITE_REQ: case WIPER_READ_CFM: return BlockKind::Wiper;
    case CAN_EXPORT1_WRITE_REQ: case CAN_EXPORT1_READ_CFM: return BlockKind::CanExport1;
    case CAN_EXPORT_WRITE_REQ: case CAN_EXPORT_READ_CFM: return BlockKind::CanExport;
    default: return std::nullopt;
    }
}

std::optional<Frame> EncodeConfigBlock(ConfigModel& model, BlockKind kind, int index) {
    std::optional<Frame> f;
    switch (kind) {
    case BlockKind::Input:
        if (InRange(index, 1, kInputCount)) f = EncodeInput(model, index);
        break;
    case BlockKind::Output:
        if (InRange(index, 1, kOutputCount)) f = EncodeOutput(model, index);
        break;
    case BlockKind::Pwm: f = EncodePwm(model); break;
    case BlockKind::LowBattery: f = EncodeLowBattery(model); break;
    case BlockKind::CanSetup: f = EncodeCanSetup(model); break;
    case BlockKind::StartKill: f = EncodeStartKill(model); break;
    case BlockKind::CanInput:
        if (InRange(index, 0, kCanInputCount - 1)) f = EncodeCanInput(model, index);
        break;
    case BlockKind::CanInputEnable: f = EncodeCanInputEnable(model); break;
    case BlockKind::BoxName: f = EncodeBoxName(model); break;
    case BlockKind::VirtualInput:
        if (InRange(index, 0, kVirtualInputCount - 1)) f = EncodeVirtualInput(model, index);
        break;
    case BlockKind::Flash:
        if (InRange(index, 0, kFlashCount - 1)) f = EncodeFlash(model, index);
        break;
    case BlockKind::Wiper: f = EncodeWiper(model); break;
    case BlockKind::CanExport1: f = EncodeCanExport1(model); break;
    case BlockKind::CanExport:
        if (InRange(index, 0, 2)) f = EncodeCanExport(model, index);
        break;
    }
    if (f) f->Seal();
    return f;
}

bool DecodeConfigBlock(ConfigModel& model, const std::uint8_t* frame, int count) {
    const Received b(frame, count);
    if (!b.Has(0, FRAME_HEADER_LENGTH)) return false;
    if (frame[FRAME_TYPE] != FRAME_TYPE_COMMAND) return false;
    const auto kind = BlockKindOfCommand(frame[FRAME_COMMAND]);
    if (!kind) return false;
    switch (*kind) {
    case BlockKind::Input: return DecodeInput(model, b);
    case BlockKind::Output: return DecodeOutput(model, b);
    case BlockKind::Pwm: return DecodePwm(model, b);
    case BlockKind::LowBattery: return DecodeLowBattery(model, b);
    case BlockKind::CanSetup: return DecodeCanSetup(model, b, frame[FRAME_LENGTH]);
    case BlockKind::StartKill: return DecodeStartKill(model, b);
    case BlockKind::CanInput: return DecodeCanInput(model, b);
    case BlockKind::CanInputEnable: return DecodeCanInputEnable(model, b);
    case BlockKind::BoxName: return DecodeBoxName(model, b);
    case BlockKind::VirtualInput: return DecodeVirtualInput(model, b);
    case BlockKind::Flash: return DecodeFlash(model, b);
    case BlockKind::Wiper: return DecodeWiper(model, b);
    case BlockKind::CanExport1: return DecodeCanExport1(model, b);
    case BlockKind::CanExport: return DecodeCanExport(model, b);
    }
    return false;
}

void SetInputName(ConfigModel& model, int n, const ChannelName& text) {
    model.ModifyInput(n, [&](InputConfig& r) { r.NAME = text; });
}
void SetOutputName(ConfigModel& model, int n, const ChannelName& text) {
    model.ModifyOutput(n, [&](OutputConfig& r) { r.NAME = text; });
}
void SetCanInputName(ConfigModel& model, int n, const ChannelName& text) {
    model.ModifyCanInput(n, [&](CanInputConfig& r) { r.CAN_NAME = text; });
}
void SetVirtualInputName(ConfigModel& model, int n, const ChannelName& text) {
    model.ModifyVirtualInput(n, [&](VirtualInputConfig& r) { r.VIRTUAL_NAME = text; });
}
void SetFlashName(ConfigModel& model, int n, const ChannelName& text) {
    model.ModifyFlash(n, [&](FlashConfig& r) { r.FLASH_NAME = text; });
}

ChannelName GetInputName(const ConfigModel& model, int n) {
    return InRange(n, 1, kInputCount) ? model.Input(n).NAME : ChannelName();
}
ChannelName GetOutputName(const ConfigModel& model, int n) {
    return InRange(n, 1, kOutputCount) ? model.Output(n).NAME : ChannelName();
}
ChannelName GetCanInputName(const ConfigModel& model, int n) {
    return InRange(n, 1, kCanInputCount) ? model.CanInput(n).CAN_NAME : ChannelName();
}
ChannelName GetVirtualInputName(const ConfigModel& model, int n) {
    return InRange(n, 1, kVirtualInputCount) ? model.VirtualInput(n).VIRTUAL_NAME : ChannelName();
}
ChannelName GetFlashName(const ConfigModel& model, int n) {
    return InRange(n, 1, kFlashCount) ? model.Flash(n).FLASH_NAME : ChannelName();
}

}  // namespace relvane
