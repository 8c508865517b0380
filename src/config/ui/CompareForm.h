#pragma once
// "Tools" -> "Compare configuration…": the configuration shown against a configuration file or
// the module, read into a model of the window's own, so the shown one is never touched. Only
// the fields that differ are listed, grouped by the page that edits them; a double click on a
// row takes the user to that control. The list follows later edits of the shown configuration.

#include "config/ConfigCompare.h"
#include "config/ConfigModel.h"
#include "config/Dialogs.h"

#include <QDialog>
#include <QPair>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace relvane {

class TCompareForm final : public QDialog {
    Q_OBJECT
public:
    struct Hooks {
        // Reads the module's whole configuration into the model given (never the shown one).
        std::function<ModuleReadResult(ConfigModel&)> readModule;
        // Shows the control of a row in the main window.
        std::function<void(const FieldLocation&)> goTo;
        // The folder the file dialog starts in (the last configuration path); may be empty.
        std::function<QString()> lastConfigPath;
        // Runs the Apply of ticked rows as one undoable step called name; without it the
        // changes are made directly.
        std::function<void(const QString& name, const std::function<void()>& work)> step;
    };

    // pageCaptions: the notebook's captions by page index, for the group rows.
    TCompareForm(ConfigModel& shown, Dialogs& dialogs, QStringList pageCaptions, Hooks hooks,
                 QWidget* parent = nullptr);
    ~TCompareForm() override;

    // The buttons: "File…" asks for a file and compares with it; "Module" reads the module.
    void BtnCompareFileClick();
    void BtnCompareModuleClick();
    // Compares with the file at path; false (and a message) when it cannot be read.
    bool CompareWithFile(const QString& path);
    // Compares with a configuration the caller has (a read that came late, a restore point);
    // source is what the window says it is, valueHeading the other column's heading.
    void CompareWithModel(std::unique_ptr<ConfigModel> other, const QString& source, const QString& valueHeading,
                          bool withBoxName);
    // "Tick all", "Tick none" and "Apply ticked": the ticked rows take the other side's value
    // into the configuration shown, as one undoable step.
    void BtnTickAllClick();
    void BtnTickNoneClick();
    void BtnApplyTickedClick();
    // The rows ticked now, as (section, key).
    QList<QPair<QString, QString>> TickedRows() const;
    void SetRowTicked(const QString& section, const QString& key, bool ticked);
    // A double click on a row.
    void TreeDifferencesDoubleClick(QTreeWidgetItem* item);

    // What the list shows now.
    const QList<CompareGroup>& Groups() const { return groups_; }
    bool HasComparison() const { return other_ != nullptr; }
    QString SummaryText() const;
    QString SourceText() const;
    QTreeWidget* TreeDifferences() const { return tree_; }
    // The row item of a field by section and key ("OUTPUT", "TRIGGER5"), or nullptr.
    QTreeWidgetItem* RowItem(const QString& section, const QString& key) const;

    // Texts of the window's messages.
    static QString FileMissingText(const QString& path);  // "Unable to read <path>: there is no such file"
    static QString NotAFileText(const QString& path);     // "Unable to read <path>: it is not a file"
    static QString ModuleIncompleteText();
    static QString NothingComparedText();

private:
    void Recompare();
    void ShowGroups();
    void ClearComparison(const QString& why);

    ConfigModel& shown_;
    Dialogs& dialogs_;
    QStringList captions_;
    Hooks hooks_;
    std::unique_ptr<ConfigModel> other_;  // the other side; null while nothing is compared
    bool otherHasBoxName_ = false;        // a file carries no box name, a module does
    QString source_;
    QList<CompareGroup> groups_;
    QString lastFile_;
    QTimer refresh_;

    void TickAll(bool ticked);

    QSet<QPair<QString, QString>> ticked_;  // kept across the list's rebuilds
    QPushButton* btnFile_ = nullptr;
    QPushButton* btnApply_ = nullptr;
    QPushButton* btnModule_ = nullptr;
    QLabel* sourceLabel_ = nullptr;
    QLabel* summary_ = nullptr;
    QTreeWidget* tree_ = nullptr;
};

// Makes the control named objectName inside page visible and gives it the focus: the inner
// notebook tab that holds it is shown, scroll boxes scroll to it, and in a list control the
// entry at row (if not -1) becomes the current one. False when page holds no such control.
bool RevealControl(QWidget* page, const QString& objectName, int row = -1);

}  // namespace relvane
