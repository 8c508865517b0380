// The EEPROM tool's grid: the cell editor, the ASCII column and fill, and saving
// and loading the text and raw files.

#include "test_eeprom.h"

#include "FakeToolHost.h"
#include "tools/EepromTool.h"
#include "tools/ToolText.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace relvane;

void TestEeprom::cellEditor_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("beeps");
    QTest::newRow("3A then 5") << QStringLiteral("3A") << QStringLiteral("5") << QStringLiteral("A5") << 0;
    QTest::newRow("A5 then 7") << QStringLiteral("A5") << QStringLiteral("7") << QStringLiteral("57") << 0;
    QTest::newRow("lower case") << QStringLiteral("00") << QStringLiteral("f") << QStringLiteral("0F") << 0;
    QTest::newRow("G") << QStringLiteral("3A") << QStringLiteral("G") << QStringLiteral("00") << 1;
    QTest::newRow("256 or more") << QStringLiteral("3A") << QStringLiteral("3A5") << QStringLiteral("00") << 0;
    QTest::newRow("two digits") << QStringLiteral("3A") << QStringLiteral("4B") << QStringLiteral("AB") << 0;
    QTest::newRow("same text") << QStringLiteral("3A") << QStringLiteral("3A") << QStringLiteral("3A") << 0;
    QTest::newRow("emptied") << QStringLiteral("3A") << QString() << QStringLiteral("3A") << 0;
}

void TestEeprom::cellEditor() {
    QFETCH(QString, before);
    QFETCH(QString, typed);
    QFETCH(int, beeps);
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    tool.buffer().setCell(5, 4, before);
    tool.buffer().RecomputeAscii(5);
    const QString asciiBefore = tool.buffer().cell(5, 17);
    tool.BeginEdit(5, 4);
    tool.EditText(5, 4, typed);
    QTEST(tool.buffer().cell(5, 4), "after");
    QCOMPARE(host.beeps, beeps);
    if (beeps) QCOMPARE(tool.buffer().cell(5, 17), asciiBefore);  // not recomputed
}

void TestEeprom::typingShiftsDigitsIn() {
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    for (QChar c : QStringLiteral("415")) {
        tool.BeginEdit(1, 1);
        tool.EditText(1, 1, QString(c));
    }
    QCOMPARE(tool.buffer().cell(1, 1), QStringLiteral("15"));
    tool.BeginEdit(1, 2);
    tool.EditText(1, 2, QStringLiteral("4"));
    tool.BeginEdit(1, 2);
    tool.EditText(1, 2, QStringLiteral("1"));
    QCOMPARE(tool.buffer().cell(1, 17), QStringLiteral(". A") + QStringLiteral(". ").repeated(14));
}

void TestEeprom::addressAndAsciiColumnsAreNotEdited() {
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    tool.BeginEdit(2, 0);
    QCOMPARE(tool.EditText(2, 0, QStringLiteral("5")), CellEdit::Unchanged);
    QCOMPARE(tool.buffer().cell(2, 0), QStringLiteral("0010"));
    QCOMPARE(tool.EditText(0, 3, QStringLiteral("5")), CellEdit::Unchanged);
    QCOMPARE(tool.EditText(1000, 3, QStringLiteral("5")), CellEdit::Unchanged);
}

void TestEeprom::asciiColumn_data() {
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("shown");
    QTest::newRow("41") << QStringLiteral("41") << QStringLiteral("A");
    QTest::newRow("20") << QStringLiteral("20") << QStringLiteral(". ");
    QTest::newRow("7F") << QStringLiteral("7F") << QStringLiteral(". ");
    QTest::newRow("21") << QStringLiteral("21") << QStringLiteral("!");
    QTest::newRow("7E") << QStringLiteral("7E") << QStringLiteral("~");
    QTest::newRow("FF") << QStringLiteral("FF") << QStringLiteral(". ");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("not hex") << QStringLiteral("ZZ") << QStringLiteral(". ");
    QTest::newRow("lower case") << QStringLiteral("7e") << QStringLiteral("~");
    QTest::newRow("one digit") << QStringLiteral("5") << QStringLiteral(". ");
    QTest::newRow("three digits") << QStringLiteral("041") << QStringLiteral("A");
    QTest::newRow("half hex") << QStringLiteral("4Z") << QStringLiteral(". ");
}

void TestEeprom::asciiColumn() {
    QFETCH(QString, cell);
    QTEST(EepromAsciiOf({cell}), "shown");
}

