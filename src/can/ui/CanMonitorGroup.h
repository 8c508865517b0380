#pragma once
// The "CAN Monitor" group of the CAN Inputs page: the selector that tells the module what to
// forward, the file log and the list of forwarded messages. It owns the monitor core, which the
// dispatcher feeds.

#include "can/CanMonitor.h"
#include "can/ui/DbcPickerForm.h"
#include "config/ConfigModel.h"
#include "config/Dialogs.h"
#include "config/SelectionLists.h"
#include "link/FrameCodec.h"

#include <QGroupBox>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace relvane {

class TCanMonitorGroup final : public QGroupBox {
    Q_OBJECT
public:
    TCanMonitorGroup(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, TxSink& queue,
                     QWidget* parent = nullptr);

    // The monitor's dispatcher handler (add it with Dispatcher::AddHandler).
    CanMonitor& Monitor() { return monitor_; }

    // Handlers, public so tests run them as the controls do.
    void CANmonitorEnableComboBoxChange();
    void ClearLogBtnClick();
    void CANmonitorFileLogBtnClick();
    void CANmonitorFileLogNameBtnClick();
    // "DBC…": lines of the messages a CAN database knows show their signals; the clear button
    // goes back to the plain lines.
    void CANmonitorDbcBtnClick();
    void CANmonitorDbcClearBtnClick();
    // Decodes with the database at path; false (after its message) when it cannot be read.
    bool SetMonitorDatabase(const QString& path);
    void SetDbcFileMemory(DbcFileMemory files) { dbcFiles_ = std::move(files); }

    // Shows "Off" without telling the module.
    void ResetMonitorSelection();
    void RefreshMonitorEntries();
    int MonitorSelection() const;
    // The lines shown (the monitor's batches are appended as they come).
    QStringList MonitorLines() const;
    int MonitorLineCount() const;

private:
    void AppendMonitorLines(const QStringList& lines);

    SelectionLists& lists_;
    Dialogs& dialogs_;
    TxSink& queue_;
    CanMonitor monitor_;
    DbcFileMemory dbcFiles_;

    QComboBox* monitorEnable_ = nullptr;
    QCheckBox* fileLog_ = nullptr;
    QLineEdit* fileLogName_ = nullptr;
    QPushButton* fileLogNameBtn_ = nullptr;
    QLabel* dbcName_ = nullptr;
    QPushButton* dbcClear_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
};

}  // namespace relvane
