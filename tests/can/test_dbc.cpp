// CAN databases: reading and writing DBC text, signal values, the CAN input fill, the export of a
// configuration and the monitor's decoded lines.

#include "can/CanMonitor.h"
#include "can/Dbc.h"
#include "can/DbcExport.h"
#include "can/DbcFill.h"
#include "config/Cp1252.h"

#include <QRandomGenerator>
#include <QTest>

using namespace relvane;

namespace {

// A database as tools write it: header sections, Intel and Motorola, signed, a multiplexed
// message, an extended identifier, comments (one over two lines), attributes, a value table,
// a float signal and the pseudo message of unattached signals.
const char kVehicle[] =
    "VERSION \"1.2\"\r\n\r\n\r\nNS_ : \r\n\tNS_DESC_\r\n\tCM_\r\n\tBA_DEF_\r\n\tBA_\r\n\tVAL_\r\n\tSIG_VALTYPE_\r\n\r\n"
    "BS_: 500 : 12,34\r\n\r\nBU_: ECU Dash\r\n\r\n\r\n"
    "BO_ 421 EngineData: 8 ECU\r\n"
    " SG_ Speed : 0|16@1+ (0.01,0) [0|655.35] \"km/h\" Dash,ECU\r\n"
    " SG_ Temp : 23|8@0- (1,-40) [-40|87] \"\xB0" "C\" Dash\r\n"
    " SG_ Flags : 32|4@1+ (1,0) [0|15] \"\" Dash\r\n\r\n"
    "BO_ 768 Gearbox: 8 ECU\r\n"
    " SG_ Mux M : 8|8@1+ (1,0) [0|255] \"\" Dash\r\n"
    " SG_ Gear m3 : 16|8@1+ (1,0) [0|8] \"\" Dash\r\n"
    " SG_ Torque m4 : 31|16@0- (0.5,0) [-1000|1000] \"Nm\" Dash\r\n\r\n"
    "BO_ 2566844926 J1939Msg: 8 ECU\r\n"
    " SG_ Rpm : 24|16@1+ (0.125,0) [0|8000] \"rpm\" Dash\r\n"
    " SG_ Ratio : 32|32@1- (1,0) [0|0] \"\" Dash\r\n\r\n"
    "BO_ 3221225472 VECTOR__INDEPENDENT_SIG_MSG: 0 Vector__XXX\r\n"
    " SG_ Orphan : 0|8@1+ (1,0) [0|0] \"\" Vector__XXX\r\n\r\n"
    "CM_ \"Test vehicle\";\r\n"
    "CM_ SG_ 421 Speed \"Vehicle speed,\r\nfrom the \\\"wheels\\\"\";\r\n"
    "BA_DEF_ BO_ \"GenMsgCycleTime\" INT 0 65535;\r\n"
    "BA_DEF_DEF_ \"GenMsgCycleTime\" 0;\r\n"
    "BA_ \"GenMsgCycleTime\" BO_ 421 100;\r\n"
    "VAL_ 768 Gear 0 \"Neutral\" 3 \"Third\" ;\r\n"
    "SIG_VALTYPE_ 2566844926 Ratio : 1;\r\n";

DbcDatabase Vehicle()
{
    const DbcReadResult r = ReadDbc(QByteArray(kVehicle));
    if (!r.Ok() || r.problemCount != 0)
        qWarning("%s", qPrintable(r.problems.isEmpty() ? r.error : DbcProblemText(r.problems.first())));
    return r.database;
}

// The bits of a signal computed another way: the eight data bytes as one 64-bit number, little
// endian for Intel, big endian for Motorola (whose start bit is then counted from the top).
std::optional<quint64> WordBits(const std::uint8_t* d, int start, int length, bool intel)
{
    quint64 le = 0, be = 0;
    for (int i = 0; i < 8; ++i) {
        le |= quint64(d[i]) << (8 * i);
        be = (be << 8) | d[i];
    }
    const quint64 mask = length == 64 ? ~quint64(0) : (quint64(1) << length) - 1;
    if (intel)
        return start + length <= 64 ? std::optional<quint64>((le >> start) & mask) : std::nullopt;
    const int msb = (start / 8) * 8 + (7 - start % 8);  // from the top of the 64-bit word
    if (msb + length > 64)
        return std::nullopt;
    return (be >> (64 - msb - length)) & mask;
}

}  // namespace

