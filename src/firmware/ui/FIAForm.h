#pragma once
// "FIA firmware control": compares the module's program memory with a HEX file.

#include "firmware/FirmwareCompare.h"
#include "firmware/FirmwareHost.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace relvane {

class TFIA_Form final : public QDialog, public FirmwareCompareView {
    Q_OBJECT
public:
    // Construction runs FormCreate, destruction FormDestroy. Registering the
    // compare with the dispatcher is the opener's work (RunFiaWindow).
    explicit TFIA_Form(FirmwareHost& host, QWidget* parent = nullptr);
    ~TFIA_Form() override;

    void BtnOpenFileClick();
    void BtnStartClick();
    void BtnCancelClick();
    void BtnExitClick();

    FirmwareCompare& Compare() { return compare_; }
    QString RememberedPath() const { return compare_.RememberedPath(); }

private:
    // FirmwareCompareView.
    void ShowMessage(const QString& text) override;
    void AddStatusLine(const QString& line) override;
    void AddFileLine(const QString& line) override;
    void AddTargetLine(const QString& line) override;
    void ClearFileLines() override;
    void ClearTargetLines() override;
    void SetProgress(int percent) override;
    void SetPercentText(const QString& text) override;

    FirmwareHost& host_;
    FirmwareCompare compare_;

    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* FileEdit = nullptr;
    QPushButton* BtnOpenFile = nullptr;
    QPlainTextEdit* MemoFile = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QPlainTextEdit* MemoTarget = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QPlainTextEdit* MemoStatus = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QLabel* LabelProcent = nullptr;
    QPushButton* BtnCancel = nullptr;
    QPushButton* BtnStart = nullptr;
    QPushButton* BtnExit = nullptr;
};

}  // namespace relvane
