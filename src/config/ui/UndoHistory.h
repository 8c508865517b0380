#pragma once
// Undo and redo of the configuration shown. Every change the model reports becomes a step that
// holds only the records it altered, before and after; typing in one field joins one step
// until the field loses the focus; a command's changes (Read, Open, Default settings, a
// restore, a compare's Apply) form one step named after it. Undo and redo write the model
// back, and the pages, name labels and selectors follow its notifications as for any change.
// The steps are bounded in number, so memory stays flat however long the tool runs.

#include "config/ConfigDelta.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QUndoStack;
class QWidget;

namespace relvane {

inline constexpr int kUndoStepLimit = 1000;

class UndoHistory : public QObject {
  Q_OBJECT
 public:
  explicit UndoHistory(ConfigModel& model, int stepLimit = kUndoStepLimit, QObject* parent = nullptr);
  ~UndoHistory() override;

  QUndoStack& Stack() { return *stack_; }
  ConfigRecorder& Recorder() { return recorder_; }

  // The changes work makes become one step called name (none when nothing changed).
  void Step(const QString& name, const std::function<void()>& work);
  // The changes work makes join the step done last (the pages' own corrections after a name
  // propagation belong to the change that renamed); without one they make no step.
  void JoinLastStep(const std::function<void()>& work);
  // The next change starts a step of its own.
  void BreakMerge() { ++generation_; }

  void Undo();
  void Redo();
  QString UndoText() const;
  QString RedoText() const;
  int Count() const;

  // Forgets every step and takes the model as it is now (the end of start-up).
  void Reset();

 private:
  void OnRecorded(const ConfigDelta& delta);

  ConfigModel& model_;
  ConfigRecorder recorder_;
  std::unique_ptr<QUndoStack> stack_;
  // A command's step collects here while it runs.
  std::unique_ptr<ConfigDelta> collecting_;
  bool joining_ = false;
  // Raised by every focus change, undo, redo and command: steps of different generations
  // never merge.
  quint64 generation_ = 0;
};

}  // namespace relvane