void TestEeprom::fill_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<int>("firstRow");
    QTest::addColumn<int>("lastRow");
    QTest::newRow("two rows") << QStringLiteral("0010") << QStringLiteral("0030") << 2 << 3;
    QTest::newRow("unaligned start") << QStringLiteral("0018") << QStringLiteral("0030") << 2 << 3;
    QTest::newRow("end not aligned") << QStringLiteral("0000") << QStringLiteral("0021") << 1 << 3;
    QTest::newRow("to the grid's end") << QStringLiteral("3E50") << QStringLiteral("FFFF") << 998 << 999;
    QTest::newRow("empty") << QStringLiteral("0030") << QStringLiteral("0030") << 0 << -1;
}

void TestEeprom::fill() {
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(int, firstRow);
    QFETCH(int, lastRow);
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    tool.setFieldText(EepromTool::FillStart, start);
    tool.setFieldText(EepromTool::FillEnd, end);
    tool.FillFF();
    int filled = 0;
    for (int r = 1; r <= 999; ++r) {
        const bool ff = tool.buffer().cell(r, 1) == QStringLiteral("FF");
        QCOMPARE(ff, r >= firstRow && r <= lastRow);
        filled += ff;
    }
    QCOMPARE(filled, qMax(0, lastRow - firstRow + 1));
    if (lastRow > 0) {
        QCOMPARE(tool.buffer().cell(lastRow, 16), QStringLiteral("FF"));
        QCOMPARE(tool.buffer().cell(lastRow, 0),
                 QStringLiteral("%1").arg((lastRow - 1) * 16, 4, 16, QLatin1Char('0')).toUpper());
        QCOMPARE(tool.buffer().cell(lastRow, 17), QStringLiteral(". ").repeated(16));
        tool.Fill00();  // same range back to 00
        QCOMPARE(tool.buffer().cell(lastRow, 16), QStringLiteral("00"));
    }
}

void TestEeprom::textLineFormat() {
    EepromBuffer b;
    b.InitializeShown();
    const QByteArray hello("Hello World!!!!!");
    for (int i = 0; i < 16; ++i) b.SetByte(i, std::uint8_t(hello[i]));
    b.RecomputeAscii(1);
    QCOMPARE(b.TextLine(1), QByteArray("0000:48,65,6C,6C,6F,20,57,6F,72,6C,64,21,21,21,21,21;//Hello. World!!!!!\n"));
}

void TestEeprom::saveThenLoadTwoRows() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dump.txt"));
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    for (int i = 0; i < 32; ++i) tool.buffer().SetByte(i, std::uint8_t(0x30 + i));
    for (int i = 0; i < 16; ++i) tool.buffer().SetByte(0x20 + i, 0x77);  // row 3: not saved
    for (int r = 1; r <= 3; ++r) tool.buffer().RecomputeAscii(r);
    tool.setFieldText(EepromTool::FileEnd, QStringLiteral("0020"));
    host.dialogs.QueueFile(path);
    tool.Save();
    QCOMPARE(host.dialogs.Calls().first().options.title, QStringLiteral("File save"));
    QCOMPARE(host.dialogs.Calls().first().options.fileName, QStringLiteral("*.txt"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines.size(), 3);  // two lines, each ended by one line feed
    QVERIFY(lines.at(0).startsWith("0000:30,31,"));
    QVERIFY(lines.at(1).startsWith("0010:40,41,"));
    QVERIFY(lines.at(2).isEmpty());
    f.close();

    EepromTool other(host);
    other.Show();
    host.dialogs.QueueFile(QStringLiteral("  ") + path + QStringLiteral(" "));
    other.Load();
    for (int r = 1; r <= 2; ++r) {
        QCOMPARE(RowText(other.buffer(), r), RowText(tool.buffer(), r));
        QCOMPARE(other.buffer().cell(r, 17), tool.buffer().cell(r, 17));
    }
    QCOMPARE(other.buffer().cell(3, 1), QStringLiteral("00"));
    const DialogCall& open = host.dialogs.Calls().last();
    QCOMPARE(open.options.title, QStringLiteral("File open"));
    QCOMPARE(open.options.filter, QStringLiteral("Text files (*.txt)|*.txt|Bin files (*.bin)|*.bin"));
    QCOMPARE(open.options.defaultExtension, QStringLiteral("txt|bin"));
}

void TestEeprom::overwriteQuestion_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("No keeps the file") << false;
    QTest::newRow("Yes overwrites") << true;
}

