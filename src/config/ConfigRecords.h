#pragma once
// The records of a configuration, one plain struct per block, whose field names are the
// configuration-file keys, with the counts and start values they are built from. ConfigModel
// holds the configuration's copy and announces every change to it.

#include <QByteArray>
#include <QString>

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>

namespace relvane {

inline constexpr int kInputCount = 11;
inline constexpr int kOutputCount = 34;
inline constexpr int kHighPowerOutputCount = 18;  // outputs 1 to 18 measure and limit current
inline constexpr int kCanInputCount = 32;
inline constexpr int kVirtualInputCount = 20;
inline constexpr int kFlashCount = 5;
inline constexpr int kFlashSlotCount = 4;
inline constexpr int kCanExportCount = 4;
inline constexpr int kCanExportMaxEntries = 64;

inline constexpr int kChannelNameLength = 15;
inline constexpr int kDimensionNameLength = 5;

// A list selection: a position counted from 0, or kNoSelection.
inline constexpr int kNoSelection = -1;

// Trigger source code of "+30"; also what "nothing selected" is saved and sent as.
inline constexpr int kTriggerCodeNone = 255;
// Number of entries of the extended trigger source list (positions 0 to 66) and the base list
// (0 to 64, without the wiper entries).
inline constexpr int kTriggerListSize = 67;
inline constexpr int kTriggerBaseListSize = 65;

// Text of at most 15 single-byte Windows-1252 characters. Kept as bytes; the ui converts.
using ChannelName = QByteArray;

// Returns the first 15 bytes of name (and nothing after a NUL byte, which cannot be part of a name).
ChannelName CutChannelName(const QByteArray& name);

// A number whose editor may show no text (std::nullopt). An empty number counts as 0 when it is
// saved or sent.
using OptionalNumber = std::optional<int>;
inline int NumberOrZero(const OptionalNumber& n) { return n.value_or(0); }

// One flag per output; bit n-1 is output n.
using OutputList = std::bitset<kOutputCount>;

// ---------------------------------------------------------------------------------------------
// Records, one per block, in the block order of the configuration file.

struct InputConfig {
  ChannelName NAME;          // start "CH n"
  int MODE = kNoSelection;   // 0 "Latching", 1 "Momentary"
  bool operator==(const InputConfig&) const = default;
};
struct InputBlockConfig {    // block-wide fields of the inputs
  bool PWM_ENABLE = false;
  bool operator==(const InputBlockConfig&) const = default;
};

struct OutputConfig {
  ChannelName NAME;                    // start empty
  int TRIGGER = kNoSelection;          // TriggerSource code; kNoSelection = nothing selected (255 out)
  int TRIGLEVEL = kNoSelection;        // TriggerLevel 1 or 16; kNoSelection = nothing selected (1 out)
  OptionalNumber DELAY;                // tenths of a second
  // The four below exist for outputs 1 to 18 only; they are ignored for outputs 19 to 34.
  OptionalNumber MAX_CURRENT;          // tenths of an ampere
  OptionalNumber PEAK_TIME;            // tenths of a second
  OptionalNumber LOW_CURRENT;          // tenths of an ampere
  OptionalNumber LOW_CURRENT_TIME;     // tenths of a second
  OptionalNumber ON_TIME;              // tenths of a second, 0 = continuous
  bool operator==(const OutputConfig&) const = default;
};
struct OutputBlockConfig {   // block-wide fields of the outputs
  QString AutoResetError = QStringLiteral("0");  // text as entered; x 100 ms
  bool PWM_1 = false;
  bool PWM_2 = false;
  bool operator==(const OutputBlockConfig&) const = default;
};

struct LowBatteryConfig {
  QString LOW_TRIG;    // text as entered; volts with one decimal
  QString UPPER_TRIG;
  OutputList LIST_SELECTED;
  bool operator==(const LowBatteryConfig&) const = default;
};

struct StartButtonConfig {
  int INPUT_TRIGGER_INDEX = kNoSelection;  // position in the extended trigger source list
  OutputList LIST_SELECTED;
  bool operator==(const StartButtonConfig&) const = default;
};

struct KillButtonConfig {
  int INPUT_TRIGGER_INDEX = kNoSelection;  // position in the extended trigger source list
  int INPUT_DELAY = 10;                    // x 100 ms
  OutputList LIST_SELECTED;
  bool operator==(const KillButtonConfig&) const = default;
};

struct CanSetupConfig {
  int BitRate = 1000;                                  // kbit/s, 500 or 1000
  QString NoCANdelay = QStringLiteral("15");           // text as entered; x 100 ms
  QString ResetChannelErrorID;                         // text as entered; hexadecimal identifier
  int ResetChannelErrorDataByte = kNoSelection;        // 0 to 7
  QString ResetChannelErrorMask = QStringLiteral("01");  // text as entered; hexadecimal byte
  bool operator==(const CanSetupConfig&) const = default;
};

struct CanInputConfig {
  bool ENABLED = false;
  int32_t NO_CAN_DATA_STATE = 0;  // 0 "Set Off", 1 "Set On", 2 "Hold state"
  int32_t CAN_ID_ON = 0;
  int32_t CAN_ID_OFF = 0;
  int32_t CAN_OPERATOR_ON = 0;    // "=", ">", "<", "&", "!&", "not"
  int32_t CAN_OPERATOR_OFF = 0;
  int32_t CAN_VALUE_ON = 0;
  int32_t CAN_VALUE_OFF = 0;
  uint8_t CAN_HIGH_BYTE_ON_POS = 0;  // data byte 1 to 8; 0 or above 8 = none
  uint8_t CAN_LOW_BYTE_ON_POS = 0;
  uint8_t CAN_HIGH_BYTE_OFF_POS = 0;
  uint8_t CAN_LOW_BYTE_OFF_POS = 0;
  ChannelName CAN_NAME;              // start "CAN n"
  bool ROW_ENABLED = false;
  uint8_t ROW_INDEX = 0;
  uint8_t ROW_VALUE = 0;
  uint8_t DATA_TYPE_ = 0;            // 0 unsigned, 1 signed
  QByteArray DIMENSION_NAME;         // at most 5 Windows-1252 characters
  float MULTIPLICATOR_ = 0.0f;
  int8_t CAL_OFFSET_ = 0;
  // Field by field; the multiplicator by its bits, so a NaN a module sent equals itself.
  bool operator==(const CanInputConfig& other) const;
};

struct CanInputEnableConfig {
  bool ENABLE = false;
  int INPUT_PIN = kNoSelection;  // 0 to 10 = input 1 to 11
  bool operator==(const CanInputEnableConfig&) const = default;
};

struct VirtualInputConfig {
  uint8_t IN_DELAY_1_ = 0;  // tenths of a second
  uint8_t IN_DELAY_2_ = 0;
  uint8_t IN_DELAY_3_ = 0;
  uint8_t CHANNEL_1_Index = 0;  // position in the virtual operand list
  uint8_t CHANNEL_2_Index = 0;
  uint8_t CHANNEL_3_Index = 0;
  int8_t OPERATOR_1_Index = 0;  // 0 "AND", 1 "OR", 2 "NOR"
  int8_t OPERATOR_2_Index = 0;
  uint8_t MASK_NOT = 0;         // bits 0, 1, 2 invert sources 1, 2, 3
  ChannelName VIRTUAL_NAME;     // start "Virtual n"
  bool operator==(const VirtualInputConfig&) const = default;
};

// Travels to and from the module as one 25-byte block in this field order.
struct FlashConfig {
  uint8_t ENABLED = 0;
  uint8_t CONTINUES = 0;
  uint8_t INPUT_TRIGGER = 0;   // TriggerSource code (base conversion)
  uint8_t FLASH_TIME_ON = 0;   // x 100 ms
  uint8_t FLASH_TIME_OFF = 0;  // x 100 ms
  uint8_t DURATION = 0;        // x 100 ms
  std::array<uint8_t, kFlashSlotCount> CHANNEL_LIST{0, 0, 0, 0};  // output index 0..33, 255 empty
  ChannelName FLASH_NAME;      // start empty; at most 15 bytes, never more
  bool operator==(const FlashConfig&) const = default;
};
inline constexpr uint8_t kFlashSlotEmpty = 255;

struct WiperConfig {
  int LOW_SPEED_INPUT = kNoSelection;   // TriggerSource code; kNoSelection = nothing (255 out)
  int HIGH_SPEED_INPUT = kNoSelection;
  int INTERVAL_INPUT = kNoSelection;
  int HOME_PARK_INPUT = kNoSelection;
  int HOME_PARK_LEVEL = kNoSelection;   // 0 "Stop on Low", 1 "Stop on High"
  int INTERVAL_TIME = 30;               // x 100 ms
  bool operator==(const WiperConfig&) const = default;
};

struct CanExportConfig {
  bool ENABLED = false;
  OptionalNumber CAN_ID = 0;
  OptionalNumber REFRESS_TIME = 0;  // milliseconds
  OptionalNumber ROW_COUNT = 12;    // export 1 only
  // Entry selections. Export 1: entry k (1 to 18 in the file) is at [k-1], a position in
  // "DISABLED" + outputs 1 to 18. Exports 2 to 4: entry k (0 to 33, or 0 to 63) is at [k], a
  // position in the 47-entry bit source list.
  std::array<int, kCanExportMaxEntries> CHANNEL_INDEX_;
  CanExportConfig() { CHANNEL_INDEX_.fill(kNoSelection); }
  bool operator==(const CanExportConfig&) const = default;
};

// Number of CHANNEL_INDEX_ entries of export 1 to 4 (18, 34, 34, 64); 0 for other numbers.
int CanExportEntryCount(int exportNumber);
// Number of entries of the list an entry of export 1 to 4 selects from (19, or 47 for 2 to 4).
int CanExportListSize(int exportNumber);

}  // namespace relvane
