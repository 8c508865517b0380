#include "app/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

namespace relvane {

namespace {

QString NormalisedPatterns(const QString& patterns)
{
    QStringList list = patterns.split(QRegularExpression(QStringLiteral("[;\\s]+")),
                                      Qt::SkipEmptyParts);
    return list.join(QLatin1Char(' '));
}

} // namespace

QStringList QtNameFilters(const QString& pipeFilter)
{
    QStringList filters;
    for (const FileFilterEntry& e : SplitFileFilter(pipeFilter)) {
        const QString patterns = NormalisedPatterns(e.patterns);
        QString text = e.text.isEmpty() ? patterns : e.text;
        static const QRegularExpression trailing(QStringLiteral("\\(([^()]*)\\)\\s*$"));
        const QRegularExpressionMatch m = trailing.match(text);
        const bool ownPatterns =
            m.hasMatch() && NormalisedPatterns(m.captured(1)).compare(patterns, Qt::CaseInsensitive) == 0;
        if (!ownPatterns)
            text = text + QStringLiteral(" (") + patterns + QLatin1Char(')');
        filters.append(text);
    }
    return filters;
}

QString QtDefaultSuffix(const QString& defaultExtension)
{
    QString first = defaultExtension.section(QLatin1Char('|'), 0, 0).trimmed();
    while (first.startsWith(QLatin1Char('.')))
        first.remove(0, 1);
    return first;
}

QString DefaultMessageTitle(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Plain:
        break;
    case MessageKind::Information:
        return QStringLiteral("Information");
    case MessageKind::Warning:
        return QStringLiteral("Warning");
    case MessageKind::Error:
        return QStringLiteral("Error");
    case MessageKind::Question:
        return QStringLiteral("Confirm");
    }
    const QString app = QGuiApplication::applicationDisplayName();
    return app.isEmpty() ? QStringLiteral("Relvane Tool") : app;
}

QWidget* QtDialogs::Parent() const
{
    return parent_ ? parent_ : QApplication::activeWindow();
}

MessageAnswer QtDialogs::Message(MessageKind kind, const QString& text, MessageButtons buttons,
                                 const QString& title)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (kind) {
    case MessageKind::Plain:
        break;
    case MessageKind::Information:
        icon = QMessageBox::Information;
        break;
    case MessageKind::Warning:
        icon = QMessageBox::Warning;
        break;
    case MessageKind::Error:
        icon = QMessageBox::Critical;
        break;
    case MessageKind::Question:
        icon = QMessageBox::Question;
        break;
    }
    QMessageBox::StandardButtons standard = QMessageBox::Ok;
    QMessageBox::StandardButton escape = QMessageBox::Ok;
    if (buttons == MessageButtons::YesNo) {
        standard = QMessageBox::Yes | QMessageBox::No;
        escape = QMessageBox::No;
    } else if (buttons == MessageButtons::OkCancel) {
        standard = QMessageBox::Ok | QMessageBox::Cancel;
        escape = QMessageBox::Cancel;
    }
    QMessageBox box(icon, title.isEmpty() ? DefaultMessageTitle(kind) : title, text, standard,
                    Parent());
    box.setEscapeButton(escape);
    box.setDefaultButton(buttons == MessageButtons::YesNo ? QMessageBox::Yes : QMessageBox::Ok);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    case QMessageBox::Ok:
        return MessageAnswer::Ok;
    default:
        // Closed by the window manager: the escape button's answer.
        return escape == QMessageBox::No       ? MessageAnswer::No
               : escape == QMessageBox::Cancel ? MessageAnswer::Cancel
                                               : MessageAnswer::Ok;
    }
}

std::optional<QString> QtDialogs::RunFileDialog(const FileDialogOptions& options, bool save)
{
    QFileDialog dialog(Parent(), options.title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !options.mustExist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The desktop's own open dialogs take existing files only, whatever the mode asks.
    if (!save && !options.mustExist)
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    // Callers ask about an existing file themselves, with their own text.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QStringList filters = QtNameFilters(options.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (options.filterIndex >= 0 && options.filterIndex < filters.size())
            dialog.selectNameFilter(filters.at(options.filterIndex));
    }
    const QString suffix = QtDefaultSuffix(options.defaultExtension);
    if (!suffix.isEmpty())
        dialog.setDefaultSuffix(suffix);
    if (!options.initialFolder.isEmpty())
        dialog.setDirectory(options.initialFolder);
    if (!options.fileName.isEmpty())
        dialog.selectFile(options.fileName);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return std::nullopt;
    return chosen.first();
}

std::optional<QString> QtDialogs::OpenFile(const FileDialogOptions& options)
{
    return RunFileDialog(options, false);
}

std::optional<QString> QtDialogs::SaveFile(const FileDialogOptions& options)
{
    return RunFileDialog(options, true);
}

int QtDialogs::Choose(MessageKind kind, const QString& text, const QStringList& buttons, const QString& title)
{
    static const QMessageBox::Icon icons[] = {QMessageBox::NoIcon, QMessageBox::Information, QMessageBox::Warning,
                                              QMessageBox::Critical, QMessageBox::Question};
    QMessageBox box(icons[int(kind)], title.isEmpty() ? DefaultMessageTitle(kind) : title, text,
                    QMessageBox::NoButton, Parent());
    QList<QAbstractButton*> added;
    for (const QString& b : buttons)
        added.append(box.addButton(b, QMessageBox::ActionRole));
    if (!added.isEmpty())
        box.setDefaultButton(qobject_cast<QPushButton*>(added.first()));
    box.exec();
    // Escape or the window manager's close: no button.
    return int(added.indexOf(box.clickedButton()));
}

} // namespace relvane
