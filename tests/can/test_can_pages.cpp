// The CAN pages as the user works them: typed values reach the model corrected, the byte
// pickers, the virtual input formula, the export checks and the CAN monitor group.

#include "can/ui/CanExportPage.h"
#include "can/ui/CanInputPage.h"
#include "can/ui/CanPageSet.h"
#include "can/ui/CanWidgets.h"
#include "can/ui/VirtualInputPage.h"
#include "config/SelectionLists.h"
#include "monitor/MonitorTestSupport.h"
#include "protocol/Dispatcher.h"
#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace relvane;
using relvane::test::RecordingQueue;

namespace {

template <typename T>
T* Find(QWidget* root, const QString& name)
{
    T* w = root->findChild<T*>(name);
    if (!w)
        qFatal("no control %s", qPrintable(name));
    return w;
}

void Type(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    edit->del();
    QTest::keyClicks(edit, text);
}

void Pick(QComboBox* box, int position)
{
    box->setCurrentIndex(position);
    Q_EMIT box->activated(position);
}

// Saves a page offscreen for a look at it.
void Screenshot(QWidget* page, const QString& name)
{
    const QString dir = QDir::current().filePath(QStringLiteral("screenshots"));
    QDir().mkpath(dir);
    page->resize(1180, 800);
    page->show();
    QCoreApplication::processEvents();
    page->grab().save(QDir(dir).filePath(name + QStringLiteral(".png")));
}

}  // namespace

class TestCanPages : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ConfigModel> model_;
    std::unique_ptr<SelectionLists> lists_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<RecordingQueue> queue_;

