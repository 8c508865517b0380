#pragma once
// The one copy of a module's configuration, as the editors, the block codec and the configuration
// file see it. Records are plain structs whose field names are the configuration-file keys; every
// write goes through ConfigModel so that the change notification is never skipped.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>

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
};
struct InputBlockConfig {    // block-wide fields of the inputs
  bool PWM_ENABLE = false;
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
};
struct OutputBlockConfig {   // block-wide fields of the outputs
  QString AutoResetError = QStringLiteral("0");  // text as entered; x 100 ms
  bool PWM_1 = false;
  bool PWM_2 = false;
};

struct LowBatteryConfig {
  QString LOW_TRIG;    // text as entered; volts with one decimal
  QString UPPER_TRIG;
  OutputList LIST_SELECTED;
};

struct StartButtonConfig {
  int INPUT_TRIGGER_INDEX = kNoSelection;  // position in the extended trigger source list
  OutputList LIST_SELECTED;
};

struct KillButtonConfig {
  int INPUT_TRIGGER_INDEX = kNoSelection;  // position in the extended trigger source list
  int INPUT_DELAY = 10;                    // x 100 ms
  OutputList LIST_SELECTED;
};

struct CanSetupConfig {
  int BitRate = 1000;                                  // kbit/s, 500 or 1000
  QString NoCANdelay = QStringLiteral("15");           // text as entered; x 100 ms
  QString ResetChannelErrorID;                         // text as entered; hexadecimal identifier
  int ResetChannelErrorDataByte = kNoSelection;        // 0 to 7
  QString ResetChannelErrorMask = QStringLiteral("01");  // text as entered; hexadecimal byte
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
};

struct CanInputEnableConfig {
  bool ENABLE = false;
  int INPUT_PIN = kNoSelection;  // 0 to 10 = input 1 to 11
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
};
inline constexpr uint8_t kFlashSlotEmpty = 255;

struct WiperConfig {
  int LOW_SPEED_INPUT = kNoSelection;   // TriggerSource code; kNoSelection = nothing (255 out)
  int HIGH_SPEED_INPUT = kNoSelection;
  int INTERVAL_INPUT = kNoSelection;
  int HOME_PARK_INPUT = kNoSelection;
  int HOME_PARK_LEVEL = kNoSelection;   // 0 "Stop on Low", 1 "Stop on High"
  int INTERVAL_TIME = 30;               // x 100 ms
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
};

// Number of CHANNEL_INDEX_ entries of export 1 to 4 (18, 34, 34, 64); 0 for other numbers.
int CanExportEntryCount(int exportNumber);
// Number of entries of the list an entry of export 1 to 4 selects from (19, or 47 for 2 to 4).
int CanExportListSize(int exportNumber);

// ---------------------------------------------------------------------------------------------
// Conversions.

// Extended trigger source list (67 positions): any other position, -1 included, gives 255; any
// code not in the list gives position 0.
int TriggerCodeToPosition(int code);
int PositionToTriggerCode(int position);
// Base list (positions 0 to 64): other positions (65, 66, -1) give 255; other codes (53, 54) give 0.
int TriggerCodeToBasePosition(int code);
int BasePositionToTriggerCode(int position);

// Level list position -> TriggerLevel: 1 gives 16, anything else (none included) gives 1.
int PositionToTriggerLevel(int position);
// TriggerLevel -> level list position: 16 gives 1, anything else gives 0.
int TriggerLevelToPosition(int level);

// Tenths from a typed number: commas count as decimal points, leading blanks skipped, the longest
// readable number prefix taken (nothing readable gives 0), times 10, fraction cut towards zero.
int TenthsFromText(const QString& text);
// value / 10 formatted with "%3.1f": 0 -> "0.0", 905 -> "90.5".
QString TextFromTenths(int tenths);
// "CONT." for 0, else TextFromTenths.
QString OnTimeText(int tenths);

// The flash channel slots for a set of ticked outputs: all 255, then the indices (output - 1) of
// the ticked outputs in ascending order, at most four.
std::array<uint8_t, kFlashSlotCount> FlashSlotsFromOutputs(const OutputList& ticked);
// The outputs a flash function shows ticked: each slot below 34 ticks the output with that index.
OutputList FlashOutputsFromSlots(const std::array<uint8_t, kFlashSlotCount>& slots);

// ---------------------------------------------------------------------------------------------

enum class ConfigBlock {
  Input,
  Output,
  LowBattery,
  StartButton,
  KillButton,
  CanSetup,
  CanInput,
  CanInputEnable,
  VirtualInput,
  Flash,
  Wiper,
  CanExport,
  BoxName,
};

class ConfigModel : public QObject {
  Q_OBJECT
 public:
  explicit ConfigModel(QObject* parent = nullptr);

  // Puts every field back to its start value (one notification per block).
  void Reset();

  // Read access. Numbered records take their 1-based number; a number out of range gives a
  // default-constructed record that is not part of the model.
  const InputConfig& Input(int n) const;
  const InputBlockConfig& InputBlock() const { return inputBlock_; }
  const OutputConfig& Output(int n) const;
  const OutputBlockConfig& OutputBlock() const { return outputBlock_; }
  const LowBatteryConfig& LowBattery() const { return lowBattery_; }
  const StartButtonConfig& StartButton() const { return startButton_; }
  const KillButtonConfig& KillButton() const { return killButton_; }
  const CanSetupConfig& CanSetup() const { return canSetup_; }
  const CanInputConfig& CanInput(int n) const;
  const CanInputEnableConfig& CanInputEnable() const { return canInputEnable_; }
  const VirtualInputConfig& VirtualInput(int n) const;
  const FlashConfig& Flash(int n) const;
  const WiperConfig& Wiper() const { return wiper_; }
  const CanExportConfig& CanExport(int n) const;
  const ChannelName& BoxName() const { return boxName_; }

