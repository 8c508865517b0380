// The editor pages' name propagation, and the one-copy rule against module reads and
// file loads: what the model holds is what every editor shows.

#include "test_editor_pages.h"

#include "config/ConfigFile.h"
#include "protocol/BlockCodec.h"

#include <QDir>
#include <QGroupBox>
#include <QPushButton>
#include <QTemporaryDir>

using namespace relvane;

namespace {

// A configuration that differs from the start values almost everywhere.
void FillVaried(ConfigModel& m)
{
    ConfigModel::UpdateBatch batch(m);
    const char* outputNames[] = {"Headlight L", "Headlight R", "Fuel pump", "Fan 1",   "Fan 2",     "Horn",
                                 "Wiper motor", "Starter",     "Ignition",  "Brake L", "Brake R",   "Beacon",
                                 "Radio",       "Heater",      "Work lamp", "Compressor", "Winch",  "Spare 18"};
    for (int n = 1; n <= kOutputCount; ++n) {
        m.ModifyOutput(n, [&](OutputConfig& o) {
            o.NAME = n <= 18 ? QByteArray(outputNames[n - 1]) : "Low " + QByteArray::number(n);
            const int position = (n * 7) % kTriggerListSize;
            o.TRIGGER = PositionToTriggerCode(position);
            o.TRIGLEVEL = (position >= 3 && position <= 12 && n % 2) ? 16 : 1;
            o.DELAY = n % 10 * 10 + 5;
            o.ON_TIME = n % 3 == 0 ? 0 : n * 5 % 250;
            if (n <= kHighPowerOutputCount) {
                o.MAX_CURRENT = 100 + n * 40;
                o.PEAK_TIME = n * 5 % 100;
                o.LOW_CURRENT = n * 3;
                o.LOW_CURRENT_TIME = n * 10 % 250;
            }
        });
    }
    for (int n = 1; n <= kInputCount; ++n)
        m.ModifyInput(n, [&](InputConfig& r) {
            r.NAME = "Switch " + QByteArray::number(n);
            r.MODE = n % 2;
        });
    for (int n = 1; n <= kCanInputCount; ++n)
        m.ModifyCanInput(n, [&](CanInputConfig& r) { r.CAN_NAME = "Keypad " + QByteArray::number(n); });
    for (int n = 1; n <= kVirtualInputCount; ++n)
        m.ModifyVirtualInput(n, [&](VirtualInputConfig& r) { r.VIRTUAL_NAME = "Logic " + QByteArray::number(n); });
    m.ModifyLowBattery([](LowBatteryConfig& c) {
        c.LOW_TRIG = QStringLiteral("11.8");
        c.UPPER_TRIG = QStringLiteral("12.6");
        c.LIST_SELECTED.set(12).set(13).set(14);
    });
    m.ModifyStartButton([](StartButtonConfig& c) {
        c.INPUT_TRIGGER_INDEX = 5;
        c.LIST_SELECTED.set(7).set(8);
    });
    m.ModifyKillButton([](KillButtonConfig& c) {
        c.INPUT_TRIGGER_INDEX = 6;
        c.INPUT_DELAY = 25;
        c.LIST_SELECTED.set(0).set(1).set(2);
    });
    for (int n = 1; n <= kFlashCount; ++n)
        m.ModifyFlash(n, [&](FlashConfig& f) {
            f.CONTINUES = n % 2;
            f.INPUT_TRIGGER = uint8_t(BasePositionToTriggerCode(n + 2));
            f.FLASH_TIME_ON = uint8_t(n * 5);
            f.FLASH_TIME_OFF = uint8_t(n * 4);
            f.DURATION = uint8_t(n * 20);
            f.CHANNEL_LIST = {uint8_t(n - 1), uint8_t(n + 9), 255, 255};
            f.FLASH_NAME = "Blink " + QByteArray::number(n);
        });
    m.ModifyWiper([](WiperConfig& w) {
        w.LOW_SPEED_INPUT = PositionToTriggerCode(5);
        w.HIGH_SPEED_INPUT = PositionToTriggerCode(6);
        w.INTERVAL_INPUT = PositionToTriggerCode(7);
        w.HOME_PARK_INPUT = PositionToTriggerCode(8);
        w.HOME_PARK_LEVEL = 0;
        w.INTERVAL_TIME = 45;
    });
    m.SetBoxName("Fire truck 7");
}

}  // namespace

