// The editor pages through their controls' names: limit checks, trigger levels and input pins,
// list maximums, and the flash and wiper editors.

#include "test_editor_pages.h"

#include "config/ConfigFile.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QTemporaryDir>

using namespace relvane;

namespace {

int FieldValue(const ConfigModel& m, const QString& field, int n)
{
    const OutputConfig& o = m.Output(n);
    const auto v = [](const OptionalNumber& x) { return x ? *x : -1; };
    if (field == QLatin1String("MAX_CURRENT")) return v(o.MAX_CURRENT);
    if (field == QLatin1String("DELAY")) return v(o.DELAY);
    if (field == QLatin1String("ON_TIME")) return v(o.ON_TIME);
    if (field == QLatin1String("PEAK_TIME")) return v(o.PEAK_TIME);
    if (field == QLatin1String("LOW_CURRENT")) return v(o.LOW_CURRENT);
    if (field == QLatin1String("LOW_CURRENT_TIME")) return v(o.LOW_CURRENT_TIME);
    if (field == QLatin1String("FLASH_TIME_ON")) return m.Flash(n).FLASH_TIME_ON;
    if (field == QLatin1String("FLASH_TIME_OFF")) return m.Flash(n).FLASH_TIME_OFF;
    if (field == QLatin1String("DURATION")) return m.Flash(n).DURATION;
    if (field == QLatin1String("INPUT_DELAY")) return m.KillButton().INPUT_DELAY;
    if (field == QLatin1String("INTERVAL_TIME")) return m.Wiper().INTERVAL_TIME;
    return -1000;
}

}  // namespace

void TestEditorPages::controlsExist_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("maxLength");  // 0: not an edit
    QTest::newRow("name 1") << "EditOutputName_ch1" << 15;
    QTest::newRow("name 34") << "EditOutputName_ch34" << 15;
    QTest::newRow("on-timer") << "EditOnTimeCH34" << 5;
    QTest::newRow("current 18") << "EditMaxCurrentCH18" << 4;
    QTest::newRow("low current") << "EditLowCurrentCH18" << 4;
    QTest::newRow("low current time") << "EditLowCurrentTimeCH1" << 5;
    QTest::newRow("low threshold") << "EditLowVoltageTrig" << 4;
    QTest::newRow("high threshold") << "EditUpperVoltageTrig" << 4;
    QTest::newRow("input name") << "EditInputName_ch11" << 15;
    QTest::newRow("virtual name") << "EditInputName_Virtuel_ch20" << 15;
    QTest::newRow("CAN name") << "EditCanInputName_ch32" << 15;
    QTest::newRow("box name") << "EditBoxName" << 15;
    QTest::newRow("flash name") << "EditFlashName" << 15;
    QTest::newRow("trigger 34") << "ComboBoxInputTrigCH34" << 0;
    QTest::newRow("level 34") << "ComboBoxTrigLevelCH34" << 0;
    QTest::newRow("pin 34") << "LabelInputpin34" << 0;
    QTest::newRow("row 34") << "LabelOutput34" << 0;
    QTest::newRow("low current name") << "LabelHighPowerCh_18" << 0;
    QTest::newRow("wiper level") << "WiperHomeParkILevelComboBox" << 0;
}

