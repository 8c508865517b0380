// The Virtual Inputs and CAN Export pages as the user works them: the virtual input
// formula and the export checks; the page set over all CAN pages, and a look at them.

#include "test_can_pages.h"

#include "can/ui/CanExportPage.h"
#include "can/ui/CanInputPage.h"
#include "can/ui/CanPageSet.h"
#include "can/ui/VirtualInputPage.h"
#include "protocol/Dispatcher.h"

#include <QCheckBox>
#include <QDir>
#include <QTabWidget>

using namespace relvane;

namespace {

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

// ---- Virtual Inputs ---------------------------------------------------------------------

void TestCanPages::virtualDelays_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("stored");
    QTest::newRow("12") << QStringLiteral("12") << QStringLiteral("10.0") << 100;
    QTest::newRow("10.5") << QStringLiteral("10.5") << QStringLiteral("10.5") << 105;
    QTest::newRow("2,5 typed") << QStringLiteral("2,5") << QStringLiteral("2.5") << 25;
}

void TestCanPages::virtualDelays()
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

void TestCanPages::virtualLoadAndNotBits()
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

void TestCanPages::virtualSelectors()
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

void TestCanPages::virtualPageSelectionDoesNotLoad()
{
    model_->ModifyVirtualInput(1, [](VirtualInputConfig& c) { c.IN_DELAY_1_ = 50; });
    TVirtualInputPage page(*model_, *lists_);
    page.PageSelected();
    QCOMPARE(page.SelectedVirtualInput(), 0);
    QCOMPARE(Find<QLineEdit>(&page, QStringLiteral("EditDelayTime"))->text(), QStringLiteral("0"));
}

// ---- CAN Export -------------------------------------------------------------------------

void TestCanPages::refreshTime()
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

void TestCanPages::rowCount_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("enabled");
    QTest::newRow("3") << QStringLiteral("3") << QStringLiteral("3") << 3;
    QTest::newRow("15") << QStringLiteral("15") << QStringLiteral("12") << 12;
    QTest::newRow("0") << QStringLiteral("0") << QStringLiteral("0") << 0;
}

void TestCanPages::rowCount()
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

void TestCanPages::rowCountThatIsNoNumber()
{
    TCanExportPage page(*model_, *lists_, *dialogs_);
    Find<QLineEdit>(&page, QStringLiteral("EditCAN_EXPORT_1_RowCounter"))->setText(QStringLiteral("x"));
    QCOMPARE(dialogs_->LastText(), QStringLiteral("'x' is not a valid integer value"));
    QCOMPARE(NumberOrZero(model_->CanExport(1).ROW_COUNT), 12);
}

void TestCanPages::exportSelectors()
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

void TestCanPages::pageSetWork()
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

void TestCanPages::screenshots()
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
