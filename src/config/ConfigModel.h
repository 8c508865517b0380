#pragma once
// The one copy of a module's configuration, as the editors, the block codec and the configuration
// file see it. Records are plain structs whose field names are the configuration-file keys; every
// write goes through ConfigModel so that the change notification is never skipped.

#include "config/ConfigConversions.h"
#include "config/ConfigRecords.h"

#include <QByteArray>
#include <QObject>

#include <array>
#include <functional>
#include <set>

namespace relvane {

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
  // Once after the outermost notification is out: after the Changed (and NameChanged) of one
  // write or of one batch, and of every write the receivers made in answer to them. What
  // happened between two of these is one change of the configuration.
  void ChangesSettled();

 private:
  void Notify(ConfigBlock block, int index, bool nameChanged);
  struct NotifyScope;
  void SettleIfOutermost();
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
  int notifyDepth_ = 0;  // notifications being emitted, nested ones included
  std::set<ConfigBlock> pendingChanged_;
  std::set<ConfigBlock> pendingNames_;
};

}  // namespace relvane
