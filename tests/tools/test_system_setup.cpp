#include "FakeToolHost.h"
#include "tools/SystemSetup.h"
#include "tools/ToolText.h"

#include <QtTest>

using namespace relvane;

class TestSystemSetup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void activationShowsVersionAndRequests() {
        FakeToolHost host;
        host.version = QByteArrayLiteral("9.08 \x80");
        SystemSetupTool tool(host);
        QCOMPARE(tool.versionText(), QStringLiteral("0.0"));
        tool.Activate();
        QCOMPARE(tool.versionText(), QStringLiteral("9.08 \u20AC"));
        QCOMPARE(host.sent, QList<QByteArray>{Hex("44040141")});
    }

    void storeBytes() {
        FakeToolHost host;
        SystemSetupTool tool(host);
        tool.setSerialText(QStringLiteral("1234"));
        tool.setWeekText(QStringLiteral("23"));
        tool.setYearText(QStringLiteral("2016"));
        tool.setHardwareText(QStringLiteral("3"));
        QVERIFY(tool.Upload());
        QCOMPARE(host.sent.size(), 1);
        const QByteArray f = host.sent.first();
        QCOMPARE(f.mid(1), Hex("0b01400000 04d2 17 10 03"));
        std::uint8_t cs = 0;
        for (int i = 1; i < f.size(); ++i) cs ^= std::uint8_t(f[i]);
        QCOMPARE(std::uint8_t(f[0]), cs);
    }

    void years_data() {
        QTest::addColumn<QString>("year");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("sent");
        QTest::newRow("2005") << QStringLiteral("2005") << false << 0;
        QTest::newRow("2006") << QStringLiteral("2006") << true << 6;
        QTest::newRow("2099") << QStringLiteral("2099") << true << 99;
        QTest::newRow("2100") << QStringLiteral("2100") << false << 0;
        QTest::newRow("-1") << QStringLiteral("-1") << false << 0;
    }
    void years() {
        QFETCH(QString, year);
        QFETCH(bool, accepted);
        QFETCH(int, sent);
        FakeToolHost host;
        SystemSetupTool tool(host);
        tool.setYearText(year);
        QCOMPARE(tool.Upload(), accepted);
        if (accepted) {
            QCOMPARE(host.sent.size(), 1);
            QCOMPARE(int(std::uint8_t(host.sent.first().at(9))), sent);
            QCOMPARE(host.dialogs.Count(), 0);
        } else {
            QVERIFY(host.sent.isEmpty());
            QCOMPARE(host.dialogs.Texts(), QStringList{QStringLiteral(" NOT a Valit Year, 2006-2099")});
        }
    }

    void weekAndHardwareTakeLow8Bits() {
        FakeToolHost host;
        SystemSetupTool tool(host);
        tool.setWeekText(QStringLiteral("300"));
        tool.setHardwareText(QStringLiteral("257"));
        QVERIFY(tool.Upload());
        QCOMPARE(int(std::uint8_t(host.sent.first().at(8))), 44);
        QCOMPARE(int(std::uint8_t(host.sent.first().at(10))), 1);
    }

    void notAnIntegerSendsNothing_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::newRow("serial") << 0 << QStringLiteral("12a4");
        QTest::newRow("year") << 1 << QStringLiteral("");
        QTest::newRow("week") << 2 << QStringLiteral("x");
        QTest::newRow("hardware") << 3 << QStringLiteral("3 ");
    }
    void notAnIntegerSendsNothing() {
        QFETCH(int, field);
        QFETCH(QString, text);
        FakeToolHost host;
        SystemSetupTool tool(host);
        if (field == 0) tool.setSerialText(text);
        if (field == 1) tool.setYearText(text);
        if (field == 2) tool.setWeekText(text);
        if (field == 3) tool.setHardwareText(text);
        try {
            tool.Upload();
            QFAIL("no error raised");
        } catch (const ToolInputError& e) {
            QCOMPARE(e.Text(), QStringLiteral("'%1' is not a valid integer value").arg(text));
        }
        QVERIFY(host.sent.isEmpty());
    }

    void replyFillsFields_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("week");
        QTest::addColumn<QString>("hardware");
        QTest::newRow("1234") << Hex("000004d2 17 10 03") << QStringLiteral("00001234") << QStringLiteral("2016")
                              << QStringLiteral("23") << QStringLiteral("03");
        QTest::newRow("123456789") << Hex("075bcd15 05 63 0c") << QStringLiteral("123456789")
                                   << QStringLiteral("2099") << QStringLiteral("05") << QStringLiteral("12");
        QTest::newRow("erased") << Hex("ffffffff ff ff ff") << QStringLiteral("000000-1") << QStringLiteral("20255")
                                << QStringLiteral("255") << QStringLiteral("255");
    }
    void replyFillsFields() {
        QFETCH(QByteArray, payload);
        FakeToolHost host;
        SystemSetupTool tool(host);
        QSignalSpy spy(&tool, &SystemSetupTool::changed);
        Offer(tool, Reply(1, 0xC1, payload));
        QCOMPARE(spy.count(), 1);
        QTEST(tool.serialText(), "serial");
        QTEST(tool.yearText(), "year");
        QTEST(tool.weekText(), "week");
        QTEST(tool.hardwareText(), "hardware");
        QVERIFY(host.sent.isEmpty());
    }

    void repliesIgnored_data() {
        QTest::addColumn<QByteArray>("frame");
        QByteArray bad = Reply(1, 0xC1, Hex("000004d2171003"));
        bad[0] = char(bad[0] ^ 1);
        QTest::newRow("checksum") << bad;
        QTest::newRow("type 0") << Reply(0, 0xC1, Hex("000004d2171003"));
        QTest::newRow("short") << Reply(1, 0xC1, Hex("000004d2"));
        QTest::newRow("other command") << Reply(1, 0xC3, Hex("000004d2171003"));
        QTest::newRow("stored, type 0") << Reply(0, 0xC0);
    }
    void repliesIgnored() {
        QFETCH(QByteArray, frame);
        FakeToolHost host;
        SystemSetupTool tool(host);
        Offer(tool, frame);
        QCOMPARE(tool.serialText(), QStringLiteral("00000000"));
        QCOMPARE(tool.yearText(), QStringLiteral("2006"));
        QVERIFY(host.sent.isEmpty());
        QCOMPARE(host.dialogs.Count(), 0);
    }

    void storedConfirmationRefreshes() {
        FakeToolHost host;
        SystemSetupTool tool(host);
        // The request goes out only after the box is dismissed.
        int sentWhileOpen = -1;
        host.dialogs.SetOnCall([&](const DialogCall&) { sentWhileOpen = int(host.sent.size()); });
        Offer(tool, Reply(1, 0xC0));
        QCOMPARE(host.dialogs.Texts(), QStringList{QStringLiteral("Data stored in Relvane")});
        QCOMPARE(sentWhileOpen, 0);
        QCOMPARE(tool.versionText(), QStringLiteral("9.08"));
        QCOMPARE(host.sent, QList<QByteArray>{Hex("44040141")});
        Offer(tool, Reply(1, 0xC1, Hex("000004d2171003")));
        QCOMPARE(tool.serialText(), QStringLiteral("00001234"));
    }
};

QTEST_GUILESS_MAIN(TestSystemSetup)
#include "test_system_setup.moc"
