#include "firmware/ui/FirmwareForm.h"

#include "config/ui/DialogButtons.h"
#include "firmware/ErrorMsg.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace relvane {

namespace {
const QString kSection = QStringLiteral("FIRMWARE");
const QString kKey = QStringLiteral("PATH");
}  // namespace

FileDialogOptions TFirmware::OpenDialogOptions() {
    FileDialogOptions options;
    options.filter = QStringLiteral("Hex files (*.hex)|*.HEX");
    options.defaultExtension = QStringLiteral("hex");
    options.initialFolder = QStringLiteral("Firmware");
    return options;
}

TFirmware::TFirmware(FirmwareHost& host, QWidget* parent)
    : QDialog(parent), host_(host),
      update_(host.TxQueue(), *this, [&host](int ms) { host.PauseMs(ms); }) {
    setObjectName(QStringLiteral("Firmware"));
    setWindowTitle(QStringLiteral("Firmware"));

    GroupBox1 = new QGroupBox(QStringLiteral("File to download"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    FileEdit = new QLineEdit(GroupBox1);
    FileEdit->setObjectName(QStringLiteral("FileEdit"));
    BtnOpenFile = new QPushButton(QStringLiteral("..."), GroupBox1);
    BtnOpenFile->setObjectName(QStringLiteral("BtnOpenFile"));
    auto* fileRow = new QHBoxLayout(GroupBox1);
    fileRow->addWidget(FileEdit, 1);
    fileRow->addWidget(BtnOpenFile);

    GroupBox2 = new QGroupBox(QStringLiteral("Progress"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    ProgressBar1 = new QProgressBar(GroupBox2);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    auto* progressRow = new QHBoxLayout(GroupBox2);
    progressRow->addWidget(ProgressBar1);

    BtnProgram = new QPushButton(QStringLiteral("Program"), this);
    BtnProgram->setObjectName(QStringLiteral("BtnProgram"));
    BtnExit = new QPushButton(QStringLiteral("Exit"), this);
    BtnExit->setObjectName(QStringLiteral("BtnExit"));
    MemoDebug = new QPlainTextEdit(this);
    MemoDebug->setObjectName(QStringLiteral("MemoDebug"));
    MemoDebug->setReadOnly(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtnProgram);
    buttons->addWidget(BtnExit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(GroupBox2);
    layout->addLayout(buttons);
    layout->addWidget(MemoDebug);
    resize(460, 190);

    connect(BtnOpenFile, &QPushButton::clicked, this, [this] { BtnOpenFileClick(); });
    connect(BtnProgram, &QPushButton::clicked, this, [this] { BtnProgramClick(); });
    connect(BtnExit, &QPushButton::clicked, this, [this] { BtnExitClick(); });
    SetEnterButton(*this);  // Enter in FileEdit presses no button

    // FormCreate.
    MemoDebug->hide();
    host_.SetRawByteHandler(this);
    if (!host_.SetRxMode(RX_MODE_RAW))
        host_.Boxes().ShowMessage(QStringLiteral("! Not connected to target, please connect USB "));
    rememberedPath_ = host_.ReadSetting(kSection, kKey);
    FileEdit->setText(rememberedPath_);
}

TFirmware::~TFirmware() {
    // FormDestroy: frames again, and nothing more reaches this window.
    host_.SetRxMode(RX_MODE_FRAMES);
    host_.SetRawByteHandler(nullptr);
    host_.WriteSetting(kSection, kKey, rememberedPath_);
}

void TFirmware::BtnOpenFileClick() {
    const std::optional<QString> file = host_.Boxes().OpenFile(OpenDialogOptions());
    if (!file) return;
    FileEdit->setText(*file);
    rememberedPath_ = FileEdit->text();
}

void TFirmware::BtnProgramClick() {
    try {
        host_.BeforeProgram();
        update_.Program(FileEdit->text());
    } catch (const ErrorMsg& e) {
        host_.ShowError(e);
    }
}

void TFirmware::BtnExitClick() { close(); }

void TFirmware::OnRawByte(std::uint8_t b) {
    inByteHandler_ = true;
    update_.HandleByte(b);
    inByteHandler_ = false;
}

void TFirmware::ShowMessage(const QString& text) {
    if (!inByteHandler_) {
        host_.Boxes().ShowMessage(text);
        return;
    }
    // Raised from a byte the link handed over: the link waits for the handler
    // to return before it writes again, so a modal box here would hold the end
    // mark back until the user closes it. Show it once the hand-off is over.
    QPointer<TFirmware> self(this);
    QTimer::singleShot(0, this, [self, text] {
        if (self) self->host_.Boxes().ShowMessage(text);
    });
}

void TFirmware::SetProgress(int percent) { ProgressBar1->setValue(percent); }

}  // namespace relvane
