// The configuration checks: each rule with a configuration that trips it and a near one that
// does not, the control each problem leads to, and the texts built from the list.

#include "config/ConfigChecks.h"
#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "config/IniFile.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <functional>

using namespace relvane;

namespace {

using Setup = std::function<void(ConfigModel&)>;

// Codes of the trigger source list.
constexpr int kInput1 = 192, kInput2 = 193, kPlus30 = 255;
constexpr int CanInputCode(int n) { return n; }
constexpr int VirtualCode(int n) { return 32 + n; }
// Positions of the virtual operand list.
constexpr int OperandInput(int n) { return 1 + n; }
constexpr int OperandVirtual(int n) { return 78 + n; }

void Trigger(ConfigModel& m, int output, int code) { m.ModifyOutput(output, [&](OutputConfig& o) { o.TRIGGER = code; }); }

void CanInputReady(ConfigModel& m, int n, bool on = true, bool off = true, bool enabled = true)
{
    m.ModifyCanInput(n, [&](CanInputConfig& c) {
        c.ENABLED = enabled;
        c.CAN_ID_ON = c.CAN_ID_OFF = 0x1A0;
        c.CAN_LOW_BYTE_ON_POS = on ? 2 : 255;
        c.CAN_LOW_BYTE_OFF_POS = off ? 2 : 0;
    });
}

void Flash(ConfigModel& m, int f, int code, std::initializer_list<int> outputs)
{
    m.ModifyFlash(f, [&](FlashConfig& r) {
        r.INPUT_TRIGGER = uint8_t(code);
        r.CHANNEL_LIST = {255, 255, 255, 255};
        std::size_t s = 0;
        for (int o : outputs)
            r.CHANNEL_LIST[s++] = uint8_t(o - 1);
    });
}

void Export(ConfigModel& m, int x, int id, bool enabled = true)
{
    m.ModifyCanExport(x, [&](CanExportConfig& e) {
        e.ENABLED = enabled;
        e.CAN_ID = id;
        e.REFRESS_TIME = 100;
    });
}

}  // namespace

Q_DECLARE_METATYPE(Setup)

class TestConfigChecks : public QObject {
    Q_OBJECT

    // What a file without keys gives: every trigger DISABLED, nothing listed, nothing exported.
    ConfigModel clean_;

private Q_SLOTS:
    void init()
    {
        IniFile empty;
        ReadConfig(clean_, empty);
    }

    void cleanConfigurationHasNoProblem() { QCOMPARE(CheckConfig(clean_), QList<ConfigProblem>()); }

    void rules_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("rule");
        QTest::addColumn<bool>("trips");
        QTest::addColumn<QString>("control");   // of the first problem of the rule
        QTest::addColumn<QString>("words");     // in its message

