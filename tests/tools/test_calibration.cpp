#include "FakeToolHost.h"
#include "tools/Calibration.h"
#include "tools/ToolText.h"

#include <QtTest>

using namespace relvane;

namespace {

QByteArray DataReply(int channel, int offset, int ratio, int current, int ad) {
    QByteArray p;
    p.append(char(channel));
    p.append(char(offset));
    p.append(char(ratio >> 8)).append(char(ratio));
    p.append(char(current >> 8)).append(char(current));
    p.append(char(ad >> 8)).append(char(ad));
    return Reply(1, 0xC3, p);
}

QByteArray DataRequest(int channel) { return Reply(1, 0x43, QByteArray(1, char(channel))); }

}  // namespace

class TestCalibration : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void creationSetsCalibrationMode() {
        FakeToolHost host;
        CalibrationTool tool(host);
        QCOMPARE(host.sent, QList<QByteArray>{Hex("25050123 02")});
        QCOMPARE(tool.refreshChannel(), 1);
        QVERIFY(!tool.refreshTimerActive());
        for (int n = 1; n <= 18; ++n) {
            QCOMPARE(tool.ratioTableEntry(n), 0);
            QCOMPARE(tool.row(n).markerText(), QStringLiteral("*"));
            QCOMPARE(tool.row(n).offsetText(), QStringLiteral("--"));
        }
    }

    void modeConfirmationAsksForRefreshChannel() {
        FakeToolHost host;
        CalibrationTool tool(host);
        host.sent.clear();
        int sentWhileOpen = -1;
        host.dialogs.SetOnCall([&](const DialogCall&) { sentWhileOpen = int(host.sent.size()); });
        Offer(tool, Reply(1, 0xA3));
        QCOMPARE(host.dialogs.Texts(), QStringList{QStringLiteral("Relvane in Calibration mode")});
        QCOMPARE(sentWhileOpen, 0);
        QCOMPARE(host.sent, QList<QByteArray>{DataRequest(1)});
        // The EEPROM's read reply shares the code in the service space.
        host.sent.clear();
        Offer(tool, Reply(0, 0xA3));
        QVERIFY(host.sent.isEmpty());
        QCOMPARE(host.dialogs.Count(), 1);
    }

    void dataReplyFillsOnlyItsRow() {
        FakeToolHost host;
        CalibrationTool tool(host);
        QSignalSpy rows(&tool, &CalibrationTool::rowChanged);
        Offer(tool, DataReply(7, 12, 14436, 305, 212));
        QCOMPARE(rows.count(), 1);
        QCOMPARE(rows.first().first().toInt(), 7);
        const CalibrationRow& r = tool.row(7);
        QCOMPARE(r.offsetText(), QStringLiteral("12"));
        QCOMPARE(r.ratioText(), QStringLiteral("14436"));
        QCOMPARE(r.currentText(), QStringLiteral("30.5 A"));
        QCOMPARE(r.adText(), QStringLiteral("0212"));
        QVERIFY(!tool.row(6).hasData);
        QVERIFY(!tool.row(8).hasData);
        // The refresh channel moves on by one whatever channel the reply names.
        QCOMPARE(tool.refreshChannel(), 2);
        QVERIFY(tool.refreshTimerActive());
    }

    void smallValuesArePadded() {
        FakeToolHost host;
        CalibrationTool tool(host);
        Offer(tool, DataReply(1, 5, 42, 7, 3));
        QCOMPARE(tool.row(1).offsetText(), QStringLiteral("05"));
        QCOMPARE(tool.row(1).ratioText(), QStringLiteral("0042"));
        QCOMPARE(tool.row(1).currentText(), QStringLiteral("0.7 A"));
        QCOMPARE(tool.row(1).adText(), QStringLiteral("0003"));
    }

    void updateMarkerAlternates() {
        FakeToolHost host;
        CalibrationTool tool(host);
        QCOMPARE(tool.row(3).markerText(), QStringLiteral("*"));
        Offer(tool, DataReply(3, 1, 1, 1, 1));
        QCOMPARE(tool.row(3).markerText(), QStringLiteral(" "));
        Offer(tool, DataReply(3, 1, 1, 1, 1));
        QCOMPARE(tool.row(3).markerText(), QStringLiteral("*"));
        QCOMPARE(tool.row(4).markerText(), QStringLiteral("*"));
    }

    void outOfRangeChannelChangesNoRow_data() {
        QTest::addColumn<int>("channel");
        QTest::newRow("0") << 0;
        QTest::newRow("19") << 19;
        QTest::newRow("255") << 255;
    }
    void outOfRangeChannelChangesNoRow() {
        QFETCH(int, channel);
        FakeToolHost host;
        CalibrationTool tool(host);
        QSignalSpy rows(&tool, &CalibrationTool::rowChanged);
        Offer(tool, DataReply(channel, 1, 1, 1, 1));
        QCOMPARE(rows.count(), 0);
        QCOMPARE(tool.refreshChannel(), 2);
        QVERIFY(tool.refreshTimerActive());
    }

    void refreshWalkWrapsAfter18() {
        FakeToolHost host;
        CalibrationTool tool(host);
        host.sent.clear();
        QList<QByteArray> expected;
        for (int i = 0; i < 20; ++i) {
            const int asked = tool.refreshChannel();
            Offer(tool, DataReply(asked, 1, 1, 1, 1));
            QVERIFY(tool.refreshTimerActive());
            QCOMPARE(int(host.sent.size()), i);  // nothing before the tick
            tool.RefreshTimerTick();
            QVERIFY(!tool.refreshTimerActive());
            expected.append(DataRequest(asked % 18 + 1));
        }
        QCOMPARE(host.sent, expected);
        QCOMPARE(host.sent.at(17), DataRequest(1));  // after channel 18 comes 1
    }

    void singleChannelRefresh_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::newRow("5") << QStringLiteral("5") << 5 << 5;
        QTest::newRow("18") << QStringLiteral("18") << 18 << 18;
        QTest::newRow("0 walks") << QStringLiteral("0") << 2 << 3;
        QTest::newRow("19 walks") << QStringLiteral("19") << 2 << 3;
        QTest::newRow("text walks") << QStringLiteral("abc") << 2 << 3;
    }
    void singleChannelRefresh() {
        QFETCH(QString, field);
        QFETCH(int, first);
        QFETCH(int, second);
        FakeToolHost host;
        CalibrationTool tool(host);
        tool.setChannelText(field);
        host.sent.clear();
        Offer(tool, DataReply(1, 1, 1, 1, 1));
        tool.RefreshTimerTick();
        Offer(tool, DataReply(first, 1, 1, 1, 1));
        tool.RefreshTimerTick();
        QCOMPARE(host.sent, (QList<QByteArray>{DataRequest(first), DataRequest(second)}));
    }

    void options_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("button");  // 0 update, 1 down, 2 up
        QTest::addColumn<bool>("offset");
        QTest::addColumn<bool>("ratio");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("channel");
        QTest::newRow("both, 3") << QStringLiteral("3") << 0 << true << true << QStringLiteral("3") << 6 << 3;
        QTest::newRow("offset only") << QStringLiteral("3") << 0 << true << false << QStringLiteral("3") << 2 << 3;
        QTest::newRow("ratio only") << QStringLiteral("3") << 0 << false << true << QStringLiteral("3") << 4 << 3;
        QTest::newRow("down at 0") << QStringLiteral("0") << 1 << false << false << QStringLiteral("0") << 0 << 0;
        QTest::newRow("down at 5") << QStringLiteral("5") << 1 << false << false << QStringLiteral("4") << 0 << 4;
        QTest::newRow("up at 99") << QStringLiteral("99") << 2 << false << false << QStringLiteral("99") << 0 << 99;
        QTest::newRow("up at 17") << QStringLiteral("17") << 2 << false << false << QStringLiteral("18") << 0 << 18;
        QTest::newRow("text") << QStringLiteral("x1") << 0 << false << false << QStringLiteral("0") << 0 << 0;
        QTest::newRow("text up") << QStringLiteral("x1") << 2 << false << false << QStringLiteral("1") << 0 << 1;
        QTest::newRow("300 low bits") << QStringLiteral("300") << 0 << false << false << QStringLiteral("300") << 0 << 44;
    }
    void options() {
        QFETCH(QString, field);
        QFETCH(int, button);
        QFETCH(bool, offset);
        QFETCH(bool, ratio);
        QFETCH(int, flags);
        QFETCH(int, channel);
        FakeToolHost host;
        CalibrationTool tool(host);
        tool.setChannelText(field);
        if (offset) tool.SetUseOffset(true);
        if (ratio) tool.SetUseRatio(true);
        host.sent.clear();
        if (button == 0) tool.ChannelUpdate();
        if (button == 1) tool.ChannelDown();
        if (button == 2) tool.ChannelUp();
        QTEST(tool.channelText(), "shown");
        QByteArray p;
        p.append(char(flags)).append(char(channel));
        QCOMPARE(host.sent, QList<QByteArray>{Reply(1, 0x44, p)});
    }

    void checkBoxSendsOptions() {
        FakeToolHost host;
        CalibrationTool tool(host);
        tool.setChannelText(QStringLiteral("3"));
        host.sent.clear();
        tool.SetUseOffset(true);
        tool.SetUseRatio(true);
        QCOMPARE(host.sent.size(), 2);
        QCOMPARE(host.sent.last().mid(1), Hex("060144 06 03"));
    }

    void ratioCalculation_data() {
        QTest::addColumn<double>("current");
        QTest::addColumn<int>("ad");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("ratio");
        QTest::newRow("30 A") << 30.0 << 212 << 12 << 14436;
        QTest::newRow("10 A clamps low") << 10.0 << 512 << 12 << 5000;
        QTest::newRow("clamps high") << 100.0 << 112 << 12 << 25000;
        QTest::newRow("25000.x") << 25000.5 * 10.39 * 100 / 1e6 << 112 << 12 << 25000;
        QTest::newRow("reading below offset") << 30.0 << 10 << 12 << 5000;
        QTest::newRow("no current") << 0.0 << 212 << 12 << 5000;
    }
    void ratioCalculation() {
        QFETCH(double, current);
        QFETCH(int, ad);
        QFETCH(int, offset);
        const auto r = CalculateNewRatio(current, ad, offset);
        QVERIFY(r.has_value());
        QTEST(*r, "ratio");
    }

    void ratioNeverLeavesRange() {
        for (int span = -1023; span <= 1023; span += 7) {
            for (double amps : {0.0, 0.1, 1.5, 30.0, 500.0, 1e300}) {
                if (span == 0) continue;
                const auto r = CalculateNewRatio(amps, span + 20, 20);
                QVERIFY(r && *r >= 5000 && *r <= 25000);
            }
        }
    }

    void readingEqualToOffsetGivesNoRatio() {
        QVERIFY(!CalculateNewRatio(30.0, 12, 12).has_value());
        QVERIFY(!CalculateNewRatio(0.0, 12, 12).has_value());
        FakeToolHost host;
        CalibrationTool tool(host);
        Offer(tool, DataReply(2, 40, 1000, 0, 40));
        tool.setMeasuredCurrentText(2, QStringLiteral("12"));
        tool.setNewRatioText(2, QStringLiteral("9000"));
        tool.CalculateRatio(2);
        QCOMPARE(tool.newRatioText(2), QString());
        QCOMPARE(host.dialogs.Count(), 1);
        QVERIFY(host.dialogs.LastText().contains(QStringLiteral("CH 2")));
        // Still usable: the next reading calculates.
        Offer(tool, DataReply(2, 12, 1000, 0, 212));
        tool.setMeasuredCurrentText(2, QStringLiteral("30"));
        tool.CalculateRatio(2);
        QCOMPARE(tool.newRatioText(2), QStringLiteral("14436"));
    }

    void calculateFromRowFields_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("ratio");
        QTest::newRow("30") << QStringLiteral("30") << QStringLiteral("14436");
        QTest::newRow("comma") << QStringLiteral("30,0") << QStringLiteral("14436");
        QTest::newRow("1,5") << QStringLiteral("1,5") << QStringLiteral("5000");
        QTest::newRow("text") << QStringLiteral("abc") << QStringLiteral("5000");
    }
    void calculateFromRowFields() {
        QFETCH(QString, typed);
        FakeToolHost host;
        CalibrationTool tool(host);
        Offer(tool, DataReply(9, 12, 1000, 300, 212));
        tool.setMeasuredCurrentText(9, typed);
        tool.CalculateRatio(9);
        QTEST(tool.newRatioText(9), "ratio");
    }

    void leadingDecimal_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("1,5") << QStringLiteral("1,5") << 1.5;
        QTest::newRow("1.5") << QStringLiteral("1.5") << 1.5;
        QTest::newRow("trailing text") << QStringLiteral("12A") << 12.0;
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("letters") << QStringLiteral("A12") << 0.0;
        QTest::newRow("two commas") << QStringLiteral("1,5,3") << 1.5;
        QTest::newRow("negative") << QStringLiteral("-2,25") << -2.25;
    }
    void leadingDecimal() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(LeadingDecimal(text), value);
    }

    void calculateWithoutDataThrows() {
        FakeToolHost host;
        CalibrationTool tool(host);
        tool.setMeasuredCurrentText(4, QStringLiteral("30"));
        QVERIFY_THROWS_EXCEPTION(ToolInputError, tool.CalculateRatio(4));
        QCOMPARE(tool.newRatioText(4), QString());
    }

    void storeOnlyEnteredChannels() {
        FakeToolHost host;
        CalibrationTool tool(host);
        tool.setNewRatioText(4, QStringLiteral("14436"));
        tool.setNewRatioText(9, QStringLiteral("70000"));
        host.sent.clear();
        tool.StoreRatios();
        QCOMPARE(tool.ratioTableEntry(4), 14436);
        QCOMPARE(tool.ratioTableEntry(9), 70000);
        QCOMPARE(host.sent, QList<QByteArray>{Reply(1, 0x42, Hex("04 3864"))});
        QVERIFY(!tool.ratiosStoredShown());
        Offer(tool, Reply(1, 0xC2, Hex("04")));
        // 70000 goes out as its low 16 bits, 4464 = 0x1170.
        QCOMPARE(host.sent.size(), 2);
        QCOMPARE(host.sent.last(), Reply(1, 0x42, Hex("09 1170")));
        QVERIFY(!tool.ratiosStoredShown());
        Offer(tool, Reply(1, 0xC2, Hex("09")));
        QCOMPARE(host.sent.size(), 2);
        QVERIFY(tool.ratiosStoredShown());
    }

    void storeWithNothingEnteredIsOkAtOnce() {
        FakeToolHost host;
        CalibrationTool tool(host);
        host.sent.clear();
        tool.StoreRatios();
        QVERIFY(host.sent.isEmpty());
        QVERIFY(tool.ratiosStoredShown());
        tool.Show();
        QVERIFY(!tool.ratiosStoredShown());
    }

    void storeStopsAtTextThatIsNoInteger() {
        FakeToolHost host;
        CalibrationTool tool(host);
        tool.setNewRatioText(2, QStringLiteral("6000"));
        tool.setNewRatioText(5, QStringLiteral("6x"));
        tool.setNewRatioText(8, QStringLiteral("7000"));
        host.sent.clear();
        QVERIFY_THROWS_EXCEPTION(ToolInputError, tool.StoreRatios());
        QVERIFY(host.sent.isEmpty());
        QCOMPARE(tool.ratioTableEntry(2), 6000);
        QCOMPARE(tool.ratioTableEntry(8), 0);
        QVERIFY(!tool.ratiosStoredShown());
    }

    void offsetStore() {
        FakeToolHost host;
        CalibrationTool tool(host);
        host.sent.clear();
        tool.StoreOffsets();
        QCOMPARE(host.sent, QList<QByteArray>{Hex("40040145")});
        QVERIFY(!tool.offsetStoredShown());
        Offer(tool, Reply(1, 0xC5));
        QVERIFY(tool.offsetStoredShown());
        tool.StoreOffsets();
        QVERIFY(!tool.offsetStoredShown());
    }

    void shortOrBadFramesIgnored_data() {
        QTest::addColumn<QByteArray>("frame");
        QByteArray bad = DataReply(3, 1, 1, 1, 1);
        bad[0] = char(bad[0] ^ 0x20);
        QTest::newRow("checksum") << bad;
        QTest::newRow("type 0") << Reply(0, 0xC3, DataReply(3, 1, 1, 1, 1).mid(4));
        QTest::newRow("short data") << Reply(1, 0xC3, Hex("030102"));
        QTest::newRow("length beyond bytes") << DataReply(3, 1, 1, 1, 1).left(8);
    }
    void shortOrBadFramesIgnored() {
        QFETCH(QByteArray, frame);
        FakeToolHost host;
        CalibrationTool tool(host);
        Offer(tool, frame);
        QVERIFY(!tool.row(3).hasData);
        QCOMPARE(tool.refreshChannel(), 1);
        QVERIFY(!tool.refreshTimerActive());
    }
};

QTEST_GUILESS_MAIN(TestCalibration)
#include "test_calibration.moc"
