#include "app/ConfigKeeper.h"

#include "app/CompareCommand.h"
#include "app/MainForm.h"
#include "app/TransferCommands.h"
#include "config/ConfigDelta.h"
#include "config/Cp1252.h"
#include "config/Dialogs.h"
#include "config/ui/CompareForm.h"
#include "config/ui/HistoryForm.h"

#include <QDir>

namespace relvane {

QString SaveChangesText() { return QStringLiteral("Save changes to the configuration?"); }

QString ReplaceEditsText()
{
    return QStringLiteral("The configuration shown has changes that are not saved or uploaded. "
                          "Read the module and replace them?");
}

QString RecoverQuestionText(const QDateTime& time)
{
    return QStringLiteral("Recover the configuration you were editing at %1?")
        .arg(time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

namespace {

std::unique_ptr<ConfigModel> CopyOf(const ConfigModel& m)
{
    auto copy = std::make_unique<ConfigModel>();
    copy->Assign(m);
    return copy;
}

}  // namespace

ConfigKeeper::ConfigKeeper(TMainForm& main, TransferCommands& transfer, CompareCommand& compare, Dialogs& dialogs,
                           KeeperOptions options)
    : main_(main), transfer_(transfer), compare_(compare), dialogs_(dialogs), options_(std::move(options)),
      model_(main.Model()), undo_(main.Model()), baselines_(main.Model())
{
    if (!options_.dataFolder.isEmpty()) {
        const QDir data(options_.dataFolder);
        history_ = std::make_unique<ConfigHistory>(data.filePath(QStringLiteral("history")), options_.historyLimit);
        recovery_ = std::make_unique<RecoveryFile>(data.filePath(QStringLiteral("recovery")));
    }
    connect(&baselines_, &ConfigBaselines::StateChanged, this, &ConfigKeeper::StateChanged);
    connect(&model_, &ConfigModel::ChangesSettled, this, [this] { recoveryDirty_ = true; });
    recoveryTimer_.setInterval(options_.recoveryIntervalMs);
    connect(&recoveryTimer_, &QTimer::timeout, this, &ConfigKeeper::RecoveryTick);

    TransferHooks hooks;
    hooks.starting = [this](TransferKind kind) { Starting(kind); };
    hooks.takeRead = [this](ConfigModel& model, const ConfigModel& read, bool late) {
        return TakeRead(model, read, late);
    };
    hooks.uploadCompleted = [this] {
        if (uploadStart_)
            baselines_.SetModule(*uploadStart_);
        uploadStart_.reset();
    };
    hooks.moduleRead = [this](const ConfigModel& read) {
        AddRestorePoint(HistoryEvent::Read, read);
        baselines_.SetModule(read);
    };
    transfer_.SetTransferHooks(std::move(hooks));
    compare_.SetStep([this](const QString& name, const std::function<void()>& work) { undo_.Step(name, work); });
}

ConfigKeeper::~ConfigKeeper()
{
    delete historyForm_.data();
}

void ConfigKeeper::Start()
{
    undo_.Reset();
    baselines_.ClearModule();
    baselines_.MarkSaved();
    if (recovery_)
        recoveryTimer_.start();
    OfferRecovery();
}

// ---------------------------------------------------------------------------------------------
// Commands

void ConfigKeeper::Read()
{
    undo_.Step(QStringLiteral("Read"), [this] { transfer_.BtnLoadClick(); });
}

void ConfigKeeper::ReadAfterConnect()
{
    // Edits that are in no file and not in the module are not replaced without asking.
    if (baselines_.Unsecured()) {
        switch (AskReplace()) {
        case Replace::Read:
            AddRestorePoint(HistoryEvent::Edits, model_);
            break;
        case Replace::Keep:
            return;
        case Replace::Compare:
            compare_.Open();
            if (TCompareForm* w = compare_.Window())
                w->BtnCompareModuleClick();
            return;
        }
    }
    Read();
}

void ConfigKeeper::Defaults()
{
    if (!AskSaveChanges())
        return;
    undo_.Step(QStringLiteral("Default settings"), [this] { transfer_.BtnDefaultValueClick(); });
}

void ConfigKeeper::Open()
{
    if (!AskSaveChanges())
        return;
    bool loaded = false;
    undo_.Step(QStringLiteral("Open"), [&] { loaded = transfer_.OpenClick(); });
    if (loaded)
        baselines_.MarkSaved();
}

void ConfigKeeper::Save()
{
    if (transfer_.SaveClick())
        Saved();
}

void ConfigKeeper::Saved()
{
    baselines_.MarkSaved();
    if (recovery_)
        recovery_->Remove();
}

bool ConfigKeeper::AskSaveChanges()
{
    if (!baselines_.Modified())
        return true;
    switch (dialogs_.Choose(MessageKind::Question, SaveChangesText(),
                            {QStringLiteral("Save"), QStringLiteral("Discard"), QStringLiteral("Cancel")})) {
    case 0:
        // A save that is cancelled or fails stops the command too.
        if (!transfer_.SaveClick())
            return false;
        Saved();
        return true;
    case 1:
        return true;
    default:
        return false;
    }
}

ConfigKeeper::Replace ConfigKeeper::AskReplace()
{
    switch (dialogs_.Choose(MessageKind::Question, ReplaceEditsText(),
                            {QStringLiteral("Read"), QStringLiteral("Keep"), QStringLiteral("Compare")})) {
    case 0:
        return Replace::Read;
    case 2:
        return Replace::Compare;
    default:
        return Replace::Keep;  // closed without an answer: nothing is replaced
    }
}

bool ConfigKeeper::CanClose(bool bySignal)
{
    if (bySignal) {
        // A session ending must not hang on a question: the changes go to the recovery file.
        if (recovery_ && baselines_.Modified())
            recovery_->Write(model_);
        return true;
    }
    if (!AskSaveChanges())
        return false;
    if (recovery_)
        recovery_->Remove();
    return true;
}

void ConfigKeeper::ServeNamePropagation(const std::function<void()>& propagate)
{
    baselines_.KeepCleanThrough([&] { undo_.JoinLastStep(propagate); });
}

void ConfigKeeper::Connecting(const QString& adapter)
{
    adapter_ = adapter;
    baselines_.ClearModule();
}

// ---------------------------------------------------------------------------------------------
// Transfers

void ConfigKeeper::Starting(TransferKind kind)
{
    if (recovery_ && baselines_.Modified())
        WriteRecovery();
    switch (kind) {
    case TransferKind::Read:
        readStart_ = CopyOf(model_);
        break;
    case TransferKind::Upload:
        AddRestorePoint(HistoryEvent::Upload, model_);
        uploadStart_ = CopyOf(model_);
        break;
    case TransferKind::FactoryDefault:
        if (const ConfigModel* module = baselines_.Module())
            AddRestorePoint(HistoryEvent::Defaults, *module);
        break;
    }
}

bool ConfigKeeper::TakeRead(ConfigModel& model, const ConfigModel& read, bool afterTimeOut)
{
    AddRestorePoint(HistoryEvent::Read, read);
    baselines_.SetModule(read);
    if (afterTimeOut && readStart_ && !SameConfiguration(model, *readStart_)) {
        // Edits were made since the read timed out: offered, never taken silently. (This runs
        // in the link's hand-off, where no window may be shown.)
        lateRead_ = CopyOf(read);
        QTimer::singleShot(0, this, &ConfigKeeper::OfferLateRead);
        return false;
    }
    undo_.Step(QStringLiteral("Read"), [&] { model.Assign(read); });
    baselines_.MarkSaved();
    return true;
}

void ConfigKeeper::OfferLateRead()
{
    std::unique_ptr<ConfigModel> read = std::move(lateRead_);
    if (!read)
        return;
    switch (AskReplace()) {
    case Replace::Read:
        AddRestorePoint(HistoryEvent::Edits, model_);
        undo_.Step(QStringLiteral("Read"), [&] { model_.Assign(*read); });
        transfer_.SetTitleSourceModule();
        baselines_.MarkSaved();
        transfer_.UpdateTitle();
        return;
    case Replace::Keep:
        return;
    case Replace::Compare:
        compare_.Open();
        if (TCompareForm* w = compare_.Window())
            w->CompareWithModel(std::move(read), QStringLiteral("Module, as read after the time-out"),
                                QStringLiteral("Module value"), true);
        return;
    }
}

void ConfigKeeper::BeforeFirmwareProgram()
{
    if (const ConfigModel* module = baselines_.Module())
        AddRestorePoint(HistoryEvent::Firmware, *module);
}

void ConfigKeeper::AddRestorePoint(const QString& event, const ConfigModel& model)
{
    if (!history_)
        return;
    QString error;
    if (history_->Add(event, model, adapter_, &error)) {
        historyWarned_ = false;
        return;
    }
    // Told once, not at every transfer; never in the link's hand-off.
    if (historyWarned_)
        return;
    historyWarned_ = true;
    QTimer::singleShot(0, this, [this, error] { dialogs_.Message(MessageKind::Warning, error); });
}

// ---------------------------------------------------------------------------------------------
// Title, status and recovery

void ConfigKeeper::StateChanged()
{
    transfer_.SetTitleModified(baselines_.Modified());
    main_.SetNotUploaded(baselines_.NotUploaded());
    if (recovery_ && !baselines_.Modified())
        recovery_->Remove();
}

void ConfigKeeper::RecoveryTick()
{
    if (!recovery_)
        return;
    if (!baselines_.Modified()) {
        recovery_->Remove();
        return;
    }
    if (!recoveryDirty_ && recovery_->Exists())
        return;
    if (WriteRecovery())
        recoveryDirty_ = false;
}

bool ConfigKeeper::WriteRecovery()
{
    QString error;
    if (recovery_->Write(model_, &error)) {
        recoveryWarned_ = false;
        return true;
    }
    // Told once, not every 30 s; never in the link's hand-off.
    if (!recoveryWarned_) {
        recoveryWarned_ = true;
        QTimer::singleShot(0, this, [this, error] {
            dialogs_.Message(MessageKind::Warning,
                             QStringLiteral("The configuration cannot be kept for recovery: %1. Save it to keep it safe.")
                                 .arg(error));
        });
    }
    return false;
}

void ConfigKeeper::OfferRecovery()
{
    if (!recovery_)
        return;
    const QList<RecoveryFile::Left> left = recovery_->LeftBehind();
    for (int i = 0; i < left.size(); ++i) {
        const RecoveryFile::Left& file = left.at(i);
        ConfigModel found;
        QString why;
        if (!RecoveryFile::Load(file.path, found, &why)) {
            dialogs_.Message(MessageKind::Warning, QStringLiteral("A recovery file cannot be used: %1").arg(why));
            RecoveryFile::Discard(file.path);
            continue;
        }
        // Only the newest is offered; every one is kept in the history, so none is lost.
        const bool take = i == 0 && dialogs_.QuestionYesNo(RecoverQuestionText(file.time));
        AddRestorePoint(HistoryEvent::Recovery, found);
        if (take) {
            undo_.Step(QStringLiteral("Recover"), [&] { model_.Assign(found); });
            recovery_->Write(model_);
            recoveryDirty_ = false;
        }
        RecoveryFile::Discard(file.path);
    }
}

void ConfigKeeper::ShowHistory()
{
    if (!history_)
        return;
    if (!historyForm_) {
        THistoryForm::Hooks hooks;
        hooks.compare = [this](const ConfigModel& point, const RestorePoint& p) {
            compare_.Open();
            if (TCompareForm* w = compare_.Window())
                w->CompareWithModel(CopyOf(point),
                                    QStringLiteral("Restore point: %1, %2, %3")
                                        .arg(p.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                             HistoryEventText(p.event),
                                             p.boxName.isEmpty() ? QStringLiteral("(no name)") : Cp1252ToString(p.boxName)),
                                    QStringLiteral("Restore point value"), true);
        };
        hooks.restore = [this](const ConfigModel& point, const RestorePoint&) {
            undo_.Step(QStringLiteral("Restore"), [&] { model_.Assign(point); });
        };
        historyForm_ = new THistoryForm(history_->Folder(), dialogs_, std::move(hooks), &main_);
    }
    historyForm_->show();
    historyForm_->raise();
    historyForm_->activateWindow();
}

}  // namespace relvane