        const auto row = [](const char* name, const char* rule, bool trips, Setup s, const char* control = "", const char* words = "") {
            QTest::newRow(name) << s << QString::fromLatin1(rule) << trips << QString::fromLatin1(control) << QString::fromUtf8(words);
        };
        row("virtual input is its own source", "virtual-loop", true,
            [](ConfigModel& m) {
                m.ModifyVirtualInput(2, [](VirtualInputConfig& v) { v.VIRTUAL_NAME = "Loop"; v.CHANNEL_1_Index = OperandInput(1); v.CHANNEL_2_Index = OperandVirtual(2); });
            },
            "ComboBoxVirtuel_1_Channel_2", "Virtual input 2 \"Loop\" depends on itself");
        row("virtual inputs in a ring", "virtual-loop", true,
            [](ConfigModel& m) {
                m.ModifyVirtualInput(1, [](VirtualInputConfig& v) { v.CHANNEL_3_Index = OperandVirtual(4); });
                m.ModifyVirtualInput(4, [](VirtualInputConfig& v) { v.VIRTUAL_NAME = "Back"; v.CHANNEL_1_Index = OperandVirtual(1); });
            },
            "ComboBoxVirtuel_1_Channel_3", "through Virtual input 4 \"Back\"");
        row("virtual inputs in a chain", "virtual-loop", false, [](ConfigModel& m) {
            m.ModifyVirtualInput(1, [](VirtualInputConfig& v) { v.CHANNEL_1_Index = OperandVirtual(4); });
            m.ModifyVirtualInput(4, [](VirtualInputConfig& v) { v.CHANNEL_1_Index = OperandInput(2); });
        });
        row("CAN input without ON byte", "can-input-no-on-byte", true,
            [](ConfigModel& m) { CanInputReady(m, 3, false); Trigger(m, 5, CanInputCode(3)); }, "ImageCan_1_ON", "Output 5");
        row("CAN input with ON byte", "can-input-no-on-byte", false, [](ConfigModel& m) { CanInputReady(m, 3); Trigger(m, 5, CanInputCode(3)); });
        row("unused CAN input without bytes", "can-input-no-on-byte", false, [](ConfigModel& m) { CanInputReady(m, 3, false, false); });
        row("CAN input without OFF byte", "can-input-no-off-byte", true,
            [](ConfigModel& m) { CanInputReady(m, 3, true, false); m.ModifyStartButton([](StartButtonConfig& s) { s.INPUT_TRIGGER_INDEX = 15; s.LIST_SELECTED.set(0); }); },
            "ImageCan_1_OFF", "the start button");
        row("CAN input not enabled", "can-input-disabled", true,
            [](ConfigModel& m) {
                CanInputReady(m, 7, true, true, false);
                m.ModifyVirtualInput(9, [](VirtualInputConfig& v) { v.CHANNEL_2_Index = 13 + 6; });
            },
            "ComboBoxVirtuel_1_Channel_2", "CAN input 7 \"CAN 7\" is not enabled");
        row("low threshold above high", "low-battery-order", true,
            [](ConfigModel& m) {
                m.ModifyLowBattery([](LowBatteryConfig& b) { b.LOW_TRIG = QStringLiteral("12.5"); b.UPPER_TRIG = QStringLiteral("12,0"); b.LIST_SELECTED.set(4); });
            },
            "EditLowVoltageTrig", "12.5 V is not below the high threshold 12.0 V");
        row("low threshold below high", "low-battery-order", false, [](ConfigModel& m) {
            m.ModifyLowBattery([](LowBatteryConfig& b) { b.LOW_TRIG = QStringLiteral("11.5"); b.UPPER_TRIG = QStringLiteral("12.5"); b.LIST_SELECTED.set(4); });
        });
        row("two exports on one identifier", "export-id-twice", true, [](ConfigModel& m) { Export(m, 1, 0x200); Export(m, 3, 0x200); },
            "EditCAN_ID_Export3", "CAN export 3 sends on identifier 0x200, as CAN export 1 does");
        row("a disabled export shares it", "export-id-twice", false, [](ConfigModel& m) { Export(m, 1, 0x200); Export(m, 3, 0x200, false); });
        row("export on a CAN input's identifier", "export-id-received", true,
            [](ConfigModel& m) { CanInputReady(m, 4); Trigger(m, 2, CanInputCode(4)); Export(m, 2, 0x1A0); },
            "EditCAN_ID_Export2", "CAN input 4");
        row("export on the error reset's identifier", "export-id-received", true,
            [](ConfigModel& m) {
                m.ModifyCanSetup([](CanSetupConfig& s) { s.ResetChannelErrorID = QStringLiteral("1a0"); s.ResetChannelErrorDataByte = 0; });
                Export(m, 4, 0x1A0);
            },
            "EditCAN_ID_Export4", "resetting channel errors");
        row("export on an unused CAN input's identifier", "export-id-received", false, [](ConfigModel& m) { CanInputReady(m, 4); Export(m, 2, 0x1A0); });
        row("output trigger not chosen", "unchosen-is-plus30", true, [](ConfigModel& m) { Trigger(m, 7, kNoSelection); },
            "ComboBoxInputTrigCH7", "Output 7 \"---\" has no trigger chosen");
        row("start button on a wiper entry", "unchosen-is-plus30", true,
            [](ConfigModel& m) { m.ModifyStartButton([](StartButtonConfig& s) { s.INPUT_TRIGGER_INDEX = 66; s.LIST_SELECTED.set(3); }); },
            "ComboBoxInputTrigStartButton", "\"Wiper Fast\", which it cannot take");
        row("output on +30", "unchosen-is-plus30", false, [](ConfigModel& m) { Trigger(m, 7, kPlus30); });
        row("virtual source outside the list", "invalid-selection", true,
            [](ConfigModel& m) { m.ModifyVirtualInput(3, [](VirtualInputConfig& v) { v.CHANNEL_2_Index = 150; }); },
            "ComboBoxVirtuel_1_Channel_2", "holds entry 150");
        row("used input without mode", "invalid-selection", true,
            [](ConfigModel& m) { m.ModifyInput(4, [](InputConfig& i) { i.MODE = kNoSelection; }); Trigger(m, 1, 209); },
            "ComboBoxInput_ch4", "Input 4");
        row("virtual source at the list's end", "invalid-selection", false,
            [](ConfigModel& m) {
                m.ModifyVirtualInput(3, [](VirtualInputConfig& v) { v.CHANNEL_2_Index = OperandVirtual(20); });
                m.ModifyVirtualInput(20, [](VirtualInputConfig& v) { v.CHANNEL_1_Index = OperandInput(1); });
            });
        row("output in two flash functions", "output-contested", true,
            [](ConfigModel& m) { Flash(m, 1, kInput2, {4, 9}); Flash(m, 2, kInput1, {4}); }, "CheckListBoxFlashOutputList",
            "Output 4 \"---\" is switched by Flash 1 \"FLASH 1\" and by Flash 2");
        row("wiper output flashed", "output-contested", true, [](ConfigModel& m) { Trigger(m, 8, 53); Flash(m, 3, kInput2, {8}); },
            "CheckListBoxFlashOutputList", "the wiper");
        row("second flash function disabled", "output-contested", false, [](ConfigModel& m) { Flash(m, 1, kInput2, {4}); Flash(m, 2, 0, {4}); });
        row("export carries an idle output", "export-output-idle", true,
            [](ConfigModel& m) { Export(m, 2, 0x300); m.ModifyCanExport(2, [](CanExportConfig& e) { e.CHANNEL_INDEX_[9] = 6; }); },
            "ComboBox_CAN_Export2_DataByte1_Bit6", "byte 1 bit 6 carries Output 6");
        row("export carries a flashed output", "export-output-idle", false, [](ConfigModel& m) {
            Export(m, 2, 0x300);
            m.ModifyCanExport(2, [](CanExportConfig& e) { e.CHANNEL_INDEX_[9] = 6; });
            Flash(m, 1, kInput1, {6});
        });
        row("virtual input without source in use", "virtual-empty", true, [](ConfigModel& m) { Trigger(m, 10, VirtualCode(5)); },
            "ComboBoxVirtuel_1_Channel_1", "Virtual input 5");
        row("kill button on +30", "button-on-plus30", true,
            [](ConfigModel& m) { m.ModifyKillButton([](KillButtonConfig& k) { k.INPUT_TRIGGER_INDEX = 1; k.LIST_SELECTED.set(1); }); },
            "ComboBoxInputTrigKillButton", "never come on");
        row("kill button on +30 without outputs", "button-on-plus30", false,
            [](ConfigModel& m) { m.ModifyKillButton([](KillButtonConfig& k) { k.INPUT_TRIGGER_INDEX = 1; }); });
        row("low-current limit above the limit", "low-current-above-limit", true,
            [](ConfigModel& m) { m.ModifyOutput(3, [](OutputConfig& o) { o.MAX_CURRENT = 100; o.LOW_CURRENT = 120; }); },
            "EditLowCurrentCH3", "12.0 A is not below its current limit 10.0 A");
        row("low-current limit below the limit", "low-current-above-limit", false,
            [](ConfigModel& m) { m.ModifyOutput(3, [](OutputConfig& o) { o.MAX_CURRENT = 100; o.LOW_CURRENT = 50; }); });
        row("CAN switching without input", "can-enable-no-input", true,
            [](ConfigModel& m) { m.ModifyCanInputEnable([](CanInputEnableConfig& e) { e.ENABLE = true; e.INPUT_PIN = kNoSelection; }); },
            "ComboBoxInputTrigCAN_Input", "Input 1");
        row("kill delay beyond a byte", "value-range", true,
            [](ConfigModel& m) { m.ModifyKillButton([](KillButtonConfig& k) { k.INPUT_DELAY = 300; }); }, "KillInputDelayEdit",
            "300 is outside 0 to 255 and goes to the module as 44");
        row("delay beyond a byte", "value-range", true, [](ConfigModel& m) { m.ModifyOutput(20, [](OutputConfig& o) { o.DELAY = 300; }); },
            "EditDelayCH20", "30.0 s goes to the module as 4.4 s");
        row("kill delay within a byte", "value-range", false, [](ConfigModel& m) { m.ModifyKillButton([](KillButtonConfig& k) { k.INPUT_DELAY = 255; }); });
    }

    void rules()
    {
        QFETCH(Setup, setup);
        QFETCH(QString, rule);
        QFETCH(bool, trips);
        QFETCH(QString, control);
        QFETCH(QString, words);
        setup(clean_);
        const QList<ConfigProblem> problems = CheckConfig(clean_);
        if (!trips) {
            // The near miss trips nothing else either.
            QCOMPARE(problems, QList<ConfigProblem>());
            return;
        }
        const auto it = std::find_if(problems.begin(), problems.end(), [&](const ConfigProblem& p) { return p.rule == rule; });
        QVERIFY2(it != problems.end(), qPrintable(problems.isEmpty() ? QStringLiteral("no problem") : ProblemLine(problems.first())));
        QCOMPARE(it->location.control, control);
        QVERIFY2(it->message.contains(words), qPrintable(it->message));
        const auto r = std::find_if(CheckRules().begin(), CheckRules().end(), [&](const CheckRule& c) { return rule == QLatin1String(c.id); });
        QVERIFY(r != CheckRules().end());
        QCOMPARE(it->severity, r->severity);
    }

    // The list runs errors first, so the upload question and the panel lead with them.
    void errorsComeFirst()
    {
        AddWarningAndError(clean_);
        const QList<ConfigProblem> problems = CheckConfig(clean_);
        QCOMPARE(problems.size(), 2);
        QCOMPARE(problems.at(0).severity, ProblemSeverity::Error);
        QCOMPARE(problems.at(1).severity, ProblemSeverity::Warning);
        QCOMPARE(ProblemCountText(problems), QStringLiteral("1 error, 1 warning"));
        const QString question = UploadAnywayQuestion(problems);
        QVERIFY(question.startsWith(QStringLiteral("The configuration has 2 problems. Upload anyway?\n\nError: ")));
        const QJsonObject json = QJsonDocument::fromJson(ProblemsJson(problems)).object();
        QCOMPARE(json.value(QStringLiteral("errors")).toInt(), 1);
        QCOMPARE(json.value(QStringLiteral("problems")).toArray().at(1).toObject().value(QStringLiteral("page")).toString(),
                 QStringLiteral("Start / Kill Button"));
    }

private:
    static void AddWarningAndError(ConfigModel& m)
    {
        m.ModifyKillButton([](KillButtonConfig& k) { k.INPUT_TRIGGER_INDEX = 1; k.LIST_SELECTED.set(1); });
        Trigger(m, 7, kNoSelection);
    }
};

QTEST_GUILESS_MAIN(TestConfigChecks)
#include "test_config_checks.moc"