void TestEditorPages::controlsExist()
{
    QFETCH(QString, name);
    QFETCH(int, maxLength);
    QWidget* w = pages_->Find(name);
    QVERIFY2(w, qPrintable(name));
    if (maxLength)
        QCOMPARE(qobject_cast<QLineEdit*>(w)->maxLength(), maxLength);
    // Outputs 19 to 34 have no current, peak or low-current controls.
    QVERIFY(!pages_->Find(QStringLiteral("EditMaxCurrentCH19")));
    QVERIFY(!pages_->Find(QStringLiteral("EditCurrentPeakTimeCH19")));
    QVERIFY(!pages_->Find(QStringLiteral("EditLowCurrentCH19")));
    QCOMPARE(pages_->Edit(QStringLiteral("EditOnTimeCH7"))->toolTip(),
             QStringLiteral("Output ON timer \nEnter 0 for continuous"));
    QCOMPARE(pages_->Find<QLabel>(QStringLiteral("LabelHighPowerCh_3"))->text(), QStringLiteral("High power"));
    QCOMPARE(pages_->Find<QLabel>(QStringLiteral("LabelInputpin3"))->text(), QString());
    QCOMPARE(pages_->Find<QLabel>(QStringLiteral("LabelOutputPin14"))->text(), QStringLiteral("( Con. 2, Red ring, Pin J,K )"));
    QVERIFY(!pages_->Find<QCheckBox>(QStringLiteral("CheckBoxPWM_enable1"))->isVisibleTo(pages_->outputs));
}

void TestEditorPages::limitChecks_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("stored");
    QTest::newRow("current 95") << "EditMaxCurrentCH1" << "95" << "90.0" << "MAX_CURRENT" << 1 << 900;
    QTest::newRow("current 90.9") << "EditMaxCurrentCH1" << "90.9" << "90.9" << "MAX_CURRENT" << 1 << 909;
    QTest::newRow("delay 2,5") << "EditDelayCH5" << "2,5" << "2.5" << "DELAY" << 5 << 25;
    QTest::newRow("delay 12") << "EditDelayCH5" << "12" << "10.0" << "DELAY" << 5 << 100;
    QTest::newRow("delay 10.5") << "EditDelayCH30" << "10.5" << "10.0" << "DELAY" << 30 << 100;
    QTest::newRow("on-timer CONT.") << "EditOnTimeCH3" << "CONT." << "CONT." << "ON_TIME" << 3 << 0;
    QTest::newRow("on-timer 0") << "EditOnTimeCH3" << "0" << "0" << "ON_TIME" << 3 << 0;
    QTest::newRow("on-timer 25.9") << "EditOnTimeCH23" << "25.9" << "25.9" << "ON_TIME" << 23 << 255;
    QTest::newRow("on-timer 30") << "EditOnTimeCH23" << "30" << "25.0" << "ON_TIME" << 23 << 250;
    QTest::newRow("peak 10.05") << "EditCurrentPeakTimeCH2" << "10.05" << "10.0" << "PEAK_TIME" << 2 << 100;
    QTest::newRow("peak 1,5") << "EditCurrentPeakTimeCH2" << "1,5" << "1.5" << "PEAK_TIME" << 2 << 15;
    QTest::newRow("low current 95") << "EditLowCurrentCH4" << "95" << "90.0" << "LOW_CURRENT" << 4 << 900;
    QTest::newRow("low time 26") << "EditLowCurrentTimeCH4" << "26" << "25.0" << "LOW_CURRENT_TIME" << 4 << 250;
    QTest::newRow("flash on above 25000") << "EditFlashOnTime" << "30000" << "25000" << "FLASH_TIME_ON" << 1 << 250;
    QTest::newRow("flash on 99") << "EditFlashOnTime" << "99" << "99" << "FLASH_TIME_ON" << 1 << 0;
    QTest::newRow("flash off 150") << "EditFlashOffTime" << "150" << "150" << "FLASH_TIME_OFF" << 1 << 1;
    QTest::newRow("duration 25001") << "EditFlashDuration" << "25001" << "25000" << "DURATION" << 1 << 250;
    QTest::newRow("text not a number") << "EditDelayCH1" << "abc" << "abc" << "DELAY" << 1 << 0;
}

void TestEditorPages::limitChecks()
{
    QFETCH(QString, editor);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, field);
    QFETCH(int, n);
    QFETCH(int, stored);
    if (editor.startsWith(QLatin1String("EditFlash")))
        pages_->Find<QListWidget>(QStringLiteral("ListBoxFlashNo"))->setCurrentRow(n - 1);
    QLineEdit* edit = pages_->Edit(editor);
    QVERIFY(edit);
    EditorPages::Type(edit, typed);
    QCOMPARE(edit->text(), shown);
    QCOMPARE(FieldValue(pages_->model, field, n), stored);
    QVERIFY(pages_->dialogs.Texts().isEmpty());  // no message on these pages
}

