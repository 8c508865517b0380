#pragma once
// The "CAN Export" notebook page: one page per exported CAN message with its enable box,
// identifier, refresh time and the selectors of what each byte or bit carries.

#include "config/ConfigModel.h"
#include "config/Dialogs.h"
#include "config/SelectionLists.h"

#include <QWidget>

#include <array>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTabWidget;

namespace relvane {

class TCanExportPage : public QWidget {
    Q_OBJECT
public:
    TCanExportPage(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, QWidget* parent = nullptr);

    // The refresh edit of export 1 to 4 changed.
    void CAN_ExportRefressTimeChange(int exportNumber);
    void EditCAN_EXPORT_1_RowCounterChange();

    // The selector of an entry: export 1 entries 1 to 18, exports 2 to 4 entries from 0.
    QComboBox* Selector(int exportNumber, int entry) const;

private:
    QWidget* BuildExport1();
    QWidget* BuildBitExport(int exportNumber, const QString& text);
    QWidget* BuildHead(int exportNumber, QWidget* page);
    void Write(int exportNumber, const std::function<void(CanExportConfig&)>& edit);
    void ShowExport(int exportNumber, bool initial = false);
    void OnModelChanged(ConfigBlock block, int index);

    ConfigModel& model_;
    SelectionLists& lists_;
    Dialogs& dialogs_;
    bool writing_ = false;
    QTabWidget* notebook_ = nullptr;
    std::array<QCheckBox*, 4> enable_{};
    std::array<QLineEdit*, 4> id_{};
    std::array<QLineEdit*, 4> refresh_{};
    QLineEdit* rowCount_ = nullptr;
    std::array<std::vector<QComboBox*>, 4> selectors_;
};

}  // namespace relvane
