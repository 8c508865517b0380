// The Station window over two simulated modules: Start runs the engine with a panel per
// adapter, a typed serial number reaches the module, Stop ends the station.

#include "StationRig.h"

#include "station/StationDb.h"
#include "station/ui/StationForm.h"
#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using namespace relvane;
using namespace relvane::test;

class TestStationForm : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void runsAndStops() {
        StationRig rig;
        rig.WriteFiles();
        QVERIFY(rig.StartSims());
        // The records go to a folder of the test's own.
        qputenv("XDG_DATA_HOME", QFile::encodeName(rig.Path(QStringLiteral("data"))));
        ScriptedDialogs dialogs;
        bool released = false;
        TStationForm form(rig.Backend(), dialogs, [&] { released = true; });
        form.show();
        QCOMPARE(form.ListAdapters->count(), 2);

        // No recipe: said, nothing starts.
        form.BtnStartClick();
        QVERIFY(!form.Engine());
        QCOMPARE(dialogs.Count(), 1);

        const QString recipe =
            rig.WriteRecipe("[station]\nname=Window\n[system]\nserial=ask\nhardware_version=2\n[ping]\ncount=2\ninterval_ms=5\n");
        dialogs.QueueFile(recipe);
        form.BtnRecipe->click();
        QCOMPARE(form.EditRecipe->text(), recipe);
        form.EditOperator->setText(QStringLiteral("Bo"));
        form.BtnStart->click();
        QVERIFY(form.Engine());
        QVERIFY(released);
        QVERIFY(!form.BtnStart->isEnabled());
        TStationPanel* a = form.Panel(kSlotA);
        TStationPanel* b = form.Panel(kSlotB);
        QVERIFY(a && b);

        // Each panel asks for its serial number; a bad one is refused in the panel.
        QTRY_VERIFY_WITH_TIMEOUT(a->EditSerial->isVisible() && b->EditSerial->isVisible(), 20000);
        a->EditSerial->setText(QStringLiteral("12x"));
        a->BtnSerial->click();
        QVERIFY(a->EditSerial->isVisible());
        a->EditSerial->setText(QStringLiteral("777"));
        a->BtnSerial->click();
        b->EditSerial->setText(QStringLiteral("778"));
        b->BtnSerial->click();
        QTRY_COMPARE_WITH_TIMEOUT(a->LabelResult->text(), QStringLiteral("PASS"), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(b->LabelResult->text(), QStringLiteral("PASS"), 20000);
        QCOMPARE(a->LabelSerial->text(), QStringLiteral("Serial number: 00000777"));
        QCOMPARE(a->LabelCounts->text(), QStringLiteral("Passed: 1   Failed: 0"));
        QVERIFY(a->BtnNext->isEnabled());
        rig.Sim(0).WithParts([](sim::SimulatorParts& p) { QCOMPARE(p.production.system.serial, 777u); });
        if (!qEnvironmentVariableIsEmpty("RELVANE_SHOT")) form.grab().save(qEnvironmentVariable("RELVANE_SHOT"));

        form.BtnStop->click();
        QTRY_VERIFY_WITH_TIMEOUT(form.BtnStart->isEnabled(), 20000);
        QCOMPARE(a->LabelResult->text(), QStringLiteral("PASS"));
        QVERIFY(form.LabelStatus->text().startsWith(QStringLiteral("Station ended: 2 passed, 0 failed")));
        StationDb db(*ParseDbTarget(QString(), nullptr));
        QString error;
        QVERIFY2(db.Open(&error), qPrintable(error));
        const auto records = db.Records({}, &error);
        QVERIFY(records && records->size() == 2);
        QCOMPARE(records->first().operatorName, QStringLiteral("Bo"));
        db.CloseThread();
    }
};

QTEST_MAIN(TestStationForm)
#include "test_station_form.moc"