void TestEditorPages::renameInput3Propagation()
{
    EditorPages& p = *pages_;
    // Selections elsewhere, by position.
    EditorPages::Choose(p.Combo(QStringLiteral("ComboBoxInputTrigCH1")), 4);   // input 3
    EditorPages::Choose(p.Combo(QStringLiteral("ComboBoxInputTrigCH2")), 14);  // CAN input 2
    EditorPages::Choose(p.Combo(QStringLiteral("ComboBoxInputTrigCH3")), 66);  // "Wiper Fast"
    EditorPages::Choose(p.Combo(QStringLiteral("WiperLowSpeedInputComboBox")), 4);
    EditorPages::Choose(p.Combo(QStringLiteral("ComboBoxInputTrigKillButton")), 30);
    // Selectors of the CAN pages bind to the same lists.
    QComboBox operand, canEnable, bit;
    operand.setModel(p.lists.VirtualOperandList());
    canEnable.setModel(p.lists.InputNameList());
    bit.setModel(p.lists.ExportBitSourceList());
    operand.setCurrentIndex(4);
    canEnable.setCurrentIndex(2);
    bit.setCurrentIndex(37);
    const QStringList before = p.lists.ExportBitSourceList()->stringList();

    EditorPages::Type(p.Edit(QStringLiteral("EditInputName_ch3")), QStringLiteral("Horn"));
    QCOMPARE(p.model.Input(3).NAME, QByteArray("Horn"));
    QVERIFY(p.lists.NamePropagationRequested());
    // Until the tick the selectors show the old name.
    QCOMPARE(p.Combo(QStringLiteral("ComboBoxInputTrigCH1"))->currentText(), QStringLiteral("CH 3"));
    QVERIFY(p.lists.ServeNamePropagation());

    for (int n = 1; n <= kOutputCount; ++n)
        QCOMPARE(p.Combo(QStringLiteral("ComboBoxInputTrigCH%1").arg(n))->itemText(4), QStringLiteral("Horn"));
    QCOMPARE(p.Combo(QStringLiteral("ComboBoxInputTrigCH1"))->currentText(), QStringLiteral("Horn"));
    QCOMPARE(p.Combo(QStringLiteral("ComboBoxInputTrigCH2"))->currentIndex(), 14);
    QCOMPARE(p.Combo(QStringLiteral("ComboBoxInputTrigCH3"))->currentIndex(), 66);
    QCOMPARE(p.Combo(QStringLiteral("ComboBoxInputTrigCH4"))->currentIndex(), -1);
    QCOMPARE(p.Combo(QStringLiteral("WiperLowSpeedInputComboBox"))->currentText(), QStringLiteral("Horn"));
    QCOMPARE(p.Combo(QStringLiteral("WiperHighSpeedInputComboBox"))->currentIndex(), -1);
    QCOMPARE(p.Combo(QStringLiteral("ComboBoxInputTrigKillButton"))->currentIndex(), 30);
    QCOMPARE(p.Combo(QStringLiteral("ComboBoxInputTrigStartButton"))->currentIndex(), 0);
    QCOMPARE(p.Combo(QStringLiteral("ComboBoxFlashInputTrig"))->itemText(4), QStringLiteral("Horn"));
    QCOMPARE(operand.currentText(), QStringLiteral("Horn"));
    QCOMPARE(operand.count(), kOperandListSize);
    QCOMPARE(canEnable.currentText(), QStringLiteral("Horn"));
    QCOMPARE(bit.currentIndex(), 37);
    QCOMPARE(bit.currentText(), QStringLiteral("Horn"));
    QCOMPARE(p.lists.ExportBitSourceList()->stringList().mid(0, 37), before.mid(0, 37));
    // The channels' pin labels and levels are brought in line with their triggers.
    QCOMPARE(p.Find<QLabel>(QStringLiteral("LabelInputpin3"))->text(), QStringLiteral("( Wiper High speed )"));
    QCOMPARE(p.Combo(QStringLiteral("ComboBoxTrigLevelCH2"))->currentText(), QStringLiteral("-"));
    QCOMPARE(p.model.Output(3).TRIGGER, 54);
    QCOMPARE(p.model.Output(4).TRIGGER, kNoSelection);  // an untouched channel stays unset
}

