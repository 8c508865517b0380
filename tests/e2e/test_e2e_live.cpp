// End to end: the composed program against the simulated module over its
// pseudo-terminal, found through the adapter directory. Connection through the
// selection dialog, the live poll and its painting, manual switching, a fault set on
// the module's console, the adapter pulled and plugged back, and the heartbeat
// feeding the About window.

#include "LiveRig.h"

#include "monitor/ui/AboutForm.h"
#include "protocol/MessageCatalogue.h"

#include <QMenu>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <memory>

using namespace relvane;
using relvane::e2e::LiveRig;
using relvane::e2e::ModalScript;

namespace {

constexpr int kWait = 15000;  // generous: the machine is shared and the link is paced

QColor ButtonColour(const QPushButton* b) { return b->palette().color(QPalette::Button); }
QColor LabelColour(const QLabel* l) { return l->palette().color(QPalette::Window); }
QColor Neutral() { return QApplication::palette().color(QPalette::Button); }

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kYellow(255, 255, 0);
const QColor kWhite(255, 255, 255);

// The poll's fixed turn: each request is followed by the next one of this cycle.
int NextPoll(int command)
{
    switch (command) {
    case STATUS_SUM_REQ: return CHANNEL_STATE_REQ;
    case CHANNEL_STATE_REQ: return INPUT_STATE_REQ;
    case INPUT_STATE_REQ: return STATUS_SUM_REQ;
    }
    return -1;
}

const QList<int> kPolls = {STATUS_SUM_REQ, INPUT_STATE_REQ, CHANNEL_STATE_REQ};

QString Hex(const QList<int>& commands)
{
    QStringList s;
    for (int c : commands)
        s << QStringLiteral("%1").arg(c, 2, 16, QLatin1Char('0'));
    return s.join(QLatin1Char(' '));
}

}  // namespace

class TestE2eLive : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<LiveRig> rig_;

    LiveRig& Rig() { return *rig_; }

    // Connected through the dialog, with the read that follows a connection (if the
    // transfer sequencer is attached) over.
    bool Connect()
    {
        const QString why = Rig().ConnectThroughDialog();
        if (!why.isEmpty()) {
            qWarning("connect: %s", qPrintable(why));
            return false;
        }
        // TimerSerial's 400 ms: the read it starts runs inside its tick, so once the timer
        // has stopped that read is under way or over.
        if (!QTest::qWaitFor([this] { return !Rig().Main().TimerSerial()->isActive(); }, 60000)) {
            qWarning("connect: the connection read never started");
            return false;
        }
        QElapsedTimer t;
        t.start();
        while (!Rig().Idle() && t.elapsed() < 60000)
            QTest::qWait(50);
        return Rig().Idle();
    }

    // Waits until a painting cycle has passed: the poll asks in turn every 450 ms.
    void WaitPolls(int cycles = 2) { QTest::qWait(450 * cycles + 300); }

