#pragma once
// "Firmware": programs a HEX file into the module through its bootloader. While
// the window exists the link hands it every received byte (raw mode).

#include "firmware/FirmwareHost.h"
#include "firmware/FirmwareUpdate.h"

#include <QDialog>

class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace relvane {

class TFirmware final : public QDialog, public FirmwareUpdateView, public RawByteHandler {
    Q_OBJECT
public:
    // Construction runs FormCreate, destruction FormDestroy.
    explicit TFirmware(FirmwareHost& host, QWidget* parent = nullptr);
    ~TFirmware() override;

    void BtnOpenFileClick();
    void BtnProgramClick();
    void BtnExitClick();

    // RawByteHandler: the bootloader's bytes, one at a time.
    void OnRawByte(std::uint8_t b) override;

    const FirmwareUpdate& Update() const { return update_; }
    FirmwareUpdate& Update() { return update_; }
    QString RememberedPath() const { return rememberedPath_; }

    // The open dialog's set-up (filter set at use, as the handler does).
    static FileDialogOptions OpenDialogOptions();

private:
    // FirmwareUpdateView.
    void ShowMessage(const QString& text) override;
    void SetProgress(int percent) override;

    FirmwareHost& host_;
    FirmwareUpdate update_;
    QString rememberedPath_;
    bool inByteHandler_ = false;

    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* FileEdit = nullptr;
    QPushButton* BtnOpenFile = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* BtnProgram = nullptr;
    QPushButton* BtnExit = nullptr;
    QPlainTextEdit* MemoDebug = nullptr;
};

}  // namespace relvane