void TestEditorPages::outputNameRequestsPropagation()
{
    EditorPages::Type(pages_->Edit(QStringLiteral("EditOutputName_ch23")), QStringLiteral("Siren"));
    QVERIFY(pages_->lists.NamePropagationRequested());
    QVERIFY(pages_->lists.ServeNamePropagation());
    QCOMPARE(pages_->lists.ExportBitSourceList()->stringList().at(23), QStringLiteral("Siren"));
    QCOMPARE(pages_->lists.VirtualOperandList()->stringList().at(44 + 23), QStringLiteral("Siren"));
    QCOMPARE(pages_->CheckList(QStringLiteral("CheckListBoxKillButton"))->item(22)->text(), QStringLiteral("Siren"));
}

void TestEditorPages::noRequestWhileModuleReadRuns()
{
    pages_->transferBusy = true;
    EditorPages::Type(pages_->Edit(QStringLiteral("EditCanInputName_ch5")), QStringLiteral("Door"));
    pages_->model.ModifyOutput(1, [](OutputConfig& o) { o.NAME = "From module"; });
    QVERIFY(!pages_->lists.NamePropagationRequested());
    QVERIFY(!pages_->lists.ServeNamePropagation());
    // The read asks once when it ends.
    pages_->transferBusy = false;
    pages_->lists.RequestNamePropagation();
    QVERIFY(pages_->lists.ServeNamePropagation());
    QCOMPARE(pages_->lists.TriggerSourceList()->stringList().at(17), QStringLiteral("Door"));
    QCOMPARE(pages_->Edit(QStringLiteral("EditOutputName_ch1"))->text(), QStringLiteral("From module"));
}

void TestEditorPages::tickSurvivesPropagation()
{
    TOutputCheckList* low = pages_->CheckList(QStringLiteral("CheckListBoxLowBatt"));
    EditorPages::Tick(low, 6);  // output 7
    pages_->model.ModifyOutput(7, [](OutputConfig& o) { o.NAME = "Aux"; });
    pages_->lists.PropagateNames();
    QVERIFY(low->Ticked(6));
    QCOMPARE(low->item(6)->text(), QStringLiteral("Aux"));
    QVERIFY(pages_->model.LowBattery().LIST_SELECTED[6]);
}

void TestEditorPages::propagationFillsFlashAndButtons()
{
    QCOMPARE(pages_->Combo(QStringLiteral("ComboBoxInputTrigStartButton"))->count(), kTriggerListSize);
    QCOMPARE(pages_->Combo(QStringLiteral("ComboBoxInputTrigKillButton"))->count(), kTriggerListSize);
    pages_->model.ModifyFlash(5, [](FlashConfig& f) { f.FLASH_NAME = "Strobe"; });
    pages_->model.ModifyFlash(1, [](FlashConfig& f) { f.FLASH_NAME = "First"; f.FLASH_TIME_ON = 7; });
    pages_->lists.PropagateNames();
    auto* flashNo = pages_->Find<QListWidget>(QStringLiteral("ListBoxFlashNo"));
    QCOMPARE(flashNo->count(), kFlashCount);
    QCOMPARE(flashNo->item(4)->text(), QStringLiteral("Strobe"));
    QCOMPARE(flashNo->currentRow(), 0);
    QCOMPARE(pages_->Edit(QStringLiteral("EditFlashName"))->text(), QStringLiteral("First"));
    QCOMPARE(pages_->Edit(QStringLiteral("EditFlashOnTime"))->text(), QStringLiteral("700"));
    QCOMPARE(pages_->Find<QGroupBox>(QStringLiteral("GroupBoxFlash"))->title(), QStringLiteral("Flash 1"));
    QCOMPARE(pages_->model.StartButton().INPUT_TRIGGER_INDEX, 0);
    QCOMPARE(pages_->model.KillButton().INPUT_TRIGGER_INDEX, 0);
}

void TestEditorPages::nameLabelsFollowNames()
{
    EditorPages::Type(pages_->Edit(QStringLiteral("EditOutputName_ch5")), QStringLiteral("Pump"));
    QCOMPARE(pages_->outputLabels[4]->text(), QStringLiteral("5: Pump"));
    QCOMPARE(pages_->Find<QLabel>(QStringLiteral("LabelHighPowerCh_5"))->text(), QStringLiteral("Pump"));
    QCOMPARE(pages_->Find<QLabel>(QStringLiteral("LabelHighPowerCh_6"))->text(), QStringLiteral("High power"));
    EditorPages::Type(pages_->Edit(QStringLiteral("EditInputName_ch2")), QStringLiteral("Key"));
    QCOMPARE(pages_->inputLabels[1]->text(), QStringLiteral("2: Key"));
    pages_->model.ModifyCanInput(32, [](CanInputConfig& c) { c.CAN_NAME = "Last"; });
    QCOMPARE(pages_->canLabels[31]->text(), QStringLiteral("32: Last"));
    pages_->lists.PropagateNames();
    QCOMPARE(pages_->outputLabels[33]->text(), QStringLiteral("34: "));
    QCOMPARE(pages_->Find<QLabel>(QStringLiteral("LabelHighPowerCh_6"))->text(), QString());
    // Names outside Windows-1252 are refused as typed.
    QLineEdit* name = pages_->Edit(QStringLiteral("EditInputName_ch1"));
    name->clear();
    name->insert(QString(QChar(0x4E2D)));
    QCOMPARE(name->text(), QString());
    name->insert(QStringLiteral("ab"));
    QCOMPARE(name->text(), QStringLiteral("ab"));
    name->clear();
    name->insert(QStringLiteral("Caf\u00e9 0123456789xyz"));
    QCOMPARE(pages_->model.Input(1).NAME, QByteArray("Caf\xe9 0123456789"));
}