void TestEditorPages::thresholds_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("low 17") << "EditLowVoltageTrig" << "17" << "12.0";
    QTest::newRow("low 16.9") << "EditLowVoltageTrig" << "16.9" << "16.9";
    QTest::newRow("low comma") << "EditLowVoltageTrig" << "11,5" << "11.5";
    QTest::newRow("high 17") << "EditUpperVoltageTrig" << "17" << "12.3";
    QTest::newRow("high 12.6") << "EditUpperVoltageTrig" << "12.6" << "12.6";
}

void TestEditorPages::thresholds()
{
    QFETCH(QString, editor);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QLineEdit* edit = pages_->Edit(editor);
    EditorPages::Type(edit, typed);
    QCOMPARE(edit->text(), shown);
    const LowBatteryConfig& c = pages_->model.LowBattery();
    QCOMPARE(editor == QLatin1String("EditLowVoltageTrig") ? c.LOW_TRIG : c.UPPER_TRIG, shown);
}

void TestEditorPages::onTimeZeroFromFileShowsCont()
{
    pages_->model.ModifyOutput(3, [](OutputConfig& o) { o.ON_TIME = 0; o.DELAY = 150; });
    QCOMPARE(pages_->Edit(QStringLiteral("EditOnTimeCH3"))->text(), QStringLiteral("CONT."));
    // Showing a value passes through the editor's own limit.
    QCOMPARE(pages_->Edit(QStringLiteral("EditDelayCH3"))->text(), QStringLiteral("10.0"));
    QCOMPARE(*pages_->model.Output(3).DELAY, 100);
}

void TestEditorPages::partlyTypedTextStays()
{
    QLineEdit* delay = pages_->Edit(QStringLiteral("EditDelayCH4"));
    EditorPages::Type(delay, QStringLiteral("2."));
    QCOMPARE(*pages_->model.Output(4).DELAY, 20);
    QCOMPARE(delay->text(), QStringLiteral("2."));
    // A change of another field of the same record (from the Low Current page) leaves it too.
    EditorPages::Type(pages_->Edit(QStringLiteral("EditLowCurrentCH4")), QStringLiteral("3"));
    QCOMPARE(delay->text(), QStringLiteral("2."));
    // A change from elsewhere of this very field is shown.
    pages_->model.ModifyOutput(4, [](OutputConfig& o) { o.DELAY = 45; });
    QCOMPARE(delay->text(), QStringLiteral("4.5"));
}

void TestEditorPages::readOrOpenShowsTypedValueConverted_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("field");  // index into the fields below
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("fromFile");
    const struct {
        const char* name;
        const char* editor;
        const char* typed;
        int field;
        const char* shown;
    } rows[] = {
        {"on-timer 0", "EditOnTimeCH1", "0", 0, "CONT."},
        {"current 12", "EditMaxCurrentCH2", "12", 1, "12.0"},
        {"delay 2.", "EditDelayCH3", "2.", 2, "2.0"},
        {"peak time 5", "EditCurrentPeakTimeCH18", "5", 3, "5.0"},
        {"low current 3", "EditLowCurrentCH4", "3", 4, "3.0"},
        {"low current time 0", "EditLowCurrentTimeCH5", "0", 5, "0.0"},
    };
    for (const auto& r : rows)
        for (bool file : {false, true})
            QTest::newRow(qPrintable(QString::fromLatin1(r.name) + (file ? QStringLiteral(", file") : QStringLiteral(", read"))))
                << QString::fromLatin1(r.editor) << QString::fromLatin1(r.typed) << r.field
                << QString::fromLatin1(r.shown) << file;
}