void TestEeprom::overwriteQuestion() {
    QFETCH(bool, yes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.txt"));
    QVERIFY(WriteFile(path, "keep me\n"));
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    tool.setFieldText(EepromTool::FileEnd, QStringLiteral("0010"));
    host.dialogs.QueueAnswer(yes ? MessageAnswer::Yes : MessageAnswer::No);
    tool.SaveTo(path);
    QCOMPARE(host.dialogs.Texts(), QStringList{QStringLiteral("File already exists: '%1'\nOverwrite ?").arg(path)});
    QCOMPARE(host.dialogs.Calls().first().messageKind, MessageKind::Warning);
    QCOMPARE(host.dialogs.Calls().first().buttons, MessageButtons::YesNo);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), yes ? tool.buffer().TextLine(1) : QByteArray("keep me\n"));
}

void TestEeprom::saveWithBadFieldLeavesFileAlone() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.txt"));
    QVERIFY(WriteFile(path, "keep me\n"));
    FakeToolHost host;
    EepromTool tool(host);
    tool.setFieldText(EepromTool::FileEnd, QStringLiteral("top"));
    QVERIFY_THROWS_EXCEPTION(ToolInputError, tool.SaveTo(path));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("keep me\n"));
}

void TestEeprom::fileErrors() {
    QTemporaryDir dir;
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    const QString missing = dir.filePath(QStringLiteral("missing.txt"));
    tool.LoadFrom(missing);
    QCOMPARE(host.dialogs.LastText(), QStringLiteral("Unable to open file: '%1'").arg(missing));
    const QString unwritable = dir.filePath(QStringLiteral("no/such/dir.txt"));
    tool.SaveTo(unwritable);
    QCOMPARE(host.dialogs.LastText(), QStringLiteral("Unable to create file: '%1'").arg(unwritable));
    QCOMPARE(host.dialogs.Calls().last().messageKind, MessageKind::Error);
}

void TestEeprom::rawFile32Bytes() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("image.BIN"));
    QByteArray bytes;
    for (int i = 0; i < 32; ++i) bytes.append(char(0x40 + i));
    QVERIFY(WriteFile(path, bytes));
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    tool.buffer().SetByte(0x20, 0x99);
    tool.buffer().SetByte(0x30, 0x99);
    tool.LoadFrom(path);
    QCOMPARE(tool.buffer().cell(1, 1), QStringLiteral("40"));
    QCOMPARE(tool.buffer().cell(2, 16), QStringLiteral("5F"));
    QCOMPARE(tool.buffer().cell(1, 17), QStringLiteral("@ABCDEFGHIJKLMNO"));
    QCOMPARE(tool.buffer().cell(3, 1), QStringLiteral("00"));  // the extra row of 00
    QCOMPARE(tool.buffer().cell(4, 1), QStringLiteral("99"));  // untouched
    QCOMPARE(host.dialogs.Count(), 0);
}

void TestEeprom::rawFileShorterRowAndTooLarge() {
    EepromBuffer b;
    b.InitializeShown();
    QByteArray data(20, char(0x31));
    QBuffer in(&data);
    in.open(QIODevice::ReadOnly);
    QVERIFY(b.ReadRaw(in));
    QCOMPARE(b.cell(2, 4), QStringLiteral("31"));
    QCOMPARE(b.cell(2, 5), QStringLiteral("00"));

    QByteArray big(kEepromBufferEnd + 5, char(0x32));
    QBuffer bigIn(&big);
    bigIn.open(QIODevice::ReadOnly);
    QVERIFY(!b.ReadRaw(bigIn));
    QCOMPARE(b.cell(999, 16), QStringLiteral("32"));
    QCOMPARE(b.cell(999, 0), QStringLiteral("3E60"));

    QByteArray exact(kEepromBufferEnd, char(0x33));
    QBuffer exactIn(&exact);
    exactIn.open(QIODevice::ReadOnly);
    QVERIFY(b.ReadRaw(exactIn));  // fits; only the extra 00 row has no room
    QCOMPARE(b.cell(999, 16), QStringLiteral("33"));
}

void TestEeprom::textLines_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("applied");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("first");
    QTest::newRow("0100") << QByteArray("0100:41,42,43,44,45,46,47,48,49,4A,4B,4C,4D,4E,4F,50;//x\n") << true
                          << 17 << QStringLiteral("41");
    QTest::newRow("CRLF") << QByteArray("0010:7A,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00;\r\n") << true << 2
                          << QStringLiteral("7A");
    QTest::newRow("lower-case address") << QByteArray("00a0:01,02") << true << 11 << QStringLiteral("01");
    QTest::newRow("no colon") << QByteArray("0100;41,42") << false << 17 << QStringLiteral("00");
    QTest::newRow("empty") << QByteArray("\n") << false << 1 << QStringLiteral("00");
    QTest::newRow("not hex") << QByteArray("01G0:41,42") << false << 17 << QStringLiteral("00");
    QTest::newRow("beyond grid") << QByteArray("3E70:41,42") << false << 999 << QStringLiteral("");
}

