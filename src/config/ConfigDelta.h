#pragma once
// A change of the configuration as the records it altered, each before and after: what an undo
// step holds (only the records one change touched, never a whole configuration), and the
// recorder that turns the model's notifications into such changes.

#include "config/ConfigModel.h"

#include <QObject>

#include <variant>
#include <vector>

namespace relvane {

// One record of any block. The box name is a record of its own.
using ConfigRecord = std::variant<InputConfig, InputBlockConfig, OutputConfig, OutputBlockConfig, LowBatteryConfig,
                                  StartButtonConfig, KillButtonConfig, CanSetupConfig, CanInputConfig,
                                  CanInputEnableConfig, VirtualInputConfig, FlashConfig, WiperConfig,
                                  CanExportConfig, ChannelName>;

// Where a record is: its block and its number from 1, or 0 for a block's block-wide record (the
// inputs' and outputs' flags) and for the blocks of one record.
struct RecordSlot {
  ConfigBlock block = ConfigBlock::Input;
  int number = 0;
  bool operator==(const RecordSlot&) const = default;
};

// The record numbers of a block, block-wide record first.
const std::vector<int>& RecordNumbers(ConfigBlock block);
ConfigRecord RecordAt(const ConfigModel& model, RecordSlot slot);
bool SameRecord(const ConfigModel& a, const ConfigModel& b, RecordSlot slot);
// Writes record (which must be of the slot's type) into the model through its Modify functions.
void SetRecord(ConfigModel& model, RecordSlot slot, const ConfigRecord& record);

// Whether two configurations hold the same values everywhere, the box name included unless
// withBoxName is false (configuration files hold none).
bool SameConfiguration(const ConfigModel& a, const ConfigModel& b, bool withBoxName = true);

struct RecordChange {
  RecordSlot slot;
  ConfigRecord before;
  ConfigRecord after;
};

class ConfigDelta {
 public:
  bool Empty() const { return changes_.empty(); }
  const std::vector<RecordChange>& Changes() const { return changes_; }
  // A record already held keeps its first before and takes the new after.
  void Add(RecordSlot slot, ConfigRecord before, ConfigRecord after);
  void Merge(const ConfigDelta& later);
  // Drops the records whose before and after are the same (a value typed and typed back).
  void DropUnchanged();
  // Writes the before side (undo) or the after side (redo) into the model; several records in
  // one batch of notifications.
  void ApplyTo(ConfigModel& model, bool before) const;
  // Whether both change exactly the same records.
  bool SameRecords(const ConfigDelta& other) const;

 private:
  std::vector<RecordChange> changes_;
};

// Follows a model and reports each change of it: everything between two ChangesSettled of the
// model (a write, a batch, and the writes the pages made in answer) that altered a record
// becomes one Recorded delta. It keeps a shadow copy of the model to know the before side.
class ConfigRecorder : public QObject {
  Q_OBJECT
 public:
  explicit ConfigRecorder(ConfigModel& model, QObject* parent = nullptr);

  // The shadow becomes the model again and nothing is pending (after start-up work).
  void Resync();
  // Writes a delta into the model without reporting it: undo and redo never make steps. What
  // the pages write in answer is taken into the shadow and not reported either.
  void Apply(const ConfigDelta& delta, bool before);
  bool Applying() const { return applying_; }
  const ConfigModel& Model() const { return model_; }

 Q_SIGNALS:
  void Recorded(const relvane::ConfigDelta& delta);

 private:
  void OnChanged(ConfigBlock block, int index);
  void Capture(RecordSlot slot);
  void OnSettled();

  ConfigModel& model_;
  ConfigModel shadow_;
  ConfigDelta pending_;
  bool applying_ = false;
};

}  // namespace relvane
