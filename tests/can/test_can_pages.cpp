// The CAN Inputs page as the user works it: typed values reach the model corrected, the
// byte pickers, and the CAN monitor group.

#include "test_can_pages.h"

#include "can/ui/CanInputPage.h"
#include "can/ui/CanWidgets.h"
#include "protocol/Dispatcher.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

using namespace relvane;
using relvane::test::RecordingQueue;

void TestCanPages::init()
{
    model_ = std::make_unique<ConfigModel>();
    lists_ = std::make_unique<SelectionLists>(*model_);
    lists_->FillSelectionLists();
    dialogs_ = std::make_unique<ScriptedDialogs>();
    queue_ = std::make_unique<RecordingQueue>();
}

// ---- CAN Inputs -------------------------------------------------------------------------

void TestCanPages::identifierStoresHexAndReloads()
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

void TestCanPages::identifierThatIsNoNumber()
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

void TestCanPages::valueLimits_data()
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

void TestCanPages::valueLimits()
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

void TestCanPages::storedValueOutsideTheLimitsIsCorrectedOnLoad()
{
    model_->ModifyCanInput(3, [](CanInputConfig& c) { c.CAN_VALUE_ON = 70000; c.ROW_INDEX = 9; c.ROW_VALUE = 200; });
    TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
    page.SelectCanInput(2);
    QCOMPARE(Find<QLineEdit>(&page, QStringLiteral("EditValueCAN_ON_1"))->text(), QStringLiteral("65535"));
    QCOMPARE(model_->CanInput(3).CAN_VALUE_ON, 65535);
    QCOMPARE(int(model_->CanInput(3).ROW_INDEX), 7);
    QCOMPARE(int(model_->CanInput(3).ROW_VALUE), 200);
}

void TestCanPages::switchingTypeLeavesTheValues()
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

void TestCanPages::rowCounterAndCalibration()
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

void TestCanPages::rowCounterTakesWholeNumbers_data()
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

void TestCanPages::rowCounterTakesWholeNumbers()
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

void TestCanPages::dimensionShowsInBothUnitLabels()
{
    TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
    page.SelectCanInput(0);
    Type(Find<QLineEdit>(&page, QStringLiteral("EditValueCAN_IN_Dimension")), QStringLiteral("km/hx"));
    QCOMPARE(model_->CanInput(1).DIMENSION_NAME, QByteArray("km/hx"));
    QCOMPARE(Find<QLabel>(&page, QStringLiteral("LabelCanInDimension1"))->text(), QStringLiteral("km/hx"));
    QCOMPARE(Find<QLabel>(&page, QStringLiteral("LabelCanInDimension2"))->text(), QStringLiteral("km/hx"));
}

void TestCanPages::operatorsAndNoCanData()
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

void TestCanPages::bytePickerClicks()
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

void TestCanPages::storedPosition255ShowsAsNone()
{
    model_->ModifyCanInput(1, [](CanInputConfig& c) { c.CAN_LOW_BYTE_ON_POS = 255; c.CAN_HIGH_BYTE_ON_POS = 255; });
    TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
    page.SelectCanInput(0);
    QCOMPARE(page.OnPair(), (BytePair{255, 255}));
    page.ImageCan_1_ONMouseUp(45);
    QCOMPARE(int(model_->CanInput(1).CAN_LOW_BYTE_ON_POS), 2);
    QCOMPARE(int(model_->CanInput(1).CAN_HIGH_BYTE_ON_POS), 0);
}

void TestCanPages::fileLoadIsShownAtOnce()
{
    TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
    page.SelectCanInput(0);
    model_->ModifyCanInput(1, [](CanInputConfig& c) { c.CAN_ID_ON = 0x7FF; });
    QCOMPARE(Find<QLineEdit>(&page, QStringLiteral("EditCAN_ID_ON_1"))->text(), QStringLiteral("7FF"));
    model_->ModifyCanSetup([](CanSetupConfig& c) { c.BitRate = 500; c.NoCANdelay = QStringLiteral("30"); });
    QCOMPARE(Find<QComboBox>(&page, QStringLiteral("CANbitRateComboBox"))->currentText(), QStringLiteral("500 Kbit/s"));
    QCOMPARE(Find<QLineEdit>(&page, QStringLiteral("CANdelayBeforeNoCANdataEdit"))->text(), QStringLiteral("30"));
}

void TestCanPages::canSwitchingOption()
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

void TestCanPages::pageSelectionSelectsTheFirstAndResetsTheMonitor()
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

void TestCanPages::monitorSelectionSendsTheMode()
{
    TCanInputPage page(*model_, *lists_, *dialogs_, *queue_);
    Pick(Find<QComboBox>(&page, QStringLiteral("CANmonitorEnableComboBox")), 2);
    QCOMPARE(queue_->frames.size(), 1);
    QCOMPARE(queue_->frames.first().toHex(' '), QByteArray("59 04 01 5c 02"));
}

void TestCanPages::monitorShowsForwardedMessages()
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

void TestCanPages::fileLogOption()
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

QTEST_MAIN(TestCanPages)
#include "moc_test_can_pages.cpp"
