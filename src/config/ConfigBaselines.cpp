#include "config/ConfigBaselines.h"

#include "config/ConfigDelta.h"

namespace relvane {

ConfigBaselines::ConfigBaselines(const ConfigModel& model, QObject* parent)
    : QObject(parent), model_(model), saved_(std::make_unique<ConfigModel>()) {
  saved_->Assign(model_);
  connect(&model_, &ConfigModel::ChangesSettled, this, &ConfigBaselines::Recompute);
}

ConfigBaselines::~ConfigBaselines() = default;

void ConfigBaselines::MarkSaved() {
  saved_->Assign(model_);
  Recompute();
}

void ConfigBaselines::SetModule(const ConfigModel& module) {
  if (!module_) module_ = std::make_unique<ConfigModel>();
  module_->Assign(module);
  Recompute();
}

void ConfigBaselines::ClearModule() {
  module_.reset();
  Recompute();
}

void ConfigBaselines::KeepCleanThrough(const std::function<void()>& work) {
  const bool savedClean = SameConfiguration(model_, *saved_);
  const bool moduleClean = module_ && SameConfiguration(model_, *module_);
  work();
  if (savedClean) saved_->Assign(model_);
  if (moduleClean) module_->Assign(model_);
  Recompute();
}

void ConfigBaselines::Recompute() {
  const bool modified = !SameConfiguration(model_, *saved_, false);
  const bool notUploaded = module_ && !SameConfiguration(model_, *module_);
  boxNameChanged_ = model_.BoxName() != saved_->BoxName();
  if (modified == modified_ && notUploaded == notUploaded_) return;
  modified_ = modified;
  notUploaded_ = notUploaded;
  Q_EMIT StateChanged();
}

}  // namespace relvane
