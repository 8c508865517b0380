#pragma once
// "Tools" -> "History…": the restore points, newest first, with their time, event, box name and
// adapter. "Compare" shows the compare window against the one selected, "Restore" makes it the
// configuration shown (one undoable step), "Open folder" shows the folder in the file manager.
// Index lines and files that cannot be used are named below the list.

#include "config/ConfigHistory.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace relvane {

class ConfigModel;
class Dialogs;

class THistoryForm final : public QDialog {
    Q_OBJECT
public:
    struct Hooks {
        // The compare window against the restore point (read whole, with its box name).
        std::function<void(const ConfigModel&, const RestorePoint&)> compare;
        // The restore point becomes the configuration shown.
        std::function<void(const ConfigModel&, const RestorePoint&)> restore;
        // Shows the folder; the desktop's file manager when not set.
        std::function<void(const QString&)> openFolder;
    };

    THistoryForm(QString folder, Dialogs& dialogs, Hooks hooks, QWidget* parent = nullptr);

    // Lists the folder again (done on every showing).
    void Reload();
    void BtnCompareClick();
    void BtnRestoreClick();
    void BtnOpenFolderClick();

    QTreeWidget* List() const { return list_; }
    const HistoryListing& Listing() const { return listing_; }
    QString SkippedText() const;
    // Selects the row of the restore point n (from 0, newest first).
    void SelectRow(int n);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Reads the selected restore point whole; false (after a message) when it cannot be.
    bool ReadSelected(ConfigModel& into, RestorePoint* point);

    QString folder_;
    Dialogs& dialogs_;
    Hooks hooks_;
    HistoryListing listing_;
    QTreeWidget* list_ = nullptr;
    QLabel* skipped_ = nullptr;
    QLabel* folderLabel_ = nullptr;
    QPushButton* compare_ = nullptr;
    QPushButton* restore_ = nullptr;
};

}  // namespace relvane
