// The configuration checks in the composed program: the Problems panel follows edits and shows
// its count in the status bar, a double click on a problem takes the user to its control, an
// upload with errors asks first, and File -> "Export sheet…" writes the sheet.

#include "app/ErrorDisplay.h"
#include "ProgramRig.h"
#include "app/ToolProgram.h"
#include "can/ui/CanPageSet.h"
#include "config/ConfigFile.h"
#include "config/IniFile.h"
#include "config/ui/ProblemsPanel.h"
#include "link/MemoryBackend.h"
#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QDockWidget>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <functional>
#include <memory>

using namespace relvane;

namespace {

using Setup = std::function<void(ConfigModel&)>;

// What a file without keys gives: a configuration without problems.
void Clean(ConfigModel& m)
{
    IniFile empty;
    ReadConfig(m, empty);
}

}  // namespace

Q_DECLARE_METATYPE(Setup)

class TestChecksApp : public QObject {
    Q_OBJECT

    std::unique_ptr<test::ProgramRig> rig_;

    TMainForm& Main() { return rig_->program->MainForm(); }
    ConfigModel& Model() { return Main().Model(); }
    TProblemsPanel& Panel() { return rig_->program->ProblemsPanel(); }

private Q_SLOTS:
    void init()
    {
        rig_ = std::make_unique<test::ProgramRig>();
        rig_->Program();
        Clean(Model());
    }
    void cleanup()
    {
        rig_.reset();
    }

    void panelFollowsEditsAndShowsTheCount()
    {
        auto* count = Main().findChild<QToolButton*>(QStringLiteral("StatusProblems"));
        QVERIFY(count);
        QTRY_COMPARE(count->text(), QStringLiteral("No problems"));
        Model().ModifyOutput(7, [](OutputConfig& o) { o.TRIGGER = kNoSelection; });
        QTRY_COMPARE(count->text(), QStringLiteral("1 error"));
        QCOMPARE(Panel().ListProblems()->topLevelItemCount(), 1);
        // Hidden with its button or the Tools entry, shown again by a click on the count.
        auto* toggle = Main().findChild<QAction*>(QStringLiteral("Problems1"));
        QVERIFY(toggle && toggle->isChecked());
        Panel().close();
        QVERIFY(!toggle->isChecked());
        QTest::mouseClick(count, Qt::LeftButton);
        QVERIFY(Panel().isVisible());
    }

    void doubleClickGoesToTheControl_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("canInput");  // selected on the CAN Inputs page, or -1
        QTest::newRow("CAN input without ON byte") << Setup([](ConfigModel& m) { m.ModifyOutput(2, [](OutputConfig& o) { o.TRIGGER = 12; }); })
                                                   << int(PAGE_CAN_INPUTS) << QStringLiteral("ImageCan_1_ON") << 11;
        QTest::newRow("low-battery thresholds") << Setup([](ConfigModel& m) {
            m.ModifyLowBattery([](LowBatteryConfig& b) { b.LOW_TRIG = QStringLiteral("13"); b.UPPER_TRIG = QStringLiteral("12"); b.LIST_SELECTED.set(0); });
        }) << int(PAGE_LOW_BATTERY) << QStringLiteral("EditLowVoltageTrig") << -1;
        QTest::newRow("idle output in an export") << Setup([](ConfigModel& m) {
            m.ModifyCanExport(3, [](CanExportConfig& e) { e.ENABLED = true; e.REFRESS_TIME = 100; e.CHANNEL_INDEX_[12] = 30; });
        }) << int(PAGE_CAN_EXPORT) << QStringLiteral("ComboBox_CAN_Export3_DataByte1_Bit3") << -1;
    }
    void doubleClickGoesToTheControl()
    {
        QFETCH(Setup, setup);
        QFETCH(int, page);
        QFETCH(QString, control);
        QFETCH(int, canInput);
        setup(Model());
        Panel().Recheck();
        Main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&Main()));
        QTreeWidget* list = Panel().ListProblems();
        QVERIFY(list->topLevelItemCount() >= 1);
        QTreeWidgetItem* item = list->topLevelItem(0);
        list->scrollToItem(item);
        const QRect r = list->visualItemRect(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(Main().Notebook()->currentIndex(), page);
        QWidget* focused = Main().focusWidget();
        QVERIFY(focused);
        QCOMPARE(focused->objectName(), control);
        if (canInput >= 0)
            QCOMPARE(qobject_cast<TCanInputPage*>(Main().Page(PAGE_CAN_INPUTS))->SelectedCanInput(), canInput);
    }

    // With errors the upload asks first and stops on No; warnings alone do not ask. The adapter
    // answers nothing, so an upload that goes on ends at the version check.
    void uploadAsksWhenThereAreErrors_data()
    {
        QTest::addColumn<bool>("error");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("uploads");
        QTest::newRow("error, No") << true << int(MessageAnswer::No) << true << false;
        QTest::newRow("error, Yes") << true << int(MessageAnswer::Yes) << true << true;
        QTest::newRow("warning only") << false << int(MessageAnswer::No) << false << true;
    }
    void uploadAsksWhenThereAreErrors()
    {
        QFETCH(bool, error);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, uploads);
        Model().ModifyKillButton([](KillButtonConfig& k) { k.INPUT_TRIGGER_INDEX = 1; k.LIST_SELECTED.set(2); });
        if (error)
            Model().ModifyOutput(7, [](OutputConfig& o) { o.TRIGGER = kNoSelection; });
        rig_->backend.AddAdapter(QStringLiteral("Silent module"));
        Main().ConnectDevice(QStringLiteral("Silent module"));
        Main().TimerSerial()->stop();  // no read after the connection
        rig_->dialogs.QueueAnswer(MessageAnswer(answer));
        Main().BtnSaveClick();
        QStringList expected;
        if (asked)
            expected << QStringLiteral("The configuration has 2 problems. Upload anyway?\n\nError: Output 7 \"---\" has no trigger chosen; "
                                       "it goes to the module as \"+30\" and is always on\nWarning: The kill button is triggered by "
                                       "\"+30\", so it is always pressed and the outputs it turns off never come on");
        if (uploads)
            expected << QStringLiteral("Timeout for software version");
        QTRY_COMPARE_WITH_TIMEOUT(rig_->dialogs.Texts(), expected, 8000);
        QTest::qWait(300);
        QCOMPARE(rig_->dialogs.Texts(), expected);
    }

    void exportSheetWritesTheSheet()
    {
        auto* entry = Main().findChild<QAction*>(QStringLiteral("ExportSheet1"));
        QVERIFY(entry && entry->isEnabled());
        const QString html = rig_->dir.filePath(QStringLiteral("sheet.html"));
        rig_->dialogs.QueueFile(html);
        entry->trigger();
        QFile f(html);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("Relvane configuration sheet"));
        QCOMPARE(rig_->dialogs.Calls().first().options.filter, SheetFileFilter());
    }
};

QTEST_MAIN(TestChecksApp)
#include "test_checks_app.moc"