void TestEditorPages::readOrOpenShowsTypedValueConverted()
{
    QFETCH(QString, editor);
    QFETCH(QString, typed);
    QFETCH(int, field);
    QFETCH(bool, fromFile);
    static constexpr OptionalNumber OutputConfig::* fields[] = {&OutputConfig::ON_TIME,    &OutputConfig::MAX_CURRENT,
                                                                &OutputConfig::DELAY,      &OutputConfig::PEAK_TIME,
                                                                &OutputConfig::LOW_CURRENT, &OutputConfig::LOW_CURRENT_TIME};
    const int n = editor.right(editor.size() - editor.lastIndexOf(QStringLiteral("CH")) - 2).toInt();
    QLineEdit* edit = pages_->Edit(editor);
    QVERIFY(edit);
    EditorPages::Type(edit, typed);
    QCOMPARE(edit->text(), typed);  // typing is not rewritten under the cursor
    const OptionalNumber value = pages_->model.Output(n).*fields[field];
    QVERIFY(value.has_value());

    // The module or the file brings the very value the typed text stands for.
    ConfigModel source;
    source.Assign(pages_->model);
    if (fromFile) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("same.cfg"));
        QVERIFY(SaveConfigFile(source, path));
        QVERIFY(LoadConfigFile(pages_->model, path));
    } else {
        pages_->model.Assign(source);  // how a finished Read takes the module's configuration
    }
    QTEST(edit->text(), "shown");
    QCOMPARE(pages_->model.Output(n).*fields[field], value);
}

void TestEditorPages::trigLevelChoices_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<int>("code");
    const QStringList gndOpen = {QStringLiteral("GND"), QStringLiteral("OPEN")};
    QTest::newRow("+30") << 1 << QStringList{QStringLiteral("+30")} << false << "+30" << 255;
    QTest::newRow("input 1") << 2 << QStringList{QStringLiteral("+12v")} << false << "+12v" << 0xC0;
    QTest::newRow("input 5") << 6 << gndOpen << true << "GND" << 0xC4;
    QTest::newRow("input 4") << 5 << gndOpen << true << "GND" << 0xD1;
    QTest::newRow("CAN input 1") << 13 << QStringList{QStringLiteral("-")} << false << "-" << 1;
    QTest::newRow("virtual 20") << 64 << QStringList{QStringLiteral("-")} << false << "-" << 52;
    QTest::newRow("wiper fast") << 66 << QStringList{QStringLiteral("-")} << false << "-" << 54;
}

void TestEditorPages::trigLevelChoices()
{
    QFETCH(int, position);
    QFETCH(QStringList, entries);
    QFETCH(bool, enabled);
    QFETCH(QString, selected);
    QFETCH(int, code);
    QComboBox* level = pages_->Combo(QStringLiteral("ComboBoxTrigLevelCH9"));
    QCOMPARE(level->count(), 2);  // "GND", "OPEN" with nothing selected before the first choice
    QCOMPARE(level->currentIndex(), -1);
    EditorPages::Choose(pages_->Combo(QStringLiteral("ComboBoxInputTrigCH9")), position);
    QStringList shown;
    for (int i = 0; i < level->count(); ++i)
        shown << level->itemText(i);
    QCOMPARE(shown, entries);
    QCOMPARE(level->isEnabled(), enabled);
    QCOMPARE(level->currentText(), selected);
    QCOMPARE(pages_->model.Output(9).TRIGGER, code);
    QCOMPARE(pages_->model.Output(9).TRIGLEVEL, 1);
}

void TestEditorPages::levelKeptAcrossInputs()
{
    QComboBox* trigger = pages_->Combo(QStringLiteral("ComboBoxInputTrigCH12"));
    QComboBox* level = pages_->Combo(QStringLiteral("ComboBoxTrigLevelCH12"));
    EditorPages::Choose(trigger, 6);  // input 5
    EditorPages::Choose(level, 1);    // "OPEN"
    QCOMPARE(pages_->model.Output(12).TRIGLEVEL, 16);
    EditorPages::Choose(trigger, 8);  // input 7: the earlier "OPEN" stays
    QCOMPARE(level->currentText(), QStringLiteral("OPEN"));
    QCOMPARE(pages_->model.Output(12).TRIGLEVEL, 16);
    EditorPages::Choose(trigger, 19);  // CAN input 7: "-" and level 1
    QCOMPARE(level->currentText(), QStringLiteral("-"));
    QCOMPARE(pages_->model.Output(12).TRIGLEVEL, 1);
}