private Q_SLOTS:
    void init()
    {
        model_ = std::make_unique<ConfigModel>();
        lists_ = std::make_unique<SelectionLists>(*model_);
        lists_->FillSelectionLists();
        dialogs_ = std::make_unique<ScriptedDialogs>();
        queue_ = std::make_unique<RecordingQueue>();
    }

    // ---- CAN Inputs -------------------------------------------------------------------------

    void identifierStoresHexAndReloads()
    {
        TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
        page.SelectCanInput(1);
        auto* id = Find<QLineEdit>(&page, QStringLiteral("EditCAN_ID_ON_1"));
        Type(id, QStringLiteral("1A3"));
        QCOMPARE(model_->CanInput(2).CAN_ID_ON, 419);
        QCOMPARE(model_->CanInput(1).CAN_ID_ON, 0);
        page.SelectCanInput(0);
        QCOMPARE(id->text(), QStringLiteral("000"));
        page.SelectCanInput(1);
        QCOMPARE(id->text(), QStringLiteral("1A3"));
        QCOMPARE(Find<QGroupBox>(&page, QStringLiteral("GroupBoxCAN_Parameter"))->title(), QStringLiteral("CAN 2"));
    }

    void identifierThatIsNoNumber()
    {
        TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
        page.SelectCanInput(0);
        auto* id = Find<QLineEdit>(&page, QStringLiteral("EditCAN_ID_OFF_1"));
        Type(id, QStringLiteral("2"));
        QCOMPARE(model_->CanInput(1).CAN_ID_OFF, 2);
        QTest::keyClicks(id, QStringLiteral("G"));
        QCOMPARE(dialogs_->LastText(), QStringLiteral("'0x2G' is not a valid integer value"));
        QCOMPARE(model_->CanInput(1).CAN_ID_OFF, 2);
    }

    void valueLimits_data()
    {
        QTest::addColumn<bool>("signedType");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("on");
        QTest::addColumn<int>("off");
        QTest::newRow("signed 40000") << true << QStringLiteral("40000") << QStringLiteral("32767") << 32767 << 32767;
        QTest::newRow("signed -40000") << true << QStringLiteral("-40000") << QStringLiteral("-32767") << 32769 << -32767;
        QTest::newRow("unsigned 70000") << false << QStringLiteral("70000") << QStringLiteral("65535") << 65535 << 65535;
        QTest::newRow("unsigned 1234") << false << QStringLiteral("1234") << QStringLiteral("1234") << 1234 << 1234;
    }
    void valueLimits()
    {
        QFETCH(bool, signedType);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, on);
        QFETCH(int, off);
        model_->ModifyCanInput(1, [&](CanInputConfig& c) { c.DATA_TYPE_ = signedType ? 1 : 0; });
        TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
        page.SelectCanInput(0);
        auto* valueOn = Find<QLineEdit>(&page, QStringLiteral("EditValueCAN_ON_1"));
        auto* valueOff = Find<QLineEdit>(&page, QStringLiteral("EditValueCAN_OFF_1"));
        // Typed into an empty edit: the handler ignores the lone "-" and corrects at once.
        valueOn->clear();
        valueOn->insert(typed);
        valueOff->clear();
        valueOff->insert(typed);
        QCOMPARE(valueOn->text(), shown);
        QCOMPARE(valueOff->text(), shown);
        QCOMPARE(model_->CanInput(1).CAN_VALUE_ON, on);
        QCOMPARE(model_->CanInput(1).CAN_VALUE_OFF, off);
        QCOMPARE(dialogs_->Count(), 0);
    }

    void storedValueOutsideTheLimitsIsCorrectedOnLoad()
    {
        model_->ModifyCanInput(3, [](CanInputConfig& c) { c.CAN_VALUE_ON = 70000; c.ROW_INDEX = 9; c.ROW_VALUE = 200; });
        TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
        page.SelectCanInput(2);
        QCOMPARE(Find<QLineEdit>(&page, QStringLiteral("EditValueCAN_ON_1"))->text(), QStringLiteral("65535"));
        QCOMPARE(model_->CanInput(3).CAN_VALUE_ON, 65535);
        QCOMPARE(int(model_->CanInput(3).ROW_INDEX), 7);
        QCOMPARE(int(model_->CanInput(3).ROW_VALUE), 200);
    }

    void switchingTypeLeavesTheValues()
    {
        model_->ModifyCanInput(1, [](CanInputConfig& c) { c.CAN_VALUE_ON = 40000; });
        TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
        page.SelectCanInput(0);
        auto* valueOn = Find<QLineEdit>(&page, QStringLiteral("EditValueCAN_ON_1"));
        QCOMPARE(valueOn->text(), QStringLiteral("40000"));
        Find<QRadioButton>(&page, QStringLiteral("RadioButton_Signed"))->click();
        QCOMPARE(int(model_->CanInput(1).DATA_TYPE_), 1);
        QCOMPARE(valueOn->text(), QStringLiteral("40000"));
        QCOMPARE(model_->CanInput(1).CAN_VALUE_ON, 40000);
        // Loading again shows the signed reading (and corrects it through the edit's limits).
        page.SelectCanInput(0);
        QCOMPARE(valueOn->text(), QStringLiteral("-25536"));
    }

    void rowCounterAndCalibration()
    {
        TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
        page.SelectCanInput(0);
        auto* index = Find<QLineEdit>(&page, QStringLiteral("EditValueCAN_IN_RowByteIndex"));
        auto* value = Find<QLineEdit>(&page, QStringLiteral("EditValueCAN_IN_RowByteValue"));
        auto* offset = Find<QLineEdit>(&page, QStringLiteral("EditValueCAN_IN_Offset"));
        auto* mult = Find<QLineEdit>(&page, QStringLiteral("EditValueCAN_IN_Multiplicator"));
        Type(index, QStringLiteral("9"));
        QCOMPARE(index->text(), QStringLiteral("7"));
        QCOMPARE(int(model_->CanInput(1).ROW_INDEX), 7);
        Type(value, QStringLiteral("300"));
        QCOMPARE(value->text(), QStringLiteral("255"));
        QCOMPARE(int(model_->CanInput(1).ROW_VALUE), 255);
        Type(offset, QStringLiteral("-200"));
        QCOMPARE(int(model_->CanInput(1).CAL_OFFSET_), -127);
        QCOMPARE(offset->text(), QStringLiteral("-200"));  // the offset edit is not corrected
        Type(offset, QStringLiteral("12.9"));
        QCOMPARE(int(model_->CanInput(1).CAL_OFFSET_), 12);
        Type(offset, QStringLiteral("-3.7"));
        QCOMPARE(int(model_->CanInput(1).CAL_OFFSET_), -3);
        Type(mult, QStringLiteral("0,25"));
        QCOMPARE(model_->CanInput(1).MULTIPLICATOR_, 0.25f);
        page.SelectCanInput(1);
        page.SelectCanInput(0);
        QCOMPARE(mult->text(), QStringLiteral("0.250000"));
        Find<QCheckBox>(&page, QStringLiteral("CheckBoxCAN_In_RowEnable"))->click();
        QVERIFY(model_->CanInput(1).ROW_ENABLED);
    }

    void rowCounterTakesWholeNumbers_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("stored");
        const QString index = QStringLiteral("EditValueCAN_IN_RowByteIndex");
        const QString value = QStringLiteral("EditValueCAN_IN_RowByteValue");
        QTest::newRow("index 12") << index << QStringLiteral("12") << QStringLiteral("7") << 7;
        QTest::newRow("index 05") << index << QStringLiteral("05") << QStringLiteral("05") << 5;
        QTest::newRow("value 1234") << value << QStringLiteral("1234") << QStringLiteral("255") << 255;
        QTest::newRow("value 0200") << value << QStringLiteral("0200") << QStringLiteral("0200") << 200;
    }

    void rowCounterTakesWholeNumbers()
    {
        QFETCH(QString, edit);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, stored);
        TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
        page.SelectCanInput(0);
        auto* field = Find<QLineEdit>(&page, edit);
        Type(field, typed);
        QCOMPARE(field->text(), shown);
        const CanInputConfig& r = model_->CanInput(1);
        QCOMPARE(int(edit.endsWith(QStringLiteral("Index")) ? r.ROW_INDEX : r.ROW_VALUE), stored);
    }

    void dimensionShowsInBothUnitLabels()
    {
        TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
        page.SelectCanInput(0);
        Type(Find<QLineEdit>(&page, QStringLiteral("EditValueCAN_IN_Dimension")), QStringLiteral("km/hx"));
        QCOMPARE(model_->CanInput(1).DIMENSION_NAME, QByteArray("km/hx"));
        QCOMPARE(Find<QLabel>(&page, QStringLiteral("LabelCanInDimension1"))->text(), QStringLiteral("km/hx"));
        QCOMPARE(Find<QLabel>(&page, QStringLiteral("LabelCanInDimension2"))->text(), QStringLiteral("km/hx"));
    }

    void operatorsAndNoCanData()
    {
        TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
        page.SelectCanInput(0);
        Pick(Find<QComboBox>(&page, QStringLiteral("ComboBoxCAN_OperatorOFF")), 4);
        QCOMPARE(model_->CanInput(1).CAN_OPERATOR_OFF, 4);
        auto* on = Find<QComboBox>(&page, QStringLiteral("ComboBoxCAN_OperatorON"));
        on->lineEdit()->selectAll();
        QTest::keyClicks(on->lineEdit(), QStringLiteral("xx"));
        QCOMPARE(model_->CanInput(1).CAN_OPERATOR_ON, -1);
        Pick(Find<QComboBox>(&page, QStringLiteral("NoCANdataComboBox")), 2);
        QCOMPARE(model_->CanInput(1).NO_CAN_DATA_STATE, 2);
    }

    void bytePickerClicks()
    {
        TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
        page.SelectCanInput(0);
        auto* picker = Find<TBytePicker>(&page, QStringLiteral("ImageCan_1_ON"));
        QCOMPARE(picker->size(), QSize(241, 25));
        auto click = [&](int cell) { QTest::mouseClick(picker, Qt::LeftButton, {}, QPoint(30 * (cell - 1) + 15, 12)); };
        click(3);
        click(4);
        QCOMPARE(CellText(picker->Pair(), 3), QStringLiteral("Lo"));
        QCOMPARE(CellText(picker->Pair(), 4), QStringLiteral("Hi"));
        QCOMPARE(int(model_->CanInput(1).CAN_LOW_BYTE_ON_POS), 3);
        QCOMPARE(int(model_->CanInput(1).CAN_HIGH_BYTE_ON_POS), 4);
        click(6);  // two chosen: only the high one can be deselected
        QCOMPARE(dialogs_->Count(), 0);
        click(4);
        QCOMPARE(int(model_->CanInput(1).CAN_HIGH_BYTE_ON_POS), 0);
        click(6);
        QCOMPARE(dialogs_->LastText(), QStringLiteral("If more than one byte, they have to be side by side"));
        QCOMPARE(int(model_->CanInput(1).CAN_LOW_BYTE_ON_POS), 3);
        QCOMPARE(int(model_->CanInput(1).CAN_HIGH_BYTE_ON_POS), 0);

        // The OFF side is its own pair: 5 then 4 reads the bytes in reverse order.
        auto* off = Find<TBytePicker>(&page, QStringLiteral("ImageCan_1_OFF"));
        QTest::mouseClick(off, Qt::LeftButton, {}, QPoint(135, 12));
        QTest::mouseClick(off, Qt::LeftButton, {}, QPoint(105, 12));
        QCOMPARE(int(model_->CanInput(1).CAN_LOW_BYTE_OFF_POS), 5);
        QCOMPARE(int(model_->CanInput(1).CAN_HIGH_BYTE_OFF_POS), 4);
    }

    void storedPosition255ShowsAsNone()
    {
        model_->ModifyCanInput(1, [](CanInputConfig& c) { c.CAN_LOW_BYTE_ON_POS = 255; c.CAN_HIGH_BYTE_ON_POS = 255; });
        TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
        page.SelectCanInput(0);
        QCOMPARE(page.OnPair(), (BytePair{255, 255}));
        page.ImageCan_1_ONMouseUp(45);
        QCOMPARE(int(model_->CanInput(1).CAN_LOW_BYTE_ON_POS), 2);
        QCOMPARE(int(model_->CanInput(1).CAN_HIGH_BYTE_ON_POS), 0);
    }

    void fileLoadIsShownAtOnce()
    {
        TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
        page.SelectCanInput(0);
        model_->ModifyCanInput(1, [](CanInputConfig& c) { c.CAN_ID_ON = 0x7FF; });
        QCOMPARE(Find<QLineEdit>(&page, QStringLiteral("EditCAN_ID_ON_1"))->text(), QStringLiteral("7FF"));
        model_->ModifyCanSetup([](CanSetupConfig& c) { c.BitRate = 500; c.NoCANdelay = QStringLiteral("30"); });
        QCOMPARE(Find<QComboBox>(&page, QStringLiteral("CANbitRateComboBox"))->currentText(), QStringLiteral("500 Kbit/s"));
        QCOMPARE(Find<QLineEdit>(&page, QStringLiteral("CANdelayBeforeNoCANdataEdit"))->text(), QStringLiteral("30"));
    }

    void canSwitchingOption()
    {
        TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
        auto* box = Find<QCheckBox>(&page, QStringLiteral("CheckBoxCanInputEnable"));
        auto* pin = Find<QComboBox>(&page, QStringLiteral("ComboBoxInputTrigCAN_Input"));
        QCOMPARE(box->text(), QStringLiteral("CAN switching enabled if input is active"));
        QVERIFY(!pin->isEnabled());
        box->click();
        QVERIFY(pin->isEnabled());
        QVERIFY(model_->CanInputEnable().ENABLE);
        Pick(pin, 3);
        QCOMPARE(model_->CanInputEnable().INPUT_PIN, 3);
        box->click();
        QVERIFY(!pin->isEnabled());
    }

    void pageSelectionSelectsTheFirstAndResetsTheMonitor()
    {
        TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
        auto* selector = Find<QComboBox>(&page, QStringLiteral("CANmonitorEnableComboBox"));
        Pick(selector, 2);
        queue_->Clear();
        model_->ModifyCanInput(1, [](CanInputConfig& c) { c.CAN_NAME = "Brake"; });
        lists_->PropagateNames();
        QCOMPARE(selector->currentIndex(), 0);  // shown "Off" without telling the module
        QCOMPARE(queue_->frames.size(), 0);
        Pick(selector, 2);
        page.PageSelected();
        QCOMPARE(page.SelectedCanInput(), 0);
        QCOMPARE(selector->currentIndex(), 0);
        QCOMPARE(selector->itemText(3), QStringLiteral("Brake"));
        QCOMPARE(queue_->frames.size(), 1);
    }

    // ---- CAN monitor ------------------------------------------------------------------------

    void monitorSelectionSendsTheMode()
    {
        TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
        Pick(Find<QComboBox>(&page, QStringLiteral("CANmonitorEnableComboBox")), 2);
        QCOMPARE(queue_->frames.size(), 1);
        QCOMPARE(queue_->frames.first().toHex(' '), QByteArray("59 04 01 5c 02"));
    }

    void monitorShowsForwardedMessages()
    {
        model_->ModifyCanInput(2, [](CanInputConfig& c) { c.CAN_ID_ON = 0x1A5; c.CAN_NAME = "Brake"; });
        TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
        page.Monitor().SetClock([] { return QTime(14, 3, 7, 45); });
        Dispatcher dispatcher;
        dispatcher.AddHandler(&page.Monitor());
        const QByteArray frame = relvane::test::ModuleFrame(FRAME_TYPE_COMMAND, CAN_MONITOR_IND, 9, {0xA5, 0x01, 2, 0x01, 0xFF});
        dispatcher.DispatchFrame(reinterpret_cast<const std::uint8_t*>(frame.constData()), int(frame.size()));
        QTRY_COMPARE_WITH_TIMEOUT(page.MonitorLines().size(), 1, 5000);
        QCOMPARE(page.MonitorLines().first(), QStringLiteral("14:03:07.045> ID= 1A5, Data= 01 FF, Brake"));

        auto* selector = Find<QComboBox>(&page, QStringLiteral("CANmonitorEnableComboBox"));
        Pick(selector, 4);
        Find<QPushButton>(&page, QStringLiteral("ClearLogBtn"))->click();
        QVERIFY(page.MonitorLines().isEmpty());
        QCOMPARE(selector->currentIndex(), 4);
    }

    void fileLogOption()
    {
        QTemporaryDir dir;
        TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
        page.Monitor().SetClock([] { return QTime(8, 0); });
        auto* tick = Find<QCheckBox>(&page, QStringLiteral("CANmonitorFileLogBtn"));
        auto* name = Find<QLineEdit>(&page, QStringLiteral("CANmonitorFileLogNameEdit"));
        auto* pickBtn = Find<QPushButton>(&page, QStringLiteral("CANmonitorFileLogNameBtn"));
        QCOMPARE(name->text(), QStringLiteral("LogFile.txt"));

        const QString path = dir.filePath(QStringLiteral("can.txt"));
        dialogs_->QueueFile(path);
        pickBtn->click();
        const DialogCall& call = dialogs_->Calls().last();
        QCOMPARE(call.options.title, QStringLiteral("CAN Monitor log file"));
        QCOMPARE(call.options.defaultExtension, QStringLiteral("txt"));
        QCOMPARE(call.options.filter, QStringLiteral("Text file (*.txt)|*.txt|Any file (*.*)|*.*"));
        QCOMPARE(call.options.fileName, QStringLiteral("LogFile.txt"));
        QCOMPARE(name->text(), path);

        tick->click();
        QVERIFY(!name->isEnabled());
        QVERIFY(!pickBtn->isEnabled());
        CanMonitorMessage m{};
        m.identifier = 0x42;
        page.Monitor().OnCanMonitor(m);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("08:00:00.000> ID=  42, Data=\r\n"));
        tick->click();
        QVERIFY(name->isEnabled());
        QVERIFY(!page.Monitor().FileLog().IsOpen());

        // A file that cannot be opened: the box stays ticked, nothing is logged, no message.
        name->setText(dir.filePath(QStringLiteral("missing/x.txt")));
        const int boxes = dialogs_->Count();
        tick->click();
        QVERIFY(tick->isChecked());
        QVERIFY(name->isEnabled());
        QCOMPARE(dialogs_->Count(), boxes);
        page.Monitor().OnCanMonitor(m);
        tick->click();  // unticking after the failed open does nothing harmful
        QVERIFY(name->isEnabled());
    }

    // ---- Virtual Inputs ---------------------------------------------------------------------

    void virtualDelays_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("stored");
        QTest::newRow("12") << QStringLiteral("12") << QStringLiteral("10.0") << 100;
        QTest::newRow("10.5") << QStringLiteral("10.5") << QStringLiteral("10.5") << 105;
        QTest::newRow("2,5 typed") << QStringLiteral("2,5") << QStringLiteral("2.5") << 25;
    }
    void virtualDelays()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, stored);
        TVirtualInputPage page(*model_, *lists_);
        page.SelectVirtualInput(1);
        auto* delay = Find<QLineEdit>(&page, QStringLiteral("EditDelayTime3"));
        Type(delay, typed);
        QCOMPARE(delay->text(), shown);
        QCOMPARE(int(model_->VirtualInput(2).IN_DELAY_3_), stored);
    }

    void virtualLoadAndNotBits()
    {
        model_->ModifyVirtualInput(1, [](VirtualInputConfig& c) {
            c.IN_DELAY_1_ = 0;
            c.IN_DELAY_2_ = 109;
            c.CHANNEL_2_Index = 255;
            c.MASK_NOT = 0;
        });
        TVirtualInputPage page(*model_, *lists_);
        page.SelectVirtualInput(0);
        QCOMPARE(Find<QLineEdit>(&page, QStringLiteral("EditDelayTime"))->text(), QStringLiteral("0.0"));
        QCOMPARE(Find<QLineEdit>(&page, QStringLiteral("EditDelayTime2"))->text(), QStringLiteral("10.9"));
        QCOMPARE(Find<QComboBox>(&page, QStringLiteral("ComboBoxVirtuel_1_Channel_2"))->currentIndex(), -1);
        Find<QCheckBox>(&page, QStringLiteral("CheckBoxVirtuel_Channel_3"))->click();
        QCOMPARE(int(model_->VirtualInput(1).MASK_NOT), 4);
        QCOMPARE(int(model_->VirtualInput(1).IN_DELAY_2_), 109);
    }

    void virtualSelectors()
    {
        lists_->PropagateNames();  // the operand list has all 99 entries from here on
        TVirtualInputPage page(*model_, *lists_);
        page.SelectVirtualInput(0);
        auto* op1 = Find<QComboBox>(&page, QStringLiteral("ComboBoxVirtuel_1_operator_1"));
        Pick(op1, 1);
        QCOMPARE(int(model_->VirtualInput(1).OPERATOR_1_Index), 1);
        auto* op2 = Find<QComboBox>(&page, QStringLiteral("ComboBoxVirtuel_1_operator_2"));
        op2->lineEdit()->selectAll();
        QTest::keyClicks(op2->lineEdit(), QStringLiteral("XOR"));
        QCOMPARE(int(model_->VirtualInput(1).OPERATOR_2_Index), -1);
        auto* source2 = Find<QComboBox>(&page, QStringLiteral("ComboBoxVirtuel_1_Channel_2"));
        Pick(source2, 0);
        QCOMPARE(int(model_->VirtualInput(1).CHANNEL_2_Index), 0);
        Pick(source2, 45);
        QCOMPARE(int(model_->VirtualInput(1).CHANNEL_2_Index), 45);
        Pick(source2, 98);
        QCOMPARE(int(model_->VirtualInput(1).CHANNEL_2_Index), 98);
    }

    void virtualPageSelectionDoesNotLoad()
    {
        model_->ModifyVirtualInput(1, [](VirtualInputConfig& c) { c.IN_DELAY_1_ = 50; });
        TVirtualInputPage page(*model_, *lists_);
        page.PageSelected();
        QCOMPARE(page.SelectedVirtualInput(), 0);
        QCOMPARE(Find<QLineEdit>(&page, QStringLiteral("EditDelayTime"))->text(), QStringLiteral("0"));
    }

    // ---- CAN Export -------------------------------------------------------------------------

    void refreshTime()
    {
        TCanExportPage page(*model_, *lists_, *dialogs_);
        auto* refresh = Find<QLineEdit>(&page, QStringLiteral("Edit_REFRESS_Export2"));
        QCOMPARE(refresh->text(), QStringLiteral("000"));
        refresh->clear();  // clearing it shows 20 at once
        QCOMPARE(refresh->text(), QStringLiteral("20"));
        refresh->setText(QStringLiteral("5"));
        QCOMPARE(refresh->text(), QStringLiteral("20"));
        refresh->selectAll();
        QTest::keyClicks(refresh, QStringLiteral("5"));  // typing the first digit over it
        QCOMPARE(refresh->text(), QStringLiteral("20"));
        QCOMPARE(NumberOrZero(model_->CanExport(2).REFRESS_TIME), 20);
        refresh->setText(QStringLiteral("100"));
        QCOMPARE(refresh->text(), QStringLiteral("100"));
        QCOMPARE(NumberOrZero(model_->CanExport(2).REFRESS_TIME), 100);
    }

    void rowCount_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("enabled");
        QTest::newRow("3") << QStringLiteral("3") << QStringLiteral("3") << 3;
        QTest::newRow("15") << QStringLiteral("15") << QStringLiteral("12") << 12;
        QTest::newRow("0") << QStringLiteral("0") << QStringLiteral("0") << 0;
    }
    void rowCount()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, enabled);
        TCanExportPage page(*model_, *lists_, *dialogs_);
        auto* rows = Find<QLineEdit>(&page, QStringLiteral("EditCAN_EXPORT_1_RowCounter"));
        rows->setText(typed);
        QCOMPARE(rows->text(), shown);
        for (int k = 1; k <= 12; ++k)
            QCOMPARE(Find<QComboBox>(&page, Export1SelectorName(6 + k))->isEnabled(), k <= enabled);
        QCOMPARE(NumberOrZero(model_->CanExport(1).ROW_COUNT), shown.toInt());
    }

    void rowCountThatIsNoNumber()
    {
        TCanExportPage page(*model_, *lists_, *dialogs_);
        Find<QLineEdit>(&page, QStringLiteral("EditCAN_EXPORT_1_RowCounter"))->setText(QStringLiteral("x"));
        QCOMPARE(dialogs_->LastText(), QStringLiteral("'x' is not a valid integer value"));
        QCOMPARE(NumberOrZero(model_->CanExport(1).ROW_COUNT), 12);
    }

    void exportSelectors()
    {
        TCanExportPage page(*model_, *lists_, *dialogs_);
        for (int n = 2; n <= 4; ++n)
            for (int e = 0; e < CanExportEntryCount(n); ++e)
                QVERIFY(page.findChild<QComboBox*>(ExportBitSelectorName(n, e)));
        auto* bit = Find<QComboBox>(&page, QStringLiteral("ComboBox_CAN_Export2_DataByte0_Bit7"));
        QCOMPARE(bit->count(), 47);
        QCOMPARE(bit->itemText(35), QStringLiteral("CH 1"));  // input 1's name
        Pick(bit, 35);
        QCOMPARE(model_->CanExport(2).CHANNEL_INDEX_[0], 35);
        Pick(Find<QComboBox>(&page, QStringLiteral("ComboBox_CAN_Export4_DataByte7_Bit0")), 46);
        QCOMPARE(model_->CanExport(4).CHANNEL_INDEX_[63], 46);
        auto* byte1 = Find<QComboBox>(&page, QStringLiteral("ComboBox_CAN_Export1_DataByte1"));
        QCOMPARE(byte1->count(), 19);
        Pick(byte1, 3);
        QCOMPARE(model_->CanExport(1).CHANNEL_INDEX_[0], 3);
        Type(Find<QLineEdit>(&page, QStringLiteral("EditCAN_ID_Export3")), QStringLiteral("1A3"));
        QCOMPARE(NumberOrZero(model_->CanExport(3).CAN_ID), 419);
        Find<QCheckBox>(&page, QStringLiteral("CheckBoxCAN_Export4"))->click();
        QVERIFY(model_->CanExport(4).ENABLED);

        // A read or a file load shows at once; the refresh check runs on what it is given.
        model_->ModifyCanExport(3, [](CanExportConfig& c) { c.REFRESS_TIME = 5; c.CHANNEL_INDEX_[9] = 7; });
        QCOMPARE(Find<QLineEdit>(&page, QStringLiteral("Edit_REFRESS_Export3"))->text(), QStringLiteral("20"));
        QCOMPARE(NumberOrZero(model_->CanExport(3).REFRESS_TIME), 20);
        QCOMPARE(Find<QComboBox>(&page, ExportBitSelectorName(3, 9))->currentIndex(), 7);
    }

    // ---- Composition ------------------------------------------------------------------------

    void pageSetWork()
    {
        relvane::test::FakeHost host;
        Dispatcher dispatcher;
        CanPageSet pages(*model_, *lists_, *dialogs_, host, dispatcher);
        std::unique_ptr<QWidget> owner[4] = {std::unique_ptr<QWidget>(pages.Diagnostic()),
                                             std::unique_ptr<QWidget>(pages.CanInputs()),
                                             std::unique_ptr<QWidget>(pages.VirtualInputs()),
                                             std::unique_ptr<QWidget>(pages.CanExport())};
        pages.PageSelected(CanPageSet::DIAGNOSTIC_PAGE);
        QCOMPARE(host.Sends(), QStringList{QStringLiteral("send 50")});
        QVERIFY(pages.ResetMonitorForTransfer());   // the blank start selection becomes "Off"
        QVERIFY(!pages.ResetMonitorForTransfer());  // already "Off": no pause needed
        Pick(Find<QComboBox>(pages.CanInputs(), QStringLiteral("CANmonitorEnableComboBox")), 1);
        QCOMPARE(host.Sends().last(), QStringLiteral("send 5c"));
        host.ClearRecords();
        QVERIFY(pages.ResetMonitorForTransfer());
        QCOMPARE(pages.CanInputs()->MonitorSelection(), 0);
        QVERIFY(host.Sends().isEmpty());  // the module is not told
        pages.PageSelected(CanPageSet::VIRTUAL_INPUTS_PAGE);
        QCOMPARE(pages.VirtualInputs()->SelectedVirtualInput(), 0);
        pages.PageSelected(CanPageSet::CAN_INPUTS_PAGE);
        QCOMPARE(pages.CanInputs()->SelectedCanInput(), 0);
        // Both handlers are registered with the dispatcher.
        const QByteArray frame = relvane::test::ModuleFrame(FRAME_TYPE_COMMAND, CAN_MONITOR_IND, 7, {0x0A, 0x00, 0});
        dispatcher.DispatchFrame(reinterpret_cast<const std::uint8_t*>(frame.constData()), int(frame.size()));
        QCOMPARE(pages.CanInputs()->Monitor().LinesSeen(), 1);
        const QByteArray high = relvane::test::ModuleFrame(FRAME_TYPE_COMMAND, DIAGNOSTIC_HIGH_IND, 58, {0x01});
        dispatcher.DispatchFrame(reinterpret_cast<const std::uint8_t*>(high.constData()), int(high.size()));
        QCOMPARE(host.Sends(), QStringList{QStringLiteral("send 5f")});
        QCOMPARE(pages.Diagnostic()->LastHighPower().rows.first().at(1).text, QStringLiteral("1"));
    }

    // ---- Look at it -------------------------------------------------------------------------

    void screenshots()
    {
        for (int n = 1; n <= 4; ++n)
            model_->ModifyCanInput(n, [n](CanInputConfig& c) {
                c.CAN_NAME = QByteArray("Switch ") + QByteArray::number(n);
                c.CAN_ID_ON = 0x100 + n;
                c.CAN_ID_OFF = 0x200 + n;
                c.CAN_LOW_BYTE_ON_POS = 2;
                c.CAN_HIGH_BYTE_ON_POS = 3;
                c.CAN_LOW_BYTE_OFF_POS = 5;
                c.DIMENSION_NAME = "km/h";
                c.MULTIPLICATOR_ = 0.5f;
            });
        lists_->PropagateNames();
        TCanInputPage inputs(*model_, *lists_, *dialogs_, *queue_);
        inputs.SelectCanInput(1);
        for (int i = 0; i < 40; ++i) {
            CanMonitorMessage m{};
            m.identifier = std::uint16_t(0x101 + i % 5);
            m.dataCount = 8;
            for (int b = 0; b < 8; ++b)
                m.data[std::size_t(b)] = std::uint8_t(i * 7 + b);
            inputs.Monitor().OnCanMonitor(m);
        }
        inputs.Monitor().FlushPending();
        Screenshot(&inputs, QStringLiteral("can_inputs"));

        model_->ModifyVirtualInput(1, [](VirtualInputConfig& c) {
            c.CHANNEL_1_Index = 2;
            c.CHANNEL_2_Index = 14;
            c.CHANNEL_3_Index = 46;
            c.OPERATOR_2_Index = 1;
            c.MASK_NOT = 2;
            c.IN_DELAY_2_ = 25;
        });
        TVirtualInputPage virtuals(*model_, *lists_);
        virtuals.SelectVirtualInput(0);
        Screenshot(&virtuals, QStringLiteral("virtual_inputs"));

        TCanExportPage exports(*model_, *lists_, *dialogs_);
        model_->ModifyCanExport(1, [](CanExportConfig& c) { c.CAN_ID = 0x300; c.REFRESS_TIME = 100; c.ROW_COUNT = 4; c.CHANNEL_INDEX_[0] = 1; });
        Screenshot(&exports, QStringLiteral("can_export"));
        exports.findChild<QTabWidget*>(QStringLiteral("TabbedNotebookCANExport"))->setCurrentIndex(3);
        Screenshot(&exports, QStringLiteral("can_export4"));
    }
};

QTEST_MAIN(TestCanPages)
#include "test_can_pages.moc"
