// Undo and redo over the configuration model: step names, typing merged per field until the
// focus moves, commands as one step, the marks of what was saved and uploaded, and the bound.

#include "config/ConfigBaselines.h"
#include "config/ConfigDelta.h"
#include "config/ConfigModel.h"
#include "config/ui/UndoHistory.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QUndoStack>

#include <functional>

using namespace relvane;

using Edit = std::function<void(ConfigModel&)>;
Q_DECLARE_METATYPE(Edit)

class TestConfigUndo : public QObject {
    Q_OBJECT
    std::unique_ptr<ConfigModel> model_;
    std::unique_ptr<UndoHistory> undo_;

private Q_SLOTS:
    void init()
    {
        model_ = std::make_unique<ConfigModel>();
        undo_ = std::make_unique<UndoHistory>(*model_, 50);
    }
    void cleanup()
    {
        undo_.reset();
        model_.reset();
    }

    void oneEditIsOneNamedStep_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("name");
        QTest::newRow("output delay") << Edit([](ConfigModel& m) { m.ModifyOutput(5, [](OutputConfig& o) { o.DELAY = 12; }); })
                                      << "Delay CH5";
        QTest::newRow("input name") << Edit([](ConfigModel& m) { m.ModifyInput(3, [](InputConfig& i) { i.NAME = "Horn"; }); })
                                    << "Name Input 3";
        QTest::newRow("can input id") << Edit([](ConfigModel& m) { m.ModifyCanInput(2, [](CanInputConfig& c) { c.CAN_ID_ON = 0x123; }); })
                                      << "CAN ID ON CAN input 2";
        QTest::newRow("low battery") << Edit([](ConfigModel& m) { m.ModifyLowBattery([](LowBatteryConfig& l) { l.LOW_TRIG = QStringLiteral("11.5"); }); })
                                     << "Low threshold";
        QTest::newRow("wiper") << Edit([](ConfigModel& m) { m.ModifyWiper([](WiperConfig& w) { w.INTERVAL_TIME = 45; }); })
                               << "Interval time";
        QTest::newRow("flash") << Edit([](ConfigModel& m) { m.ModifyFlash(4, [](FlashConfig& f) { f.DURATION = 9; }); })
                               << "Duration Flash 4";
    }
    void oneEditIsOneNamedStep()
    {
        QFETCH(Edit, edit);
        QFETCH(QString, name);
        ConfigModel before;
        before.Assign(*model_);
        edit(*model_);
        ConfigModel after;
        after.Assign(*model_);
        QCOMPARE(undo_->Count(), 1);
        QCOMPARE(undo_->UndoText(), name);
        undo_->Undo();
        QVERIFY(SameConfiguration(*model_, before));
        QCOMPARE(undo_->RedoText(), name);
        undo_->Redo();
        QVERIFY(SameConfiguration(*model_, after));
        QCOMPARE(undo_->Count(), 1);  // undo and redo make no steps of their own
    }

    // Keystrokes in one field join one step; leaving the field starts the next.
    void typingMergesUntilTheFieldLosesFocus()
    {
        QWidget window;
        auto* a = new QLineEdit(&window);
        auto* b = new QLineEdit(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        a->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), a);
        for (int v : {1, 12, 123})
            model_->ModifyOutput(5, [v](OutputConfig& o) { o.DELAY = v; });
        QCOMPARE(undo_->Count(), 1);
        b->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), b);
        model_->ModifyOutput(5, [](OutputConfig& o) { o.DELAY = 7; });
        QCOMPARE(undo_->Count(), 2);
        undo_->Undo();
        QCOMPARE(model_->Output(5).DELAY, std::optional<int>(123));
        undo_->Undo();
        QCOMPARE(model_->Output(5).DELAY, ConfigModel().Output(5).DELAY);
    }

    // A command's many changes (a read takes every block) are one step, undone whole.
    void aCommandIsOneStepAndTheMarksFollowTheModel()
    {
        ConfigBaselines marks(*model_);
        ConfigModel read;
        read.ModifyOutput(1, [](OutputConfig& o) { o.NAME = "Pump"; });
        read.ModifyCanSetup([](CanSetupConfig& c) { c.BitRate = 250; });
        read.SetBoxName("Box 1");
        undo_->Step(QStringLiteral("Read"), [&] { model_->Assign(read); });
        marks.MarkSaved();
        marks.SetModule(read);
        QCOMPARE(undo_->UndoText(), QStringLiteral("Read"));
        QVERIFY(!marks.Modified() && !marks.NotUploaded());

        model_->ModifyOutput(1, [](OutputConfig& o) { o.DELAY = 3; });
        QVERIFY(marks.Modified() && marks.NotUploaded() && marks.Unsecured());
        undo_->Undo();  // the edit undone: both marks clear again
        QVERIFY(!marks.Modified() && !marks.NotUploaded());
        undo_->Undo();  // the read undone
        QVERIFY(SameConfiguration(*model_, ConfigModel()));
        QVERIFY(marks.Modified() && marks.NotUploaded());
        undo_->Redo();
        QVERIFY(SameConfiguration(*model_, read));
        QVERIFY(!marks.Modified());
    }

    void theHistoryIsBounded()
    {
        for (int i = 0; i < 400; ++i) {
            undo_->BreakMerge();
            model_->ModifyOutput(1 + i % 30, [i](OutputConfig& o) { o.DELAY = i; });
        }
        QCOMPARE(undo_->Count(), 50);
        while (undo_->Stack().canUndo())
            undo_->Undo();
        // The oldest steps are gone: the earliest delays stay as the 350th edit left them.
        QCOMPARE(model_->Output(1 + 349 % 30).DELAY, std::optional<int>(349));
    }
};

QTEST_MAIN(TestConfigUndo)
#include "test_config_undo.moc"
