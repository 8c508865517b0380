#include "config/ui/UndoHistory.h"

#include "config/FieldCatalogue.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QUndoCommand>
#include <QUndoStack>
#include <QWidget>

namespace relvane {

namespace {

constexpr int kTypingMergeId = 0x7265;

// A control the user types into, whose keystrokes join one step.
const QWidget* TypingEditor() {
  QWidget* w = QApplication::focusWidget();
  if (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
      qobject_cast<QTextEdit*>(w))
    return w;
  return nullptr;
}

class ConfigStep final : public QUndoCommand {
 public:
  // editor: the control typed into (only compared, never used), or null for a change that
  // does not merge.
  ConfigStep(ConfigRecorder& recorder, ConfigDelta delta, const QString& text, quint64 generation,
             const QWidget* editor)
      : QUndoCommand(text), recorder_(recorder), delta_(std::move(delta)), generation_(generation), editor_(editor) {}

  void undo() override { recorder_.Apply(delta_, true); }
  void redo() override {
    // Pushed after the change was made: the first redo has nothing to do.
    if (fresh_) {
      fresh_ = false;
      return;
    }
    recorder_.Apply(delta_, false);
  }
  int id() const override { return editor_ ? kTypingMergeId : -1; }
  bool mergeWith(const QUndoCommand* other) override {
    const auto* o = static_cast<const ConfigStep*>(other);  // the same id: a ConfigStep
    if (o->generation_ != generation_ || o->editor_ != editor_ || !o->delta_.SameRecords(delta_) ||
        o->text() != text())
      return false;
    Absorb(o->delta_);
    return true;
  }
  void Absorb(const ConfigDelta& later) {
    delta_.Merge(later);
    delta_.DropUnchanged();
    // Typed and typed back: nothing is left to undo.
    if (delta_.Empty()) setObsolete(true);
  }

 private:
  ConfigRecorder& recorder_;
  ConfigDelta delta_;
  quint64 generation_;
  const QWidget* editor_;
  bool fresh_ = true;
};

}  // namespace

UndoHistory::UndoHistory(ConfigModel& model, int stepLimit, QObject* parent)
    : QObject(parent), model_(model), recorder_(model), stack_(std::make_unique<QUndoStack>()) {
  stack_->setUndoLimit(stepLimit);
  connect(&recorder_, &ConfigRecorder::Recorded, this, &UndoHistory::OnRecorded);
  // Leaving a field ends its typing step.
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
    connect(app, &QApplication::focusChanged, this, [this] { ++generation_; });
}

UndoHistory::~UndoHistory() = default;

void UndoHistory::OnRecorded(const ConfigDelta& delta) {
  if (collecting_) {
    collecting_->Merge(delta);
    return;
  }
  if (joining_) {
    if (stack_->index() > 0) {
      // The stack hands its steps out as const; this one takes more records of its own change.
      auto* last = const_cast<ConfigStep*>(static_cast<const ConfigStep*>(stack_->command(stack_->index() - 1)));
      last->Absorb(delta);
    }
    return;
  }
  stack_->push(new ConfigStep(recorder_, delta, ChangeName(delta), generation_, TypingEditor()));
}

void UndoHistory::Step(const QString& name, const std::function<void()>& work) {
  if (collecting_) {
    work();  // inside another command: part of its step
    return;
  }
  collecting_ = std::make_unique<ConfigDelta>();
  struct Finish {
    UndoHistory& h;
    QString name;
    ~Finish() {
      std::unique_ptr<ConfigDelta> delta = std::move(h.collecting_);
      ++h.generation_;
      delta->DropUnchanged();
      if (!delta->Empty()) h.stack_->push(new ConfigStep(h.recorder_, std::move(*delta), name, h.generation_, nullptr));
      ++h.generation_;
    }
  } finish{*this, name};
  work();
}

void UndoHistory::JoinLastStep(const std::function<void()>& work) {
  if (collecting_ || joining_) {
    work();
    return;
  }
  joining_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{joining_};
  work();
}

void UndoHistory::Undo() {
  ++generation_;
  stack_->undo();
  ++generation_;
}

void UndoHistory::Redo() {
  ++generation_;
  stack_->redo();
  ++generation_;
}

QString UndoHistory::UndoText() const { return stack_->undoText(); }
QString UndoHistory::RedoText() const { return stack_->redoText(); }
int UndoHistory::Count() const { return stack_->count(); }

void UndoHistory::Reset() {
  stack_->clear();
  recorder_.Resync();
  ++generation_;
}

}  // namespace relvane
