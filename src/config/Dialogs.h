#pragma once
// The one way every window asks the user something or shows a message box.
// Windows hold a Dialogs& given to their constructor; the program passes QtDialogs
// (src/app/QtDialogs.h), tests pass ScriptedDialogs (tests/support/ScriptedDialogs.h).
// Only QtCore types here, so core code may hold the interface too.

#include <QString>
#include <QStringList>

#include <optional>

namespace relvane {

// The icon (and default title) of a message box.
enum class MessageKind {
    Plain,        // no icon, one OK button: the "show a message" box
    Information,
    Warning,
    Error,
    Question,
};

enum class MessageButtons {
    Ok,
    YesNo,
    OkCancel,
};

enum class MessageAnswer {
    Ok,
    Yes,
    No,
    Cancel,
};

// What an open or save dialog is set up with before it is shown.
struct FileDialogOptions {
    // Window title; empty gives the platform's "Open" / "Save As".
    QString title;
    // Filter in the pipe form "config files (*.cfg)|*.CFG|Text files (*.txt)|*.txt":
    // pairs of shown text and pattern list (patterns separated by ';'). Empty: all files.
    QString filter;
    // Which pair of the filter is chosen first (0 = first pair).
    int filterIndex = 0;
    // Appended (with a dot) to a typed name that has no extension, e.g. "cfg" or ".cfg".
    // A form "txt|bin" counts by its first entry.
    QString defaultExtension;
    // Folder the dialog starts in; empty: the current directory.
    QString initialFolder;
    // File name proposed in the name field (may be a full path, or a pattern like "*.txt").
    QString fileName;
    // Open dialogs: the chosen name must be an existing file. File -> Open clears it, since
    // opening a name that does not exist loads the defaults under that name.
    bool mustExist = true;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Shows a modal message box and returns the button pressed. Closing the box without a
    // button counts as No for Yes/No, Cancel for OK/Cancel and Ok for a lone OK.
    // An empty title gives the kind's default title ("Relvane Tool", "Information",
    // "Warning", "Error", "Confirm").
    virtual MessageAnswer Message(MessageKind kind, const QString& text,
                                  MessageButtons buttons = MessageButtons::Ok,
                                  const QString& title = QString()) = 0;

    // Modal file dialogs; the chosen full path, or nothing when the user cancels.
    // The save dialog does not ask about an existing file itself: the callers do that,
    // with their own texts.
    virtual std::optional<QString> OpenFile(const FileDialogOptions& options) = 0;
    virtual std::optional<QString> SaveFile(const FileDialogOptions& options) = 0;

    // A modal box whose buttons carry the texts given, the first one the default; returns the
    // index of the button pressed, or -1 when the box was closed without one. Implementations
    // that never show boxes (headless hosts, benchmarks) answer -1.
    virtual int Choose(MessageKind kind, const QString& text, const QStringList& buttons,
                       const QString& title = QString())
    {
        (void)kind;
        (void)text;
        (void)buttons;
        (void)title;
        return -1;
    }

    // Shortcuts for the common boxes.
    void ShowMessage(const QString& text) { Message(MessageKind::Plain, text); }
    void Information(const QString& text) { Message(MessageKind::Information, text); }
    void Error(const QString& text) { Message(MessageKind::Error, text); }
    // True when the user answered Yes.
    bool WarningYesNo(const QString& text)
    {
        return Message(MessageKind::Warning, text, MessageButtons::YesNo) == MessageAnswer::Yes;
    }
    bool QuestionYesNo(const QString& text)
    {
        return Message(MessageKind::Question, text, MessageButtons::YesNo) == MessageAnswer::Yes;
    }

protected:
    Dialogs() = default;
    Dialogs(const Dialogs&) = default;
    Dialogs& operator=(const Dialogs&) = default;
};

// Splits a pipe filter into its (text, patterns) pairs; a trailing text without a pattern
// gets "*". Patterns keep their ';' separators.
struct FileFilterEntry {
    QString text;
    QString patterns;
};
inline QList<FileFilterEntry> SplitFileFilter(const QString& filter)
{
    QList<FileFilterEntry> entries;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString text = parts.at(i).trimmed();
        const QString patterns = i + 1 < parts.size() ? parts.at(i + 1).trimmed() : QString();
        if (text.isEmpty() && patterns.isEmpty())
            continue;
        entries.append({text, patterns.isEmpty() ? QStringLiteral("*") : patterns});
    }
    return entries;
}

} // namespace relvane
