// The configuration sheet: its text read back from the PDF for a configuration with every kind
// of entry, nothing cut at a page break on A4 or Letter, names shown as typed, and the command
// line drawing it without a display.

#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "config/ConfigSheet.h"
#include "config/IniFile.h"
#include "config/sheet/SheetWriter.h"

#include <QAbstractTextDocumentLayout>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

using namespace relvane;

namespace {

// Every kind of entry the sheet prints, with names HTML and PDF treat specially.
void FillEveryKind(ConfigModel& m)
{
    IniFile empty;
    ReadConfig(m, empty);
    m.SetBoxName("A<7> & \"Co\"");
    const char* names[] = {"Headlight", "Fuel pump", "Horn", "Wiper low", "Indicator L", "Starter"};
    for (int n = 1; n <= 6; ++n)
        m.ModifyOutput(n, [&](OutputConfig& o) { o.NAME = names[n - 1]; o.MAX_CURRENT = 150 + n; o.DELAY = 5; });
    m.ModifyOutput(20, [](OutputConfig& o) { o.NAME = "Cab (light)"; o.TRIGGER = 33 + 1; o.ON_TIME = 25; });
    m.ModifyInput(1, [](InputConfig& i) { i.NAME = "Ignition"; i.MODE = 0; });
    m.ModifyInput(2, [](InputConfig& i) { i.NAME = "Kill"; i.MODE = 1; });
    m.ModifyOutput(1, [](OutputConfig& o) { o.TRIGGER = 193; o.TRIGLEVEL = 16; });
    m.ModifyOutput(2, [](OutputConfig& o) { o.TRIGGER = 33 + 1; });  // virtual input 2
    m.ModifyOutput(4, [](OutputConfig& o) { o.TRIGGER = 53; });      // Wiper Slow
    m.ModifyOutput(3, [](OutputConfig& o) { o.TRIGGER = 3; });       // CAN input 3
    m.ModifyCanInput(3, [](CanInputConfig& c) {
        c.ENABLED = true;
        c.CAN_NAME = "Brake";
        c.CAN_ID_ON = c.CAN_ID_OFF = 0x1A3;
        c.CAN_OPERATOR_ON = 1;
        c.CAN_VALUE_ON = 100;
        c.CAN_LOW_BYTE_ON_POS = 3;
        c.CAN_HIGH_BYTE_ON_POS = 4;
        c.CAN_LOW_BYTE_OFF_POS = 3;
        c.DIMENSION_NAME = "bar";
        c.MULTIPLICATOR_ = 0.25f;
        c.CAL_OFFSET_ = -3;
    });
    m.ModifyVirtualInput(2, [](VirtualInputConfig& v) {
        v.VIRTUAL_NAME = "Run";
        v.CHANNEL_1_Index = 2;   // input 1
        v.CHANNEL_2_Index = 3;   // input 2
        v.MASK_NOT = 2;
        v.IN_DELAY_2_ = 5;
    });
    m.ModifyFlash(1, [](FlashConfig& f) {
        f.FLASH_NAME = "Turn left";
        f.INPUT_TRIGGER = 193;
        f.FLASH_TIME_ON = 5;
        f.FLASH_TIME_OFF = 4;
        f.CONTINUES = 1;
        f.CHANNEL_LIST = {4, 255, 255, 255};
    });
    m.ModifyWiper([](WiperConfig& w) { w.LOW_SPEED_INPUT = 192; w.INTERVAL_TIME = 40; });
    m.ModifyLowBattery([](LowBatteryConfig& b) { b.LOW_TRIG = QStringLiteral("11.5"); b.UPPER_TRIG = QStringLiteral("12.5"); b.LIST_SELECTED.set(2); });
    m.ModifyStartButton([](StartButtonConfig& s) { s.INPUT_TRIGGER_INDEX = 2; s.LIST_SELECTED.set(5); });
    m.ModifyKillButton([](KillButtonConfig& k) { k.INPUT_TRIGGER_INDEX = 3; k.LIST_SELECTED.set(1); });
    m.ModifyCanExport(2, [](CanExportConfig& e) { e.ENABLED = true; e.CAN_ID = 0x300; e.REFRESS_TIME = 100; e.CHANNEL_INDEX_[0] = 1; e.CHANNEL_INDEX_[1] = 9; });
    // One problem: output 9 is exported but nothing switches it.
}

QString PdfText(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("pdftotext failed: ") + QString::fromLocal8Bit(p.readAllStandardError());
    // Runs of blanks from the layout count as one; ligatures ("ﬀ") as their letters.
    return QString::fromUtf8(p.readAllStandardOutput()).normalized(QString::NormalizationForm_KC).replace(QRegularExpression(QStringLiteral("[ \\t]+")), QStringLiteral(" "));
}

SheetInfo Info()
{
    return {QStringLiteral("truck 7.cfg"), QDateTime(QDate(2024, 5, 6), QTime(7, 8)), QStringLiteral("9.08")};
}

}  // namespace

class TestSheet : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    ConfigModel model_;

