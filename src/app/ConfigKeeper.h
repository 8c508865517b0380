#pragma once
// Keeps the configuration shown from being lost: undo and redo, the title's modified mark and
// "Not uploaded", the question before Exit, Open and Default settings, the question before
// the automatic Read (and before a read that came after its time-out), restore points at each
// transfer, the History window, and the recovery file with its offer at the next start.

#include "config/ConfigBaselines.h"
#include "config/ConfigHistory.h"
#include "config/RecoveryFile.h"
#include "config/ui/HistoryForm.h"
#include "config/ui/UndoHistory.h"
#include "protocol/TransferHost.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace relvane {

class CompareCommand;
class Dialogs;
class TMainForm;
class TransferCommands;

struct KeeperOptions {
    // Where history/ and recovery/ go; empty keeps neither (tests that do not look at them).
    QString dataFolder;
    // Restore points kept per box name; 0 keeps the number the history's index holds.
    int historyLimit = 0;
    int recoveryIntervalMs = 30000;
};

// The texts of the questions.
QString SaveChangesText();       // "Save changes to the configuration?"
QString ReplaceEditsText();      // "The configuration shown has changes that are not saved or uploaded. …"
QString RecoverQuestionText(const QDateTime& time);  // "Recover the configuration you were editing at <time>?"

class ConfigKeeper final : public QObject {
    Q_OBJECT
public:
    ConfigKeeper(TMainForm& main, TransferCommands& transfer, CompareCommand& compare, Dialogs& dialogs,
                 KeeperOptions options);
    ~ConfigKeeper() override;

    // The end of start-up: the configuration as it stands is the saved one, no step is kept,
    // and a recovery file a tool left behind is offered.
    void Start();

    // The commands as the menus, keys and buttons run them.
    void Read();
    void ReadAfterConnect();
    void Defaults();
    void Open();
    void Save();
    void ShowHistory();
    // Before the firmware window programs: the module's configuration as a restore point.
    void BeforeFirmwareProgram();
    // A new adapter was chosen: nothing is known of its module yet.
    void Connecting(const QString& adapter);
    // The name propagation; the pages' corrections in it join the step that renamed.
    void ServeNamePropagation(const std::function<void()>& propagate);
    // Whether the main window may close; a signal never asks and keeps the recovery file.
    bool CanClose(bool bySignal);

    UndoHistory& Undo() { return undo_; }
    ConfigBaselines& Baselines() { return baselines_; }
    ConfigHistory* History() { return history_.get(); }
    RecoveryFile* Recovery() { return recovery_.get(); }
    THistoryForm* HistoryWindow() const { return historyForm_.data(); }
    // Writes the recovery file now when there are unsaved changes (also done every interval).
    void RecoveryTick();

private:
    enum class Replace { Read, Keep, Compare };
    Replace AskReplace();
    // Asks "Save changes…?" while the mark is set; false when the command is to stop.
    bool AskSaveChanges();
    void Starting(TransferKind kind);
    bool TakeRead(ConfigModel& model, const ConfigModel& read, bool afterTimeOut);
    void OfferLateRead();
    void AddRestorePoint(const QString& event, const ConfigModel& model);
    void OfferRecovery();
    // Writes the recovery file; a folder that cannot be written is told once.
    bool WriteRecovery();
    void StateChanged();
    void Saved();

    TMainForm& main_;
    TransferCommands& transfer_;
    CompareCommand& compare_;
    Dialogs& dialogs_;
    KeeperOptions options_;
    ConfigModel& model_;
    UndoHistory undo_;
    ConfigBaselines baselines_;
    std::unique_ptr<ConfigHistory> history_;
    std::unique_ptr<RecoveryFile> recovery_;
    QTimer recoveryTimer_;
    bool recoveryDirty_ = false;
    bool historyWarned_ = false;
    bool recoveryWarned_ = false;
    QString adapter_;
    std::unique_ptr<ConfigModel> readStart_;     // the configuration when the last read started
    std::unique_ptr<ConfigModel> uploadStart_;   // what the running upload sends
    std::unique_ptr<ConfigModel> lateRead_;      // a read that came late and waits for the user
    QPointer<THistoryForm> historyForm_;
};

}  // namespace relvane
