// The diagnostic view: the table content per error and current byte, the requests and their
// conditions, "Reset log" and one check of the painted picture.

#include "config/Cp1252.h"
#include "monitor/DiagnosticView.h"
#include "monitor/MonitorTestSupport.h"
#include "monitor/ui/TDiagnosticPage.h"
#include "protocol/Dispatcher.h"
#include "support/ScriptedDialogs.h"

#include <QDir>
#include <QLineEdit>
#include <QTest>

using namespace relvane;
using relvane::test::FakeHost;
using relvane::test::ModuleFrame;

namespace {

class RecordingDisplay final : public DiagnosticDisplay {
public:
    void PaintHighPower(const DiagnosticTable& t) override { high.append(t); order << QStringLiteral("high"); }
    void PaintLowPower(const DiagnosticTable& t) override { low.append(t); order << QStringLiteral("low"); }
    QList<DiagnosticTable> high;
    QList<DiagnosticTable> low;
    QStringList order;
};

void Dispatch(Dispatcher& d, const QByteArray& frame)
{
    d.DispatchFrame(reinterpret_cast<const std::uint8_t*>(frame.constData()), int(frame.size()));
}

// DIAGNOSTIC_HIGH_IND with channel 1's error, trip-level and low-current bytes.
QByteArray HighFrame(int error, int trip, int low)
{
    std::vector<int> payload(54, 0);
    payload[0] = error;
    payload[18] = trip;
    payload[36] = low;
    return ModuleFrame(FRAME_TYPE_COMMAND, DIAGNOSTIC_HIGH_IND, DIAGNOSTIC_HIGH_IND_LENGTH, payload);
}

}  // namespace