private Q_SLOTS:
    void init()
    {
        rig_ = std::make_unique<LiveRig>();
        QString error;
        QVERIFY2(Rig().Start(&error), qPrintable(error));
    }
    void cleanup()
    {
        if (QTest::currentTestFailed())
            qWarning("simulator console:\n%s", qPrintable(Rig().Console().join(QLatin1Char('\n'))));
        rig_.reset();
    }

    void connectsThroughTheSelectionDialog()
    {
        // A user takes a few seconds to pick the adapter: long enough for the watchdog to
        // count the module silent since start-up (more than five 400 ms ticks).
        QTRY_VERIFY_WITH_TIMEOUT(Rig().General().Monitor().SilenceCount() > LiveMonitor::SILENT_TICKS_BEFORE_CLEAR,
                                 kWait);
        QVERIFY(Connect());
        QCOMPARE(Rig().Main().StatusText(), QStringLiteral("USB CONNECTED"));
        QCOMPARE(Rig().Program().Link().State(), LINK_OPEN);
        // So the first tick after connecting takes the link as lost, and the first answer
        // after that sends the mode ("Auto").
        QTRY_VERIFY_WITH_TIMEOUT(!Rig().Received(MODE_REQ).isEmpty(), kWait);
        QCOMPARE(int(std::uint8_t(Rig().Received(MODE_REQ).first().at(4))), int(MODE_AUTOMATIC));
        // And the view is painted from the module's answers: supply 13.8 V, 35 degrees.
        QTRY_COMPARE_WITH_TIMEOUT(Rig().Label(QStringLiteral("lblVbat"))->text(), QStringLiteral("13.8 V"), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(Rig().Label(QStringLiteral("lblTemp"))->text(),
                                  QStringLiteral("35 ") + QChar(0xB0) + QStringLiteral("C"), kWait);
        QCOMPARE(Rig().Label(QStringLiteral("lblErrors"))->text(), QStringLiteral("0"));
    }

    void pollGoesOutInTurnOnGeneralOnly()
    {
        QVERIFY(Connect());
        QCOMPARE(Rig().Main().Notebook()->currentIndex(), int(PAGE_GENERAL));
        Rig().Simulator().ClearObservations();
        QElapsedTimer t;
        t.start();
        // Six polls take 900 ms at one a tick; a loaded machine takes longer.
        QTRY_VERIFY_WITH_TIMEOUT(Rig().ReceivedCommands(kPolls).size() >= 6, kWait);
        QTest::qWait(1500);
        const qint64 elapsed = t.elapsed();
        const QList<int> polls = Rig().ReceivedCommands(kPolls);
        QVERIFY2(polls.size() >= 6, qPrintable(Hex(polls)));
        // One request a 150 ms tick at most (plus the one in flight at each end).
        QVERIFY2(polls.size() <= elapsed / LiveMonitor::POLL_INTERVAL_MS + 2, qPrintable(Hex(polls)));
        for (int i = 0; i + 1 < polls.size(); ++i)
            QVERIFY2(polls[i + 1] == NextPoll(polls[i]), qPrintable(Hex(polls)));
        // The cycle starts with the status summary: 0x20, 0x22, 0x21.
        const int first20 = int(polls.indexOf(STATUS_SUM_REQ));
        QVERIFY(first20 >= 0 && first20 <= 2);
        QCOMPARE(polls.mid(first20, 3), (QList<int>{0x20, 0x22, 0x21}));

        // Another page: the poll stops.
        Rig().Main().Notebook()->setCurrentIndex(PAGE_OUTPUTS);
        // What was already on its way, also what the link's queue still held (it has held
        // entries for seconds on a loaded machine).
        QTRY_COMPARE_WITH_TIMEOUT(Rig().Program().Link().Queue().WaitingCount(), 0, kWait);
        QTest::qWait(300);
        Rig().Simulator().ClearObservations();
        QTest::qWait(1500);
        QVERIFY2(Rig().ReceivedCommands(kPolls).isEmpty(), qPrintable(Hex(Rig().ReceivedCommands(kPolls))));
        // The heartbeat goes on regardless of the page.
        QVERIFY(!Rig().Received(VERSION_REQ).isEmpty());

        // Back on "General": the poll resumes, still in turn.
        Rig().Main().Notebook()->setCurrentIndex(PAGE_GENERAL);
        QTRY_VERIFY_WITH_TIMEOUT(Rig().ReceivedCommands(kPolls).size() >= 4, kWait);
        const QList<int> resumed = Rig().ReceivedCommands(kPolls);
        for (int i = 0; i + 1 < resumed.size(); ++i)
            QVERIFY2(resumed[i + 1] == NextPoll(resumed[i]), qPrintable(Hex(resumed)));
    }

    void manualSwitchingIsPaintedOn_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QString>("state");
        // Channel 3 has no trigger in the factory settings: held on by hand, highlighted.
        QTest::newRow("high power, against its trigger") << 3 << kYellow << QStringLiteral("2.8 A");
        // Channel 12 is triggered on ("+30") in the factory settings: on by hand agrees.
        QTest::newRow("high power, as its trigger") << 12 << kGreen << QStringLiteral("3.7 A");
        QTest::newRow("low power, against its trigger") << 20 << kYellow << QString();
    }
    void manualSwitchingIsPaintedOn()
    {
        QFETCH(int, channel);
        QFETCH(QColor, colour);
        QFETCH(QString, state);
        QVERIFY(Connect());
        QPushButton* button = Rig().ChannelButton(channel);
        QVERIFY(button);
        QVERIFY(!button->isEnabled());  // Auto: no switching by hand

        auto* manuel = Rig().General().findChild<QRadioButton*>(QStringLiteral("RadioButtonManuel"));
        Rig().Simulator().ClearObservations();
        QTest::mouseClick(manuel, Qt::LeftButton);
        QVERIFY(manuel->isChecked());
        QVERIFY(button->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!Rig().Received(MODE_REQ).isEmpty(), kWait);
        QCOMPARE(int(std::uint8_t(Rig().Received(MODE_REQ).last().at(4))), int(MODE_MANUAL_TEST));
        // Manual test starts with every output off.
        QTRY_COMPARE_WITH_TIMEOUT(button->text(), QStringLiteral("Off"), kWait);

        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!Rig().Received(CHANNEL_SWITCH_REQ).isEmpty(), kWait);
        const QByteArray sw = Rig().Received(CHANNEL_SWITCH_REQ).first();
        QCOMPARE(int(std::uint8_t(sw.at(4))), channel);
        QCOMPARE(int(std::uint8_t(sw.at(5))), 0xF0);
        QTRY_COMPARE_WITH_TIMEOUT(button->text(), QStringLiteral("On"), kWait);
        QCOMPARE(ButtonColour(button), colour);
        if (channel <= HIGH_POWER_CHANNELS) {
            QTRY_COMPARE_WITH_TIMEOUT(Rig().StateLabel(channel)->text(), state, kWait);
            QCOMPARE(LabelColour(Rig().StateLabel(channel)), colour);
        }
        bool on = false;
        Rig().Simulator().WithModule([&](sim::Module& m) { on = m.live.channel(channel).manualOn; });
        QVERIFY(on);

        // A second click on "On" switches it off again.
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(button->text(), QStringLiteral("Off"), kWait);
        QCOMPARE(int(std::uint8_t(Rig().Received(CHANNEL_SWITCH_REQ).last().at(5))), 0x0F);
    }

    void faultFromTheConsoleIsPainted_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("channel");
        QTest::addColumn<bool>("switchOn");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("short to ground, off") << QStringLiteral("fault 5 gnd") << 5 << false
                                              << QStringLiteral("-SHORT") << QStringLiteral("fail") << kRed;
        QTest::newRow("overload, off") << QStringLiteral("fault 7 overload") << 7 << false
                                       << QStringLiteral("OVERLOAD") << QStringLiteral("fail") << kRed;
        QTest::newRow("open load, on") << QStringLiteral("fault 9 open") << 9 << true << QStringLiteral("OPEN")
                                       << QStringLiteral("fail") << kRed;
        // A low-power channel shows a fault only while it is on.
        QTest::newRow("low power open load, off") << QStringLiteral("fault 25 open") << 25 << false << QString()
                                                  << QStringLiteral("Off") << QColor();
        QTest::newRow("low power open load, on") << QStringLiteral("fault 25 open") << 25 << true << QString()
                                                 << QStringLiteral("fail") << kRed;
    }
    void faultFromTheConsoleIsPainted()
    {
        QFETCH(QString, command);
        QFETCH(int, channel);
        QFETCH(bool, switchOn);
        QFETCH(QString, state);
        QFETCH(QString, button);
        QFETCH(QColor, colour);
        QVERIFY(Connect());
        if (switchOn) {
            QTest::mouseClick(Rig().General().findChild<QRadioButton*>(QStringLiteral("RadioButtonManuel")),
                              Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(Rig().ChannelButton(channel)->text(), QStringLiteral("Off"), kWait);
            QTest::mouseClick(Rig().ChannelButton(channel), Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(Rig().ChannelButton(channel)->text(), QStringLiteral("On"), kWait);
        }
        Rig().Simulator().Command(command);
        QTRY_COMPARE_WITH_TIMEOUT(Rig().ChannelButton(channel)->text(), button, kWait);
        QCOMPARE(ButtonColour(Rig().ChannelButton(channel)), colour.isValid() ? colour : Neutral());
        if (channel <= HIGH_POWER_CHANNELS) {
            QCOMPARE(Rig().StateLabel(channel)->text(), state);
            QCOMPARE(LabelColour(Rig().StateLabel(channel)), kRed);
        }
        // The module counts every faulty channel in its summary.
        QTRY_COMPARE_WITH_TIMEOUT(Rig().Label(QStringLiteral("lblErrors"))->text(), QStringLiteral("1"), kWait);

        // Cleared on the console: the channel paints as it is again.
        Rig().Simulator().Command(QStringLiteral("fault %1 none").arg(channel));
        QTRY_VERIFY_WITH_TIMEOUT(Rig().ChannelButton(channel)->text() != QStringLiteral("fail"), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(Rig().Label(QStringLiteral("lblErrors"))->text(), QStringLiteral("0"), kWait);
        if (channel <= HIGH_POWER_CHANNELS)
            QVERIFY(LabelColour(Rig().StateLabel(channel)) != kRed);
    }

    void pulledAdapterClearsTheViewAndComesBack()
    {
        QVERIFY(Connect());
        Rig().Simulator().Command(QStringLiteral("fault 5 gnd"));
        Rig().Simulator().Command(QStringLiteral("input 2 on"));
        QTRY_COMPARE_WITH_TIMEOUT(Rig().StateLabel(5)->text(), QStringLiteral("-SHORT"), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(Rig().Label(QStringLiteral("LabelInput2State"))->text(), QStringLiteral("On"),
                                  kWait);
        QVERIFY(!Rig().Main().SoftwareVersion().isEmpty());

        Rig().Simulator().Command(QStringLiteral("unplug"));
        QTRY_COMPARE_WITH_TIMEOUT(Rig().Main().StatusText(), QStringLiteral("USB DISCONNECTED"), kWait);
        // The view is back to its idle look.
        QCOMPARE(Rig().StateLabel(5)->text(), QStringLiteral("--"));
        QCOMPARE(LabelColour(Rig().StateLabel(5)), kWhite);
        QCOMPARE(Rig().ChannelButton(5)->text(), QStringLiteral("Off"));
        QCOMPARE(ButtonColour(Rig().ChannelButton(5)), Neutral());
        QCOMPARE(Rig().Label(QStringLiteral("LabelInput2State"))->text(), QStringLiteral("Off"));
        QCOMPARE(LabelColour(Rig().Label(QStringLiteral("LabelInput2State"))), Neutral());
        for (const char* name : {"lblCurrentSum", "lblVbat", "lblTemp", "lblErrors"})
            QCOMPARE(Rig().Label(QString::fromLatin1(name))->text(), QStringLiteral("--"));
        QVERIFY(Rig().Main().SoftwareVersion().isEmpty());
        QVERIFY(Rig().Main().Connected());  // never cleared during the run
        // Nothing comes in while it is out: the view stays idle.
        QTest::qWait(1000);
        QCOMPARE(Rig().StateLabel(5)->text(), QStringLiteral("--"));

        Rig().Simulator().Command(QStringLiteral("replug"));
        QTRY_COMPARE_WITH_TIMEOUT(Rig().Main().StatusText(), QStringLiteral("USB CONNECTED"), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(Rig().Idle(), 60000);
        // The link re-opened by itself and the answers paint the view again.
        QTRY_COMPARE_WITH_TIMEOUT(Rig().StateLabel(5)->text(), QStringLiteral("-SHORT"), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(Rig().Label(QStringLiteral("LabelInput2State"))->text(), QStringLiteral("On"),
                                  kWait);
        QTRY_VERIFY_WITH_TIMEOUT(!Rig().Main().SoftwareVersion().isEmpty(), kWait);
        QCOMPARE(Rig().Program().Link().State(), LINK_OPEN);
    }

    void heartbeatFeedsTheAboutWindow()
    {
        Rig().Simulator().Command(QStringLiteral("stats 99.9 88 3"));
        Rig().Simulator().Command(QStringLiteral("uptime 3600"));
        QVERIFY(Connect());
        Rig().Simulator().ClearObservations();
        // Each heartbeat tick asks for the version, then (the About window exists) the
        // statistics.
        QTRY_VERIFY_WITH_TIMEOUT(Rig().ReceivedCommands({VERSION_REQ, STATISTICS_REQ}).size() >= 4, kWait);
        const QList<int> beats = Rig().ReceivedCommands({VERSION_REQ, STATISTICS_REQ});
        for (int i = 0; i + 1 < beats.size(); ++i)
            QVERIFY2(beats[i] != beats[i + 1], qPrintable(Hex(beats)));
        QTRY_COMPARE_WITH_TIMEOUT(Rig().Main().SoftwareVersion(), QByteArray("V8.12"), kWait);

        TAboutForm& about = Rig().Program().AboutForm();
        auto* pcm = about.findChild<QLabel*>(QStringLiteral("LabelPCM_Version"));
        QString shown;
        {
            ModalScript script(
                &about, [pcm] { return pcm->text() == QStringLiteral("V8.12"); },
                [&] {
                    shown = pcm->text();
                    // Ctrl+KT5173 reveals the production menu and closes the window.
                    for (Qt::Key k : {Qt::Key_K, Qt::Key_T, Qt::Key_5, Qt::Key_1, Qt::Key_7, Qt::Key_3})
                        QTest::keyClick(&about, k, Qt::ControlModifier);
                });
            Rig().Main().About1Click();
            QVERIFY2(!script.GaveUp(), qPrintable(pcm->text()));
        }
        QCOMPARE(shown, QStringLiteral("V8.12"));
        QVERIFY(Rig().Main().findChild<QMenu*>(QStringLiteral("Production1"))->menuAction()->isVisible());

        // Opened again, the statistics lines show what the module reported.
        auto* current = about.findChild<QLabel*>(QStringLiteral("LabelMaxCurrent"));
        auto* temp = about.findChild<QLabel*>(QStringLiteral("LabelMaxTemp"));
        auto* watchdog = about.findChild<QLabel*>(QStringLiteral("LabelWatchdogCount"));
        auto* uptime = about.findChild<QLabel*>(QStringLiteral("LabelPowerUpTime"));
        QStringList lines;
        {
            ModalScript script(
                &about,
                [=] { return current->text() == QStringLiteral("Max Current : 99.9 Amps "); },
                [&] {
                    lines << current->text() << temp->text() << watchdog->text() << uptime->text();
                    about.findChild<QPushButton*>(QStringLiteral("OKBtn"))->click();
                });
            Rig().Main().About1Click();
            QVERIFY2(!script.GaveUp(), qPrintable(current->text()));
        }
        QCOMPARE(lines.value(1), QStringLiteral("Max temperatur : 88"));
        QCOMPARE(lines.value(2), QStringLiteral("Watchdog Count : 3"));
        // The module's clock runs on from 3600 s.
        QVERIFY2(lines.value(3).startsWith(QStringLiteral("Seconds since powerup : 36")), qPrintable(lines.value(3)));
    }
};

int main(int argc, char** argv)
{
    RelvaneApplication app(argc, argv);
    TestE2eLive test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_e2e_live.moc"