void TestEditorPages::CheckShowsVaried()
{
    EditorPages& p = *pages_;
    QCOMPARE(p.Edit(QStringLiteral("EditOutputName_ch3"))->text(), QStringLiteral("Fuel pump"));
    QCOMPARE(p.Edit(QStringLiteral("EditOutputName_ch20"))->text(), QStringLiteral("Low 20"));
    for (int n : {1, 5, 12, 19, 34}) {
        const OutputConfig& o = p.model.Output(n);
        QCOMPARE(p.Combo(QStringLiteral("ComboBoxInputTrigCH%1").arg(n))->currentIndex(), TriggerCodeToPosition(o.TRIGGER));
        QCOMPARE(p.Edit(QStringLiteral("EditDelayCH%1").arg(n))->text(), TextFromTenths(*o.DELAY));
        QCOMPARE(p.Edit(QStringLiteral("EditOnTimeCH%1").arg(n))->text(), OnTimeText(*o.ON_TIME));
    }
    QCOMPARE(p.Edit(QStringLiteral("EditMaxCurrentCH2"))->text(), QStringLiteral("18.0"));
    QCOMPARE(p.Edit(QStringLiteral("EditLowCurrentCH10"))->text(), QStringLiteral("3.0"));
    QCOMPARE(p.Edit(QStringLiteral("EditInputName_ch4"))->text(), QStringLiteral("Switch 4"));
    QCOMPARE(p.Combo(QStringLiteral("ComboBoxInput_ch3"))->currentText(), QStringLiteral("Momentary"));
    QCOMPARE(p.Edit(QStringLiteral("EditCanInputName_ch17"))->text(), QStringLiteral("Keypad 17"));
    QCOMPARE(p.Edit(QStringLiteral("EditInputName_Virtuel_ch9"))->text(), QStringLiteral("Logic 9"));
    QCOMPARE(p.Edit(QStringLiteral("EditLowVoltageTrig"))->text(), QStringLiteral("11.8"));
    QVERIFY(p.CheckList(QStringLiteral("CheckListBoxLowBatt"))->Ticked(13));
    QCOMPARE(int(p.CheckList(QStringLiteral("CheckListBoxLowBatt"))->Ticks().count()), 3);
    QCOMPARE(p.Combo(QStringLiteral("ComboBoxInputTrigStartButton"))->currentIndex(), 5);
    QVERIFY(p.CheckList(QStringLiteral("CheckListBoxStartButton"))->Ticked(8));
    QCOMPARE(p.Edit(QStringLiteral("KillInputDelayEdit"))->text(), QStringLiteral("25"));
    QCOMPARE(p.Combo(QStringLiteral("WiperHomeParkInputComboBox"))->currentIndex(), 8);
    QCOMPARE(p.Combo(QStringLiteral("WiperHomeParkILevelComboBox"))->currentText(), QStringLiteral("Stop on Low"));
    QCOMPARE(p.Edit(QStringLiteral("WiperIntervalTimeEdit"))->text(), QStringLiteral("45"));
    // After the propagation the read (or the Open) asks for, the lists and flash editor follow.
    QVERIFY(p.lists.ServeNamePropagation());
    QCOMPARE(p.Combo(QStringLiteral("ComboBoxInputTrigCH1"))->itemText(13), QStringLiteral("Keypad 1"));
    QCOMPARE(p.CheckList(QStringLiteral("CheckListBoxFlashOutputList"))->item(0)->text(), QStringLiteral("Headlight L"));
    QCOMPARE(p.Edit(QStringLiteral("EditFlashName"))->text(), QStringLiteral("Blink 1"));
    QCOMPARE(p.Edit(QStringLiteral("EditFlashDuration"))->text(), QStringLiteral("2000"));
    QVERIFY(p.CheckList(QStringLiteral("CheckListBoxFlashOutputList"))->Ticked(10));
    QCOMPARE(p.Find<QLabel>(QStringLiteral("LabelHighPowerCh_8"))->text(), QStringLiteral("Starter"));
    QCOMPARE(p.outputLabels[7]->text(), QStringLiteral("8: Starter"));
}