class TestDbc : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void signalBitsMatchTheWholeWord()
    {
        QRandomGenerator random(19);
        for (int round = 0; round < 4; ++round) {
            std::uint8_t data[8];
            for (std::uint8_t& b : data)
                b = std::uint8_t(round == 0 ? 0xFF : random.bounded(256));
            for (const bool intel : {true, false})
                for (int start = 0; start < 64; ++start)
                    for (int length = 1; length <= 16; ++length) {
                        DbcSignal s;
                        s.startBit = start;
                        s.length = length;
                        s.order = intel ? DbcByteOrder::Intel : DbcByteOrder::Motorola;
                        const std::optional<quint64> expected = WordBits(data, start, length, intel);
                        const QByteArray where = QStringLiteral("%1 start %2 length %3")
                                                     .arg(intel ? QStringLiteral("Intel") : QStringLiteral("Motorola"))
                                                     .arg(start)
                                                     .arg(length)
                                                     .toUtf8();
                        QVERIFY2(DbcRawBits(s, data, 8) == expected, where.constData());
                        QVERIFY2(DbcSignalFits(s, 8) == expected.has_value(), where.constData());
                        if (expected) {
                            s.isSigned = true;
                            const bool negative = (*expected >> (length - 1)) & 1;
                            QCOMPARE(DbcRawValue(s, *expected) < 0, negative);
                            QCOMPARE(quint64(DbcRawValue(s, *expected)) & ((quint64(1) << length) - 1), *expected);
                        }
                    }
        }
    }

    void readsWhatToolsWrite()
    {
        const DbcDatabase db = Vehicle();
        QCOMPARE(db.version, QStringLiteral("1.2"));
        QCOMPARE(db.nodes, (QStringList{QStringLiteral("ECU"), QStringLiteral("Dash")}));
        QCOMPARE(db.comment, QStringLiteral("Test vehicle"));
        QCOMPARE(db.messages.size(), 3);  // the pseudo message of unattached signals is no message
        const DbcMessage* engine = db.Find(0x1A5, false);
        QVERIFY(engine);
        QCOMPARE(engine->cycleTimeMs, std::optional<int>(100));
        const DbcSignal* speed = engine->FindSignal(QStringLiteral("Speed"));
        QCOMPARE(speed->factor, 0.01);
        QCOMPARE(speed->maximum, 655.35);
        QCOMPARE(speed->receivers, (QStringList{QStringLiteral("Dash"), QStringLiteral("ECU")}));
        QCOMPARE(speed->comment, QStringLiteral("Vehicle speed,\nfrom the \"wheels\""));
        const DbcSignal* temp = engine->FindSignal(QStringLiteral("Temp"));
        QCOMPARE(temp->order, DbcByteOrder::Motorola);
        QVERIFY(temp->isSigned);
        QCOMPARE(temp->unit, QStringLiteral("\u00B0C"));  // Windows-1252 text
        const DbcMessage* gearbox = db.FindByName(QStringLiteral("0x300"));
        QCOMPARE(gearbox->Multiplexor()->name, QStringLiteral("Mux"));
        QCOMPARE(gearbox->FindSignal(QStringLiteral("Torque"))->muxValue, 4);
        QCOMPARE(gearbox->FindSignal(QStringLiteral("Gear"))->values.size(), 2);
        const DbcMessage* j1939 = db.Find(0x18FEF1FE, true);
        QVERIFY(j1939);
        QCOMPARE(j1939->FindSignal(QStringLiteral("Ratio"))->valueType, DbcValueType::Float32);
        // The same file in UTF-8 with a byte order mark and LF lines reads the same.
        QByteArray utf8 = QByteArray("\xEF\xBB\xBF") + Cp1252ToString(QByteArray(kVehicle)).toUtf8();
        utf8.replace("\r\n", "\n");
        const DbcReadResult again = ReadDbc(utf8);
        QCOMPARE(again.problemCount, 0);
        for (qsizetype i = 0; i < db.messages.size(); ++i)
            QVERIFY(again.database.messages.at(i).SameAs(db.messages.at(i)));
    }

    void badLinesAreReportedAndLeftOut_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("messages");
        QTest::addColumn<int>("signalCount");
        QTest::addColumn<QList<int>>("problemLines");
        const QByteArray good = "BO_ 100 A: 8 X\n SG_ S : 0|8@1+ (1,0) [0|255] \"\" Y\n";
        QTest::newRow("unknown section") << good + "FOO_ 1 2 3;\nBAR_ \"x\n y\";\nBO_ 200 B: 8 X\n" << 2 << 1 << QList<int>{3, 4};
        QTest::newRow("truncated signal line") << good + " SG_ T : 8|8@1+ (1,0)\n" << 1 << 1 << QList<int>{3};
        QTest::newRow("bad number") << good + " SG_ T : 8|8@1+ (0.1x,0) [0|1] \"\" Y\n" << 1 << 1 << QList<int>{3};
        QTest::newRow("bad byte order") << good + " SG_ T : 8|8@2+ (1,0) [0|1] \"\" Y\n" << 1 << 1 << QList<int>{3};
        QTest::newRow("signal past the end") << good + " SG_ T : 60|8@1+ (1,0) [0|1] \"\" Y\n" << 1 << 1 << QList<int>{3};
        QTest::newRow("Motorola past the end") << good + " SG_ T : 60|8@0+ (1,0) [0|1] \"\" Y\n" << 1 << 1 << QList<int>{3};
        QTest::newRow("duplicate identifier") << good + "BO_ 100 B: 8 X\n SG_ T : 0|8@1+ (1,0) [0|1] \"\" Y\n" << 1 << 1 << QList<int>{3};
        QTest::newRow("duplicate signal") << good + " SG_ S : 8|8@1+ (1,0) [0|1] \"\" Y\n" << 1 << 1 << QList<int>{3};
        QTest::newRow("size beyond 64") << good + "BO_ 200 B: 65 X\n SG_ T : 0|8@1+ (1,0) [0|1] \"\" Y\n" << 1 << 1 << QList<int>{3};
        QTest::newRow("identifier beyond 29 bits") << good + "BO_ 4294967295 B: 8 X\n" << 1 << 1 << QList<int>{3};
        QTest::newRow("signal outside a message") << " SG_ S : 0|8@1+ (1,0) [0|255] \"\" Y\n" + good << 1 << 1 << QList<int>{1};
        QTest::newRow("comment without ';' is still used") << good + "CM_ BO_ 100 \"kept\"\nBO_ 200 B: 8 X\n" << 2 << 1 << QList<int>{3};
        QTest::newRow("comment of no message") << good + "CM_ BO_ 999 \"x\";\n" << 1 << 1 << QList<int>{3};
        QTest::newRow("text never closed") << good + "CM_ \"open\nBO_ 200 B: 8 X\n" << 1 << 1 << QList<int>{3};
        QTest::newRow("multiplexed without multiplexor") << good + " SG_ T m1 : 8|8@1+ (1,0) [0|1] \"\" Y\n" << 1 << 1 << QList<int>{3};
        QTest::newRow("float of the wrong length") << good + "SIG_VALTYPE_ 100 S : 1;\n" << 1 << 1 << QList<int>{3};
        QTest::newRow("binary garbage") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << 0 << 0 << QList<int>{1};
    }
    void badLinesAreReportedAndLeftOut()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, messages);
        QFETCH(int, signalCount);
        QFETCH(QList<int>, problemLines);
        const DbcReadResult r = ReadDbc(text);
        QList<int> lines;
        QStringList texts;
        for (const DbcProblem& p : r.problems) {
            lines << p.line;
            texts << DbcProblemText(p);
        }
        QVERIFY2(lines == problemLines, qPrintable(texts.join(QLatin1Char('\n'))));
        QCOMPARE(r.database.messages.size(), messages);
        int count = 0;
        for (const DbcMessage& m : r.database.messages)
            count += int(m.signalList.size());
        QCOMPARE(count, signalCount);
        // Only a file of which nothing could be used is an error, and it names its line.
        QCOMPARE(r.Ok(), messages > 0);
        if (!r.Ok())
            QVERIFY(r.error.startsWith(QStringLiteral("line 1: ")));
    }

    void writtenTextReadsBackTheSame()
    {
        const DbcDatabase db = Vehicle();
        const DbcReadResult back = ReadDbc(WriteDbc(db));
        QCOMPARE(back.problemCount, 0);
        QCOMPARE(back.database.messages.size(), db.messages.size());
        for (qsizetype i = 0; i < db.messages.size(); ++i)
            QVERIFY2(back.database.messages.at(i).SameAs(db.messages.at(i)), qPrintable(db.messages.at(i).name));
        QCOMPARE(back.database.comment, db.comment);
        QCOMPARE(WriteDbc(back.database), WriteDbc(db));
    }

    void fill_data()
    {
        QTest::addColumn<QString>("signal");
        QTest::addColumn<QList<int>>("fields");  // id, low, high, signed, row enabled, row index, row value, offset
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("Intel 16 bits") << "EngineData.Speed" << QList<int>{0x1A5, 1, 2, 0, 0, 0, 0, 0} << "km/h" << "";
        QTest::newRow("Motorola byte, signed, offset") << "EngineData.Temp" << QList<int>{0x1A5, 3, 0, 1, 0, 0, 0, -40} << "\u00B0C" << "";
        QTest::newRow("Motorola 16 bits, multiplexed") << "Gearbox.Torque" << QList<int>{0x300, 5, 4, 1, 1, 1, 4, 0} << "Nm" << "";
        QTest::newRow("the multiplexor itself") << "0x300.Mux" << QList<int>{0x300, 2, 0, 0, 0, 0, 0, 0} << "" << "";
        QTest::newRow("not whole bytes") << "EngineData.Flags" << QList<int>{} << "" << "does not lie on whole bytes (start bit 32, 4 bits)";
        QTest::newRow("extended identifier") << "J1939Msg.Rpm" << QList<int>{} << "" << "extended identifier 0x18FEF1FE";
        QTest::newRow("float") << "Wide.Real" << QList<int>{} << "" << "floating-point";
        QTest::newRow("longer than 16 bits") << "Wide.Long" << QList<int>{} << "" << "24 bits long";
        QTest::newRow("beyond data byte 7") << "Wide.Far" << QList<int>{} << "" << "data byte 8";
        QTest::newRow("multiplexor not a whole byte") << "Nibble.Value" << QList<int>{} << "" << "multiplexor Sel of message Nibble is not one whole byte";
        QTest::newRow("multiplexer value beyond a byte") << "Big.Value" << QList<int>{} << "" << "holds 300";
        QTest::newRow("offset beyond the editor's limit") << "Big.Scaled" << QList<int>{0x7FF, 1, 0, 0, 0, 0, 0, -127} << "kPa" << "";
    }
    void fill()
    {
        QFETCH(QString, signal);
        QFETCH(QList<int>, fields);
        QFETCH(QString, unit);
        QFETCH(QString, refusal);
        DbcDatabase db = Vehicle();
        const DbcReadResult extra = ReadDbc(
            "BO_ 400 Wide: 16 X\n SG_ Long : 0|24@1+ (1,0) [0|0] \"\" Y\n SG_ Far : 64|8@1+ (1,0) [0|0] \"\" Y\n"
            " SG_ Real : 32|32@1- (1,0) [0|0] \"\" Y\nSIG_VALTYPE_ 400 Real : 1;\n"
            "BO_ 401 Nibble: 8 X\n SG_ Sel M : 0|4@1+ (1,0) [0|0] \"\" Y\n SG_ Value m1 : 8|8@1+ (1,0) [0|0] \"\" Y\n"
            "BO_ 2047 Big: 8 X\n SG_ Sel M : 8|8@1+ (1,0) [0|0] \"\" Y\n SG_ Value m300 : 16|8@1+ (1,0) [0|0] \"\" Y\n"
            " SG_ Scaled : 0|8@1+ (0.5,-200) [0|0] \"kPa\" Y\n");
        QCOMPARE(extra.problemCount, 0);
        db.messages += extra.database.messages;
        db.Reindex();
        QString error;
        const std::optional<DbcSignalRef> ref = FindDbcSignal(db, signal, &error);
        QVERIFY2(ref, qPrintable(error));

        CanInputConfig before;
        before.CAN_NAME = "Brake";
        before.CAN_OPERATOR_ON = 1;
        before.CAN_VALUE_ON = 123;
        before.CAN_VALUE_OFF = 45;
        before.NO_CAN_DATA_STATE = 2;
        before.ROW_ENABLED = true;
        before.ROW_INDEX = 6;
        const DbcFillResult r = FillCanInput(before, *ref->message, *ref->signal);
        if (!refusal.isEmpty()) {
            QVERIFY2(r.refusal && r.refusal->contains(refusal), qPrintable(r.refusal.value_or(QStringLiteral("(filled)"))));
            QVERIFY2(r.refusal->contains(ref->signal->name) || r.refusal->contains(ref->message->name), qPrintable(*r.refusal));
            return;
        }
        QVERIFY2(r.Ok(), qPrintable(*r.refusal));
        const CanInputConfig& c = r.config;
        const QList<int> got{c.CAN_ID_ON, c.CAN_LOW_BYTE_ON_POS, c.CAN_HIGH_BYTE_ON_POS, c.DATA_TYPE_,
                             c.ROW_ENABLED, c.ROW_INDEX, c.ROW_VALUE, c.CAL_OFFSET_};
        QCOMPARE(got, fields);
        QCOMPARE(c.CAN_ID_OFF, c.CAN_ID_ON);
        QCOMPARE(c.CAN_LOW_BYTE_OFF_POS, c.CAN_LOW_BYTE_ON_POS);
        QCOMPARE(c.CAN_HIGH_BYTE_OFF_POS, c.CAN_HIGH_BYTE_ON_POS);
        QCOMPARE(Cp1252ToString(c.DIMENSION_NAME), unit);
        QCOMPARE(c.MULTIPLICATOR_, float(ref->signal->factor));
        QCOMPARE(r.notes.isEmpty(), c.CAL_OFFSET_ == ref->signal->offset);
        // The comparisons and the name stay the user's.
        QCOMPARE(c.CAN_NAME, before.CAN_NAME);
        QCOMPARE(c.CAN_OPERATOR_ON, 1);
        QCOMPARE(c.CAN_VALUE_ON, 123);
        QCOMPARE(c.CAN_VALUE_OFF, 45);
        QCOMPARE(c.NO_CAN_DATA_STATE, 2);
        // Optionally the name, cut to what a CAN input holds.
        DbcSignal longName = *ref->signal;
        longName.name = QStringLiteral("Brake_pedal_position");
        QCOMPARE(FillCanInput(before, *ref->message, longName, {true}).config.CAN_NAME, QByteArray("Brake_pedal_pos"));
    }

    void exportReadsBackAsTheSameMessages()
    {
        ConfigModel model;
        model.ModifyOutput(3, [](OutputConfig& o) { o.NAME = "Head light L"; });
        model.ModifyInput(2, [](InputConfig& i) { i.NAME = "Door"; });
        model.ModifyCanExport(1, [](CanExportConfig& e) {
            e.ENABLED = true;
            e.CAN_ID = 0x500;
            e.REFRESS_TIME = 100;
            e.ROW_COUNT = 2;
            e.CHANNEL_INDEX_[0] = 3;  // byte 1
            e.CHANNEL_INDEX_[6] = 3;  // byte 7, row 1
            e.CHANNEL_INDEX_[7] = 4;  // byte 7, row 2
            e.CHANNEL_INDEX_[8] = 5;  // row 3: beyond the row count
        });
        model.ModifyCanExport(3, [](CanExportConfig& e) {
            e.ENABLED = true;
            e.CAN_ID = 0x501;
            e.REFRESS_TIME = 50;
            e.CHANNEL_INDEX_[0] = 3;   // byte 0 bit 7
            e.CHANNEL_INDEX_[33] = 46;  // "Output error", byte 4 bit 6
        });
        model.ModifyCanExport(2, [](CanExportConfig& e) { e.CHANNEL_INDEX_[0] = 3; });  // not enabled
        model.ModifyCanInput(1, [](CanInputConfig& c) {
            c.CAN_NAME = "Brake";
            c.CAN_ID_ON = c.CAN_ID_OFF = 0x1A5;
            c.CAN_LOW_BYTE_ON_POS = c.CAN_LOW_BYTE_OFF_POS = 3;
            c.CAN_HIGH_BYTE_ON_POS = c.CAN_HIGH_BYTE_OFF_POS = 2;  // high byte first
            c.DATA_TYPE_ = 1;
            c.MULTIPLICATOR_ = 0.1f;
            c.CAL_OFFSET_ = -5;
            c.DIMENSION_NAME = "bar";
            c.ROW_ENABLED = true;
            c.ROW_INDEX = 0;
            c.ROW_VALUE = 7;
        });
        model.ModifyCanInput(2, [](CanInputConfig& c) {  // same message, ON and OFF apart
            c.CAN_ID_ON = 0x1A5;
            c.CAN_ID_OFF = 0x1A6;
            c.CAN_LOW_BYTE_ON_POS = 5;
            c.CAN_LOW_BYTE_OFF_POS = 6;
        });
        const DbcExportResult r = ExportCanDatabase(model, QStringLiteral("truck.cfg"));
        QVERIFY2(r.notes.isEmpty(), qPrintable(r.notes.join(QLatin1Char('\n'))));
        const DbcDatabase& db = r.database;

        QStringList shape;
        for (const DbcMessage& m : db.messages) {
            QStringList sigs;
            for (const DbcSignal& s : m.signalList)
                sigs << QStringLiteral("%1%2 %3|%4@%5%6").arg(s.name, s.mux == DbcMux::Multiplexor ? QStringLiteral(" M")
                                                                   : s.mux == DbcMux::Multiplexed ? QStringLiteral(" m%1").arg(s.muxValue)
                                                                                                  : QString())
                             .arg(s.startBit).arg(s.length).arg(s.order == DbcByteOrder::Intel ? 1 : 0).arg(s.isSigned ? '-' : '+');
            shape << QStringLiteral("%1 %2 %3 %4: %5").arg(m.IdText(), m.name, m.sender).arg(m.cycleTimeMs.value_or(0)).arg(sigs.join(QStringLiteral(", ")));
        }
        QCOMPARE(shape, (QStringList{
            QStringLiteral("500 Relvane_Export1 Relvane 100: Export1_Row M 0|8@1+, Head_light_L_Current 8|8@1+, "
                           "Head_light_L_Current_2 m1 56|8@1+, Output_4_Current m2 56|8@1+"),
            QStringLiteral("501 Relvane_Export3 Relvane 50: Head_light_L_Error 7|1@1+, Output_error 38|1@1+"),
            QStringLiteral("1A5 Relvane_Rx_1A5 Vector__XXX 0: Row_1A5 M 0|8@1+, Brake m7 15|16@0-, CAN_2_On 32|8@1+"),
            QStringLiteral("1A6 Relvane_Rx_1A6 Vector__XXX 0: CAN_2_Off 40|8@1+"),
        }));
        const DbcSignal* current = db.messages.at(0).FindSignal(QStringLiteral("Head_light_L_Current"));
        QCOMPARE(current->factor, kExport1AmperesPerStep);
        QCOMPARE(current->unit, QStringLiteral("A"));
        QVERIFY(current->comment.contains(QStringLiteral("Head light L (output 3)")));
        QCOMPARE(db.messages.at(1).signalList.at(0).values.size(), 2);
        const DbcSignal* brake = db.messages.at(2).FindSignal(QStringLiteral("Brake"));
        QCOMPARE(brake->factor, 0.1);
        QCOMPARE(brake->offset, -5.0);
        QCOMPARE(brake->unit, QStringLiteral("bar"));
        QVERIFY(db.comment.contains(QStringLiteral("0.4 A a step")));

        // Written and read back: the same messages and signals.
        const DbcReadResult back = ReadDbc(WriteDbc(db));
        QCOMPARE(back.problemCount, 0);
        QCOMPARE(back.database.messages.size(), db.messages.size());
        for (qsizetype i = 0; i < db.messages.size(); ++i)
            QVERIFY2(back.database.messages.at(i).SameAs(db.messages.at(i)), qPrintable(db.messages.at(i).name));

        // And a CAN input filled from an exported signal reads the bytes it was exported from.
        const DbcFillResult refill = FillCanInput({}, back.database.messages.at(2), *back.database.messages.at(2).FindSignal(QStringLiteral("Brake")));
        QVERIFY(refill.Ok());
        QCOMPARE(refill.config.CAN_LOW_BYTE_ON_POS, 3);
        QCOMPARE(refill.config.CAN_HIGH_BYTE_ON_POS, 2);
        QCOMPARE(refill.config.ROW_VALUE, 7);
    }

    void monitorLines_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("decoded");
        QTest::newRow("known message") << 0x1A5 << QByteArray::fromHex("E204560000000000")
                                       << " | EngineData: Speed=12.5 km/h, Temp=46 \u00B0C, Flags=0";
        QTest::newRow("multiplexed, value table") << 0x300 << QByteArray::fromHex("0003030000000000")
                                                  << " | Gearbox: Mux=3, Gear=3 (Third)";
        QTest::newRow("multiplexed, Motorola signed") << 0x300 << QByteArray::fromHex("000400FF9C000000")
                                                      << " | Gearbox: Mux=4, Torque=-50 Nm";
        QTest::newRow("short data leaves signals out") << 0x1A5 << QByteArray::fromHex("E204") << " | EngineData: Speed=12.5 km/h";
        QTest::newRow("unknown identifier") << 0x123 << QByteArray::fromHex("01") << "";
    }
    void monitorLines()
    {
        QFETCH(int, id);
        QFETCH(QByteArray, data);
        QFETCH(QString, decoded);
        ConfigModel model;
        model.ModifyCanInput(2, [](CanInputConfig& c) { c.CAN_ID_ON = 0x1A5; c.CAN_NAME = "Speed"; });
        CanMonitorMessage m{std::uint16_t(id), int(data.size()), {}};
        std::copy(data.begin(), data.end(), m.data.begin());
        const QTime t(14, 3, 7, 45);
        const DbcDatabase db = Vehicle();
        const QString plain = CanMonitorLine(t, m, model);
        QCOMPARE(CanMonitorLine(t, m, model, &db), plain + decoded);
    }
};

QTEST_GUILESS_MAIN(TestDbc)
#include "test_dbc.moc"