  // Write access: the function edits the record in place, then names are cut to their widths and
  // Changed is emitted (with the record's number, or -1 for block-wide records). A number out of
  // range changes nothing and emits nothing. Returns whether the record exists.
  bool ModifyInput(int n, const std::function<void(InputConfig&)>& edit);
  void ModifyInputBlock(const std::function<void(InputBlockConfig&)>& edit);
  bool ModifyOutput(int n, const std::function<void(OutputConfig&)>& edit);
  void ModifyOutputBlock(const std::function<void(OutputBlockConfig&)>& edit);
  void ModifyLowBattery(const std::function<void(LowBatteryConfig&)>& edit);
  void ModifyStartButton(const std::function<void(StartButtonConfig&)>& edit);
  void ModifyKillButton(const std::function<void(KillButtonConfig&)>& edit);
  void ModifyCanSetup(const std::function<void(CanSetupConfig&)>& edit);
  bool ModifyCanInput(int n, const std::function<void(CanInputConfig&)>& edit);
  void ModifyCanInputEnable(const std::function<void(CanInputEnableConfig&)>& edit);
  bool ModifyVirtualInput(int n, const std::function<void(VirtualInputConfig&)>& edit);
  bool ModifyFlash(int n, const std::function<void(FlashConfig&)>& edit);
  void ModifyWiper(const std::function<void(WiperConfig&)>& edit);
  bool ModifyCanExport(int n, const std::function<void(CanExportConfig&)>& edit);
  void SetBoxName(const QByteArray& name);

  // Whole-record setters, for callers that build a record first.
  bool SetInput(int n, const InputConfig& r) { return ModifyInput(n, [&](InputConfig& x) { x = r; }); }
  bool SetOutput(int n, const OutputConfig& r) { return ModifyOutput(n, [&](OutputConfig& x) { x = r; }); }
  bool SetCanInput(int n, const CanInputConfig& r) { return ModifyCanInput(n, [&](CanInputConfig& x) { x = r; }); }
  bool SetVirtualInput(int n, const VirtualInputConfig& r) {
    return ModifyVirtualInput(n, [&](VirtualInputConfig& x) { x = r; });
  }
  bool SetFlash(int n, const FlashConfig& r) { return ModifyFlash(n, [&](FlashConfig& x) { x = r; }); }
  bool SetCanExport(int n, const CanExportConfig& r) { return ModifyCanExport(n, [&](CanExportConfig& x) { x = r; }); }

  // Takes every record of other, as one batch: Changed(block, -1) for each block, NameChanged for
  // the blocks whose names differ. A transfer fills a copy and takes it whole at its end, so a read
  // that breaks off never leaves a mixture of two configurations.
  void Assign(const ConfigModel& other);

  // Batching: between BeginUpdate and the matching EndUpdate (they nest) no Changed or NameChanged
  // is emitted; the outermost EndUpdate emits Changed(block, -1) once for every block written and
  // NameChanged(block, -1) once for every block whose names changed. Use UpdateBatch to pair them.
  void BeginUpdate();
  void EndUpdate();
  bool InUpdate() const { return batchDepth_ > 0; }

  class UpdateBatch {
   public:
    explicit UpdateBatch(ConfigModel& m) : m_(m) { m_.BeginUpdate(); }
    ~UpdateBatch() { m_.EndUpdate(); }
    UpdateBatch(const UpdateBatch&) = delete;
    UpdateBatch& operator=(const UpdateBatch&) = delete;

   private:
    ConfigModel& m_;
  };

 Q_SIGNALS:
  // A field of the block changed: index is the 1-based record number, or -1 for block-wide fields
  // or for "anything in the block" after a batch.
  void Changed(relvane::ConfigBlock block, int index);
  // The name of an input, output, CAN input or virtual input changed value (flash and box names
  // do not count). The main window answers with a name propagation unless a transfer runs.
  void NameChanged(relvane::ConfigBlock block, int index);

 private:
  void Notify(ConfigBlock block, int index, bool nameChanged);
  void SetStartValues();

  std::array<InputConfig, kInputCount> inputs_;
  InputBlockConfig inputBlock_;
  std::array<OutputConfig, kOutputCount> outputs_;
  OutputBlockConfig outputBlock_;
  LowBatteryConfig lowBattery_;
  StartButtonConfig startButton_;
  KillButtonConfig killButton_;
  CanSetupConfig canSetup_;
  std::array<CanInputConfig, kCanInputCount> canInputs_;
  CanInputEnableConfig canInputEnable_;
  std::array<VirtualInputConfig, kVirtualInputCount> virtualInputs_;
  std::array<FlashConfig, kFlashCount> flashes_;
  WiperConfig wiper_;
  std::array<CanExportConfig, kCanExportCount> canExports_;
  ChannelName boxName_;

  int batchDepth_ = 0;
  std::set<ConfigBlock> pendingChanged_;
  std::set<ConfigBlock> pendingNames_;
};

}  // namespace relvane