void TestEditorPages::moduleReadShowsInEveryEditor()
{
    // The module's side: a varied configuration sent block by block, read into the pages' model.
    ConfigModel module;
    FillVaried(module);
    pages_->transferBusy = true;
    for (const BlockRef& b : AllConfigBlocks()) {
        const std::optional<Frame> frame = EncodeConfigBlock(module, b.kind, b.index);
        QVERIFY(frame);
        QVERIFY(DecodeConfigBlock(pages_->model, frame->data(), frame->length()));
    }
    QVERIFY(!pages_->lists.NamePropagationRequested());
    pages_->transferBusy = false;
    pages_->lists.RequestNamePropagation();  // the end of the read
    QCOMPARE(pages_->Edit(QStringLiteral("EditBoxName"))->text(), QStringLiteral("Fire truck 7"));
    CheckShowsVaried();
}

void TestEditorPages::fileLoadShowsInEveryEditor()
{
    ConfigModel source;
    FillVaried(source);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("varied.cfg"));
    QVERIFY(SaveConfigFile(source, path));
    QString error;
    QVERIFY2(LoadConfigFile(pages_->model, path, &error), qPrintable(error));
    pages_->lists.RequestNamePropagation();  // Open asks after the load
    CheckShowsVaried();
    // Nothing the pages showed changed the model: a save gives the same file.
    const QString again = dir.filePath(QStringLiteral("again.cfg"));
    QVERIFY(SaveConfigFile(pages_->model, again));
    QFile a(path), b(again);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(b.readAll(), a.readAll());
}

void TestEditorPages::pageButtons()
{
    int reads = 0, uploads = 0, defaults = 0;
    for (TEditorPage* page : std::initializer_list<TEditorPage*>{pages_->inputs, pages_->outputs, pages_->lowBattery}) {
        connect(page, &TEditorPage::ReadRequested, this, [&] { ++reads; });
        connect(page, &TEditorPage::UploadRequested, this, [&] { ++uploads; });
        connect(page, &TEditorPage::DefaultRequested, this, [&] { ++defaults; });
    }
    for (const char* name : {"BtnLoad", "Button3", "Button5"})
        pages_->Find<QPushButton>(QLatin1String(name))->click();
    for (const char* name : {"BtnSave", "Button2", "Button6"})
        pages_->Find<QPushButton>(QLatin1String(name))->click();
    for (const char* name : {"BtnDefaultValue", "Button4", "BtnDefault"}) {
        QCOMPARE(pages_->Find<QPushButton>(QLatin1String(name))->text(), QStringLiteral("Default settings"));
        pages_->Find<QPushButton>(QLatin1String(name))->click();
    }
    QCOMPARE(reads, 3);
    QCOMPARE(uploads, 3);
    QCOMPARE(defaults, 3);
}

void TestEditorPages::screenshots()
{
    // Set RELVANE_SCREENSHOT_DIR to keep a picture of every page after a varied read.
    const QString dir = qEnvironmentVariable("RELVANE_SCREENSHOT_DIR");
    if (dir.isEmpty())
        QSKIP("RELVANE_SCREENSHOT_DIR not set");
    ConfigModel module;
    FillVaried(module);
    for (const BlockRef& b : AllConfigBlocks()) {
        const std::optional<Frame> frame = EncodeConfigBlock(module, b.kind, b.index);
        DecodeConfigBlock(pages_->model, frame->data(), frame->length());
    }
    pages_->lists.PropagateNames();
    pages_->Find<QListWidget>(QStringLiteral("ListBoxFlashNo"))->setCurrentRow(1);
    QDir().mkpath(dir);
    pages_->notebook->show();
    for (int i = 0; i < pages_->notebook->count() - 1; ++i) {
        pages_->notebook->setCurrentIndex(i);
        QWidget* page = pages_->notebook->widget(i);
        QVERIFY(page->grab().save(QDir(dir).filePath(page->objectName() + QStringLiteral(".png"))));
    }
}
