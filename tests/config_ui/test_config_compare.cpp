// The comparison behind "Compare configuration…": which fields differ, the page group each lands
// in, the channel it names and the control a double click leads to.

#include "config/ConfigCompare.h"
#include "config/ConfigModel.h"
#include "config/SelectionLists.h"

#include <QtTest>

using namespace relvane;

namespace {

enum Change {
    NoChange,
    OutputName,
    OutputTrigger,
    CurrentLimit,
    LowCurrentLimit,
    CanInputId,
    CanInputName,
    CanInputSigned,
    ExportBit,
    Export1Byte,
    VirtualNot,
    FlashSlot,
    LowBatteryTick,
    AutoReset,
    PwmFlag,
    BoxNameOnly,
};

void Apply(ConfigModel& m, int change)
{
    switch (change) {
    case NoChange: break;
    case OutputName: m.ModifyOutput(5, [](OutputConfig& o) { o.NAME = "Head"; }); break;
    case OutputTrigger: m.ModifyOutput(3, [](OutputConfig& o) { o.TRIGGER = 12; }); break;
    case CurrentLimit: m.ModifyOutput(7, [](OutputConfig& o) { o.MAX_CURRENT = 155; }); break;
    case LowCurrentLimit: m.ModifyOutput(2, [](OutputConfig& o) { o.LOW_CURRENT = 15; }); break;
    case CanInputId: m.ModifyCanInput(4, [](CanInputConfig& c) { c.CAN_ID_ON = 0x123; }); break;
    case CanInputName: m.ModifyCanInput(4, [](CanInputConfig& c) { c.CAN_NAME = "Door"; }); break;
    case CanInputSigned: m.ModifyCanInput(9, [](CanInputConfig& c) { c.DATA_TYPE_ = 1; }); break;
    case ExportBit: m.ModifyCanExport(2, [](CanExportConfig& e) { e.CHANNEL_INDEX_[10] = 5; }); break;
    case Export1Byte: m.ModifyCanExport(1, [](CanExportConfig& e) { e.CHANNEL_INDEX_[0] = 3; }); break;
    case VirtualNot: m.ModifyVirtualInput(6, [](VirtualInputConfig& v) { v.MASK_NOT = 4; }); break;
    case FlashSlot: m.ModifyFlash(2, [](FlashConfig& f) { f.CHANNEL_LIST[0] = 6; }); break;
    case LowBatteryTick: m.ModifyLowBattery([](LowBatteryConfig& c) { c.LIST_SELECTED[9] = true; }); break;
    case AutoReset: m.ModifyOutputBlock([](OutputBlockConfig& b) { b.AutoResetError = QStringLiteral("7"); }); break;
    case PwmFlag: m.ModifyOutputBlock([](OutputBlockConfig& b) { b.PWM_1 = true; }); break;
    case BoxNameOnly: m.SetBoxName("Truck 2"); break;
    }
}

// Names on both sides, so the channel column has something to show.
void Name(ConfigModel& m)
{
    m.ModifyOutput(5, [](OutputConfig& o) { o.NAME = "Headlight"; });
    m.ModifyOutput(3, [](OutputConfig& o) { o.NAME = "Fan"; });
    m.ModifyCanInput(4, [](CanInputConfig& c) { c.CAN_NAME = "Ignition"; });
    m.ModifyVirtualInput(6, [](VirtualInputConfig& v) { v.VIRTUAL_NAME = "Either door"; });
    // No outputs in its slots: the differing slot's row comes from the other side.
    m.ModifyFlash(2, [](FlashConfig& f) {
        f.FLASH_NAME = "Hazard";
        f.CHANNEL_LIST = {kFlashSlotEmpty, kFlashSlotEmpty, kFlashSlotEmpty, kFlashSlotEmpty};
    });
    m.ModifyOutput(10, [](OutputConfig& o) { o.NAME = "Radio"; });
    m.SetBoxName("Truck 1");
}

}  // namespace

