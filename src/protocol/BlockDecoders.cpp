#include "protocol/BlockWire.h"

#include "protocol/BlockCodec.h"

#include <cstring>

namespace relvane::blockwire {

namespace {

QString HexText(int v, int digits) {
    return QStringLiteral("%1").arg(v, digits, 16, QLatin1Char('0')).toUpper();
}

// The first entry of the operand list (1) travels as 0xFF.
std::uint8_t OperandFromByte(std::uint8_t b) { return b == 0xFF ? 1 : b; }

// A wiper input as its base-list selector shows it: a code the base list has
// no entry for selects nothing.
int WiperInputFromByte(std::uint8_t code) {
    const int position = TriggerCodeToPosition(code);
    return position >= kTriggerBaseListSize ? kNoSelection : PositionToTriggerCode(position);
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

}  // namespace

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

}  // namespace relvane::blockwire
