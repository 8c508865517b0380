#pragma once
// The program's Dialogs: real QMessageBox and QFileDialog windows.

#include "config/Dialogs.h"

#include <QStringList>

class QWidget;

namespace relvane {

// Qt name filters ("config files (*.cfg)") from a pipe filter ("config files (*.cfg)|*.CFG").
// A shown text that already ends in its own pattern list, in any letter case, is kept as it
// is; otherwise the patterns are appended in brackets, which is where Qt takes them from.
QStringList QtNameFilters(const QString& pipeFilter);

// The suffix QFileDialog appends: the first entry of "txt|bin", without a leading dot.
QString QtDefaultSuffix(const QString& defaultExtension);

// The title a message box of this kind gets when the caller gives none.
QString DefaultMessageTitle(MessageKind kind);

class QtDialogs final : public Dialogs {
public:
    // Boxes are centred on parent, or on the active window when parent is null.
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}

    void SetParent(QWidget* parent) { parent_ = parent; }

    MessageAnswer Message(MessageKind kind, const QString& text, MessageButtons buttons,
                          const QString& title) override;
    std::optional<QString> OpenFile(const FileDialogOptions& options) override;
    std::optional<QString> SaveFile(const FileDialogOptions& options) override;
    int Choose(MessageKind kind, const QString& text, const QStringList& buttons,
               const QString& title) override;

private:
    QWidget* Parent() const;
    std::optional<QString> RunFileDialog(const FileDialogOptions& options, bool save);

    QWidget* parent_;
};

} // namespace relvane