void TestEeprom::textLines() {
    QFETCH(QByteArray, line);
    QFETCH(bool, applied);
    QFETCH(int, row);
    EepromBuffer b;
    b.InitializeShown();
    QCOMPARE(b.ApplyTextLine(line), applied);
    QTEST(b.cell(row, 1), "first");
    if (applied && row == 17) {
        QCOMPARE(b.cell(17, 16), QStringLiteral("50"));
        QCOMPARE(b.cell(17, 17), QStringLiteral("ABCDEFGHIJKLMNOP"));
        QCOMPARE(b.cell(17, 0), QStringLiteral("0100"));
    }
}

// A text line with a byte that is no hexadecimal number ends the load with the
// conversion message: the lines before it stay loaded, it and those after change nothing.
void TestEeprom::textLoadStopsAtByteThatIsNoNumber_data() {
    QTest::addColumn<QByteArray>("bad");
    QTest::addColumn<QString>("byte");
    QTest::newRow("letters") << QByteArray("0010:41,ZZ,43") << QStringLiteral("ZZ");
    QTest::newRow("blank after") << QByteArray("0010:41,5 ,43") << QStringLiteral("5 ");
    QTest::newRow("blank before") << QByteArray("0010: 5,41") << QStringLiteral(" 5");
    QTest::newRow("last byte") << QByteArray("0010:00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,0G;//")
                               << QStringLiteral("0G");
}

void TestEeprom::textLoadStopsAtByteThatIsNoNumber() {
    QFETCH(QByteArray, bad);
    QFETCH(QString, byte);
    const QByteArray text = "0000:48,49,00,00,00,00,00,00,00,00,00,00,00,00,00,00;//\n" + bad +
                            "\n0020:41,41,41,41,41,41,41,41,41,41,41,41,41,41,41,41;//\n";
    const QString message = QStringLiteral("'%1' is not a valid integer value").arg(byte);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.txt"));
    QVERIFY(WriteFile(path, text));
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    tool.LoadFrom(path);
    QCOMPARE(host.dialogs.Texts(), QStringList{message});
    QCOMPARE(host.dialogs.Calls().first().messageKind, MessageKind::Error);
    const EepromBuffer& b = tool.buffer();
    QCOMPARE(b.cell(1, 17), QStringLiteral("HI") + QStringLiteral(". ").repeated(14));
    for (int row : {2, 3}) {
        QCOMPARE(RowText(b, row), QStringList(16, QStringLiteral("00")).join(QLatin1Char(' ')));
        QCOMPARE(b.cell(row, 17), QStringLiteral(". ").repeated(16));
    }
    // The reader works the same on bytes in memory.
    EepromBuffer memory;
    memory.InitializeShown();
    QCOMPARE(memory.ReadText(text), message);
    for (int row = 1; row <= 3; ++row)
        for (int c = 0; c < kEepromGridColumns; ++c) QCOMPARE(memory.cell(row, c), b.cell(row, c));
    QString error;
    QVERIFY(!memory.ApplyTextLine(bad, &error));
    QCOMPARE(error, message);
}

void TestEeprom::textFileSkipsOtherLines() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mixed.Txt"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("comment line\n\n0020:41,41,41,41,41,41,41,41,41,41,41,41,41,41,41,41;//\n");
        f.write(QByteArray(150, 'x') + "\n");
    }
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    tool.LoadFrom(path);
    QCOMPARE(tool.buffer().cell(3, 1), QStringLiteral("41"));
    QCOMPARE(tool.buffer().cell(3, 17), QStringLiteral("AAAAAAAAAAAAAAAA"));
    QCOMPARE(host.dialogs.Count(), 0);
}

void TestEeprom::otherExtensionLoadsNothing() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dump.dat"));
    QVERIFY(WriteFile(path, "0000:41,41,41,41,41,41,41,41,41,41,41,41,41,41,41,41;//\n"));
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    tool.LoadFrom(path);
    QCOMPARE(tool.buffer().cell(1, 1), QStringLiteral("00"));
    QCOMPARE(host.dialogs.Count(), 0);
}