class TestDiagnostic : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void errorByte_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("shortText");
        QTest::addColumn<bool>("shortRed");
        QTest::addColumn<QString>("tripText");
        QTest::addColumn<bool>("tripRed");
        QTest::newRow("0x00") << 0x00 << QStringLiteral("0") << false << QStringLiteral("0") << false;
        QTest::newRow("0x3F") << 0x3F << QStringLiteral("> 15") << true << QStringLiteral("3") << true;
        QTest::newRow("0xF0") << 0xF0 << QStringLiteral("0") << false << QStringLiteral("> 15") << true;
        QTest::newRow("0x21") << 0x21 << QStringLiteral("1") << true << QStringLiteral("2") << true;
    }
    void errorByte()
    {
        QFETCH(int, error);
        QFETCH(QString, shortText);
        QFETCH(bool, shortRed);
        QFETCH(QString, tripText);
        QFETCH(bool, tripRed);
        ConfigModel model;
        const QByteArray f = HighFrame(error, 25, 0);
        const DiagnosticHigh log = ReadDiagnosticHigh(reinterpret_cast<const std::uint8_t*>(f.constData()), int(f.size()));
        const DiagnosticTable t = HighPowerTable(log, model);
        QCOMPARE(t.rows.size(), 18);
        const auto& row = t.rows.first();
        QCOMPARE(row.at(1), (DiagnosticCell{shortText, true, shortRed ? DiagnosticInk::Red : DiagnosticInk::Black}));
        QCOMPARE(row.at(2), (DiagnosticCell{tripText, true, tripRed ? DiagnosticInk::Red : DiagnosticInk::Black}));
        // The trip-level current follows the colour of the trip-level count.
        QCOMPARE(row.at(3), (DiagnosticCell{QStringLiteral("10.0"), true, row.at(2).ink}));
    }

    void tripCurrent_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << QStringLiteral("0");
        QTest::newRow("1") << 1 << QStringLiteral("0.4");
        QTest::newRow("25") << 25 << QStringLiteral("10.0");
        QTest::newRow("255") << 255 << QStringLiteral("102.0");
    }
    void tripCurrent()
    {
        QFETCH(int, level);
        QFETCH(QString, text);
        QCOMPARE(TripCurrentText(std::uint8_t(level)), text);
    }

    void lowCurrentIgnoresHighBits()
    {
        ConfigModel model;
        const QByteArray f = HighFrame(0, 0, 0xF2);
        const DiagnosticTable t = HighPowerTable(
            ReadDiagnosticHigh(reinterpret_cast<const std::uint8_t*>(f.constData()), int(f.size())), model);
        QCOMPARE(t.rows.first().at(4), (DiagnosticCell{QStringLiteral("2"), true, DiagnosticInk::Red}));
        QCOMPARE(t.rows.first().at(3), (DiagnosticCell{QStringLiteral("0"), true, DiagnosticInk::Black}));
    }

    void namesAtTheMomentOfPainting()
    {
        ConfigModel model;
        model.ModifyOutput(2, [](OutputConfig& o) { o.NAME = "Fan"; });
        model.ModifyOutput(20, [](OutputConfig& o) { o.NAME = "Horn"; });
        const DiagnosticTable high = HighPowerTable(DiagnosticHigh{}, model);
        QCOMPARE(high.rows.at(1).at(0), (DiagnosticCell{QStringLiteral("2: Fan"), false, DiagnosticInk::Black}));
        QCOMPARE(high.rows.at(0).at(0).text, QStringLiteral("1: "));
        DiagnosticLow low{};
        low.shortCircuitCount[1] = 15;
        const DiagnosticTable lowTable = LowPowerTable(low, model);
        QCOMPARE(lowTable.rows.size(), 16);
        QCOMPARE(lowTable.rows.at(1).at(0).text, QStringLiteral("20: Horn"));
        QCOMPARE(lowTable.rows.at(1).at(1), (DiagnosticCell{QStringLiteral("> 15"), true, DiagnosticInk::Red}));
        QCOMPARE(lowTable.rows.at(15).at(0).text, QStringLiteral("34: "));
    }

    void geometry()
    {
        const auto high = HighPowerColumns();
        QCOMPARE(high.size(), 5);
        QCOMPARE(ColumnLeft(high, 0), 1);
        QCOMPARE(ColumnRight(high, 0), 131);
        QCOMPARE(ColumnLeft(high, 1), 131);  // shared border
        QCOMPARE(ColumnRight(high, 4), 561);
        QCOMPARE(high.at(3).header1, QStringLiteral("Trip Level"));
        QCOMPARE(high.at(3).header2, QStringLiteral("Current Draw"));
        QCOMPARE(ColumnRight(LowPowerColumns(), 1), 231);
        QCOMPARE(RowTop(0), 44);
        QCOMPARE(RowBottom(17), 440);
        QCOMPARE(LineTop(44, 13), 48);
        // Centred: start + 1 + width / 2 - text width / 2, halves cut.
        QCOMPARE(CentredLeft(high, 1, 25), 131 + 1 + 50 - 12);
    }

    void pageSelectionRequests_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("transfer");
        QTest::addColumn<bool>("firmware");
        QTest::addColumn<bool>("sent");
        QTest::newRow("connected") << true << false << false << true;
        QTest::newRow("not connected") << false << false << false << false;
        QTest::newRow("transfer busy") << true << true << false << false;
        QTest::newRow("firmware busy") << true << false << true << false;
    }
    void pageSelectionRequests()
    {
        QFETCH(bool, connected);
        QFETCH(bool, transfer);
        QFETCH(bool, firmware);
        QFETCH(bool, sent);
        FakeHost host;
        host.connected = connected;
        host.transferBusy = transfer;
        host.firmwareBusy = firmware;
        ScriptedDialogs dialogs;
        ConfigModel model;
        DiagnosticView view(host, dialogs, model);
        view.PageSelected();
        QCOMPARE(host.Sends(), sent ? QStringList{QStringLiteral("send 50")} : QStringList());
        QCOMPARE(dialogs.Count(), 0);
    }

    void resetLog()
    {
        FakeHost host;
        ScriptedDialogs dialogs;
        ConfigModel model;
        DiagnosticView view(host, dialogs, model);
        host.connected = false;
        view.BtnClearDiagnosticClick();
        QCOMPARE(dialogs.LastText(), QStringLiteral("Is not connected to target, please connect USB"));
        QVERIFY(host.Sends().isEmpty());
        host.connected = true;
        host.transferBusy = true;
        view.BtnClearDiagnosticClick();
        QVERIFY(host.Sends().isEmpty());
        QCOMPARE(dialogs.Count(), 1);
        host.transferBusy = false;
        view.BtnClearDiagnosticClick();
        QCOMPARE(host.Sends(), QStringList{QStringLiteral("send 51")});

        // The module's answer: a fresh read request first, then the confirmation.
        Dispatcher dispatcher;
        dispatcher.AddHandler(&view);
        host.ClearRecords();
        dialogs.SetOnCall([&](const DialogCall&) { QCOMPARE(host.Sends(), QStringList{QStringLiteral("send 50")}); });
        host.connected = false;  // not tested for the answer
        Dispatch(dispatcher, ModuleFrame(FRAME_TYPE_COMMAND, DIAGNOSTIC_CLEAR_CFM, 4, {}));
        QCOMPARE(dialogs.LastText(), QStringLiteral("Diagnostic log cleared"));
        QCOMPARE(host.Sends(), QStringList{QStringLiteral("send 50")});
        dialogs.SetOnCall({});
        host.firmwareBusy = true;
        host.ClearRecords();
        Dispatch(dispatcher, ModuleFrame(FRAME_TYPE_COMMAND, DIAGNOSTIC_CLEAR_CFM, 4, {}));
        QVERIFY(host.Sends().isEmpty());
        QCOMPARE(dialogs.Count(), 3);
    }

    void ackFollowsThePaintedHighTable()
    {
        FakeHost host;
        ScriptedDialogs dialogs;
        ConfigModel model;
        DiagnosticView view(host, dialogs, model);
        RecordingDisplay display;
        view.SetDisplay(&display);
        Dispatcher dispatcher;
        dispatcher.AddHandler(&view);
        Dispatch(dispatcher, HighFrame(0x3F, 1, 0));
        QCOMPARE(display.high.size(), 1);
        QCOMPARE(host.Sends(), QStringList{QStringLiteral("send 5f")});
        Dispatch(dispatcher, ModuleFrame(FRAME_TYPE_COMMAND, DIAGNOSTIC_LOW_IND, DIAGNOSTIC_LOW_IND_LENGTH, {0x0F}));
        QCOMPARE(display.low.size(), 1);
        QCOMPARE(display.low.first().rows.first().at(1).text, QStringLiteral("> 15"));
        QCOMPARE(host.Sends().size(), 1);  // no acknowledgement for the low-power table
    }

    void painting()
    {
        FakeHost host;
        ScriptedDialogs dialogs;
        ConfigModel model;
        for (int n = 1; n <= 34; ++n)
            model.ModifyOutput(n, [n](OutputConfig& o) { o.NAME = "Output " + QByteArray::number(n); });
        TDiagnosticPage page(host, dialogs, model);
        QCOMPARE(page.HighPowerImage()->size(), QSize(561, 441));
        QCOMPARE(page.LowPowerImage()->size(), QSize(233, 441));
        QCOMPARE(page.HighPowerImage()->Paintings(), 0);  // blank until a message arrives

        Dispatcher dispatcher;
        dispatcher.AddHandler(&page.View());
        std::vector<int> payload(54, 0);
        payload[0] = 0x3F;   // channel 1: short circuit "> 15", trip level 3
        payload[18] = 25;    // 10.0 A
        payload[5] = 0xF0;   // channel 6: trip level "> 15"
        payload[41] = 0x02;  // channel 6: low current 2
        Dispatch(dispatcher, ModuleFrame(FRAME_TYPE_COMMAND, DIAGNOSTIC_HIGH_IND, DIAGNOSTIC_HIGH_IND_LENGTH, payload));
        std::vector<int> lowPayload(16, 0);
        lowPayload[3] = 4;
        Dispatch(dispatcher, ModuleFrame(FRAME_TYPE_COMMAND, DIAGNOSTIC_LOW_IND, DIAGNOSTIC_LOW_IND_LENGTH, lowPayload));
        QCOMPARE(page.HighPowerImage()->Paintings(), 1);
        QCOMPARE(page.LastHighPower().rows.at(5).at(4).text, QStringLiteral("2"));

        const QImage& img = page.HighPowerImage()->Image();
        // Grid lines in grey, cells filled white.
        QCOMPARE(img.pixelColor(131, 30), QColor(192, 192, 192));
        QCOMPARE(img.pixelColor(300, 44), QColor(192, 192, 192));
        QCOMPARE(img.pixelColor(461, 100), QColor(192, 192, 192));
        QCOMPARE(img.pixelColor(20, 440), QColor(192, 192, 192));
        QCOMPARE(img.pixelColor(129, 65), QColor(Qt::white));
        // Red ink only where a count is non-zero: row 1's columns 2 to 4, nothing in row 2.
        auto redIn = [&](int x1, int y1, int x2, int y2) {
            for (int y = y1; y < y2; ++y)
                for (int x = x1; x < x2; ++x) {
                    const QColor c = img.pixelColor(x, y);
                    if (c.red() > 200 && c.green() < 80 && c.blue() < 80)
                        return true;
                }
            return false;
        };
        auto blackIn = [&](int x1, int y1, int x2, int y2) {
            for (int y = y1; y < y2; ++y)
                for (int x = x1; x < x2; ++x)
                    if (img.pixelColor(x, y).lightness() < 60)
                        return true;
            return false;
        };
        QVERIFY(redIn(132, 45, 230, 66));   // short circuit "> 15"
        QVERIFY(redIn(332, 45, 460, 66));   // 10.0 in the trip-level colour
        QVERIFY(!redIn(1, 67, 560, 88));    // row 2 is all black
        QVERIFY(blackIn(132, 67, 230, 88)); // its "0"
        QVERIFY(blackIn(5, 45, 130, 66));   // "1: Output 1"
        QVERIFY(blackIn(2, 2, 130, 43));    // header
        QVERIFY(!redIn(132, 44 + 22 * 3, 230, 44 + 22 * 4));
        const QImage& lowImg = page.LowPowerImage()->Image();
        bool lowRed = false;
        for (int y = 44 + 22 * 3; y < 44 + 22 * 4; ++y)
            for (int x = 132; x < 230; ++x) {
                const QColor c = lowImg.pixelColor(x, y);
                lowRed = lowRed || (c.red() > 200 && c.green() < 80);
            }
        QVERIFY(lowRed);

        const QString dir = QDir::current().filePath(QStringLiteral("screenshots"));
        QDir().mkpath(dir);
        page.resize(900, 560);
        page.grab().save(QDir(dir).filePath(QStringLiteral("diagnostic.png")));
    }

    void pageSelectionThroughThePage()
    {
        FakeHost host;
        ScriptedDialogs dialogs;
        ConfigModel model;
        TDiagnosticPage page(host, dialogs, model);
        page.PageSelected();
        QCOMPARE(host.Sends(), QStringList{QStringLiteral("send 50")});
        model.ModifyOutputBlock([](OutputBlockConfig& c) { c.AutoResetError = QStringLiteral("25"); });
        auto* edit = page.findChild<QLineEdit*>(QStringLiteral("AutoResetChannelErrorEdit"));
        QVERIFY(edit);
        QCOMPARE(edit->text(), QStringLiteral("25"));
        edit->setText(QStringLiteral("50"));
        QCOMPARE(model.OutputBlock().AutoResetError, QStringLiteral("50"));
    }
};

QTEST_MAIN(TestDiagnostic)
#include "test_diagnostic.moc"
