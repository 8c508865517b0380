#pragma once
// Building blocks of the configuration editor pages: the numeric editor with the typed-comma
// rule, the name editor that refuses characters outside Windows-1252, the output check list,
// and the page base that keeps an editor from redisplaying the model change it made itself.

#include "config/ConfigModel.h"
#include "config/Dialogs.h"
#include "config/SelectionLists.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QWidget>

class QLabel;
class QPushButton;

namespace relvane {

// A numeric editor: a typed comma is entered as a full stop (TjekEditKeyPress).
class TNumericEdit : public QLineEdit {
    Q_OBJECT
public:
    TNumericEdit(const QString& objectName, int maxLength, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// A name editor: at most 15 characters, only characters Windows-1252 can hold.
class TNameEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TNameEdit(const QString& objectName, QWidget* parent = nullptr);
    // The text as the bytes the model keeps.
    ChannelName Name() const;
    void SetName(const ChannelName& name);
};

// A selector bound to one of the shared lists. Its change handler is bound to activated (the
// user's choice), so filling or showing it never writes the model.
QComboBox* MakeSharedSelector(const QString& objectName, QAbstractItemModel* list, QWidget* parent);
// A selector with fixed entries.
QComboBox* MakeFixedSelector(const QString& objectName, const QStringList& entries, QWidget* parent);
// Selects position in a selector, or nothing for a position outside its entries.
void SelectPosition(QComboBox* box, int position);

// The 34 output names as a tick list. ClickCheck is emitted only for the user's ticks and
// unticks; renaming and setting ticks from code are quiet.
class TOutputCheckList : public QListWidget {
    Q_OBJECT
public:
    explicit TOutputCheckList(const QString& objectName, QWidget* parent = nullptr);
    // Renames the entries in place (appending missing ones); ticks stay.
    void SetNames(const QStringList& names);
    OutputList Ticks() const;
    void SetTicks(const OutputList& ticks);
    void SetTicked(int row, bool ticked);
    bool Ticked(int row) const;

Q_SIGNALS:
    void ClickCheck(int row);

private:
    bool quiet_ = false;
};

QStringList OutputNames(const ConfigModel& model);

// The base of every editor page. Handlers write the model through WriteModel; a model change
// arriving while the page writes is its own and is not shown again, so a partly typed number
// stays as typed. Every other change (file, module, other pages) reaches ShowModel.
class TEditorPage : public QWidget {
    Q_OBJECT
public:
    TEditorPage(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, const QString& objectName,
                QWidget* parent = nullptr);

    ConfigModel& Model() { return model_; }

Q_SIGNALS:
    // The page buttons "Read", "Upload" and "Default settings".
    void ReadRequested();
    void UploadRequested();
    void DefaultRequested();

protected:
    // Shows the model's record index (1-based; -1 = every record) of block. -1 is also how a
    // block taken whole (a Read, a file) arrives: the numeric editors then show every value
    // through their own conversion, even where the text before already stood for it.
    virtual void ShowModel(ConfigBlock block, int index) = 0;
    // Called by the derived constructor once its controls exist: shows the whole model.
    void ShowAllBlocks();

    template <class F>
    void WriteModel(F&& write)
    {
        ++writing_;
        write();
        --writing_;
    }
    bool Writing() const { return writing_ > 0; }

    QPushButton* ReadButton(const QString& objectName);
    QPushButton* UploadButton(const QString& objectName);
    QPushButton* DefaultButton(const QString& objectName);
    QLabel* MakeLabel(const QString& text, QWidget* parent = nullptr, const QString& objectName = {});

    ConfigModel& model_;
    SelectionLists& lists_;
    Dialogs& dialogs_;

private:
    void OnModelChanged(ConfigBlock block, int index);
    int writing_ = 0;
};

}  // namespace relvane
