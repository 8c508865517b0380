#pragma once
// "Calibration": the 18 high-power channels' live calibration data, the A/D
// offset store (step 1) and the new ratios (step 2).

#include "tools/Calibration.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace relvane {

class TCalibrationForm : public QDialog {
    Q_OBJECT
public:
    // Sends the calibration mode request and registers with the dispatcher.
    explicit TCalibrationForm(ToolHost& host, QWidget* parent = nullptr);
    ~TCalibrationForm() override;

    CalibrationTool& tool() { return tool_; }

    void BtnNewRationClick(int channel);
    void BtnStoreRationClick();
    void BtnUpload_AD_OffsetClick();

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    struct Row {
        QLabel* offset = nullptr;
        QLabel* ad = nullptr;
        QLabel* amps = nullptr;
        QLineEdit* current = nullptr;
        QLabel* marker = nullptr;
        QLabel* ratio = nullptr;
        QLineEdit* newRatio = nullptr;
    };
    void ShowRow(int channel);
    void ShowNewRatio(int channel);
    void ShowLabels();

    ToolHost& host_;
    CalibrationTool tool_;
    std::array<Row, kCalibrationChannels> rows_{};
    QLineEdit* channelEdit_ = nullptr;
    QLabel* offsetOk_ = nullptr;
    QLabel* storeOk_ = nullptr;
};

}  // namespace relvane
