#include "monitor/ui/WidgetDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace relvane {

MessageAnswer WidgetDialogs::Message(MessageKind kind, const QString& text, MessageButtons buttons,
                                     const QString& title)
{
    const QMessageBox::Icon icon = kind == MessageKind::Error         ? QMessageBox::Critical
                                   : kind == MessageKind::Warning     ? QMessageBox::Warning
                                   : kind == MessageKind::Question    ? QMessageBox::Question
                                   : kind == MessageKind::Information ? QMessageBox::Information
                                                                      : QMessageBox::NoIcon;
    const QMessageBox::StandardButtons shown = buttons == MessageButtons::YesNo
                                                   ? QMessageBox::Yes | QMessageBox::No
                                               : buttons == MessageButtons::OkCancel
                                                   ? QMessageBox::Ok | QMessageBox::Cancel
                                                   : QMessageBox::Ok;
    QMessageBox box(icon, title.isEmpty() ? defaultTitle_ : title, text, shown, parent_);
    switch (box.exec()) {
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    case QMessageBox::Ok: return MessageAnswer::Ok;
    default:
        return buttons == MessageButtons::YesNo      ? MessageAnswer::No
               : buttons == MessageButtons::OkCancel ? MessageAnswer::Cancel
                                                     : MessageAnswer::Ok;
    }
}

std::optional<QString> WidgetDialogs::Run(const FileDialogOptions& options, bool save)
{
    QFileDialog dialog(parent_, options.title, options.initialFolder);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !options.mustExist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!save && !options.mustExist)
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    // The caller asks about an existing file itself, with its own text.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    QStringList filters;
    for (const FileFilterEntry& e : SplitFileFilter(options.filter))
        filters << QStringLiteral("%1 (%2)").arg(e.text, QString(e.patterns).replace(QLatin1Char(';'), QLatin1Char(' ')));
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    QString suffix = options.defaultExtension.section(QLatin1Char('|'), 0, 0);
    if (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    if (!options.fileName.isEmpty())
        dialog.selectFile(options.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

}  // namespace relvane
