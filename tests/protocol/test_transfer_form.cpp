// The progress window: its controls, the ways it closes and the one it must not
// close by (being deactivated), the cycling bar and the time-out.

#include "protocol/ui/UpdateForm.h"
#include "support/ScriptedDialogs.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

using namespace relvane;

class TestTransferForm : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedDialogs> dialogs;
    std::unique_ptr<TUpdateForm> form;

    // Runs fn once the window is up and running.
    void WhenRunning(std::function<void()> fn, int delayMs = 50)
    {
        QTimer::singleShot(delayMs, form.get(), [this, fn = std::move(fn)] {
            QVERIFY(form->IsRunning());
            QVERIFY(form->isVisible());
            fn();
        });
    }

private Q_SLOTS:
    void init()
    {
        dialogs = std::make_unique<ScriptedDialogs>();
        form = std::make_unique<TUpdateForm>(*dialogs);
    }
    void cleanup()
    {
        form.reset();
        dialogs.reset();
    }

    void controls()
    {
        QCOMPARE(form->windowTitle(), QStringLiteral("Update relvane"));
        QCOMPARE(form->objectName(), QStringLiteral("TUpdateForm"));
        auto* label = form->findChild<QLabel*>(QStringLiteral("Label1"));
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral("Updating settings"));
        auto* bar = form->findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
        QVERIFY(bar);
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 100);
        auto* cancel = form->findChild<QPushButton*>(QStringLiteral("BtnCancel"));
        QVERIFY(cancel);
        QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
        QCOMPARE(form->Progress().TickInterval(), 100);
        QCOMPARE(form->Progress().TimeoutTicks(), 500);
        QVERIFY(form->isModal());
    }

    void closesOnlyByItsFourWays_data()
    {
        QTest::addColumn<int>("how");  // 0 transfer end, 1 Cancel button, 2 Escape key
        QTest::addColumn<int>("end");
        QTest::addColumn<bool>("cancelled");
        QTest::newRow("end of transfer") << 0 << int(ProgressEnd::Finished) << false;
        QTest::newRow("Cancel") << 1 << int(ProgressEnd::Cancelled) << true;
        QTest::newRow("Escape") << 2 << int(ProgressEnd::Cancelled) << true;
    }
    void closesOnlyByItsFourWays()
    {
        QFETCH(int, how);
        QFETCH(int, end);
        QFETCH(bool, cancelled);
        bool cancelSeen = false;
        bool visibleAtCancel = false;
        WhenRunning([&] {
            if (how == 0)
                form->TransferEnded();
            else if (how == 1)
                QTest::mouseClick(form->BtnCancel(), Qt::LeftButton);
            else
                QTest::keyClick(form.get(), Qt::Key_Escape);
        });
        const ProgressEnd result = form->Run([&] {
            cancelSeen = true;
            visibleAtCancel = form->isVisible();
        });
        QCOMPARE(int(result), end);
        QCOMPARE(cancelSeen, cancelled);
        if (cancelled)
            QVERIFY(visibleAtCancel);  // the state is reset before the window closes
        QVERIFY(!form->isVisible());
        QVERIFY(!form->IsRunning());
        QVERIFY(!form->Progress().Running());
        QCOMPARE(dialogs->Count(), 0);
    }

    void deactivationLeavesItOpen()
    {
        QWidget other;
        other.setWindowTitle(QStringLiteral("another application"));
        bool stillOpen = false;
        WhenRunning([&] {
            other.show();
            other.activateWindow();
            QEvent deactivate(QEvent::WindowDeactivate);
            QCoreApplication::sendEvent(form.get(), &deactivate);
            QEvent activationChange(QEvent::ActivationChange);
            QCoreApplication::sendEvent(form.get(), &activationChange);
            QTimer::singleShot(200, form.get(), [&] {
                stillOpen = form->isVisible() && form->IsRunning() && form->Progress().Running();
                form->TransferEnded();
            });
        });
        QCOMPARE(int(form->Run({})), int(ProgressEnd::Finished));
        QVERIFY(stillOpen);
    }

    void barCyclesAndTimesOut()
    {
        form->Progress().SetTickInterval(5);
        form->Progress().SetTimeoutTicks(150);  // beyond one full cycle of the bar
        QList<int> seen;
        connect(form->ProgressBar1(), &QProgressBar::valueChanged, this, [&](int v) { seen << v; });
        int barAtMessage = -1;
        bool visibleAtMessage = false;
        dialogs->SetOnCall([&](const DialogCall&) {
            barAtMessage = form->ProgressBar1()->value();
            visibleAtMessage = form->isVisible();
        });
        QElapsedTimer t;
        t.start();
        QCOMPARE(int(form->Run({})), int(ProgressEnd::TimedOut));
        QVERIFY(t.elapsed() < 20000);
        QCOMPARE(dialogs->Texts(), QStringList{QStringLiteral(" Update timeout ")});
        QVERIFY(visibleAtMessage);
        // 152 ticks: 0 at the start, up to 100, back to 0, and on to 51.
        QCOMPARE(barAtMessage, 152 % 101);
        QVERIFY(seen.contains(100));
        QCOMPARE(seen.first(), 1);
        QCOMPARE(seen.at(seen.indexOf(100) + 1), 0);
        QVERIFY(!form->isVisible());
    }

    void endDuringTheTimeoutMessageKeepsTheTimeout()
    {
        form->Progress().SetTickInterval(5);
        form->Progress().SetTimeoutTicks(3);
        dialogs->SetOnCall([&](const DialogCall&) { form->TransferEnded(); });
        QCOMPARE(int(form->Run({})), int(ProgressEnd::TimedOut));
        QCOMPARE(dialogs->Count(), 1);
    }

    void anEndWithoutARunChangesNothing()
    {
        form->TransferEnded();
        form->BtnCancelClick();
        // The next run is not closed by that earlier end: it stays until this one.
        bool stillOpen = false;
        WhenRunning([&] {
            stillOpen = form->isVisible();
            form->TransferEnded();
        }, 150);
        QCOMPARE(int(form->Run({})), int(ProgressEnd::Finished));
        QVERIFY(stillOpen);
    }

    void eachRunStartsFromZero()
    {
        form->Progress().SetTickInterval(5);
        WhenRunning([&] { form->TransferEnded(); }, 100);
        form->Run({});
        QVERIFY(form->Progress().TimeoutCounter() > 3);
        int barAtStart = -1;
        int counterAtStart = -1;
        QTimer::singleShot(0, form.get(), [&] {
            barAtStart = form->ProgressBar1()->value();
            counterAtStart = form->Progress().TimeoutCounter();
            form->TransferEnded();
        });
        form->Run({});
        QVERIFY(barAtStart <= 1);
        QVERIFY(counterAtStart <= 1);
    }
};

QTEST_MAIN(TestTransferForm)
#include "test_transfer_form.moc"
