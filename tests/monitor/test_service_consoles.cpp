// The About, ping test and version check windows: the access code, the
// statistics lines, the ping's lines and error count, and the version rule.

#include "monitor/MonitorTestSupport.h"
#include "monitor/ServiceConsoles.h"
#include "monitor/ui/AboutForm.h"
#include "monitor/ui/PingForm.h"
#include "monitor/ui/VersionForm.h"
#include "support/ScriptedDialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <deque>

using namespace relvane;
using namespace relvane::test;

namespace {

// Random numbers from a script (then zeros).
struct Script {
    std::deque<int> numbers;
    PingTest::Random Random()
    {
        return [this](int) {
            if (numbers.empty())
                return 0;
            const int n = numbers.front();
            numbers.pop_front();
            return n;
        };
    }
};
PingTest::Clock FixedClock()
{
    return [] { return QTime(10, 20, 7, 45); };
}

QByteArray PingAnswer(const std::vector<int>& data, int claimed = -1)
{
    std::vector<int> payload{claimed < 0 ? int(data.size()) : claimed};
    payload.insert(payload.end(), data.begin(), data.end());
    return ModuleFrame(FRAME_TYPE_SERVICE, PING_CFM, 21, payload);
}

}  // namespace

class TestServiceConsoles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // --- About ------------------------------------------------------------------------

    void sequence_data()
    {
        QTest::addColumn<QString>("keys");  // typed characters
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<bool>("completes");
        QTest::newRow("with ctrl") << "KT5173" << true << true;
        QTest::newRow("without ctrl") << "KT5173" << false << false;
        QTest::newRow("wrong key restarts") << "KT5X173" << true << false;
        QTest::newRow("restart then code") << "KTXKT5173" << true << true;
        QTest::newRow("prefix") << "KT517" << true << false;
    }
    void sequence()
    {
        QFETCH(QString, keys);
        QFETCH(bool, ctrl);
        SuperUserSequence seq;
        bool completed = false;
        for (QChar c : keys)
            completed = seq.KeyDown(c.unicode(), ctrl ? Qt::ControlModifier : Qt::NoModifier) || completed;
        QTEST(completed, "completes");
    }

    void sequenceDetails()
    {
        SuperUserSequence seq;
        const auto ctrl = Qt::KeyboardModifiers(Qt::ControlModifier);
        QVERIFY(!seq.KeyDown(Qt::Key_K, ctrl));
        QVERIFY(!seq.KeyDown(Qt::Key_Control, ctrl));  // the modifier on its own changes nothing
        QCOMPARE(seq.Position(), 1);
        QVERIFY(!seq.KeyDown(Qt::Key_T, ctrl));
        QVERIFY(!seq.KeyDown(Qt::Key_5, ctrl | Qt::KeypadModifier));  // keypad digit does not match
        QCOMPARE(seq.Position(), 0);
        for (int k : {Qt::Key_K, Qt::Key_T, Qt::Key_5, Qt::Key_1, Qt::Key_7})
            QVERIFY(!seq.KeyDown(k, ctrl));
        QVERIFY(seq.KeyDown(Qt::Key_3, ctrl));
        QCOMPARE(seq.Position(), 6);
        QVERIFY(!seq.KeyDown(Qt::Key_K, ctrl));  // after a completed code the next key resets
        QCOMPARE(seq.Position(), 0);
    }

    void statisticsTexts()
    {
        QCOMPARE(MaxCurrentText(253), QStringLiteral("Max Current : 25.3 Amps "));
        QCOMPARE(MaxCurrentText(0), QStringLiteral("Max Current : 0.0 Amps "));
        QCOMPARE(PowerUpTimeText(3600), QStringLiteral("Seconds since powerup : 3600"));
        QCOMPARE(MaxTemperatureText(87), QStringLiteral("Max temperatur : 87"));
        QCOMPARE(WatchdogCountText(2), QStringLiteral("Watchdog Count : 2"));
        QCOMPARE(CompiledText("Mar 13 2016"), QStringLiteral("Created: Mar 13 2016"));
        QCOMPARE(CompiledText("Mar  3 2016"), QStringLiteral("Created: Mar 3 2016"));
    }

    void aboutWindow()
    {
        FakeHost host;
        QStringList opened;
        TAboutForm about(host, nullptr, [&](const QString& a) { opened << a; });
        QCOMPARE(about.windowTitle(), QStringLiteral("About KT5173 Relvane"));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 QStringLiteral("Service and configuration tool"));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("Label6"))->text(), QStringLiteral("PC version :"));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("VersionLabel"))->text(), QStringLiteral("9.08"));
        QVERIFY(about.findChild<QLabel*>(QStringLiteral("CompiledLabel"))->text().startsWith(QStringLiteral("Created: ")));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("Label7"))->text(), QStringLiteral("Relvane version:"));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("LabelPCM_Version"))->text(), QStringLiteral("---"));
        QCOMPARE(about.findChild<QPushButton*>(QStringLiteral("OKBtn"))->text(), QStringLiteral("OK"));
        for (const char* n : {"LabelPowerUpTime", "LabelMaxTemp", "LabelMaxCurrent", "LabelWatchdogCount"})
            QVERIFY(about.findChild<QLabel*>(QString::fromLatin1(n))->isHidden());

        auto* web = about.findChild<QLabel*>(QStringLiteral("Label9"));
        QCOMPARE(web->text(), TAboutForm::WebAddress());
        QCOMPARE(web->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QTest::mouseClick(web, Qt::LeftButton);
        QCOMPARE(opened, QStringList{TAboutForm::WebAddress()});

        host.module.versionText = "9.08";
        host.module.maxCurrentTenths = 253;
        about.Timer1SecTickTimer();
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("LabelPCM_Version"))->text(), QStringLiteral("9.08"));
        // hidden statistics are not written
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("LabelMaxCurrent"))->text(), MaxCurrentText(0));
    }

    void aboutUnlock_data()
    {
        QTest::addColumn<bool>("ctrl");
        QTest::newRow("with ctrl") << true;
        QTest::newRow("without ctrl") << false;
    }
    void aboutUnlock()
    {
        QFETCH(bool, ctrl);
        FakeHost host;
        TAboutForm about(host, nullptr, [](const QString&) {});
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        auto* ok = about.findChild<QPushButton*>(QStringLiteral("OKBtn"));
        const int okLeft = ok->x();
        ok->setFocus();
        const Qt::KeyboardModifiers mods = ctrl ? Qt::ControlModifier : Qt::NoModifier;
        for (Qt::Key k : {Qt::Key_K, Qt::Key_T, Qt::Key_5, Qt::Key_1, Qt::Key_7, Qt::Key_3})
            QTest::keyClick(ok, k, mods);  // keys reach the window through the focused button
        QCOMPARE(host.productionMenuReveals, ctrl ? 1 : 0);
        QCOMPARE(about.isVisible(), !ctrl);
        for (const char* n : {"LabelPowerUpTime", "LabelMaxTemp", "LabelMaxCurrent", "LabelWatchdogCount"})
            QCOMPARE(about.findChild<QLabel*>(QString::fromLatin1(n))->isHidden(), !ctrl);
        QCOMPARE(ok->x(), ctrl ? about.width() - ok->width() - 15 : okLeft);
        if (ctrl) {
            host.module.maxCurrentTenths = 253;
            host.module.secondsSincePowerUp = 3600;
            about.Timer1SecTickTimer();
            QCOMPARE(about.findChild<QLabel*>(QStringLiteral("LabelMaxCurrent"))->text(),
                     QStringLiteral("Max Current : 25.3 Amps "));
            QCOMPARE(about.findChild<QLabel*>(QStringLiteral("LabelPowerUpTime"))->text(),
                     QStringLiteral("Seconds since powerup : 3600"));
        }
    }

    void aboutTimerOnlyWhileActive()
    {
        FakeHost host;
        TAboutForm about(host, nullptr, [](const QString&) {});
        auto* timer = about.findChild<QTimer*>(QStringLiteral("Timer1SecTick"));
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 300);
        QVERIFY(!timer->isActive());
        about.show();
        about.activateWindow();
        QTRY_VERIFY_WITH_TIMEOUT(timer->isActive(), 5000);
        about.close();
        QVERIFY(!timer->isActive());
    }

    // --- Ping ---------------------------------------------------------------------------

    void pingRequest()
    {
        RecordingQueue queue;
        PingState state;
        Script script{{3, 0x0A, 0xFE, 0x00}};
        PingTest ping(queue, state, script.Random(), FixedClock());
        QCOMPARE(ping.Ping(), QStringLiteral("7:45: PING_REQ - Data: 0A:FE:00:"));
        QCOMPARE(queue.Entries(), 1);
        QCOMPARE(queue.frames.size(), 1);
        const QByteArray f = queue.frames[0];
        QCOMPARE(f.size(), 21);
        QCOMPARE(f, ModuleFrame(FRAME_TYPE_SERVICE, PING_REQ, 21, {3, 0x0A, 0xFE, 0x00}));
        QVERIFY(state.outstanding);
    }

    void pingWithNoBytes()
    {
        RecordingQueue queue;
        PingState state;
        Script script{{0}};
        PingTest ping(queue, state, script.Random(), FixedClock());
        QVERIFY(ping.Ping().endsWith(QStringLiteral("Data: ")));
        const QByteArray f = queue.frames[0];
        QCOMPARE(f.size(), 21);
        QVERIFY(f.count('\0') >= 18);  // checksum, length and command at most are non-zero
    }

    void pingRandomRanges()
    {
        RecordingQueue queue;
        PingState state;
        QList<int> bounds;
        PingTest ping(queue, state, [&](int n) { bounds << n; return n - 1; }, FixedClock());
        ping.Ping();
        QCOMPARE(bounds.first(), 16);  // n from 0 to 15
        QCOMPARE(bounds.size(), 16);
        QCOMPARE(bounds.last(), 255);  // bytes from 0 to 254
        QCOMPARE(int(static_cast<std::uint8_t>(queue.frames[0].at(4))), 15);
        QCOMPARE(int(static_cast<std::uint8_t>(queue.frames[0].at(19))), 254);
    }

    void pingAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("dataError");
        QTest::addColumn<bool>("outstanding");
        QTest::newRow("same") << PingAnswer({0x11, 0x22})
                              << QStringList{QStringLiteral("7:45: PING_CFM - Data: 11:22:")} << false << false;
        QTest::newRow("one changed") << PingAnswer({0x11, 0x23})
                                     << QStringList{QStringLiteral("7:45: PING_CFM - Data: 11:23:"),
                                                    QStringLiteral(" ERROR in data")}
                                     << true << true;
        QByteArray damaged = PingAnswer({0x11, 0x22});
        damaged[0] = char(damaged[0] ^ 0x01);
        QTest::newRow("checksum") << damaged << QStringList{QStringLiteral("Chksum Error....")} << false << true;
        QTest::newRow("other command") << ModuleFrame(FRAME_TYPE_COMMAND, PING_CFM, 21, {2, 0x11, 0x22})
                                       << QStringList{} << false << true;
        // claims more bytes than the frame carries: only what arrived is shown, and it is an error
        QTest::newRow("count beyond frame")
            << PingAnswer({0x11, 0x22}, 250)
            << QStringList{QStringLiteral("7:45: PING_CFM - Data: 11:22:00:00:00:00:00:00:00:00:00:00:00:00:00:00:"),
                           QStringLiteral(" ERROR in data")}
            << true << true;
    }
    void pingAnswers()
    {
        QFETCH(QByteArray, answer);
        RecordingQueue queue;
        PingState state;
        Script script{{2, 0x11, 0x22}};
        PingTest ping(queue, state, script.Random(), FixedClock());
        ping.Ping();
        ReceivedFrame f(answer);
        const PingTest::FrameResult r = ping.OnFrame(f.buffer, f.count);
        QTEST(r.lines, "lines");
        QTEST(r.dataError, "dataError");
        QTEST(state.outstanding, "outstanding");
    }

    void pingTimeoutAfterMismatch()
    {
        RecordingQueue queue;
        PingState state;
        Script script{{1, 0x42}};
        PingTest ping(queue, state, script.Random(), FixedClock());
        QCOMPARE(ping.TimerTick().size(), 1);  // nothing outstanding: pings
        QCOMPARE(queue.frames.size(), 1);
        ReceivedFrame f(PingAnswer({0x43}));
        QVERIFY(ping.OnFrame(f.buffer, f.count).dataError);
        for (int tick = 1; tick <= 50; ++tick)
            QVERIFY(ping.TimerTick().isEmpty());
        QCOMPARE(ping.TimerTick(), QStringList{QStringLiteral(" Timeout error")});
        QCOMPARE(queue.frames.size(), 1);  // nothing sent on the time-out tick
        QVERIFY(!state.outstanding);
        QCOMPARE(ping.TimerTick().size(), 1);  // and goes on
        QCOMPARE(queue.frames.size(), 2);
    }

    void pingInterval_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("interval");  // -1: refused
        QTest::newRow("500") << "500" << 500;
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("abc") << "abc" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("2.5") << "2.5" << -1;
        QTest::newRow("0") << "0" << -1;
        QTest::newRow("-5") << "-5" << -1;
    }
    void pingInterval()
    {
        QFETCH(QString, text);
        QTEST(PingIntervalFromText(text).value_or(-1), "interval");
    }

    void pingForm()
    {
        RecordingQueue queue;
        PingState state;
        ScriptedDialogs dialogs;
        Script script{{1, 0x42, 1, 0x42}};
        TPingForm form(queue, state, dialogs, nullptr, nullptr, script.Random(), FixedClock());
        QCOMPARE(form.windowTitle(), QStringLiteral("Ping"));
        auto* memo = form.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
        auto* btnTimer = form.findChild<QPushButton*>(QStringLiteral("BtnTimer"));
        auto* timeEdit = form.findChild<QLineEdit*>(QStringLiteral("TimeEdit"));
        auto* errors = form.findChild<QLabel*>(QStringLiteral("LabelErrorCount"));
        auto* timer = form.findChild<QTimer*>(QStringLiteral("Timer1"));
        QVERIFY(memo && btnTimer && timeEdit && errors && timer);
        QCOMPARE(timeEdit->text(), QStringLiteral("500"));
        QCOMPARE(timeEdit->toolTip(), QStringLiteral("Time in [ms]"));
        QCOMPARE(errors->text(), QStringLiteral("0"));
        QCOMPARE(btnTimer->text(), QStringLiteral("Start timer"));
        QVERIFY(!timer->isActive());

        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("BtnPing")), Qt::LeftButton);
        QCOMPARE(memo->toPlainText(), QStringLiteral("7:45: PING_REQ - Data: 42:"));
        ReceivedFrame bad(PingAnswer({0x41}));
        form.OnToolFrame(bad.buffer, bad.count);
        QCOMPARE(errors->text(), QStringLiteral("1"));
        QVERIFY(memo->toPlainText().endsWith(QStringLiteral("\n ERROR in data")));

        timeEdit->setText(QStringLiteral("abc"));
        QTest::mouseClick(btnTimer, Qt::LeftButton);
        QCOMPARE(dialogs.LastText(), QStringLiteral("'abc' is not a valid integer value"));
        QVERIFY(!timer->isActive());
        QCOMPARE(btnTimer->text(), QStringLiteral("Start timer"));
        QCOMPARE(errors->text(), QStringLiteral("1"));

        timeEdit->setText(QStringLiteral("250"));
        QTest::mouseClick(btnTimer, Qt::LeftButton);
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 250);
        QCOMPARE(btnTimer->text(), QStringLiteral("Stop timer"));
        QCOMPARE(errors->text(), QStringLiteral("0"));
        QTest::mouseClick(btnTimer, Qt::LeftButton);
        QVERIFY(!timer->isActive());
        QCOMPARE(btnTimer->text(), QStringLiteral("Start timer"));

        form.show();
        QTest::mouseClick(btnTimer, Qt::LeftButton);
        QVERIFY(timer->isActive());
        form.close();
        QVERIFY(!timer->isActive());
    }

    void pingStateSurvivesWindows()
    {
        RecordingQueue queue;
        PingState state;
        ScriptedDialogs dialogs;
        {
            Script script{{0}};
            TPingForm form(queue, state, dialogs, nullptr, nullptr, script.Random(), FixedClock());
            form.BtnPingClick();
        }
        QVERIFY(state.outstanding);
        TPingForm again(queue, state, dialogs, nullptr, nullptr, {}, FixedClock());
        again.Timer1Timer();  // still outstanding: counts, does not ping
        QCOMPARE(queue.frames.size(), 1);
        QCOMPARE(state.tickCounter, 1);
        QCOMPARE(again.findChild<QLabel*>(QStringLiteral("LabelErrorCount"))->text(), QStringLiteral("0"));
    }

    void windowsRegisterWithDispatcher()
    {
        Dispatcher dispatcher;
        RecordingQueue queue;
        PingState state;
        ScriptedDialogs dialogs;
        {
            Script script{{1, 0x42}};
            TPingForm ping(queue, state, dialogs, &dispatcher, nullptr, script.Random(), FixedClock());
            TVersionForm version(&dispatcher);
            QCOMPARE(dispatcher.ToolWindow(ToolSlot::Ping), static_cast<ToolFrameListener*>(&ping));
            QCOMPARE(dispatcher.ToolWindow(ToolSlot::Version), static_cast<ToolFrameListener*>(&version));
            ping.BtnPingClick();
            // a damaged frame still reaches the ping window through the dispatcher
            QByteArray damaged = PingAnswer({0x42});
            damaged[0] = char(damaged[0] ^ 0x10);
            ReceivedFrame d(damaged);
            dispatcher.DispatchFrame(d.buffer, d.count);
            QVERIFY(ping.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText()
                        .endsWith(QStringLiteral("Chksum Error....")));
            ReceivedFrame v(VersionFrame("9.08"));
            dispatcher.DispatchFrame(v.buffer, v.count);
            QVERIFY(version.Accepted());
        }
        QVERIFY(!dispatcher.ToolWindow(ToolSlot::Ping));
        QVERIFY(!dispatcher.ToolWindow(ToolSlot::Version));
    }

    // --- Version check -----------------------------------------------------------------------

    void versionNumber_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("number");  // -1: none
        QTest::addColumn<bool>("accepted");
        QTest::newRow("9.08") << QByteArray("9.08") << 908 << true;
        QTest::newRow("9.99") << QByteArray("9.99") << 999 << true;
        QTest::newRow("8.00") << QByteArray("8.00") << 800 << true;
        QTest::newRow("7.99") << QByteArray("7.99") << 799 << false;
        QTest::newRow("10.00") << QByteArray("10.00") << 0 << false;
        QTest::newRow("V8.12") << QByteArray("V8.12") << 812 << true;
        QTest::newRow("V10.02") << QByteArray("V10.02") << 2 << false;
        QTest::newRow("8.1") << QByteArray("8.1") << 81 << false;
        QTest::newRow("no point") << QByteArray("908") << -1 << false;
        QTest::newRow("point first") << QByteArray(".908") << -1 << false;
        QTest::newRow("not numeric") << QByteArray("9.x8") << -1 << false;
        QTest::newRow("empty") << QByteArray() << -1 << false;
    }
    void versionNumber()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, number);
        const std::optional<int> n = VersionNumber(text);
        QCOMPARE(n.value_or(-1), number);
        QTEST(VersionAccepted(text), "accepted");
    }

    void versionCheck_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("9.99") << QByteArray("9.99") << true;
        QTest::newRow("8.00") << QByteArray("8.00") << true;
        QTest::newRow("7.99") << QByteArray("7.99") << false;
        QTest::newRow("10.00") << QByteArray("10.00") << false;
        QTest::newRow("9.x8 closes too") << QByteArray("9.x8") << false;
    }
    void versionCheck()
    {
        QFETCH(QByteArray, text);
        TVersionForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("PCM Version"));
        auto* label = form.findChild<QLabel*>(QStringLiteral("Label1"));
        QCOMPARE(label->text(), QStringLiteral("Version "));
        QVERIFY(form.Check().Timer1().isActive());
        form.show();
        // a damaged answer and other frames are ignored
        QByteArray damaged = VersionFrame("9.08");
        damaged[0] = char(damaged[0] ^ 0x40);
        ReceivedFrame d(damaged);
        form.OnToolFrame(d.buffer, d.count);
        ReceivedFrame other(ChannelStateFrame(1, 0xF0, 0, 0, 0));
        form.OnToolFrame(other.buffer, other.count);
        QVERIFY(form.Check().Timer1().isActive());
        QCOMPARE(label->text(), QStringLiteral("Version "));

        ReceivedFrame answer(VersionFrame(text));
        form.OnToolFrame(answer.buffer, answer.count);
        QVERIFY(!form.Check().Timer1().isActive());
        QCOMPARE(label->text(), QString::fromLatin1(text));
        QTEST(form.Accepted(), "accepted");
        QVERIFY(!form.TimedOut());
        QVERIFY(form.isVisible());  // stays for the closing delay
        QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), 5000);
        QVERIFY(!form.TimedOut());
    }

    void versionCheckSilent()
    {
        TVersionForm form;
        form.show();
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), 10000);
        QVERIFY(clock.elapsed() >= 900);
        QVERIFY(form.TimedOut());
        QVERIFY(!form.Accepted());
    }

    void versionCheckClosesWhileTheHeartbeatAnswers()
    {
        // The heartbeat keeps answering every 400 ms while the window is open; the
        // first answer decides, and later ones must not hold the window open.
        VersionCheck check;
        QSignalSpy finished(&check, &VersionCheck::finished);
        ReceivedFrame first(VersionFrame("V8.12"));
        ReceivedFrame later(VersionFrame("V7.00"));
        QVERIFY(check.OnFrame(first.buffer, first.count));
        QElapsedTimer clock;
        clock.start();
        while (finished.isEmpty() && clock.elapsed() < 10000) {
            QTest::qWait(100);
            check.OnFrame(later.buffer, later.count);
        }
        QCOMPARE(finished.count(), 1);
        // 500 ms after the first answer; ten times that on a loaded machine.
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(check.Accepted());
    }

    void versionCheckTimeoutByHand()
    {
        VersionCheck check;
        QSignalSpy finished(&check, &VersionCheck::finished);
        check.Timer1Timer();
        QVERIFY(check.TimedOut());
        QVERIFY(!check.Accepted());
        QCOMPARE(finished.count(), 1);
        QVERIFY(!check.Timer1().isActive());
    }
};

QTEST_MAIN(TestServiceConsoles)
#include "test_service_consoles.moc"