class TestConfigCompare : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void oneDifference_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("withBoxName");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("channel");
        QTest::addColumn<QString>("selector");
        QTest::addColumn<int>("selectorRow");
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("controlRow");

        const QString none;
        QTest::newRow("output name")
            << int(OutputName) << false << ComparePage::Outputs << "OUTPUT" << "NAME5" << "NAME"
            << "Output 5 \"Headlight\" / \"Head\"" << none << -1 << "EditOutputName_ch5" << -1;
        QTest::newRow("trigger") << int(OutputTrigger) << false << ComparePage::Outputs << "OUTPUT" << "TRIGGER3"
                                 << "TRIGGER" << "Output 3 \"Fan\"" << none << -1 << "ComboBoxInputTrigCH3" << -1;
        QTest::newRow("current limit") << int(CurrentLimit) << false << ComparePage::Outputs << "OUTPUT"
                                       << "MAX_CURRENT7" << "MAX_CURRENT" << "Output 7" << none << -1
                                       << "EditMaxCurrentCH7" << -1;
        QTest::newRow("low current limit") << int(LowCurrentLimit) << false << ComparePage::LowCurrent << "OUTPUT"
                                           << "LOW_CURRENT2" << "LOW_CURRENT" << "Output 2" << none << -1
                                           << "EditLowCurrentCH2" << -1;
        QTest::newRow("CAN input")
            << int(CanInputId) << false << ComparePage::CanInputs << "CAN_INPUT" << "CAN_ID_ON4" << "CAN_ID_ON"
            << "CAN input 4 \"Ignition\"" << "ListBoxCAN_INPUT" << 3 << "EditCAN_ID_ON_1" << -1;
        QTest::newRow("CAN input name")
            << int(CanInputName) << false << ComparePage::Inputs << "CAN_INPUT" << "CAN_NAME4" << "CAN_NAME"
            << "CAN input 4 \"Ignition\" / \"Door\"" << none << -1 << "EditCanInputName_ch4" << -1;
        QTest::newRow("CAN input data type: the shown side's button")
            << int(CanInputSigned) << false << ComparePage::CanInputs << "CAN_INPUT" << "DATA_TYPE_9" << "DATA_TYPE_"
            << "CAN input 9 \"CAN 9\"" << "ListBoxCAN_INPUT" << 8 << "RadioButton_Unsigned" << -1;
        QTest::newRow("export bit")
            << int(ExportBit) << false << ComparePage::CanExport << "CAN_EXPORT_2" << "CHANNEL_INDEX_10"
            << "CHANNEL_INDEX_" << "CAN export 2 entry 10" << none << -1 << "ComboBox_CAN_Export2_DataByte1_Bit5" << -1;
        QTest::newRow("export 1 byte counts from 1")
            << int(Export1Byte) << false << ComparePage::CanExport << "CAN_EXPORT_1" << "CHANNEL_INDEX_1"
            << "CHANNEL_INDEX_" << "CAN export 1 entry 1" << none << -1 << "ComboBox_CAN_Export1_DataByte1" << -1;
        QTest::newRow("virtual input NOT of source 3")
            << int(VirtualNot) << false << ComparePage::VirtualInputs << "VIRTUAL_INPUT" << "MASK_NOT6" << "MASK_NOT"
            << "Virtual input 6 \"Either door\"" << "ListBoxVIRTUAL_INPUT" << 5 << "CheckBoxVirtuel_Channel_3" << -1;
        QTest::newRow("flash slot: the output's row")
            << int(FlashSlot) << false << ComparePage::FlashWiper << "FLASH" << "CHANNEL_LIST2index 0"
            << "CHANNEL_LIST index 0" << "Flash 2 \"Hazard\"" << "ListBoxFlashNo" << 1
            << "CheckListBoxFlashOutputList" << 6;
        QTest::newRow("low battery tick list counts from 0")
            << int(LowBatteryTick) << false << ComparePage::LowBattery << "LOW_BATTERY" << "LIST_SELECTED9"
            << "LIST_SELECTED" << "Output 10 \"Radio\"" << none << -1 << "CheckListBoxLowBatt" << 9;
        QTest::newRow("auto reset on the diagnostic page")
            << int(AutoReset) << false << ComparePage::Diagnostic << "OUTPUT" << "AutoResetError"
            << "AutoResetError" << none << none << -1 << "AutoResetChannelErrorEdit" << -1;
        QTest::newRow("PWM flag: no page, no channel")
            << int(PwmFlag) << false << ComparePage::None << "OUTPUT" << "PWM_1" << "PWM_1" << none << none << -1
            << none << -1;
        QTest::newRow("box name with the module")
            << int(BoxNameOnly) << true << ComparePage::Inputs << "" << "Box name" << "Box name" << none << none
            << -1 << "EditBoxName" << -1;
    }
    void oneDifference()
    {
        QFETCH(int, change);
        QFETCH(bool, withBoxName);
        QFETCH(int, page);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, field);
        QFETCH(QString, channel);
        QFETCH(QString, selector);
        QFETCH(int, selectorRow);
        QFETCH(QString, control);
        QFETCH(int, controlRow);

        ConfigModel shown, other;
        Name(shown);
        Name(other);
        Apply(other, change);
        const QList<CompareGroup> groups = CompareConfigs(shown, other, withBoxName);
        QCOMPARE(groups.size(), 1);
        QCOMPARE(groups[0].page, page);
        QCOMPARE(groups[0].rows.size(), 1);
        const CompareRow& row = groups[0].rows[0];
        QCOMPARE(row.difference.field.section, section);
        QCOMPARE(row.difference.field.key, key);
        QVERIFY(row.difference.field.value != row.difference.otherValue);
        QCOMPARE(FieldText(row.difference.field), field);
        QCOMPARE(ChannelText(row.difference), channel);
        QCOMPARE(row.location.page, page);
        QCOMPARE(row.location.selector, selector);
        QCOMPARE(row.location.selectorRow, selectorRow);
        QCOMPARE(row.location.control, control);
        QCOMPARE(row.location.controlRow, controlRow);
        QCOMPARE(CompareSummaryText(groups), QStringLiteral("1 field differs"));
    }

    void sameConfigurations_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("withBoxName");
        QTest::newRow("identical") << int(NoChange) << true;
        QTest::newRow("box name against a file") << int(BoxNameOnly) << false;
    }
    void sameConfigurations()
    {
        QFETCH(int, change);
        QFETCH(bool, withBoxName);
        ConfigModel shown, other;
        Name(shown);
        Name(other);
        Apply(other, change);
        const QList<CompareGroup> groups = CompareConfigs(shown, other, withBoxName);
        QVERIFY(groups.isEmpty());
        QCOMPARE(CompareSummaryText(groups), QStringLiteral("The configurations are the same"));
    }

    void groupsInPageOrderUnshownLast()
    {
        ConfigModel shown, other;
        for (int change : {PwmFlag, OutputTrigger, ExportBit, CanInputName, CurrentLimit, AutoReset})
            Apply(other, change);
        const QList<CompareGroup> groups = CompareConfigs(shown, other, false);
        QList<int> pages;
        for (const CompareGroup& g : groups)
            pages << g.page;
        QCOMPARE(pages, (QList<int>{ComparePage::Diagnostic, ComparePage::Inputs, ComparePage::CanExport,
                                    ComparePage::Outputs, ComparePage::None}));
        // Within a page, file order: the triggers come before the current limits.
        QCOMPARE(groups[3].rows.size(), 2);
        QCOMPARE(groups[3].rows[0].difference.field.key, QStringLiteral("TRIGGER3"));
        QCOMPARE(groups[3].rows[1].difference.field.key, QStringLiteral("MAX_CURRENT7"));
        QCOMPARE(CompareSummaryText(groups), QStringLiteral("6 fields differ"));
    }

    void valueAsTheControlShowsIt_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("shown");
        // Input 3 is named "Ignition" below.
        const QString input3 = QString::number(PositionToTriggerCode(kTriggerPosFirstInput + 2));
        QTest::newRow("trigger code as its source") << "OUTPUT" << "TRIGGER3" << input3 << "Ignition";
        QTest::newRow("trigger none") << "OUTPUT" << "TRIGGER3" << "255" << "+30";
        QTest::newRow("tenths of an ampere") << "OUTPUT" << "MAX_CURRENT7" << "155" << "15.5";
        QTest::newRow("on time 0 is continuous") << "OUTPUT" << "ON_TIME2" << "0" << "CONT.";
        QTest::newRow("CAN identifier in hex") << "CAN_INPUT" << "CAN_ID_ON4" << "673" << "0x2A1";
        QTest::newRow("export bit source") << "CAN_EXPORT_2" << "CHANNEL_INDEX_10" << "5" << "Out five";
        QTest::newRow("export entry none") << "CAN_EXPORT_2" << "CHANNEL_INDEX_10" << "-1" << "(none)";
        QTest::newRow("export 1 entry") << "CAN_EXPORT_1" << "CHANNEL_INDEX_1" << "0" << "DISABLED";
        QTest::newRow("start button position") << "START BUTTON" << "INPUT_TRIGGER_INDEX" << "1" << "+30";
        QTest::newRow("input mode") << "INPUT" << "MODE2" << "1" << "Momentary";
        QTest::newRow("a plain number stays") << "KILL BUTTON" << "INPUT_DELAY" << "12" << "12";
        QTest::newRow("text stays") << "LOW_BATTERY" << "LOW_TRIG" << "11,5" << "11,5";
    }
    void valueAsTheControlShowsIt()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, shown);
        ConfigModel m;
        m.ModifyInput(3, [](InputConfig& i) { i.NAME = "Ignition"; });
        m.ModifyOutput(5, [](OutputConfig& o) { o.NAME = "Out five"; });
        // The field as the flat list annotates it.
        for (const ConfigField& f : ConfigFields(m)) {
            if (f.section == section && f.key == key) {
                QCOMPARE(ValueText(f, value, m), shown);
                return;
            }
        }
        QFAIL("no such field");
    }

    // Every field a file holds has a control, except those no page shows: a key added to the
    // file without a place here would silently land in "Not on any page".
    void everyFieldHasAPlace()
    {
        ConfigModel m;
        QStringList unshown;
        int located = 0;
        for (const ConfigField& f : ConfigFields(m)) {
            const FieldLocation where = LocateField(f, f.value);
            if (where.page == ComparePage::None) {
                QVERIFY2(where.control.isEmpty(), qPrintable(f.key));
                unshown << f.section + QLatin1Char(' ') + f.key;
                continue;
            }
            QVERIFY2(!where.control.isEmpty(), qPrintable(f.section + QLatin1Char(' ') + f.key));
            QVERIFY2(where.selector.isEmpty() == (where.selectorRow < 0), qPrintable(f.key));
            ++located;
        }
        QStringList expected{QStringLiteral("INPUT PWM_ENABLE"), QStringLiteral("OUTPUT PWM_1"),
                             QStringLiteral("OUTPUT PWM_2")};
        for (int n = 1; n <= kCanInputCount; ++n)
            expected << QStringLiteral("CAN_INPUT ENABLED%1").arg(n);
        for (int n = 1; n <= kFlashCount; ++n)
            expected << QStringLiteral("FLASH ENABLED%1").arg(n);
        QCOMPARE(unshown, expected);
        QVERIFY(located > 1000);
    }
};

QTEST_GUILESS_MAIN(TestConfigCompare)
#include "test_config_compare.moc"
