#pragma once
// Message boxes and file dialogs of the platform, for a window that was given no Dialogs.

#include "config/Dialogs.h"

class QWidget;

namespace relvane {

class WidgetDialogs final : public Dialogs {
public:
    // Boxes without a title of their own take defaultTitle.
    WidgetDialogs(QWidget* parent, QString defaultTitle) : parent_(parent), defaultTitle_(std::move(defaultTitle)) {}

    MessageAnswer Message(MessageKind kind, const QString& text, MessageButtons buttons,
                          const QString& title) override;
    std::optional<QString> OpenFile(const FileDialogOptions& options) override { return Run(options, false); }
    std::optional<QString> SaveFile(const FileDialogOptions& options) override { return Run(options, true); }

private:
    std::optional<QString> Run(const FileDialogOptions& options, bool save);

    QWidget* parent_;
    QString defaultTitle_;
};

}  // namespace relvane
