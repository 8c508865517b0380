#include "app/TransferCommands.h"

#include "app/MainForm.h"
#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "config/Cp1252.h"
#include "config/Dialogs.h"
#include "protocol/Dispatcher.h"

#include <QFileInfo>

#include <algorithm>

namespace relvane {

QString MainTitleText(TitleSource source, const QByteArray& boxName, const QString& fileName)
{
    const QString base = QStringLiteral("Relvane Tool");
    switch (source) {
    case TitleSource::None:
        return QString();
    case TitleSource::Module:
        return base + (boxName.isEmpty() ? QStringLiteral(" - [ No Name ]")
                                         : QStringLiteral(" - [ ") + Cp1252ToString(boxName) + QStringLiteral(" ]"));
    case TitleSource::File:
        return base + QStringLiteral(" - [ ") + fileName + QStringLiteral(" ]");
    }
    return QString();
}

QString ConfigFileFilter() { return QStringLiteral("config files (*.cfg)|*.CFG"); }

QString OverwriteQuestionText(const QString& path)
{
    return QStringLiteral("File already exists: '%1'\nOverwrite ?").arg(path);
}

TransferCommands::TransferCommands(TMainForm& main, ConfigModel& model, Dispatcher& dispatcher,
                                   Dialogs& dialogs)
    : main_(main), model_(model), dispatcher_(dispatcher), dialogs_(dialogs),
      windows_(dialogs, dispatcher, &main), sequencer_(model, *this)
{
    dispatcher_.AddHandler(&sequencer_);
}

TransferCommands::~TransferCommands() { dispatcher_.RemoveHandler(&sequencer_); }

void TransferCommands::BtnLoadClick() { sequencer_.Read(); }
void TransferCommands::BtnSaveClick() { sequencer_.Upload(); }
void TransferCommands::BtnDefaultValueClick() { sequencer_.FactoryDefault(); }

void TransferCommands::OpenClick()
{
    FileDialogOptions o;
    o.filter = ConfigFileFilter();
    const QString last = main_.LastConfigPath();
    o.fileName = !last.isEmpty() && QFileInfo(last).isFile() ? last : openName_;
    const std::optional<QString> chosen = dialogs_.OpenFile(o);
    if (!chosen || chosen->isEmpty())
        return;
    openName_ = *chosen;

    // The lists follow the names the file brings, whether or not a transfer runs.
    RequestNamePropagation();
    QString error;
    // Loading empties the box name: a file carries none.
    if (!LoadConfigFile(model_, *chosen, &error)) {
        // The file is there but cannot be read: nothing was changed.
        dialogs_.Error(error);
        return;
    }
    source_ = TitleSource::File;
    const qsizetype cut = std::max(chosen->lastIndexOf(QLatin1Char('/')), chosen->lastIndexOf(QLatin1Char('\\')));
    titleFileName_ = chosen->mid(cut + 1);
}

void TransferCommands::SaveClick()
{
    FileDialogOptions o;
    o.filter = ConfigFileFilter();
    o.defaultExtension = QStringLiteral("cfg");
    const QString last = main_.LastConfigPath();
    if (!last.isEmpty())
        o.initialFolder = QFileInfo(last).isDir() ? last : QFileInfo(last).absolutePath();
    const std::optional<QString> chosen = dialogs_.SaveFile(o);
    if (!chosen || chosen->isEmpty())
        return;

    const QString target = ConfigFilePath(*chosen);
    if (QFileInfo::exists(target)
        && dialogs_.Message(MessageKind::Warning, OverwriteQuestionText(target), MessageButtons::YesNo)
               != MessageAnswer::Yes)
        return;

    // The file is replaced whole once everything is written, so a failed save leaves
    // the file that was there as it was.
    QString error;
    const bool saved = SaveConfigFile(model_, target, &error);
    if (saved || !error.startsWith(QStringLiteral("Unable to create file")))
        main_.SetLastConfigPath(target);
    if (!saved)
        dialogs_.Error(error);
}

void TransferCommands::UpdateTitle()
{
    const QString title = MainTitleText(source_, model_.BoxName(), titleFileName_);
    if (!title.isEmpty() && main_.windowTitle() != title)
        main_.setWindowTitle(title);
}

bool TransferCommands::Connected() const { return main_.Connected(); }
bool TransferCommands::FirmwareBusy() const { return main_.FirmwareBusy(); }
TxSink& TransferCommands::TxQueue() { return main_.TxQueue(); }

bool TransferCommands::ResetMonitorSelection() { return monitorReset_ ? monitorReset_() : false; }

void TransferCommands::PauseMs(int ms) { main_.PauseMs(ms); }

VersionCheckResult TransferCommands::RunVersionCheck() { return windows_.RunVersionCheck(); }

ProgressEnd TransferCommands::RunProgress(const std::function<void()>& cancel)
{
    return windows_.RunProgress(cancel);
}

void TransferCommands::CloseProgress() { windows_.CloseProgress(); }

void TransferCommands::SetTransferBusy(bool busy) { main_.SetTransferBusy(busy); }

void TransferCommands::RequestNamePropagation()
{
    if (namesRequest_)
        namesRequest_();
}

void TransferCommands::SetTitleSourceModule() { source_ = TitleSource::Module; }

void TransferCommands::ShowMessage(const QString& text) { dialogs_.ShowMessage(text); }

bool TransferCommands::AskYesNo(const QString& text)
{
    return dialogs_.Message(MessageKind::Question, text, MessageButtons::YesNo) == MessageAnswer::Yes;
}

}  // namespace relvane