void TestEditorPages::disabledLeavesLevel()
{
    QComboBox* trigger = pages_->Combo(QStringLiteral("ComboBoxInputTrigCH2"));
    QComboBox* level = pages_->Combo(QStringLiteral("ComboBoxTrigLevelCH2"));
    QLabel* pin = pages_->Find<QLabel>(QStringLiteral("LabelInputpin2"));
    EditorPages::Choose(trigger, 1);  // "+30"
    QCOMPARE(level->currentText(), QStringLiteral("+30"));
    EditorPages::Choose(trigger, 12);
    QCOMPARE(pin->text(), QStringLiteral("( Con. 4, Red ring, Pin 29 )"));
    EditorPages::Choose(level, 1);
    EditorPages::Choose(trigger, 0);  // "DISABLED"
    QCOMPARE(pin->text(), QString());
    QCOMPARE(level->count(), 2);
    QCOMPARE(level->currentText(), QStringLiteral("OPEN"));
    QVERIFY(level->isEnabled());
    QCOMPARE(pages_->model.Output(2).TRIGGER, 0);
    QCOMPARE(pages_->model.Output(2).TRIGLEVEL, 16);
}

void TestEditorPages::inputPinLabels_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::newRow("CAN input 7") << 19 << "( CAN input 7 )";
    QTest::newRow("input 11") << 12 << "( Con. 4, Red ring, Pin 29 )";
    QTest::newRow("input 1") << 2 << "( Con. 4, Red ring, Pin 19 )";
    QTest::newRow("virtual 3") << 47 << "( Virtual input 3 )";
    QTest::newRow("wiper slow") << 65 << "( Wiper Low speed )";
    QTest::newRow("wiper fast") << 66 << "( Wiper High speed )";
    QTest::newRow("+30") << 1 << "";
}

void TestEditorPages::inputPinLabels()
{
    QFETCH(int, position);
    QFETCH(QString, text);
    EditorPages::Choose(pages_->Combo(QStringLiteral("ComboBoxInputTrigCH27")), position);
    QCOMPARE(pages_->Find<QLabel>(QStringLiteral("LabelInputpin27"))->text(), text);
}

void TestEditorPages::listMaximums_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<QString>("message");
    QTest::newRow("low battery") << "CheckListBoxLowBatt" << 12 << "Max 12 in low battery list!";
    QTest::newRow("start") << "CheckListBoxStartButton" << 14 << "Max 14 Start Button list!";
    QTest::newRow("kill") << "CheckListBoxKillButton" << 14 << "Max 14 Kill Button list!";
    QTest::newRow("flash") << "CheckListBoxFlashOutputList" << 4 << "Max 4 in output list!";
}

