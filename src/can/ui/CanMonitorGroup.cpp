#include "can/ui/CanMonitorGroup.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QVBoxLayout>

namespace relvane {

TCanMonitorGroup::TCanMonitorGroup(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, TxSink& queue,
                                   QWidget* parent)
    : QGroupBox(QStringLiteral("CAN Monitor"), parent), lists_(lists), dialogs_(dialogs), queue_(queue),
      monitor_(model, this)
{
    setObjectName(QStringLiteral("GroupBox15"));
    monitorEnable_ = new QComboBox(this);
    monitorEnable_->setObjectName(QStringLiteral("CANmonitorEnableComboBox"));
    monitorEnable_->setModel(lists_.MonitorEntryList());
    monitorEnable_->setCurrentIndex(-1);
    monitorEnable_->setMinimumWidth(160);
    auto* clear = new QPushButton(QStringLiteral("Clear log"), this);
    clear->setObjectName(QStringLiteral("ClearLogBtn"));
    fileLog_ = new QCheckBox(QStringLiteral("File log: "), this);
    fileLog_->setObjectName(QStringLiteral("CANmonitorFileLogBtn"));
    fileLogName_ = new QLineEdit(QStringLiteral("LogFile.txt"), this);
    fileLogName_->setObjectName(QStringLiteral("CANmonitorFileLogNameEdit"));
    fileLogNameBtn_ = new QPushButton(QStringLiteral("..."), this);
    fileLogNameBtn_->setObjectName(QStringLiteral("CANmonitorFileLogNameBtn"));
    fileLogNameBtn_->setFixedWidth(30);
    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName(QStringLiteral("MemoCanMonitor"));
    memo_->setReadOnly(true);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::Monospace);
    fixed.setFixedPitch(true);
    fixed.setBold(true);
    memo_->setFont(fixed);
    memo_->setMinimumHeight(150);
    auto* dbc = new QPushButton(QStringLiteral("DBC") + QChar(0x2026), this);
    dbc->setObjectName(QStringLiteral("CANmonitorDbcBtn"));
    dbc->setToolTip(QStringLiteral("Decode the messages a CAN database knows"));
    dbcName_ = new QLabel(QStringLiteral("no DBC"), this);
    dbcName_->setObjectName(QStringLiteral("CANmonitorDbcLabel"));
    dbcClear_ = new QPushButton(QStringLiteral("No DBC"), this);
    dbcClear_->setObjectName(QStringLiteral("CANmonitorDbcClearBtn"));
    dbcClear_->setEnabled(false);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Enable"), this));
    row->addWidget(monitorEnable_);
    row->addWidget(clear);
    row->addSpacing(20);
    row->addWidget(fileLog_);
    row->addWidget(fileLogName_, 1);
    row->addWidget(fileLogNameBtn_);
    row->addSpacing(20);
    row->addWidget(dbc);
    row->addWidget(dbcName_);
    row->addWidget(dbcClear_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(memo_, 1);

    connect(clear, &QPushButton::clicked, this, &TCanMonitorGroup::ClearLogBtnClick);
    connect(monitorEnable_, &QComboBox::activated, this, &TCanMonitorGroup::CANmonitorEnableComboBoxChange);
    connect(fileLog_, &QCheckBox::clicked, this, &TCanMonitorGroup::CANmonitorFileLogBtnClick);
    connect(fileLogNameBtn_, &QPushButton::clicked, this, &TCanMonitorGroup::CANmonitorFileLogNameBtnClick);
    connect(dbc, &QPushButton::clicked, this, &TCanMonitorGroup::CANmonitorDbcBtnClick);
    connect(dbcClear_, &QPushButton::clicked, this, &TCanMonitorGroup::CANmonitorDbcClearBtnClick);
    connect(&monitor_, &CanMonitor::LinesArrived, this, &TCanMonitorGroup::AppendMonitorLines);
}

void TCanMonitorGroup::CANmonitorDbcBtnClick()
{
    if (const std::optional<QString> path = dialogs_.OpenFile(DbcFileDialogOptions(dbcFiles_.Last())))
        SetMonitorDatabase(*path);
}

bool TCanMonitorGroup::SetMonitorDatabase(const QString& path)
{
    std::shared_ptr<const DbcDatabase> db = ReadDbcForWindow(dialogs_, path);
    if (!db)
        return false;
    monitor_.SetDatabase(std::move(db));
    dbcName_->setText(QFileInfo(path).fileName());
    dbcName_->setToolTip(QDir::toNativeSeparators(path));
    dbcClear_->setEnabled(true);
    dbcFiles_.Remember(path);
    return true;
}

void TCanMonitorGroup::CANmonitorDbcClearBtnClick()
{
    monitor_.SetDatabase(nullptr);
    dbcName_->setText(QStringLiteral("no DBC"));
    dbcName_->setToolTip(QString());
    dbcClear_->setEnabled(false);
}

void TCanMonitorGroup::CANmonitorEnableComboBoxChange()
{
    // Sent whatever the connection state: the queue simply waits for a link.
    SendMonitorMode(queue_, monitorEnable_->currentIndex());
}

void TCanMonitorGroup::ResetMonitorSelection() { monitorEnable_->setCurrentIndex(kMonitorOff); }

void TCanMonitorGroup::RefreshMonitorEntries()
{
    relvane::RefreshMonitorEntries(*lists_.MonitorEntryList(), *lists_.CanInputNameList());
}

int TCanMonitorGroup::MonitorSelection() const { return monitorEnable_->currentIndex(); }

void TCanMonitorGroup::ClearLogBtnClick()
{
    memo_->clear();
    RefreshMonitorEntries();
}

void TCanMonitorGroup::CANmonitorFileLogBtnClick()
{
    if (fileLog_->isChecked()) {
        // A file that cannot be opened leaves the box ticked and logs nothing, silently.
        if (monitor_.FileLog().Open(fileLogName_->text())) {
            fileLogName_->setEnabled(false);
            fileLogNameBtn_->setEnabled(false);
        }
    } else {
        fileLogName_->setEnabled(true);
        fileLogNameBtn_->setEnabled(true);
        monitor_.FileLog().Close();
    }
}

void TCanMonitorGroup::CANmonitorFileLogNameBtnClick()
{
    FileDialogOptions options;
    options.title = QStringLiteral("CAN Monitor log file");
    options.defaultExtension = QStringLiteral("txt");
    options.filter = QStringLiteral("Text file (*.txt)|*.txt|Any file (*.*)|*.*");
    options.fileName = fileLogName_->text();
    if (const std::optional<QString> path = dialogs_.SaveFile(options))
        fileLogName_->setText(*path);
}

void TCanMonitorGroup::AppendMonitorLines(const QStringList& lines)
{
    if (lines.isEmpty())
        return;
    QScrollBar* bar = memo_->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    // One append per batch: the document lays out and repaints once, not once per line.
    memo_->appendPlainText(lines.join(QLatin1Char('\n')));
    if (atEnd)
        bar->setValue(bar->maximum());
}

QStringList TCanMonitorGroup::MonitorLines() const
{
    const QString text = memo_->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

int TCanMonitorGroup::MonitorLineCount() const
{
    return memo_->document()->isEmpty() ? 0 : memo_->document()->blockCount();
}

}  // namespace relvane
