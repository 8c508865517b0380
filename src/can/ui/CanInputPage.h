#pragma once
// The "CAN Inputs" notebook page: the CAN input list and its three-page editor, the CAN setup
// options (TCanSetupGroup), the "CAN switching enabled if input is active" option, the page's
// Read / Upload / Default settings buttons and the CAN monitor (TCanMonitorGroup). Every accepted
// change goes into the model at once; the editor holds no values of its own besides the selection
// and the two byte pairs.

#include "can/CanEditorRules.h"
#include "can/ui/CanMonitorGroup.h"
#include "config/ConfigModel.h"
#include "config/Dialogs.h"
#include "config/SelectionLists.h"
#include "link/FrameCodec.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QRadioButton;
class QTabWidget;

namespace relvane {

class TBytePicker;

class TCanInputPage : public QWidget {
    Q_OBJECT
public:
    TCanInputPage(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, TxSink& queue,
                  QWidget* parent = nullptr);

    // The monitor's dispatcher handler (add it with Dispatcher::AddHandler).
    CanMonitor& Monitor() { return monitorGroup_->Monitor(); }

    // Selected CAN input position 0 to 31, or -1.
    int SelectedCanInput() const;
    void SelectCanInput(int position);  // selects and loads

    // Handlers, public so tests and the main window run them as the controls do.
    void ListBoxCAN_INPUTClick();
    void EditCAN_ID_ON_1Change();
    void EditCAN_ID_OFF_1Change();
    void ComboBoxCAN_OperatorONChange();
    void ComboBoxCAN_OperatorOFFChange();
    void EditValueCAN_ON_1Change();
    void EditValueCAN_OFF_1Change();
    void NoCANdataComboBoxChange();
    void CheckBoxCAN_In_RowEnableClick();
    void EditValueCAN_IN_RowByteIndexChange();
    void EditValueCAN_IN_RowByteValueChange();
    void RadioButton_UnsignedClick();
    void RadioButton_SignedClick();
    void EditValueCAN_IN_DimensionChange();
    void EditValueCAN_IN_MultiplicatorChange();
    void EditValueCAN_IN_OffsetChange();
    // A mouse button released at x over the ON or OFF picture.
    void ImageCan_1_ONMouseUp(int x);
    void ImageCan_1_OFFMouseUp(int x);
    void CheckBoxCanInputEnableClick();
    // "From DBC…": fills the selected CAN input from a signal of a CAN database, as one change.
    void BtnFromDbcClick();
    // Where "From DBC…" and the monitor's "DBC…" keep the last CAN database.
    void SetDbcFileMemory(const DbcFileMemory& files);
    TCanMonitorGroup& MonitorGroup() { return *monitorGroup_; }

    // The monitor group's state.
    // Shows "Off" without telling the module.
    void ResetMonitorSelection() { monitorGroup_->ResetMonitorSelection(); }
    int MonitorSelection() const { return monitorGroup_->MonitorSelection(); }
    // The lines shown (the monitor's batches are appended as they come).
    QStringList MonitorLines() const { return monitorGroup_->MonitorLines(); }
    int MonitorLineCount() const { return monitorGroup_->MonitorLineCount(); }

    // The page-change branch of this page: selects the first CAN input when none is, then
    // refreshes and resets the monitor selector.
    void PageSelected();
    // After a name propagation: reselect (0 when none), reload, refresh and reset the monitor.
    void AfterNamePropagation();

    BytePair OnPair() const { return onPair_; }
    BytePair OffPair() const { return offPair_; }

Q_SIGNALS:
    void BtnCanInputDefaultClicked();
    void BtnCanReadClicked();
    void BtnCanUploadClicked();

private:
    QWidget* BuildGeneralPage();
    QWidget* BuildParameterPage();
    QWidget* BuildAnalysePage();
    QGroupBox* BuildSideGroup(bool on);
    void Connect();
    int Record() const;  // 1-based number of the selected CAN input, 1 when none
    void Write(const std::function<void(CanInputConfig&)>& edit);
    void IdChange(QLineEdit* edit, bool on);
    void ValueChange(QLineEdit* edit, bool on);
    void ByteClick(bool on, int x);
    void ShowConversionError(const ConversionError& error);
    void OnModelChanged(ConfigBlock block, int index);
    void ShowCanInputEnable();
    void RefreshAndResetMonitor();

    ConfigModel& model_;
    SelectionLists& lists_;
    Dialogs& dialogs_;
    BytePair onPair_;
    BytePair offPair_;
    bool writing_ = false;
    bool loaded_ = false;
    DbcFileMemory dbcFiles_;

    QListView* listBox_ = nullptr;
    QGroupBox* groupParameter_ = nullptr;
    QTabWidget* notebook_ = nullptr;
    QLineEdit* idOn_ = nullptr;
    QLineEdit* idOff_ = nullptr;
    QComboBox* operatorOn_ = nullptr;
    QComboBox* operatorOff_ = nullptr;
    TBytePicker* imageOn_ = nullptr;
    TBytePicker* imageOff_ = nullptr;
    QLineEdit* valueOn_ = nullptr;
    QLineEdit* valueOff_ = nullptr;
    QLabel* dimension1_ = nullptr;
    QLabel* dimension2_ = nullptr;
    QComboBox* noCanData_ = nullptr;
    QCheckBox* rowEnable_ = nullptr;
    QLineEdit* rowIndex_ = nullptr;
    QLineEdit* rowValue_ = nullptr;
    QRadioButton* unsigned_ = nullptr;
    QRadioButton* signed_ = nullptr;
    QLineEdit* dimension_ = nullptr;
    QLineEdit* multiplicator_ = nullptr;
    QLineEdit* offset_ = nullptr;

    QCheckBox* canInputEnable_ = nullptr;
    QComboBox* canInputPin_ = nullptr;

    TCanMonitorGroup* monitorGroup_ = nullptr;
};

}  // namespace relvane
