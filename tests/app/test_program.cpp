// The composed program over the link thread and an in-memory adapter: start-up order,
// the pages of other areas in place, and connection through the selection dialog with
// the adapter pulled and plugged back.

#include "app/ErrorDisplay.h"
#include "ProgramRig.h"
#include "app/ToolProgram.h"
#include "station/ui/StationForm.h"

#include <QMenu>
#include "monitor/ui/TrendForm.h"
#include "link/MemoryBackend.h"
#include "monitor/ui/AboutForm.h"
#include "monitor/ui/GeneralPage.h"
#include "support/ScriptedDialogs.h"

#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace relvane;

class TestProgram : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::ProgramRig> rig_;

    ToolProgram& Program(int splashMs = 0) { return rig_->Program(splashMs, true); }

private Q_SLOTS:
    void init()
    {
        rig_ = std::make_unique<test::ProgramRig>();
    }
    void cleanup()
    {
        rig_.reset();
    }

    void splashStaysAtLeastItsTime()
    {
        Program(1500);
        QVERIFY2(Program().SplashShownMs() >= 1500, qPrintable(QString::number(Program().SplashShownMs())));
        QVERIFY(Program().MainForm().isVisible());
        QVERIFY(Program().MainForm().AllFormsCreatedDone());
    }

    void activityLampsFitTheDesignWidth()
    {
        TMainForm& main = Program().MainForm();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        // A page wider than the design width would make the window grow past it (and off a
        // screen it was centred on for its design width).
        QCOMPARE(main.width(), MAIN_FORM_DESIGN_WIDTH);
        auto* lamps = main.findChild<TActivityLamps*>(QStringLiteral("ImageList_LED"));
        QVERIFY(lamps && lamps->isVisible());
        for (int k = 0; k < 3; ++k) {
            const QRect lamp = TActivityLamps::LampRect(k);
            // At x = 880, 900 and 920 of the notebook.
            QCOMPARE(lamps->mapTo(main.Notebook(), QPoint(k * TActivityLamps::LAMP_SPACING, 0)).x(),
                     ACTIVITY_LAMPS_X + k * TActivityLamps::LAMP_SPACING);
            // Drawn where the window shows it: inside the window and not clipped by a parent.
            QVERIFY2(main.rect().contains(QRect(lamps->mapTo(&main, lamp.topLeft()), lamp.size())),
                     qPrintable(QStringLiteral("lamp %1").arg(k)));
            QVERIFY2(QRegion(lamp).subtracted(lamps->visibleRegion()).isEmpty(),
                     qPrintable(QStringLiteral("lamp %1 clipped").arg(k)));
        }
    }

    void composedWindows()
    {
        TMainForm& main = Program().MainForm();
        QCOMPARE(main.Notebook()->count(), 12);
        QVERIFY(qobject_cast<TGeneralPage*>(main.Page(PAGE_GENERAL)));
        QCOMPARE(main.Notebook()->tabText(PAGE_GENERAL), QStringLiteral("General"));
        QVERIFY(main.AboutWindowExists());
        QVERIFY(!Program().AboutForm().isVisible());
        // The heartbeat runs from start-up; nothing is sent while not connected.
        QVERIFY(Program().GeneralPage().Monitor().TimerVersion().isActive());
        QVERIFY(Program().GeneralPage().Monitor().Timer1().isActive());
        QSignalSpy beats(&Program().GeneralPage().Monitor().TimerVersion(), &QTimer::timeout);
        QTRY_VERIFY_WITH_TIMEOUT(beats.count() >= 2, 10000);
        QCOMPARE(Program().Link().Queue().WaitingCount(), 0);
        // The production entries have their windows attached.
        for (const char* name : {"Systemsetup1", "Calibration1", "PingTest1", "Runtimeerror1", "Eeprom",
                                 "Station1", "Firmware1", "FIA"})
            QVERIFY2(main.findChild<QAction*>(QString::fromLatin1(name))->isEnabled(), name);
    }

    void trendWindowIsOneWindowShownAgain()
    {
        TMainForm& main = Program().MainForm();
        QVERIFY(!Program().TrendWindow());  // nothing listens before the first opening
        QAction* entry = main.findChild<QAction*>(QStringLiteral("Trend1"));
        QVERIFY(entry);
        entry->trigger();
        TTrendForm* first = Program().TrendWindow();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        QVERIFY(first->Listening());
        first->close();
        entry->trigger();
        QCOMPARE(Program().TrendWindow(), first);
        QVERIFY(first->isVisible());
        // The window only listens: nothing goes out while it is open (it repaints every 500 ms).
        QTest::qWait(1500);
        QCOMPARE(Program().Link().Queue().WaitingCount(), 0);
    }

    // "Station…" ends the production menu and opens one window, shown again later.
    void stationWindowFromTheMenu()
    {
        TMainForm& main = Program().MainForm();
        QMenu* production = main.findChild<QMenu*>(QStringLiteral("Production1"));
        QVERIFY(production);
        QAction* entry = production->actions().last();
        QCOMPARE(entry->objectName(), QStringLiteral("Station1"));
        QCOMPARE(entry->text(), QStringLiteral("Station") + QChar(0x2026));
        entry->trigger();
        TStationForm* window = Program().StationWindow();
        QVERIFY(window && window->isVisible());
        window->close();
        entry->trigger();
        QCOMPARE(Program().StationWindow(), window);
    }

    void pageChangeStopsAndResumesPoll()
    {
        TMainForm& main = Program().MainForm();
        LiveMonitor& live = Program().GeneralPage().Monitor();
        main.Notebook()->setCurrentIndex(PAGE_OUTPUTS);
        QCOMPARE(live.CurrentPage(), int(PAGE_OUTPUTS));
        QVERIFY(!live.Timer1().isActive());
        main.Notebook()->setCurrentIndex(PAGE_GENERAL);
        QVERIFY(live.Timer1().isActive());
    }

    void connectPullAndReplug()
    {
        rig_->backend.AddAdapter(QStringLiteral("Relvane Simulator"));
        TMainForm& main = Program().MainForm();
        TUSB_SelectForm& select = Program().UsbSelectForm();
        QTimer::singleShot(100, &select, [&select] {
            QTest::mouseClick(select.findChild<QPushButton*>(QStringLiteral("BtnOpen")), Qt::LeftButton);
        });
        main.USB1Click();
        QCOMPARE(main.StatusText(), QStringLiteral("USB CONNECTED"));
        QVERIFY(main.Connected());
        QCOMPARE(Program().Link().State(), LINK_OPEN);

        main.Module().versionText = QByteArray("V8.12");
        rig_->backend.RemoveAdapter(QStringLiteral("Relvane Simulator"));
        QTRY_COMPARE_WITH_TIMEOUT(main.StatusText(), QStringLiteral("USB DISCONNECTED"), 5000);
        QVERIFY(main.SoftwareVersion().isEmpty());
        QVERIFY(main.Connected());

        rig_->backend.AddAdapter(QStringLiteral("Relvane Simulator"));
        QTRY_COMPARE_WITH_TIMEOUT(main.StatusText(), QStringLiteral("USB CONNECTED"), 5000);
        QVERIFY(main.TimerSerial()->isActive() || main.Connected());
    }

    void openFailureThroughDialog()
    {
        rig_->backend.AddAdapter(QStringLiteral("Held adapter"));
        rig_->backend.SetOpenFails(true);
        TUSB_SelectForm& select = Program().UsbSelectForm();
        QTimer::singleShot(100, &select, [&select] { select.BtnOpenClick(); });
        Program().MainForm().USB1Click();
        QCOMPARE(Program().MainForm().StatusText(), QStringLiteral("NOT CONNECTED"));
        QVERIFY(!Program().MainForm().Connected());
    }
};

int main(int argc, char** argv)
{
    RelvaneApplication app(argc, argv);
    TestProgram test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_program.moc"
