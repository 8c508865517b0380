// The CAN editors' plain rules: conversions, corrections, the byte picker and the export checks.

#include "can/CanEditorRules.h"

#include <QTest>

using namespace relvane;

class TestCanRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void canId_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("id");
        QTest::newRow("1A3") << QStringLiteral("1A3") << 419;
        QTest::newRow("lower case") << QStringLiteral("1a3") << 419;
        QTest::newRow("zero") << QStringLiteral("000") << 0;
        QTest::newRow("FFF") << QStringLiteral("FFF") << 4095;
        QTest::newRow("one digit") << QStringLiteral("A") << 10;
    }
    void canId()
    {
        QFETCH(QString, text);
        QFETCH(int, id);
        QCOMPARE(CanIdFromText(text), id);
    }

    void canIdRejects_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("letter") << QStringLiteral("1G3");
        QTest::newRow("blank") << QStringLiteral(" 1");
        QTest::newRow("sign") << QStringLiteral("-1");
        QTest::newRow("point") << QStringLiteral("1.");
    }
    void canIdRejects()
    {
        QFETCH(QString, text);
        try {
            CanIdFromText(text);
            QFAIL("no conversion error");
        } catch (const ConversionError& e) {
            QCOMPARE(e.Text(), QStringLiteral("'0x%1' is not a valid integer value").arg(text));
        }
    }

    void canIdText_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("text");
        QTest::newRow("419") << 419 << QStringLiteral("1A3");
        QTest::newRow("10") << 10 << QStringLiteral("00A");
        QTest::newRow("0") << 0 << QStringLiteral("000");
        QTest::newRow("wide") << 0x12345 << QStringLiteral("12345");
    }
    void canIdText()
    {
        QFETCH(int, id);
        QFETCH(QString, text);
        QCOMPARE(CanIdText(id), text);
    }

    void wholeNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << QStringLiteral("300") << true << 300;
        QTest::newRow("negative") << QStringLiteral("-40000") << true << -40000;
        QTest::newRow("plus") << QStringLiteral("+7") << true << 7;
        QTest::newRow("leading blank") << QStringLiteral(" 9") << true << 9;
        QTest::newRow("trailing letter") << QStringLiteral("12a") << false << 0;
        QTest::newRow("decimal") << QStringLiteral("1.5") << false << 0;
        QTest::newRow("sign only") << QStringLiteral("-") << false << 0;
        QTest::newRow("too large") << QStringLiteral("99999999999") << false << 0;
        QTest::newRow("int max") << QStringLiteral("2147483647") << true << 2147483647;
        QTest::newRow("int min") << QStringLiteral("-2147483648") << true << int(-2147483647 - 1);
    }
    void wholeNumber()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        if (valid) {
            QCOMPARE(WholeNumberFromText(text), value);
        } else {
            QVERIFY_THROWS_EXCEPTION(ConversionError, WholeNumberFromText(text));
        }
    }

    // The ON edit stores the low 16 bits, the OFF edit the number itself.
    void canValue_data()
    {
        QTest::addColumn<int>("typed");
        QTest::addColumn<int>("dataType");
        QTest::addColumn<int>("shown");
        QTest::addColumn<bool>("corrected");
        QTest::addColumn<int>("onField");
        QTest::addColumn<int>("offField");
        QTest::newRow("signed 40000") << 40000 << 1 << 32767 << true << 32767 << 32767;
        QTest::newRow("signed -40000") << -40000 << 1 << -32767 << true << 32769 << -32767;
        QTest::newRow("signed -5") << -5 << 1 << -5 << false << 65531 << -5;
        QTest::newRow("signed limit") << 32767 << 1 << 32767 << false << 32767 << 32767;
        QTest::newRow("unsigned 70000") << 70000 << 0 << 65535 << true << 65535 << 65535;
        QTest::newRow("unsigned 65535") << 65535 << 0 << 65535 << false << 65535 << 65535;
        QTest::newRow("unsigned 40000") << 40000 << 0 << 40000 << false << 40000 << 40000;
    }
    void canValue()
    {
        QFETCH(int, typed);
        QFETCH(int, dataType);
        QFETCH(int, shown);
        QFETCH(bool, corrected);
        QFETCH(int, onField);
        QFETCH(int, offField);
        const CanValueCorrection v = CorrectCanValue(typed, std::uint8_t(dataType));
        QCOMPARE(v.value, shown);
        QCOMPARE(v.corrected, corrected);
        QCOMPARE(CanValueOnField(v.value), onField);
        QCOMPARE(CanValueOffField(v.value), offField);
    }

    void canValueText_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("dataType");
        QTest::addColumn<QString>("text");
        QTest::newRow("signed ON 32769") << 32769 << 1 << QStringLiteral("-32767");
        QTest::newRow("signed OFF -32767") << -32767 << 1 << QStringLiteral("-32767");
        QTest::newRow("unsigned 40000") << 40000 << 0 << QStringLiteral("40000");
        QTest::newRow("unsigned negative") << -5 << 0 << QStringLiteral("-5");
        QTest::newRow("signed 100") << 100 << 1 << QStringLiteral("100");
    }
    void canValueText()
    {
        QFETCH(int, stored);
        QFETCH(int, dataType);
        QFETCH(QString, text);
        QCOMPARE(CanValueText(stored, std::uint8_t(dataType)), text);
    }

    void rowCounter_data()
    {
        QTest::addColumn<bool>("index");
        QTest::addColumn<int>("typed");
        QTest::addColumn<int>("field");
        QTest::addColumn<bool>("corrected");
        QTest::newRow("byte number 9") << true << 9 << 7 << true;
        QTest::newRow("byte number 8") << true << 8 << 7 << true;
        QTest::newRow("byte number 7") << true << 7 << 7 << false;
        QTest::newRow("byte value 300") << false << 300 << 255 << true;
        QTest::newRow("byte value 256") << false << 256 << 255 << true;
        QTest::newRow("byte value 255") << false << 255 << 255 << false;
    }
    void rowCounter()
    {
        QFETCH(bool, index);
        QFETCH(int, typed);
        QFETCH(int, field);
        QFETCH(bool, corrected);
        const ByteCorrection b = index ? CorrectRowIndex(typed) : CorrectRowValue(typed);
        QCOMPARE(int(b.field), field);
        QCOMPARE(b.corrected, corrected);
        if (corrected)
            QCOMPARE(b.shown, field);
    }

    void offset_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("stored");
        QTest::newRow("-200") << QStringLiteral("-200") << -127;
        QTest::newRow("12.9") << QStringLiteral("12.9") << 12;
        QTest::newRow("-3.7") << QStringLiteral("-3.7") << -3;
        QTest::newRow("comma") << QStringLiteral("4,5") << 4;
        QTest::newRow("128 stays in the byte") << QStringLiteral("128") << 127;
        QTest::newRow("300") << QStringLiteral("300") << 127;
        QTest::newRow("no number") << QStringLiteral("abc") << 0;
        QTest::newRow("number then text") << QStringLiteral("7kg") << 7;
    }
    void offset()
    {
        QFETCH(QString, text);
        QFETCH(int, stored);
        QCOMPARE(int(CalOffsetFromText(text)), stored);
    }

    void multiplicator_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("comma") << QStringLiteral("0,25") << 0.25f << QStringLiteral("0.250000");
        QTest::newRow("point") << QStringLiteral("1.5") << 1.5f << QStringLiteral("1.500000");
        QTest::newRow("negative") << QStringLiteral("-2") << -2.0f << QStringLiteral("-2.000000");
        QTest::newRow("no number") << QStringLiteral("x") << 0.0f << QStringLiteral("0.000000");
        QTest::newRow("stops at text") << QStringLiteral("3.5x2") << 3.5f << QStringLiteral("3.500000");
    }
    void multiplicator()
    {
        QFETCH(QString, text);
        QFETCH(float, value);
        QFETCH(QString, shown);
        QCOMPARE(MultiplicatorFromText(text), value);
        QCOMPARE(MultiplicatorText(MultiplicatorFromText(text)), shown);
    }

    void noCanData()
    {
        QCOMPARE(NoCanDataPosition(2), 2);
        QCOMPARE(NoCanDataPosition(3), 0);
        QCOMPARE(NoCanDataPosition(-1), 0);
        QCOMPARE(NoCanDataEntries().size(), 3);
        QCOMPARE(CanOperatorEntries(), QStringList({QStringLiteral("="), QStringLiteral(">"), QStringLiteral("<"),
                                                    QStringLiteral("&"), QStringLiteral("!&"), QStringLiteral("not")}));
    }

    // Clicks on cells (1 to 8), the pair and the outcome after each.
    void bytePicker_data()
    {
        QTest::addColumn<int>("startLow");
        QTest::addColumn<int>("startHigh");
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QList<int>>("outcomes");  // PickOutcome per click
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        const int C = int(PickOutcome::Changed);
        const int N = int(PickOutcome::NotSideBySide);
        const int I = int(PickOutcome::Ignored);
        QTest::newRow("3 then 4") << 0 << 0 << QList<int>{3, 4} << QList<int>{C, C} << 3 << 4;
        QTest::newRow("3, 4, then 6 refused") << 0 << 0 << QList<int>{3, 4, 6} << QList<int>{C, C, I} << 3 << 4;
        QTest::newRow("3, 4, 4 removes Hi") << 0 << 0 << QList<int>{3, 4, 4} << QList<int>{C, C, C} << 3 << 0;
        QTest::newRow("3, 4, 3 does nothing") << 0 << 0 << QList<int>{3, 4, 3} << QList<int>{C, C, I} << 3 << 4;
        QTest::newRow("5 then 4") << 0 << 0 << QList<int>{5, 4} << QList<int>{C, C} << 5 << 4;
        QTest::newRow("3 then 6 not side by side") << 0 << 0 << QList<int>{3, 6} << QList<int>{C, N} << 3 << 0;
        QTest::newRow("3 then 3 deselects") << 0 << 0 << QList<int>{3, 3} << QList<int>{C, C} << 0 << 0;
        QTest::newRow("255 counts as none") << 255 << 255 << QList<int>{2} << QList<int>{C} << 2 << 0;
        QTest::newRow("high 9 counts as none") << 4 << 9 << QList<int>{5} << QList<int>{C} << 4 << 5;
        QTest::newRow("all off again") << 0 << 0 << QList<int>{1, 2, 2, 1} << QList<int>{C, C, C, C} << 0 << 0;
    }
    void bytePicker()
    {
        QFETCH(int, startLow);
        QFETCH(int, startHigh);
        QFETCH(QList<int>, clicks);
        QFETCH(QList<int>, outcomes);
        QFETCH(int, low);
        QFETCH(int, high);
        BytePair pair{std::uint8_t(startLow), std::uint8_t(startHigh)};
        for (int i = 0; i < clicks.size(); ++i)
            QCOMPARE(int(PickByte(pair, clicks.at(i))), outcomes.at(i));
        QCOMPARE(int(pair.low), low);
        QCOMPARE(int(pair.high), high);
    }

    void bytePickerCells_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("cell");
        QTest::newRow("0") << 0 << 1;
        QTest::newRow("29") << 29 << 1;
        QTest::newRow("30") << 30 << 2;
        QTest::newRow("239") << 239 << 8;
        QTest::newRow("240, the last column") << 240 << 8;
    }
    void bytePickerCells()
    {
        QFETCH(int, x);
        QFETCH(int, cell);
        QCOMPARE(BytePickerCellWidth(), 30);
        QCOMPARE(BytePickerCell(x), cell);
    }

    void cellTexts()
    {
        const BytePair pair{3, 4};
        QCOMPARE(CellText(pair, 3), QStringLiteral("Lo"));
        QCOMPARE(CellText(pair, 4), QStringLiteral("Hi"));
        QCOMPARE(CellText(pair, 1), QStringLiteral("0"));
        QCOMPARE(CellText(pair, 8), QStringLiteral("7"));
        // A position of 255 shows as no byte chosen.
        const BytePair none{255, 255};
        for (int k = 1; k <= 8; ++k)
            QCOMPARE(CellMarkOf(none, k), CellMark::Number);
        QCOMPARE(NotSideBySideMessage(), QStringLiteral("If more than one byte, they have to be side by side"));
    }

    void virtualDelay_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("replacement");  // empty: none
        QTest::addColumn<int>("stored");
        QTest::newRow("12") << QStringLiteral("12") << QStringLiteral("10.0") << 100;
        QTest::newRow("10.5") << QStringLiteral("10.5") << QString() << 105;
        QTest::newRow("10.9") << QStringLiteral("10.9") << QString() << 109;
        QTest::newRow("2,5") << QStringLiteral("2,5") << QString() << 25;
        QTest::newRow("11") << QStringLiteral("11") << QStringLiteral("10.0") << 100;
        QTest::newRow("negative") << QStringLiteral("-5") << QStringLiteral("0.0") << 0;
        QTest::newRow("text") << QStringLiteral("ab") << QString() << 0;
    }
    void virtualDelay()
    {
        QFETCH(QString, text);
        QFETCH(QString, replacement);
        QFETCH(int, stored);
        const std::optional<QString> r = VirtualDelayReplacement(text);
        QCOMPARE(r.has_value(), !replacement.isEmpty());
        const QString effective = r ? *r : text;
        if (r) {
            QCOMPARE(*r, replacement);
            QVERIFY(!VirtualDelayReplacement(*r));  // the replacement passes its own check
        }
        QCOMPARE(int(VirtualDelayFromText(effective)), stored);
    }

    void virtualDelayText()
    {
        QCOMPARE(VirtualDelayText(0), QStringLiteral("0.0"));
        QCOMPARE(VirtualDelayText(109), QStringLiteral("10.9"));
        QCOMPARE(VirtualDelayText(25), QStringLiteral("2.5"));
    }

    void notBits_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("source");
        QTest::addColumn<bool>("on");
        QTest::addColumn<int>("result");
        QTest::newRow("source 3 on") << 0 << 3 << true << 4;
        QTest::newRow("source 1 on") << 0 << 1 << true << 1;
        QTest::newRow("source 2 off") << 7 << 2 << false << 5;
        QTest::newRow("keeps others") << 2 << 3 << true << 6;
        QTest::newRow("source 4 ignored") << 1 << 4 << true << 1;
    }
    void notBits()
    {
        QFETCH(int, mask);
        QFETCH(int, source);
        QFETCH(bool, on);
        QFETCH(int, result);
        QCOMPARE(int(WithNotBit(std::uint8_t(mask), source, on)), result);
    }

    void selectorFields()
    {
        QCOMPARE(int(SourceIndexField(-1)), 255);
        QCOMPARE(int(SourceIndexField(45)), 45);
        QCOMPARE(int(OperatorIndexField(-1)), -1);
        QCOMPARE(int(OperatorIndexField(1)), 1);
    }

    void refresh_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("replacement");
        QTest::newRow("5") << QStringLiteral("5") << QStringLiteral("20");
        QTest::newRow("empty") << QString() << QStringLiteral("20");
        QTest::newRow("19") << QStringLiteral("19") << QStringLiteral("20");
        QTest::newRow("20") << QStringLiteral("20") << QString();
        QTest::newRow("100") << QStringLiteral("100") << QString();
    }
    void refresh()
    {
        QFETCH(QString, text);
        QFETCH(QString, replacement);
        const std::optional<QString> r = RefreshReplacement(text);
        QCOMPARE(r.value_or(QString()), replacement);
    }

    void rowCount_data()
    {
        QTest::addColumn<int>("typed");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("enabled");  // how many counters are enabled
        QTest::newRow("3") << 3 << 3 << 3;
        QTest::newRow("15") << 15 << 12 << 12;
        QTest::newRow("13") << 13 << 12 << 12;
        QTest::newRow("12") << 12 << 12 << 12;
        QTest::newRow("0") << 0 << 0 << 0;
        QTest::newRow("-2") << -2 << -2 << 0;
    }
    void rowCount()
    {
        QFETCH(int, typed);
        QFETCH(int, rows);
        QFETCH(int, enabled);
        const RowCountCorrection r = CorrectRowCount(typed);
        QCOMPARE(r.rows, rows);
        int count = 0;
        for (int k = 1; k <= 12; ++k) {
            if (CounterEnabled(r.rows, k)) {
                QCOMPARE(k, count + 1);  // the enabled ones are the first
                ++count;
            }
        }
        QCOMPARE(count, enabled);
    }

    void selectorNames_data()
    {
        QTest::addColumn<int>("exportNumber");
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("name");
        QTest::newRow("export 2 first") << 2 << 0 << QStringLiteral("ComboBox_CAN_Export2_DataByte0_Bit7");
        QTest::newRow("export 2 last") << 2 << 33 << QStringLiteral("ComboBox_CAN_Export2_DataByte4_Bit6");
        QTest::newRow("export 3 entry 9") << 3 << 9 << QStringLiteral("ComboBox_CAN_Export3_DataByte1_Bit6");
        QTest::newRow("export 4 last") << 4 << 63 << QStringLiteral("ComboBox_CAN_Export4_DataByte7_Bit0");
    }
    void selectorNames()
    {
        QFETCH(int, exportNumber);
        QFETCH(int, entry);
        QFETCH(QString, name);
        QCOMPARE(ExportBitSelectorName(exportNumber, entry), name);
        QCOMPARE(Export1SelectorName(18), QStringLiteral("ComboBox_CAN_Export1_DataByte18"));
    }
};

QTEST_GUILESS_MAIN(TestCanRules)
#include "test_can_rules.moc"
