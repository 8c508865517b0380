#include "config/ConfigModel.h"

#include <QByteArray>

#include <bit>

namespace relvane {

namespace {

QByteArray CutAtNulAndLength(const QByteArray& text, int length) {
  const qsizetype nul = text.indexOf('\0');
  QByteArray cut = nul >= 0 ? text.left(nul) : text;
  if (cut.size() > length) cut.truncate(length);
  return cut;
}

template <class Rec, std::size_t N>
Rec* At(std::array<Rec, N>& records, int n) {
  return (n >= 1 && n <= static_cast<int>(N)) ? &records[static_cast<std::size_t>(n - 1)] : nullptr;
}

template <class Rec, std::size_t N>
const Rec& AtOrBlank(const std::array<Rec, N>& records, int n) {
  static const Rec blank{};
  return (n >= 1 && n <= static_cast<int>(N)) ? records[static_cast<std::size_t>(n - 1)] : blank;
}

}  // namespace

ChannelName CutChannelName(const QByteArray& name) { return CutAtNulAndLength(name, kChannelNameLength); }

bool CanInputConfig::operator==(const CanInputConfig& o) const {
  return ENABLED == o.ENABLED && NO_CAN_DATA_STATE == o.NO_CAN_DATA_STATE && CAN_ID_ON == o.CAN_ID_ON &&
         CAN_ID_OFF == o.CAN_ID_OFF && CAN_OPERATOR_ON == o.CAN_OPERATOR_ON && CAN_OPERATOR_OFF == o.CAN_OPERATOR_OFF &&
         CAN_VALUE_ON == o.CAN_VALUE_ON && CAN_VALUE_OFF == o.CAN_VALUE_OFF &&
         CAN_HIGH_BYTE_ON_POS == o.CAN_HIGH_BYTE_ON_POS && CAN_LOW_BYTE_ON_POS == o.CAN_LOW_BYTE_ON_POS &&
         CAN_HIGH_BYTE_OFF_POS == o.CAN_HIGH_BYTE_OFF_POS && CAN_LOW_BYTE_OFF_POS == o.CAN_LOW_BYTE_OFF_POS &&
         CAN_NAME == o.CAN_NAME && ROW_ENABLED == o.ROW_ENABLED && ROW_INDEX == o.ROW_INDEX &&
         ROW_VALUE == o.ROW_VALUE && DATA_TYPE_ == o.DATA_TYPE_ && DIMENSION_NAME == o.DIMENSION_NAME &&
         std::bit_cast<uint32_t>(MULTIPLICATOR_) == std::bit_cast<uint32_t>(o.MULTIPLICATOR_) &&
         CAL_OFFSET_ == o.CAL_OFFSET_;
}

int CanExportEntryCount(int exportNumber) {
  switch (exportNumber) {
    case 1: return 18;
    case 2:
    case 3: return 34;
    case 4: return 64;
    default: return 0;
  }
}

int CanExportListSize(int exportNumber) {
  if (exportNumber == 1) return 1 + kHighPowerOutputCount;
  if (exportNumber >= 2 && exportNumber <= 4) return 1 + kOutputCount + kInputCount + 1;
  return 0;
}

ConfigModel::ConfigModel(QObject* parent) : QObject(parent) { SetStartValues(); }

void ConfigModel::SetStartValues() {
  for (int i = 0; i < kInputCount; ++i) {
    inputs_[static_cast<std::size_t>(i)] = InputConfig{};
    inputs_[static_cast<std::size_t>(i)].NAME = "CH " + QByteArray::number(i + 1);
  }
  inputBlock_ = InputBlockConfig{};
  outputs_.fill(OutputConfig{});
  outputBlock_ = OutputBlockConfig{};
  lowBattery_ = LowBatteryConfig{};
  startButton_ = StartButtonConfig{};
  killButton_ = KillButtonConfig{};
  canSetup_ = CanSetupConfig{};
  for (int i = 0; i < kCanInputCount; ++i) {
    canInputs_[static_cast<std::size_t>(i)] = CanInputConfig{};
    canInputs_[static_cast<std::size_t>(i)].CAN_NAME = "CAN " + QByteArray::number(i + 1);
  }
  canInputEnable_ = CanInputEnableConfig{};
  for (int i = 0; i < kVirtualInputCount; ++i) {
    virtualInputs_[static_cast<std::size_t>(i)] = VirtualInputConfig{};
    virtualInputs_[static_cast<std::size_t>(i)].VIRTUAL_NAME = "Virtual " + QByteArray::number(i + 1);
  }
  flashes_.fill(FlashConfig{});
  wiper_ = WiperConfig{};
  canExports_.fill(CanExportConfig{});
  boxName_.clear();
}

void ConfigModel::Reset() {
  UpdateBatch batch(*this);
  SetStartValues();
  for (ConfigBlock b : {ConfigBlock::Input, ConfigBlock::Output, ConfigBlock::LowBattery,
                        ConfigBlock::StartButton, ConfigBlock::KillButton, ConfigBlock::CanSetup,
                        ConfigBlock::CanInput, ConfigBlock::CanInputEnable, ConfigBlock::VirtualInput,
                        ConfigBlock::Flash, ConfigBlock::Wiper, ConfigBlock::CanExport,
                        ConfigBlock::BoxName}) {
    const bool named = b == ConfigBlock::Input || b == ConfigBlock::Output ||
                       b == ConfigBlock::CanInput || b == ConfigBlock::VirtualInput;
    Notify(b, -1, named);
  }
}

const InputConfig& ConfigModel::Input(int n) const { return AtOrBlank(inputs_, n); }
const OutputConfig& ConfigModel::Output(int n) const { return AtOrBlank(outputs_, n); }
const CanInputConfig& ConfigModel::CanInput(int n) const { return AtOrBlank(canInputs_, n); }
const VirtualInputConfig& ConfigModel::VirtualInput(int n) const { return AtOrBlank(virtualInputs_, n); }
const FlashConfig& ConfigModel::Flash(int n) const { return AtOrBlank(flashes_, n); }
const CanExportConfig& ConfigModel::CanExport(int n) const { return AtOrBlank(canExports_, n); }

bool ConfigModel::ModifyInput(int n, const std::function<void(InputConfig&)>& edit) {
  InputConfig* r = At(inputs_, n);
  if (!r) return false;
  const ChannelName before = r->NAME;
  edit(*r);
  r->NAME = CutChannelName(r->NAME);
  Notify(ConfigBlock::Input, n, r->NAME != before);
  return true;
}

void ConfigModel::ModifyInputBlock(const std::function<void(InputBlockConfig&)>& edit) {
  edit(inputBlock_);
  Notify(ConfigBlock::Input, -1, false);
}

bool ConfigModel::ModifyOutput(int n, const std::function<void(OutputConfig&)>& edit) {
  OutputConfig* r = At(outputs_, n);
  if (!r) return false;
  const ChannelName before = r->NAME;
  edit(*r);
  r->NAME = CutChannelName(r->NAME);
  Notify(ConfigBlock::Output, n, r->NAME != before);
  return true;
}

void ConfigModel::ModifyOutputBlock(const std::function<void(OutputBlockConfig&)>& edit) {
  edit(outputBlock_);
  Notify(ConfigBlock::Output, -1, false);
}

void ConfigModel::ModifyLowBattery(const std::function<void(LowBatteryConfig&)>& edit) {
  edit(lowBattery_);
  Notify(ConfigBlock::LowBattery, -1, false);
}

void ConfigModel::ModifyStartButton(const std::function<void(StartButtonConfig&)>& edit) {
  edit(startButton_);
  Notify(ConfigBlock::StartButton, -1, false);
}

void ConfigModel::ModifyKillButton(const std::function<void(KillButtonConfig&)>& edit) {
  edit(killButton_);
  Notify(ConfigBlock::KillButton, -1, false);
}

void ConfigModel::ModifyCanSetup(const std::function<void(CanSetupConfig&)>& edit) {
  edit(canSetup_);
  Notify(ConfigBlock::CanSetup, -1, false);
}

bool ConfigModel::ModifyCanInput(int n, const std::function<void(CanInputConfig&)>& edit) {
  CanInputConfig* r = At(canInputs_, n);
  if (!r) return false;
  const ChannelName before = r->CAN_NAME;
  edit(*r);
  r->CAN_NAME = CutChannelName(r->CAN_NAME);
  r->DIMENSION_NAME = CutAtNulAndLength(r->DIMENSION_NAME, kDimensionNameLength);
  Notify(ConfigBlock::CanInput, n, r->CAN_NAME != before);
  return true;
}

void ConfigModel::ModifyCanInputEnable(const std::function<void(CanInputEnableConfig&)>& edit) {
  edit(canInputEnable_);
  Notify(ConfigBlock::CanInputEnable, -1, false);
}

bool ConfigModel::ModifyVirtualInput(int n, const std::function<void(VirtualInputConfig&)>& edit) {
  VirtualInputConfig* r = At(virtualInputs_, n);
  if (!r) return false;
  const ChannelName before = r->VIRTUAL_NAME;
  edit(*r);
  r->VIRTUAL_NAME = CutChannelName(r->VIRTUAL_NAME);
  Notify(ConfigBlock::VirtualInput, n, r->VIRTUAL_NAME != before);
  return true;
}

bool ConfigModel::ModifyFlash(int n, const std::function<void(FlashConfig&)>& edit) {
  FlashConfig* r = At(flashes_, n);
  if (!r) return false;
  edit(*r);
  r->FLASH_NAME = CutChannelName(r->FLASH_NAME);
  Notify(ConfigBlock::Flash, n, false);
  return true;
}

void ConfigModel::ModifyWiper(const std::function<void(WiperConfig&)>& edit) {
  edit(wiper_);
  Notify(ConfigBlock::Wiper, -1, false);
}

bool ConfigModel::ModifyCanExport(int n, const std::function<void(CanExportConfig&)>& edit) {
  CanExportConfig* r = At(canExports_, n);
  if (!r) return false;
  edit(*r);
  Notify(ConfigBlock::CanExport, n, false);
  return true;
}

void ConfigModel::SetBoxName(const QByteArray& name) {
  boxName_ = CutChannelName(name);
  Notify(ConfigBlock::BoxName, -1, false);
}

void ConfigModel::Assign(const ConfigModel& other) {
  if (&other == this) return;
  auto namesDiffer = [](const auto& mine, const auto& theirs, auto name) {
    for (std::size_t i = 0; i < mine.size(); ++i)
      if (name(mine[i]) != name(theirs[i])) return true;
    return false;
  };
  UpdateBatch batch(*this);
  if (namesDiffer(inputs_, other.inputs_, [](const InputConfig& r) { return r.NAME; }))
    pendingNames_.insert(ConfigBlock::Input);
  if (namesDiffer(outputs_, other.outputs_, [](const OutputConfig& r) { return r.NAME; }))
    pendingNames_.insert(ConfigBlock::Output);
  if (namesDiffer(canInputs_, other.canInputs_, [](const CanInputConfig& r) { return r.CAN_NAME; }))
    pendingNames_.insert(ConfigBlock::CanInput);
  if (namesDiffer(virtualInputs_, other.virtualInputs_, [](const VirtualInputConfig& r) { return r.VIRTUAL_NAME; }))
    pendingNames_.insert(ConfigBlock::VirtualInput);
  inputs_ = other.inputs_;
  inputBlock_ = other.inputBlock_;
  outputs_ = other.outputs_;
  outputBlock_ = other.outputBlock_;
  lowBattery_ = other.lowBattery_;
  startButton_ = other.startButton_;
  killButton_ = other.killButton_;
  canSetup_ = other.canSetup_;
  canInputs_ = other.canInputs_;
  canInputEnable_ = other.canInputEnable_;
  virtualInputs_ = other.virtualInputs_;
  flashes_ = other.flashes_;
  wiper_ = other.wiper_;
  canExports_ = other.canExports_;
  boxName_ = other.boxName_;
  for (ConfigBlock b : {ConfigBlock::Input, ConfigBlock::Output, ConfigBlock::LowBattery, ConfigBlock::StartButton,
                        ConfigBlock::KillButton, ConfigBlock::CanSetup, ConfigBlock::CanInput,
                        ConfigBlock::CanInputEnable, ConfigBlock::VirtualInput, ConfigBlock::Flash, ConfigBlock::Wiper,
                        ConfigBlock::CanExport, ConfigBlock::BoxName})
    pendingChanged_.insert(b);
}

// Counts the notifications being emitted, also when a receiver throws.
struct ConfigModel::NotifyScope {
  explicit NotifyScope(ConfigModel& m) : m_(m) { ++m_.notifyDepth_; }
  ~NotifyScope() { --m_.notifyDepth_; }
  ConfigModel& m_;
};

void ConfigModel::BeginUpdate() { ++batchDepth_; }

void ConfigModel::EndUpdate() {
  if (batchDepth_ == 0) return;
  if (--batchDepth_ > 0) return;
  // Take the sets first: a slot may write the model again.
  const std::set<ConfigBlock> changed = std::move(pendingChanged_);
  const std::set<ConfigBlock> names = std::move(pendingNames_);
  pendingChanged_.clear();
  pendingNames_.clear();
  {
    NotifyScope scope(*this);
    for (ConfigBlock b : changed) Q_EMIT Changed(b, -1);
    for (ConfigBlock b : names) Q_EMIT NameChanged(b, -1);
  }
  SettleIfOutermost();
}

void ConfigModel::SettleIfOutermost() {
  if (notifyDepth_ == 0 && batchDepth_ == 0) Q_EMIT ChangesSettled();
}

void ConfigModel::Notify(ConfigBlock block, int index, bool nameChanged) {
  if (batchDepth_ > 0) {
    pendingChanged_.insert(block);
    if (nameChanged) pendingNames_.insert(block);
    return;
  }
  {
    NotifyScope scope(*this);
    Q_EMIT Changed(block, index);
    if (nameChanged) Q_EMIT NameChanged(block, index);
  }
  SettleIfOutermost();
}

}  // namespace relvane
