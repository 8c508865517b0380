#pragma once
// "From DBC…" on the CAN Inputs page: the messages and signals of a CAN database, searched by
// message or signal name or identifier, and what filling the selected CAN input from the chosen
// signal would set (or why the module cannot compare it). "Fill" closes the window with the
// filled CAN input; the page writes it into the model as one change.

#include "can/Dbc.h"
#include "can/DbcFill.h"
#include "config/ConfigModel.h"
#include "config/Dialogs.h"

#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace relvane {

// Where the windows keep the last CAN database chosen (the program settings file); without
// functions nothing is kept.
struct DbcFileMemory {
    std::function<QString()> read;
    std::function<void(const QString&)> write;

    QString Last() const { return read ? read() : QString(); }
    void Remember(const QString& path) const
    {
        if (write)
            write(path);
    }
};

// The open dialog of CAN databases, starting at the last file.
FileDialogOptions DbcFileDialogOptions(const QString& lastPath);

// Reads a CAN database for a window. A file that cannot be read gets an error box and gives
// null; lines that were left out are listed in a warning box and the rest is used.
std::shared_ptr<const DbcDatabase> ReadDbcForWindow(Dialogs& dialogs, const QString& path);

class TDbcPickerForm final : public QDialog {
    Q_OBJECT
public:
    // canInput: 1 to 32; current: its record now, which the fill starts from.
    TDbcPickerForm(Dialogs& dialogs, int canInput, const CanInputConfig& current, QWidget* parent = nullptr);
    ~TDbcPickerForm() override;

    // Shows the database at path; false (after its message) when it cannot be read.
    bool OpenDatabase(const QString& path);
    QString DatabasePath() const { return path_; }

    // "File…": picks another database.
    void BtnDbcFileClick();
    // The search edit; the list follows after a short pause while typing (ApplySearch at once).
    void EditDbcSearchChange();
    void ApplySearch();
    // "Fill": a signal the module cannot compare gets its reason in an error box and nothing
    // happens; otherwise the window closes accepted.
    void BtnDbcFillClick();

    // Selects "MESSAGE.SIGNAL"; false when the list has no such signal shown.
    bool SelectSignal(const QString& messageDotSignal);
    // The fill of the selected signal (with the name option as ticked); empty without one.
    std::optional<DbcFillResult> Fill() const;
    int VisibleSignals() const;
    QTreeWidget* TreeDbcSignals() const { return tree_; }
    QString PreviewText() const;

private:
    void Populate();
    void ShowSelection();
    std::optional<DbcSignalRef> Selected() const;

    Dialogs& dialogs_;
    int canInput_;
    CanInputConfig current_;
    std::shared_ptr<const DbcDatabase> db_;
    QString path_;
    QTimer searchPause_;

    QLabel* fileLabel_ = nullptr;
    QLineEdit* search_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QLabel* preview_ = nullptr;
    QCheckBox* takeName_ = nullptr;
    QPushButton* fill_ = nullptr;
};

// "From DBC…": the picker over the last CAN database (the open dialog first when there is none),
// run modally. The CAN input filled from the chosen signal, or nothing when the user cancelled.
std::optional<CanInputConfig> RunDbcPicker(Dialogs& dialogs, const DbcFileMemory& files, int canInput,
                                           const CanInputConfig& current, QWidget* parent);

}  // namespace relvane
