#include "can/ui/DbcExportCommand.h"

#include "can/DbcExport.h"

#include <QFileInfo>

namespace relvane {

QString ExportCanDatabaseClick(const ConfigModel& model, Dialogs& dialogs, const QString& lastConfigPath)
{
    FileDialogOptions o;
    o.title = QStringLiteral("Export CAN database");
    o.filter = QStringLiteral("CAN database (*.dbc)|*.dbc");
    o.defaultExtension = QStringLiteral("dbc");
    const QFileInfo last(lastConfigPath);
    if (!lastConfigPath.isEmpty()) {
        o.initialFolder = last.isDir() ? last.absoluteFilePath() : last.absolutePath();
        if (last.isFile())
            o.fileName = last.absolutePath() + QLatin1Char('/') + last.completeBaseName() + QStringLiteral(".dbc");
    }
    const std::optional<QString> chosen = dialogs.SaveFile(o);
    if (!chosen || chosen->isEmpty())
        return {};
    if (QFileInfo::exists(*chosen)
        && dialogs.Message(MessageKind::Warning, QStringLiteral("File already exists: '%1'\nOverwrite ?").arg(*chosen),
                           MessageButtons::YesNo)
               != MessageAnswer::Yes)
        return {};

    const DbcExportResult r = ExportCanDatabase(model, last.isFile() ? last.fileName() : QString());
    QString error;
    if (!SaveDbcFile(r.database, *chosen, &error)) {
        dialogs.Error(error);
        return {};
    }
    if (!r.notes.isEmpty())
        dialogs.Information(QStringLiteral("The CAN database is written; left out:\n") + r.notes.join(QLatin1Char('\n')));
    return *chosen;
}

}  // namespace relvane