void TestEditorPages::listMaximums()
{
    QFETCH(QString, list);
    QFETCH(int, maximum);
    QFETCH(QString, message);
    // Start value slots 0, 0, 0, 0 would show output 1 ticked: start from an empty function.
    pages_->model.ModifyFlash(3, [](FlashConfig& f) { f.CHANNEL_LIST = {255, 255, 255, 255}; });
    pages_->Find<QListWidget>(QStringLiteral("ListBoxFlashNo"))->setCurrentRow(2);
    TOutputCheckList* box = pages_->CheckList(list);
    QVERIFY(box);
    QCOMPARE(box->count(), kOutputCount);
    const auto modelTicks = [&]() -> OutputList {
        const ConfigModel& m = pages_->model;
        if (list == QLatin1String("CheckListBoxLowBatt")) return m.LowBattery().LIST_SELECTED;
        if (list == QLatin1String("CheckListBoxStartButton")) return m.StartButton().LIST_SELECTED;
        if (list == QLatin1String("CheckListBoxKillButton")) return m.KillButton().LIST_SELECTED;
        return FlashOutputsFromSlots(m.Flash(3).CHANNEL_LIST);
    };
    for (int i = 0; i < maximum; ++i)
        EditorPages::Tick(box, 33 - 2 * i);
    QCOMPARE(int(modelTicks().count()), maximum);
    QVERIFY(pages_->dialogs.Texts().isEmpty());
    const OutputList before = modelTicks();
    EditorPages::Tick(box, 0);  // one too many
    QCOMPARE(pages_->dialogs.Texts(), QStringList{message});
    QCOMPARE(pages_->dialogs.Calls().first().messageKind, MessageKind::Plain);
    QVERIFY(!box->Ticked(0));
    QCOMPARE(int(box->Ticks().count()), maximum);
    QCOMPARE(modelTicks(), before);
    // Unticking is always allowed and reaches the model.
    EditorPages::Tick(box, 33, false);
    QCOMPARE(int(modelTicks().count()), maximum - 1);
}

void TestEditorPages::flashSlots()
{
    pages_->model.ModifyFlash(2, [](FlashConfig& f) { f.CHANNEL_LIST = {255, 255, 255, 255}; });
    auto* flashNo = pages_->Find<QListWidget>(QStringLiteral("ListBoxFlashNo"));
    flashNo->setCurrentRow(1);  // flash 2
    TOutputCheckList* outputs = pages_->CheckList(QStringLiteral("CheckListBoxFlashOutputList"));
    EditorPages::Tick(outputs, 19);  // output 20
    EditorPages::Tick(outputs, 2);   // output 3
    const std::array<uint8_t, 4> expected{2, 19, 255, 255};
    QCOMPARE(pages_->model.Flash(2).CHANNEL_LIST, expected);
    // Shown again: the ticks come from the slots.
    flashNo->setCurrentRow(0);
    QVERIFY(!outputs->Ticked(19));
    flashNo->setCurrentRow(1);
    QVERIFY(outputs->Ticked(19) && outputs->Ticked(2));
    QCOMPARE(int(outputs->Ticks().count()), 2);
}

void TestEditorPages::flashClickBeforePropagation()
{
    auto* flashNo = pages_->Find<QListWidget>(QStringLiteral("ListBoxFlashNo"));
    QCOMPARE(flashNo->count(), 4);
    QCOMPARE(flashNo->currentRow(), -1);
    auto* group = pages_->Find<QGroupBox>(QStringLiteral("GroupBoxFlash"));
    QCOMPARE(group->title(), QStringLiteral("Flash 1"));
    QCOMPARE(pages_->Edit(QStringLiteral("EditFlashOnTime"))->text(), QStringLiteral("0"));
    flashNo->setCurrentRow(1);
    QCOMPARE(pages_->model.Flash(2).FLASH_NAME, QByteArray("Flash 2"));
    QCOMPARE(group->title(), QStringLiteral("Flash 2"));
    // The name editor renames the entry and the function, not the caption.
    EditorPages::Type(pages_->Edit(QStringLiteral("EditFlashName")), QStringLiteral("Hazard"));
    QCOMPARE(pages_->model.Flash(2).FLASH_NAME, QByteArray("Hazard"));
    QCOMPARE(flashNo->item(1)->text(), QStringLiteral("Hazard"));
    QCOMPARE(group->title(), QStringLiteral("Flash 2"));
    QVERIFY(!pages_->lists.NamePropagationRequested());
}

