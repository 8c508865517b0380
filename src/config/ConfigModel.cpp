#include "config/ConfigModel.h"

#include <QByteArray>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace relvane {

namespace {

// Codes of the extended trigger source list, by position.
constexpr std::array<int, kTriggerListSize> kTriggerCodes = [] {
  std::array<int, kTriggerListSize> codes{};
  codes[0] = 0;
  codes[1] = 255;
  constexpr int inputCodes[kInputCount] = {0xC0, 0xC1, 0xC2, 0xD1, 0xC4, 0xC5,
                                           0xC6, 0xC7, 0xC3, 0xD2, 0xD3};
  for (int i = 0; i < kInputCount; ++i) codes[2 + i] = inputCodes[i];
  for (int i = 0; i < kCanInputCount; ++i) codes[13 + i] = 1 + i;
  for (int i = 0; i < kVirtualInputCount; ++i) codes[45 + i] = 33 + i;
  codes[65] = 53;
  codes[66] = 54;
  return codes;
}();

int FindTriggerCode(int code, int listSize) {
  for (int p = 0; p < listSize; ++p) {
    if (kTriggerCodes[p] == code) return p;
  }
  return 0;
}

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

// The power of ten of the leading digit of a well-formed decimal number text ("123" 2, "0.05" -2).
long DecimalMagnitude(const QByteArray& number) {
  qsizetype i = 0;
  const qsizetype n = number.size();
  if (i < n && (number[i] == '+' || number[i] == '-')) ++i;
  long magnitude = 0;
  bool leading = true;
  bool afterPoint = false;
  for (; i < n && number[i] != 'e' && number[i] != 'E'; ++i) {
    const char c = number[i];
    if (c == '.') { afterPoint = true; continue; }
    if (leading && c == '0') {
      if (afterPoint) --magnitude;
      continue;
    }
    if (leading) {
      leading = false;
      if (afterPoint) { --magnitude; break; }
      continue;
    }
    if (!afterPoint) ++magnitude;
  }
  if (leading) return 0;
  const qsizetype e = std::max(number.indexOf('e'), number.indexOf('E'));
  if (e >= 0) {
    // Exponents too long for a long are far beyond any double either way.
    const QByteArray digits = number.mid(e + 1);
    bool ok = false;
    const long exponent = digits.toLong(&ok);
    if (!ok) return digits.startsWith('-') ? -100000 : 100000;
    magnitude += exponent;
  }
  return magnitude;
}

}  // namespace

ChannelName CutChannelName(const QByteArray& name) { return CutAtNulAndLength(name, kChannelNameLength); }

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

int TriggerCodeToPosition(int code) { return FindTriggerCode(code, kTriggerListSize); }

int PositionToTriggerCode(int position) {
  if (position < 0 || position >= kTriggerListSize) return kTriggerCodeNone;
  return kTriggerCodes[static_cast<std::size_t>(position)];
}

int TriggerCodeToBasePosition(int code) { return FindTriggerCode(code, kTriggerBaseListSize); }

int BasePositionToTriggerCode(int position) {
  if (position < 0 || position >= kTriggerBaseListSize) return kTriggerCodeNone;
  return kTriggerCodes[static_cast<std::size_t>(position)];
}

int PositionToTriggerLevel(int position) { return position == 1 ? 16 : 1; }

int TriggerLevelToPosition(int level) { return level == 16 ? 1 : 0; }

int TenthsFromText(const QString& text) {
  const QByteArray bytes = text.toLatin1().replace(',', '.');
  const qsizetype n = bytes.size();
  qsizetype i = 0;
  while (i < n && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n' ||
                   bytes[i] == '\v' || bytes[i] == '\f'))
    ++i;
  const qsizetype start = i;
  if (i < n && (bytes[i] == '+' || bytes[i] == '-')) ++i;
  const auto isDigit = [&](qsizetype k) { return k < n && bytes[k] >= '0' && bytes[k] <= '9'; };
  qsizetype digits = 0;
  while (isDigit(i)) { ++i; ++digits; }
  if (i < n && bytes[i] == '.') {
    ++i;
    while (isDigit(i)) { ++i; ++digits; }
  }
  if (digits == 0) return 0;
  // An exponent counts only when digits follow it.
  if (i < n && (bytes[i] == 'e' || bytes[i] == 'E')) {
    qsizetype k = i + 1;
    if (k < n && (bytes[k] == '+' || bytes[k] == '-')) ++k;
    if (isDigit(k)) {
      while (isDigit(k)) ++k;
      i = k;
    }
  }
  // from_chars is locale-independent: a full stop is the decimal point whatever the locale.
  double parsed = 0;
  const qsizetype from = bytes[start] == '+' ? start + 1 : start;  // from_chars takes no plus sign
  const auto [end, ec] = std::from_chars(bytes.constData() + from, bytes.constData() + i, parsed);
  Q_UNUSED(end);
  if (ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: saturate, or 0.
    const bool negative = bytes[start] == '-';
    parsed = DecimalMagnitude(bytes.mid(start, i - start)) > 0
                 ? (negative ? -1.0 : 1.0) * std::numeric_limits<double>::infinity()
                 : 0.0;
  }
  const double value = parsed * 10.0;
  const double truncated = std::trunc(value);
  // Far beyond any field; saturate instead of overflowing.
  if (!(truncated > std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  if (!(truncated < std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  return static_cast<int>(truncated);
}

QString TextFromTenths(int tenths) { return QString::asprintf("%3.1f", tenths / 10.0); }

QString OnTimeText(int tenths) { return tenths == 0 ? QStringLiteral("CONT.") : TextFromTenths(tenths); }

std::array<uint8_t, kFlashSlotCount> FlashSlotsFromOutputs(const OutputList& ticked) {
  std::array<uint8_t, kFlashSlotCount> slots;
  slots.fill(kFlashSlotEmpty);
  std::size_t next = 0;
  for (int i = 0; i < kOutputCount && next < slots.size(); ++i) {
    if (ticked[static_cast<std::size_t>(i)]) slots[next++] = static_cast<uint8_t>(i);
  }
  return slots;
}

OutputList FlashOutputsFromSlots(const std::array<uint8_t, kFlashSlotCount>& slots) {
  OutputList ticked;
  for (uint8_t s : slots) {
    if (s < kOutputCount) ticked.set(s);
  }
  return ticked;
}

// ---------------------------------------------------------------------------------------------

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

void ConfigModel::BeginUpdate() { ++batchDepth_; }

void ConfigModel::EndUpdate() {
  if (batchDepth_ == 0) return;
  if (--batchDepth_ > 0) return;
  // Take the sets first: a slot may write the model again.
  const std::set<ConfigBlock> changed = std::move(pendingChanged_);
  const std::set<ConfigBlock> names = std::move(pendingNames_);
  pendingChanged_.clear();
  pendingNames_.clear();
  for (ConfigBlock b : changed) Q_EMIT Changed(b, -1);
  for (ConfigBlock b : names) Q_EMIT NameChanged(b, -1);
}

void ConfigModel::Notify(ConfigBlock block, int index, bool nameChanged) {
  if (batchDepth_ > 0) {
    pendingChanged_.insert(block);
    if (nameChanged) pendingNames_.insert(block);
    return;
  }
  Q_EMIT Changed(block, index);
  if (nameChanged) Q_EMIT NameChanged(block, index);
}

}  // namespace relvane
