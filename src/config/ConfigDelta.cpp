#include "config/ConfigDelta.h"

#include <algorithm>
#include <numeric>

namespace relvane {

namespace {

std::vector<int> Numbers(int count, bool blockWide) {
  std::vector<int> n;
  if (blockWide) n.push_back(0);
  for (int i = 1; i <= count; ++i) n.push_back(i);
  return n;
}

// Calls f with the record of the slot in m (a const reference of the record's own type).
template <class F>
decltype(auto) Visit(const ConfigModel& m, RecordSlot s, F&& f) {
  const int n = s.number;
  switch (s.block) {
    case ConfigBlock::Input: return n == 0 ? f(m.InputBlock()) : f(m.Input(n));
    case ConfigBlock::Output: return n == 0 ? f(m.OutputBlock()) : f(m.Output(n));
    case ConfigBlock::LowBattery: return f(m.LowBattery());
    case ConfigBlock::StartButton: return f(m.StartButton());
    case ConfigBlock::KillButton: return f(m.KillButton());
    case ConfigBlock::CanSetup: return f(m.CanSetup());
    case ConfigBlock::CanInput: return f(m.CanInput(n));
    case ConfigBlock::CanInputEnable: return f(m.CanInputEnable());
    case ConfigBlock::VirtualInput: return f(m.VirtualInput(n));
    case ConfigBlock::Flash: return f(m.Flash(n));
    case ConfigBlock::Wiper: return f(m.Wiper());
    case ConfigBlock::CanExport: return f(m.CanExport(n));
    case ConfigBlock::BoxName: break;
  }
  return f(m.BoxName());
}

constexpr ConfigBlock kBlocks[] = {ConfigBlock::Input,      ConfigBlock::Output,         ConfigBlock::LowBattery,
                                   ConfigBlock::StartButton, ConfigBlock::KillButton,    ConfigBlock::CanSetup,
                                   ConfigBlock::CanInput,   ConfigBlock::CanInputEnable, ConfigBlock::VirtualInput,
                                   ConfigBlock::Flash,      ConfigBlock::Wiper,          ConfigBlock::CanExport,
                                   ConfigBlock::BoxName};

}  // namespace

const std::vector<int>& RecordNumbers(ConfigBlock block) {
  static const std::vector<int> one{0};
  static const std::vector<int> inputs = Numbers(kInputCount, true);
  static const std::vector<int> outputs = Numbers(kOutputCount, true);
  static const std::vector<int> canInputs = Numbers(kCanInputCount, false);
  static const std::vector<int> virtuals = Numbers(kVirtualInputCount, false);
  static const std::vector<int> flashes = Numbers(kFlashCount, false);
  static const std::vector<int> exports = Numbers(kCanExportCount, false);
  switch (block) {
    case ConfigBlock::Input: return inputs;
    case ConfigBlock::Output: return outputs;
    case ConfigBlock::CanInput: return canInputs;
    case ConfigBlock::VirtualInput: return virtuals;
    case ConfigBlock::Flash: return flashes;
    case ConfigBlock::CanExport: return exports;
    default: return one;
  }
}

ConfigRecord RecordAt(const ConfigModel& model, RecordSlot slot) {
  return Visit(model, slot, [](const auto& r) { return ConfigRecord(r); });
}

bool SameRecord(const ConfigModel& a, const ConfigModel& b, RecordSlot slot) {
  return Visit(a, slot, [&](const auto& ra) {
    using R = std::decay_t<decltype(ra)>;
    return Visit(b, slot, [&](const auto& rb) {
      if constexpr (std::is_same_v<R, std::decay_t<decltype(rb)>>)
        return ra == rb;
      else
        return false;
    });
  });
}

void SetRecord(ConfigModel& m, RecordSlot s, const ConfigRecord& record) {
  const int n = s.number;
  std::visit(
      [&](const auto& r) {
        using R = std::decay_t<decltype(r)>;
        if constexpr (std::is_same_v<R, InputConfig>) m.SetInput(n, r);
        else if constexpr (std::is_same_v<R, InputBlockConfig>) m.ModifyInputBlock([&](InputBlockConfig& x) { x = r; });
        else if constexpr (std::is_same_v<R, OutputConfig>) m.SetOutput(n, r);
        else if constexpr (std::is_same_v<R, OutputBlockConfig>) m.ModifyOutputBlock([&](OutputBlockConfig& x) { x = r; });
        else if constexpr (std::is_same_v<R, LowBatteryConfig>) m.ModifyLowBattery([&](LowBatteryConfig& x) { x = r; });
        else if constexpr (std::is_same_v<R, StartButtonConfig>) m.ModifyStartButton([&](StartButtonConfig& x) { x = r; });
        else if constexpr (std::is_same_v<R, KillButtonConfig>) m.ModifyKillButton([&](KillButtonConfig& x) { x = r; });
        else if constexpr (std::is_same_v<R, CanSetupConfig>) m.ModifyCanSetup([&](CanSetupConfig& x) { x = r; });
        else if constexpr (std::is_same_v<R, CanInputConfig>) m.SetCanInput(n, r);
        else if constexpr (std::is_same_v<R, CanInputEnableConfig>)
          m.ModifyCanInputEnable([&](CanInputEnableConfig& x) { x = r; });
        else if constexpr (std::is_same_v<R, VirtualInputConfig>) m.SetVirtualInput(n, r);
        else if constexpr (std::is_same_v<R, FlashConfig>) m.SetFlash(n, r);
        else if constexpr (std::is_same_v<R, WiperConfig>) m.ModifyWiper([&](WiperConfig& x) { x = r; });
        else if constexpr (std::is_same_v<R, CanExportConfig>) m.SetCanExport(n, r);
        else m.SetBoxName(r);
      },
      record);
}

bool SameConfiguration(const ConfigModel& a, const ConfigModel& b, bool withBoxName) {
  for (ConfigBlock block : kBlocks) {
    if (block == ConfigBlock::BoxName && !withBoxName) continue;
    for (int n : RecordNumbers(block))
      if (!SameRecord(a, b, {block, n})) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------

void ConfigDelta::Add(RecordSlot slot, ConfigRecord before, ConfigRecord after) {
  for (RecordChange& c : changes_) {
    if (c.slot == slot) {
      c.after = std::move(after);
      return;
    }
  }
  changes_.push_back({slot, std::move(before), std::move(after)});
}

void ConfigDelta::Merge(const ConfigDelta& later) {
  for (const RecordChange& c : later.changes_) Add(c.slot, c.before, c.after);
}

void ConfigDelta::DropUnchanged() {
  std::erase_if(changes_, [](const RecordChange& c) { return c.before == c.after; });
}

void ConfigDelta::ApplyTo(ConfigModel& model, bool before) const {
  // One record is told as itself, so the pages show just it; several as one batch.
  if (changes_.size() == 1) {
    SetRecord(model, changes_.front().slot, before ? changes_.front().before : changes_.front().after);
    return;
  }
  ConfigModel::UpdateBatch batch(model);
  for (const RecordChange& c : changes_) SetRecord(model, c.slot, before ? c.before : c.after);
}

bool ConfigDelta::SameRecords(const ConfigDelta& other) const {
  if (changes_.size() != other.changes_.size()) return false;
  for (std::size_t i = 0; i < changes_.size(); ++i)
    if (!(changes_[i].slot == other.changes_[i].slot)) return false;
  return true;
}

// ---------------------------------------------------------------------------------------------

ConfigRecorder::ConfigRecorder(ConfigModel& model, QObject* parent) : QObject(parent), model_(model) {
  shadow_.Assign(model_);
  connect(&model_, &ConfigModel::Changed, this, &ConfigRecorder::OnChanged);
  connect(&model_, &ConfigModel::ChangesSettled, this, &ConfigRecorder::OnSettled);
}

void ConfigRecorder::Resync() {
  shadow_.Assign(model_);
  pending_ = ConfigDelta();
}

void ConfigRecorder::Apply(const ConfigDelta& delta, bool before) {
  const bool was = applying_;
  applying_ = true;
  struct Restore {
    bool& flag;
    bool value;
    ~Restore() { flag = value; }
  } restore{applying_, was};
  delta.ApplyTo(model_, before);
}

void ConfigRecorder::OnChanged(ConfigBlock block, int index) {
  if (index > 0) {
    Capture({block, index});
    return;
  }
  for (int n : RecordNumbers(block)) Capture({block, n});
}

void ConfigRecorder::Capture(RecordSlot slot) {
  if (SameRecord(shadow_, model_, slot)) return;
  ConfigRecord now = RecordAt(model_, slot);
  pending_.Add(slot, RecordAt(shadow_, slot), now);
  SetRecord(shadow_, slot, now);
}

void ConfigRecorder::OnSettled() {
  ConfigDelta delta = std::move(pending_);
  pending_ = ConfigDelta();
  delta.DropUnchanged();
  if (applying_ || delta.Empty()) return;
  Q_EMIT Recorded(delta);
}

}  // namespace relvane
