#pragma once
// What the configuration shown is measured against: the configuration last opened, saved or
// read (the title's modified mark) and the module's as last read or uploaded ("Not uploaded").
// Both are found by comparing whole configurations, so an edit undone clears them again.

#include "config/ConfigModel.h"

#include <QObject>

#include <functional>
#include <memory>

namespace relvane {

class ConfigBaselines : public QObject {
  Q_OBJECT
 public:
  explicit ConfigBaselines(const ConfigModel& model, QObject* parent = nullptr);
  ~ConfigBaselines() override;

  // The configuration shown is what was opened, saved or read.
  void MarkSaved();
  // The module holds module (read from it, or uploaded to it).
  void SetModule(const ConfigModel& module);
  // Nothing is known of the module (a new connection).
  void ClearModule();
  const ConfigModel* Module() const { return module_.get(); }
  const ConfigModel& Saved() const { return *saved_; }

  // The title's mark: the configuration differs from the one last opened, saved or read. The box
  // name does not count: a file holds none, so Save would not keep it.
  bool Modified() const { return modified_; }
  // The configuration differs from what the module was last read or uploaded with (false while
  // nothing is known of the module).
  bool NotUploaded() const { return notUploaded_; }
  // Changes that are in no file and not in the module: modified, and not what the module holds
  // (or nothing is known of the module).
  bool Unsecured() const { return (modified_ || boxNameChanged_) && (!module_ || notUploaded_); }

  // Runs work; a baseline the configuration matched before follows what work changed, so
  // corrections the pages make by themselves (after a name propagation) keep a clean
  // configuration clean.
  void KeepCleanThrough(const std::function<void()>& work);

  // Compares again (done by itself after every change of the model).
  void Recompute();

 Q_SIGNALS:
  // Modified() or NotUploaded() changed.
  void StateChanged();

 private:
  const ConfigModel& model_;
  std::unique_ptr<ConfigModel> saved_;
  std::unique_ptr<ConfigModel> module_;
  bool modified_ = false;
  bool notUploaded_ = false;
  bool boxNameChanged_ = false;  // since the configuration was opened, saved or read
};

}  // namespace relvane