private Q_SLOTS:
    void init()
    {
        QVERIFY(dir_.isValid());
        FillEveryKind(model_);
    }

    void pdfTextHoldsEveryKindOfEntry_data()
    {
        QTest::addColumn<int>("paper");
        QTest::newRow("A4") << int(SheetPaper::A4);
        QTest::newRow("Letter") << int(SheetPaper::Letter);
    }
    void pdfTextHoldsEveryKindOfEntry()
    {
        QFETCH(int, paper);
        const QString pdf = dir_.filePath(QStringLiteral("sheet.pdf"));
        QString error;
        QVERIFY2(ExportSheet(model_, Info(), pdf, SheetPaper(paper), &error), qPrintable(error));
        const QString text = PdfText(pdf);
        const QStringList expected = {
            // header
            QStringLiteral("A<7> & \"Co\""), QStringLiteral("truck 7.cfg"), QStringLiteral("2024-05-06 07:08"),
            ConfigChecksum(model_), QStringLiteral("Relvane Tool 9.08"), QStringLiteral("Problems: 1 warning"),
            // outputs: pin, limits, delays, trigger and level in words
            QStringLiteral("Headlight"), QStringLiteral("Con. 3, Yellow ring, Pin C"), QStringLiteral("Input 2 \"Kill\", when OPEN"), QStringLiteral("15.1"),
            QStringLiteral("Con. 2, Red ring, Pin A,B"), QStringLiteral("Virtual input 2 \"Run\""), QStringLiteral("Wiper Slow"),
            QStringLiteral("Cab (light)"), QStringLiteral("Con. 4, Red ring, Pin 2 "),
            // inputs, CAN inputs, virtual inputs
            QStringLiteral("Kill Con. 4, Red ring, Pin 20 Momentary"),
            QStringLiteral("ID 0x1A3"), QStringLiteral("bytes 2 (low) and 3 (high)"), QStringLiteral("above 100 bar"),
            QStringLiteral("value = digits × 0.25 − 3"),
            QStringLiteral("Ignition AND NOT Kill (after 0.5 s)"),
            // functions and exports
            QStringLiteral("Turn left"), QStringLiteral("500 ms on"), QStringLiteral("400 ms off"), QStringLiteral("Below 11.5 V"),
            QStringLiteral("byte 0 bit 6 Output 9"), QStringLiteral("ID 0x300 every 100 ms"),
            // problems and connector drawings
            QStringLiteral("export-output-idle"), QStringLiteral("Connector 4 (red ring)"), QStringLiteral("Out 6 Starter"),
            QStringLiteral("In 2 Kill"), QStringLiteral("CAN High"), QStringLiteral("page 1 of"),
        };
        for (const QString& e : expected)
            QVERIFY2(text.contains(e), qPrintable(QStringLiteral("missing \"%1\" in:\n%2").arg(e, text)));
    }

    // Every line of text and every drawing lies wholly on one page.
    void nothingCutAtPageBreaks_data() { pdfTextHoldsEveryKindOfEntry_data(); }
    void nothingCutAtPageBreaks()
    {
        QFETCH(int, paper);
        // Long names in every table, so rows wrap and tables run over pages.
        for (int c = 1; c <= kCanInputCount; ++c)
            model_.ModifyCanInput(c, [](CanInputConfig& r) { r.CAN_NAME = "A long CAN name"; r.CAN_LOW_BYTE_ON_POS = 1; });
        const SheetDocument sheet = LayOutSheet(model_, Info(), SheetPaper(paper));
        QTextDocument& doc = *sheet.document;
        const double page = sheet.pageSize.height();
        QVERIFY(sheet.PageCount() >= 4);
        int lines = 0;
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
            const QRectF block = doc.documentLayout()->blockBoundingRect(b);
            for (int i = 0; i < b.layout()->lineCount(); ++i) {
                const QRectF r = b.layout()->lineAt(i).rect().translated(block.topLeft());
                if (r.height() <= 0)
                    continue;
                ++lines;
                // A line moved to the next page starts a hair above its top (rounding).
                const int first = int(std::floor((r.top() + 0.5) / page));
                const int last = int(std::floor((r.bottom() - 0.5) / page));
                QVERIFY2(first == last, qPrintable(QStringLiteral("\"%1\" crosses the foot of page %2").arg(b.text().left(40)).arg(first + 1)));
            }
        }
        QVERIFY(lines > 200);
    }

    void htmlShowsNamesAsTyped()
    {
        const QString html = BuildSheetHtml(model_, Info(), SheetDrawings::InlineSvg, 500);
        QVERIFY(html.contains(QStringLiteral("A&lt;7&gt; &amp; &quot;Co&quot;")));
        QVERIFY(html.contains(QStringLiteral("Cab (light)")));
        QVERIFY(!html.contains(QStringLiteral("<7>")));
        QCOMPARE(html.count(QStringLiteral("<svg ")), 3);
    }

    // The real program, with no display and no platform chosen.
    void commandLineDrawsWithoutDisplay()
    {
        const QString cfg = dir_.filePath(QStringLiteral("truck.cfg"));
        QVERIFY(SaveConfigFile(model_, cfg));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        p.setProcessEnvironment(env);
        const QString pdf = dir_.filePath(QStringLiteral("out.pdf"));
        p.start(QStringLiteral(RELVANE_CLI), {QStringLiteral("config"), QStringLiteral("sheet"), cfg, QStringLiteral("-o"), pdf,
                                              QStringLiteral("--paper"), QStringLiteral("letter"), QStringLiteral("--box-name"), QStringLiteral("Truck 7")});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        const QString text = PdfText(pdf);
        QVERIFY2(text.contains(QStringLiteral("Truck 7")) && text.contains(QStringLiteral("truck.cfg")), qPrintable(text));
    }
};

QTEST_MAIN(TestSheet)
#include "test_sheet.moc"
