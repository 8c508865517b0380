#include "firmware/ui/FIAForm.h"

#include "config/Cp1252.h"
#include "config/ui/DialogButtons.h"
#include "firmware/ErrorMsg.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTextDocument>
#include <QVBoxLayout>

namespace relvane {

namespace {
const QString kSection = QStringLiteral("FIA");
const QString kKey = QStringLiteral("PATH");

QPlainTextEdit* Memo(const QString& name, QWidget* parent) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return memo;
}

// A dump memo is at least as wide as one whole dump line, so the sixteen bytes of a
// line can be read side by side without scrolling.
void FitDumpLine(QPlainTextEdit* memo) {
    const std::uint8_t sample[FirmwareCompare::BLOCK] = {};
    const QString line = FirmwareCompare::DumpLine(0xFFFF, sample);
    const int text = memo->fontMetrics().horizontalAdvance(line);
    const int margins = 2 * int(memo->document()->documentMargin()) + 2 * memo->frameWidth() +
                        memo->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
    memo->setMinimumWidth(text + margins);
}
}  // namespace

TFIA_Form::TFIA_Form(FirmwareHost& host, QWidget* parent)
    : QDialog(parent), host_(host),
      compare_(host.TxQueue(), *this, FirmwareCompare::Hooks{[&host](int ms) { host.PauseMs(ms); }, {}}) {
    setObjectName(QStringLiteral("FIA_Form"));
    setWindowTitle(QStringLiteral("FIA firmware control"));

    GroupBox1 = new QGroupBox(QStringLiteral("Firmware file to compare"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    FileEdit = new QLineEdit(GroupBox1);
    FileEdit->setObjectName(QStringLiteral("FileEdit"));
    BtnOpenFile = new QPushButton(QStringLiteral("..."), GroupBox1);
    BtnOpenFile->setObjectName(QStringLiteral("BtnOpenFile"));
    MemoFile = Memo(QStringLiteral("MemoFile"), GroupBox1);
    FitDumpLine(MemoFile);
    auto* g1 = new QGridLayout(GroupBox1);
    g1->addWidget(FileEdit, 0, 0);
    g1->addWidget(BtnOpenFile, 0, 1);
    g1->addWidget(MemoFile, 1, 0, 1, 2);

    GroupBox2 = new QGroupBox(QStringLiteral("Data from target"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    MemoTarget = Memo(QStringLiteral("MemoTarget"), GroupBox2);
    FitDumpLine(MemoTarget);
    auto* g2 = new QVBoxLayout(GroupBox2);
    g2->addWidget(MemoTarget);

    GroupBox3 = new QGroupBox(QStringLiteral("Status"), this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    MemoStatus = Memo(QStringLiteral("MemoStatus"), GroupBox3);
    ProgressBar = new QProgressBar(GroupBox3);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    LabelProcent = new QLabel(QStringLiteral("0"), GroupBox3);
    LabelProcent->setObjectName(QStringLiteral("LabelProcent"));
    auto* g3 = new QGridLayout(GroupBox3);
    g3->addWidget(MemoStatus, 0, 0, 1, 2);
    g3->addWidget(ProgressBar, 1, 0);
    g3->addWidget(LabelProcent, 1, 1);

    BtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnStart = new QPushButton(QStringLiteral("Start"), this);
    BtnStart->setObjectName(QStringLiteral("BtnStart"));
    BtnExit = new QPushButton(QStringLiteral("Exit"), this);
    BtnExit->setObjectName(QStringLiteral("BtnExit"));

    auto* sides = new QHBoxLayout;
    sides->addWidget(GroupBox1, 1);
    sides->addWidget(GroupBox2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtnCancel);
    buttons->addWidget(BtnStart);
    buttons->addWidget(BtnExit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(sides, 3);
    layout->addWidget(GroupBox3, 2);
    layout->addLayout(buttons);
    resize(900, 600);

    connect(BtnOpenFile, &QPushButton::clicked, this, [this] { BtnOpenFileClick(); });
    connect(BtnStart, &QPushButton::clicked, this, [this] { BtnStartClick(); });
    connect(BtnCancel, &QPushButton::clicked, this, [this] { BtnCancelClick(); });
    connect(BtnExit, &QPushButton::clicked, this, [this] { BtnExitClick(); });
    SetEnterButton(*this);  // Enter in FileEdit presses no button

    // FormCreate.
    compare_.SetRememberedPath(host_.ReadSetting(kSection, kKey));
    FileEdit->setText(compare_.RememberedPath());
    if (!compare_.RememberedPath().isEmpty()) {
        // A file that cannot be read is reported; the window opens all the same.
        try {
            compare_.ReadImage(FileEdit->text());
        } catch (const ErrorMsg& e) {
            host_.ShowError(e);
        }
    }
    MemoStatus->clear();
}

TFIA_Form::~TFIA_Form() {
    compare_.Stop();
    host_.WriteSetting(kSection, kKey, compare_.RememberedPath());
}

void TFIA_Form::BtnOpenFileClick() {
    FileDialogOptions options;
    options.filter = QStringLiteral("Hex files (*.hex)|*.HEX");
    const std::optional<QString> file = host_.Boxes().OpenFile(options);
    if (!file) return;
    FileEdit->setText(*file);
    compare_.SetRememberedPath(FileEdit->text());
    MemoFile->clear();
}

void TFIA_Form::BtnStartClick() {
    try {
        compare_.Start(FileEdit->text(), Cp1252ToString(host_.SoftwareVersionText()));
    } catch (const ErrorMsg& e) {
        host_.ShowError(e);
    }
}

void TFIA_Form::BtnCancelClick() { compare_.Cancel(); }

void TFIA_Form::BtnExitClick() {
    compare_.Stop();
    close();
}

void TFIA_Form::ShowMessage(const QString& text) { host_.Boxes().ShowMessage(text); }
void TFIA_Form::AddStatusLine(const QString& line) { MemoStatus->appendPlainText(line); }
void TFIA_Form::AddFileLine(const QString& line) { MemoFile->appendPlainText(line); }
void TFIA_Form::AddTargetLine(const QString& line) { MemoTarget->appendPlainText(line); }
void TFIA_Form::ClearFileLines() { MemoFile->clear(); }
void TFIA_Form::ClearTargetLines() { MemoTarget->clear(); }
void TFIA_Form::SetProgress(int percent) { ProgressBar->setValue(percent); }
void TFIA_Form::SetPercentText(const QString& text) { LabelProcent->setText(text); }

}  // namespace relvane
