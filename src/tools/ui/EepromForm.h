#pragma once
// "EEPROM": a hex editor over the EEPROM buffer, with read and write of an
// address range, fill, and text and raw dump files.

#include "tools/EepromTool.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QStyledItemDelegate>

#include <array>

class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

namespace relvane {

// The buffer's data rows 1 … 999 as model rows 0 … 998; the header row's texts
// are the column headers. Only the 16 byte columns are editable.
class EepromGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit EepromGridModel(EepromBuffer& buffer, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    EepromBuffer& buffer_;
};

// The cell editor: each change goes through the tool's shift-in rule, and the
// editor then takes up the cell afresh with its whole text selected.
class EepromCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit EepromCellDelegate(EepromTool& tool, QObject* parent = nullptr);
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    EepromTool& tool_;
};

class TEEPROMForm : public QDialog {
    Q_OBJECT
public:
    explicit TEEPROMForm(ToolHost& host, QWidget* parent = nullptr);
    ~TEEPROMForm() override;

    EepromTool& tool() { return tool_; }

    void EEPROMReadBtnClick();
    void EEPROMWriteBtnClick();
    void FileLoadBtnClick();
    void FileSaveBtnClick();
    void BufferFill00BtnClick();
    void BufferFillFFBtnClick();

protected:
    void showEvent(QShowEvent* e) override;

private:
    void ShowState();

    ToolHost& host_;
    EepromTool tool_;
    EepromGridModel model_;
    std::array<QLineEdit*, EepromTool::FieldCount> fields_{};
    QPushButton* readBtn_ = nullptr;
    QPushButton* writeBtn_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTableView* grid_ = nullptr;
    bool shown_ = false;
};

}  // namespace relvane