void TestEditorPages::flashWiperTriggerShowsPlus30()
{
    auto* flashNo = pages_->Find<QListWidget>(QStringLiteral("ListBoxFlashNo"));
    flashNo->setCurrentRow(0);
    QComboBox* trigger = pages_->Combo(QStringLiteral("ComboBoxFlashInputTrig"));
    QCOMPARE(trigger->count(), kTriggerListSize);
    EditorPages::Choose(trigger, 66);  // "Wiper Fast"
    QCOMPARE(int(pages_->model.Flash(1).INPUT_TRIGGER), 255);
    flashNo->setCurrentRow(1);
    flashNo->setCurrentRow(0);
    QCOMPARE(trigger->currentIndex(), 1);
    QCOMPARE(trigger->currentText(), QStringLiteral("+30"));
    EditorPages::Choose(trigger, 14);  // CAN input 2
    QCOMPARE(int(pages_->model.Flash(1).INPUT_TRIGGER), 2);
}

void TestEditorPages::flashEditorsNeedASelection()
{
    EditorPages::Type(pages_->Edit(QStringLiteral("EditFlashOnTime")), QStringLiteral("900"));
    pages_->Find<QCheckBox>(QStringLiteral("CheckBoxFlash"))->click();
    for (int n = 1; n <= kFlashCount; ++n) {
        QCOMPARE(int(pages_->model.Flash(n).FLASH_TIME_ON), 0);
        QCOMPARE(int(pages_->model.Flash(n).CONTINUES), 0);
    }
}

void TestEditorPages::wiperHomeParkRule()
{
    QComboBox* input = pages_->Combo(QStringLiteral("WiperHomeParkInputComboBox"));
    QComboBox* level = pages_->Combo(QStringLiteral("WiperHomeParkILevelComboBox"));
    QCOMPARE(input->count(), kTriggerBaseListSize);
    EditorPages::Choose(level, 0);  // "Stop on Low"
    EditorPages::Choose(input, 4);  // input 3: level unchanged
    QCOMPARE(pages_->model.Wiper().HOME_PARK_LEVEL, 0);
    QCOMPARE(pages_->model.Wiper().HOME_PARK_INPUT, 0xC2);
    EditorPages::Choose(input, 13);  // CAN input 1
    QCOMPARE(pages_->model.Wiper().HOME_PARK_LEVEL, 1);
    QCOMPARE(level->currentText(), QStringLiteral("Stop on High"));
    QCOMPARE(pages_->model.Wiper().HOME_PARK_INPUT, 1);
    // A wiper code from a file selects nothing in the base list.
    pages_->model.ModifyWiper([](WiperConfig& w) { w.LOW_SPEED_INPUT = 54; });
    QCOMPARE(pages_->Combo(QStringLiteral("WiperLowSpeedInputComboBox"))->currentIndex(), -1);
}

void TestEditorPages::integerFallbacks_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("stored");
    QTest::newRow("kill letter") << "KillInputDelayEdit" << "a" << "INPUT_DELAY" << 10;
    QTest::newRow("kill number") << "KillInputDelayEdit" << "25" << "INPUT_DELAY" << 25;
    QTest::newRow("kill hex") << "KillInputDelayEdit" << "$14" << "INPUT_DELAY" << 20;
    QTest::newRow("kill empty") << "KillInputDelayEdit" << "" << "INPUT_DELAY" << 10;
    QTest::newRow("wiper letter") << "WiperIntervalTimeEdit" << "x" << "INTERVAL_TIME" << 30;
    QTest::newRow("wiper number") << "WiperIntervalTimeEdit" << "120" << "INTERVAL_TIME" << 120;
}

void TestEditorPages::integerFallbacks()
{
    QFETCH(QString, editor);
    QFETCH(QString, typed);
    QFETCH(QString, field);
    QFETCH(int, stored);
    QLineEdit* edit = pages_->Edit(editor);
    QCOMPARE(edit->text(), editor == QLatin1String("KillInputDelayEdit") ? QStringLiteral("10") : QStringLiteral("30"));
    EditorPages::Type(edit, QStringLiteral("77"));
    EditorPages::Type(edit, typed);
    QCOMPARE(edit->text(), typed);
    QCOMPARE(FieldValue(pages_->model, field, 0), stored);
}

QTEST_MAIN(TestEditorPages)
#include "moc_test_editor_pages.cpp"
