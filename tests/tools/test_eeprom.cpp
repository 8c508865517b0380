// The EEPROM tool against the module: reading a range, writing the grid back,
// and the answers it takes or leaves.

#include "test_eeprom.h"

#include "FakeToolHost.h"
#include "tools/EepromTool.h"
#include "tools/ToolText.h"

#include <QtTest>

using namespace relvane;

namespace {

QByteArray ReadRequest(int address) {
    QByteArray p;
    p.append(char(0x10)).append(char(address & 0xFF)).append(char(address >> 8));
    return Reply(0, 0x53, p);
}

QByteArray ReadReply(int address, const QByteArray& data) {
    QByteArray p;
    p.append(char(0)).append(char(address & 0xFF)).append(char(address >> 8));
    p.append(data.leftJustified(16, '\0'));
    return Reply(0, 0xA3, p);
}

QByteArray Pattern(int seed) {
    QByteArray d;
    for (int i = 0; i < 16; ++i) d.append(char(seed + i));
    return d;
}

}  // namespace

void TestEeprom::shownGrid() {
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    const EepromBuffer& b = tool.buffer();
    QCOMPARE(b.cell(0, 0), QStringLiteral("Addr"));
    QCOMPARE(b.cell(0, 1), QStringLiteral("0"));
    QCOMPARE(b.cell(0, 16), QStringLiteral("F"));
    QCOMPARE(b.cell(0, 17), QStringLiteral("**** ASCII *****"));
    QCOMPARE(b.cell(1, 0), QStringLiteral("0000"));
    QCOMPARE(b.cell(256, 0), QStringLiteral("0FF0"));
    QCOMPARE(b.cell(256, 16), QStringLiteral("00"));
    QCOMPARE(b.cell(256, 17), QStringLiteral(". ").repeated(16));
    QCOMPARE(b.cell(257, 0), QString());
    QCOMPARE(tool.fieldText(EepromTool::EepromStart), QStringLiteral("0000"));
    QCOMPARE(tool.fieldText(EepromTool::FillEnd), QStringLiteral("1000"));
}

void TestEeprom::readWholeDefaultRange() {
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    tool.StartRead();
    QVERIFY(!tool.readEnabled());
    QVERIFY(tool.writeEnabled());
    QVERIFY(tool.timerActive());
    QCOMPARE(tool.progress(), 0);
    int replies = 0;
    while (host.sent.size() > replies) {
        const QByteArray req = host.sent.at(replies);
        QCOMPARE(req, ReadRequest(replies * 16));
        ++replies;
        Offer(tool, ReadReply(int(std::uint8_t(req[5])) | (int(std::uint8_t(req[6])) << 8), Pattern(replies)));
        QVERIFY(replies <= 256);
        if (replies < 256) {
            QCOMPARE(tool.readCaption(), QStringLiteral("Reading"));
            QVERIFY(tool.timerActive());
        }
    }
    QCOMPARE(replies, 256);
    QCOMPARE(host.sent.last(), ReadRequest(0x0FF0));
    QCOMPARE(tool.mode(), EepromTool::Mode::None);
    QCOMPARE(tool.readCaption(), QStringLiteral("Read"));
    QVERIFY(tool.readEnabled());
    QVERIFY(!tool.timerActive());
    QCOMPARE(tool.progress(), 100);
    QCOMPARE(tool.buffer().cell(256, 1), QStringLiteral("00"));  // 256 + 0
    QCOMPARE(tool.buffer().cell(2, 1), QStringLiteral("02"));
}

void TestEeprom::progressAlongTheWay() {
    QCOMPARE(EepromProgress(0, 0x800, 0x1000), 50);
    QCOMPARE(EepromProgress(0x1000, 0x1800, 0x2000), 50);
    // A range shorter than 100 bytes.
    QCOMPARE(EepromProgress(0, 0x10, 0x20), 50);
    QCOMPARE(EepromProgress(0, 0x30, 0x20), 100);
    QCOMPARE(EepromProgress(0x20, 0x20, 0x20), 100);
}

void TestEeprom::shortRangeGoesOn() {
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    tool.setFieldText(EepromTool::EepromEnd, QStringLiteral("0030"));
    tool.StartRead();
    Offer(tool, ReadReply(0x00, Pattern(0)));
    QCOMPARE(tool.progress(), 33);
    Offer(tool, ReadReply(0x10, Pattern(0)));
    Offer(tool, ReadReply(0x20, Pattern(0)));
    QCOMPARE(host.sent.size(), 3);
    QCOMPARE(tool.mode(), EepromTool::Mode::None);
    QVERIFY(tool.readEnabled());
}

void TestEeprom::rangeNotMultipleOf16Ends_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<int>("blocks");
    QTest::newRow("0000-0018") << QStringLiteral("0000") << QStringLiteral("0018") << 2;
    QTest::newRow("0005-0020") << QStringLiteral("0005") << QStringLiteral("0020") << 2;
    QTest::newRow("0000-0001") << QStringLiteral("0000") << QStringLiteral("0001") << 1;
    QTest::newRow("3E60-3E70") << QStringLiteral("3E60") << QStringLiteral("3E70") << 1;
}

void TestEeprom::rangeNotMultipleOf16Ends() {
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(int, blocks);
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    tool.setFieldText(EepromTool::EepromStart, start);
    tool.setFieldText(EepromTool::EepromEnd, end);
    tool.StartRead();
    for (int i = 0; i < 50 && tool.mode() != EepromTool::Mode::None; ++i) {
        const QByteArray req = host.sent.last();
        Offer(tool, ReadReply(int(std::uint8_t(req[5])) | (int(std::uint8_t(req[6])) << 8), Pattern(i)));
    }
    QCOMPARE(tool.mode(), EepromTool::Mode::None);
    QCOMPARE(int(host.sent.size()), blocks);
    QVERIFY(tool.readEnabled());
}

void TestEeprom::refusedRanges_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::newRow("end equals start") << QStringLiteral("0100") << QStringLiteral("0100");
    QTest::newRow("end below start") << QStringLiteral("0200") << QStringLiteral("0100");
    QTest::newRow("beyond the grid") << QStringLiteral("3E00") << QStringLiteral("4000");
    QTest::newRow("last block beyond") << QStringLiteral("3E65") << QStringLiteral("3E70");
}

void TestEeprom::refusedRanges() {
    QFETCH(QString, start);
    QFETCH(QString, end);
    for (bool write : {false, true}) {
        FakeToolHost host;
        EepromTool tool(host);
        tool.Show();
        tool.setFieldText(EepromTool::EepromStart, start);
        tool.setFieldText(EepromTool::EepromEnd, end);
        if (write) tool.StartWrite();
        else tool.StartRead();
        QVERIFY(host.sent.isEmpty());
        QCOMPARE(host.dialogs.Count(), 1);
        QCOMPARE(host.dialogs.Calls().first().messageKind, MessageKind::Error);
        QCOMPARE(tool.mode(), EepromTool::Mode::None);
        QVERIFY(tool.readEnabled() && tool.writeEnabled());
        QVERIFY(!tool.timerActive());
    }
}

void TestEeprom::addressFieldThatIsNoNumber() {
    FakeToolHost host;
    EepromTool tool(host);
    tool.setFieldText(EepromTool::EepromStart, QStringLiteral("xyz"));
    QVERIFY_THROWS_EXCEPTION(ToolInputError, tool.StartRead());
    QVERIFY(host.sent.isEmpty());
    QVERIFY(tool.readEnabled());
    tool.setFieldText(EepromTool::EepromStart, QStringLiteral("01g"));
    QCOMPARE(tool.FieldAddress(EepromTool::EepromStart), 1);
}

void TestEeprom::replyForOtherAddressFillsItsOwnCells() {
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    tool.StartRead();
    Offer(tool, ReadReply(0x0100, Pattern(0x41)));
    QCOMPARE(tool.buffer().cell(17, 1), QStringLiteral("41"));
    QCOMPARE(tool.buffer().cell(17, 17), QStringLiteral("ABCDEFGHIJKLMNOP"));
    QCOMPARE(tool.buffer().cell(1, 1), QStringLiteral("00"));
    // It is not the block asked for: the read still waits for 0x0000.
    QCOMPARE(host.sent.size(), 1);
    QCOMPARE(tool.mode(), EepromTool::Mode::Reading);
}

// A repeated answer (the module asked for a resend, the request went twice) counts once, so
// the read ends only with the last block's answer.
void TestEeprom::repeatedReplyCountsOnce() {
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    tool.setFieldText(EepromTool::EepromEnd, QStringLiteral("0030"));
    tool.StartRead();
    Offer(tool, ReadReply(0x00, Pattern(0)));
    Offer(tool, ReadReply(0x00, Pattern(0)));  // the repeat
    Offer(tool, ReadReply(0x10, Pattern(1)));
    QCOMPARE(tool.mode(), EepromTool::Mode::Reading);  // 0x20 has not come yet
    QCOMPARE(host.sent.size(), 3);
    QCOMPARE(host.sent.last(), ReadRequest(0x0020));
    Offer(tool, ReadReply(0x20, Pattern(2)));
    QCOMPARE(tool.mode(), EepromTool::Mode::None);
    QCOMPARE(tool.buffer().cell(3, 1), QStringLiteral("02"));
}

void TestEeprom::replyWhileIdleOrWritingSendsNothing() {
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    Offer(tool, ReadReply(0x0020, Pattern(1)));
    QCOMPARE(tool.buffer().cell(3, 16), QStringLiteral("10"));
    QVERIFY(host.sent.isEmpty());
    tool.StartWrite();
    host.sent.clear();
    Offer(tool, ReadReply(0x0030, Pattern(2)));
    QCOMPARE(tool.buffer().cell(4, 1), QStringLiteral("02"));
    QVERIFY(host.sent.isEmpty());
    QCOMPARE(tool.nextAddress(), 0);
}

void TestEeprom::unalignedReplySpansTwoRows() {
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    Offer(tool, ReadReply(0x0008, QByteArray(16, 'Z')));
    QCOMPARE(tool.buffer().cell(1, 9), QStringLiteral("5A"));
    QCOMPARE(tool.buffer().cell(2, 8), QStringLiteral("5A"));
    QCOMPARE(tool.buffer().cell(2, 9), QStringLiteral("00"));
    QCOMPARE(tool.buffer().cell(1, 17), QStringLiteral(". ").repeated(8) + QStringLiteral("ZZZZZZZZ"));
    QCOMPARE(tool.buffer().cell(2, 17), QStringLiteral("ZZZZZZZZ") + QStringLiteral(". ").repeated(8));
}

void TestEeprom::replyBeyondTheGridIsBounded() {
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    Offer(tool, ReadReply(0x3E68, Pattern(1)));
    QCOMPARE(tool.buffer().cell(999, 9), QStringLiteral("01"));
    QCOMPARE(tool.buffer().cell(999, 16), QStringLiteral("08"));
    QCOMPARE(tool.buffer().cell(999, 0), QStringLiteral("3E60"));
    Offer(tool, ReadReply(0xFFF8, Pattern(1)));  // nothing of it lies in the grid
    QVERIFY(host.sent.isEmpty());
}

void TestEeprom::replyIntoEmptyRowGivesWholeRow() {
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    Offer(tool, ReadReply(0x2000, QByteArray("Hi")));
    const int row = 0x2000 / 16 + 1;
    QCOMPARE(tool.buffer().cell(row, 0), QStringLiteral("2000"));
    QCOMPARE(tool.buffer().cell(row, 1), QStringLiteral("48"));
    QCOMPARE(tool.buffer().cell(row, 16), QStringLiteral("00"));
    QCOMPARE(QString::fromLatin1(tool.buffer().TextLine(row)),
             QStringLiteral("2000:48,69,00,00,00,00,00,00,00,00,00,00,00,00,00,00;//Hi") +
                 QStringLiteral(". ").repeated(14) + QLatin1Char('\n'));
}

void TestEeprom::writeRequestCarriesGridCells() {
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    for (int i = 0; i < 16; ++i) tool.buffer().SetByte(0x120 + i, std::uint8_t(0xA0 + i));
    tool.setFieldText(EepromTool::EepromStart, QStringLiteral("0120"));
    tool.setFieldText(EepromTool::EepromEnd, QStringLiteral("0140"));
    tool.StartWrite();
    QVERIFY(!tool.writeEnabled());
    QVERIFY(tool.readEnabled());
    QByteArray payload = Hex("10 2001");
    for (int i = 0; i < 16; ++i) payload.append(char(0xA0 + i));
    QCOMPARE(host.sent, QList<QByteArray>{Reply(0, 0x54, payload)});
    QCOMPARE(host.sent.first().size(), 23);
    QCOMPARE(RowText(tool.buffer(), 19).left(5), QStringLiteral("A0 A1"));
    Offer(tool, Reply(0, 0xA4));
    QCOMPARE(tool.writeCaption(), QStringLiteral("Writing"));
    QCOMPARE(host.sent.size(), 2);
    QCOMPARE(host.sent.last().mid(4, 3), Hex("10 3001"));
    Offer(tool, Reply(0, 0xA4));
    QCOMPARE(host.sent.size(), 2);
    QCOMPARE(tool.writeCaption(), QStringLiteral("Write"));
    QVERIFY(tool.writeEnabled());
    QCOMPARE(tool.mode(), EepromTool::Mode::None);
    // A late confirmation is ignored when no write runs.
    Offer(tool, Reply(0, 0xA4));
    QCOMPARE(host.sent.size(), 2);
}

void TestEeprom::writeWithBadCellEndsCleanly() {
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    tool.buffer().setCell(2, 3, QStringLiteral("ZZ"));
    tool.setFieldText(EepromTool::EepromEnd, QStringLiteral("0040"));
    tool.StartWrite();
    QCOMPARE(host.sent.size(), 1);
    Offer(tool, Reply(0, 0xA4));
    QCOMPARE(host.sent.size(), 1);
    QCOMPARE(host.dialogs.Texts(), QStringList{QStringLiteral("'ZZ' is not a valid integer value")});
    QCOMPARE(tool.mode(), EepromTool::Mode::None);
    QVERIFY(tool.writeEnabled());
    QVERIFY(!tool.timerActive());
}

// Only whole hexadecimal text is a byte: a blank is no digit, and an empty cell
// (left by a short text line) is none either.
void TestEeprom::writeRefusesCellThatIsNoByte_data() {
    QTest::addColumn<QString>("cell");
    QTest::newRow("letters") << QStringLiteral("ZZ");
    QTest::newRow("blank after") << QStringLiteral("5 ");
    QTest::newRow("blank before") << QStringLiteral(" 5");
    QTest::newRow("empty") << QString();
}

void TestEeprom::writeRefusesCellThatIsNoByte() {
    QFETCH(QString, cell);
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    tool.buffer().setCell(1, 16, cell);
    tool.StartWrite();
    QVERIFY(host.sent.isEmpty());
    QCOMPARE(host.dialogs.Texts(), QStringList{QStringLiteral("'%1' is not a valid integer value").arg(cell)});
    QCOMPARE(host.dialogs.Calls().first().messageKind, MessageKind::Error);
    QCOMPARE(tool.mode(), EepromTool::Mode::None);
    QVERIFY(tool.writeEnabled());
    QVERIFY(!tool.timerActive());
}

void TestEeprom::timeoutRestoresButtons() {
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    tool.StartRead();
    tool.StartWrite();
    QVERIFY(!tool.readEnabled() && !tool.writeEnabled());
    bool readBackBeforeBox = false;
    host.dialogs.SetOnCall([&](const DialogCall&) { readBackBeforeBox = tool.readEnabled() && !tool.writeEnabled(); });
    tool.TimeoutTick();
    QCOMPARE(host.dialogs.Texts(), QStringList{QStringLiteral("Please power up the Target and try again")});
    QVERIFY(readBackBeforeBox);
    QVERIFY(tool.readEnabled() && tool.writeEnabled());
    QCOMPARE(tool.readCaption(), QStringLiteral("Read"));
    QCOMPARE(tool.writeCaption(), QStringLiteral("Write"));
    QVERIFY(!tool.timerActive());
    // The mode stays: a late reply still continues the transfer.
    QCOMPARE(tool.mode(), EepromTool::Mode::Writing);
    Offer(tool, Reply(0, 0xA4));
    QCOMPARE(tool.nextAddress(), 0x10);
    QVERIFY(tool.timerActive());
}

void TestEeprom::badFramesIgnored_data() {
    QTest::addColumn<QByteArray>("frame");
    QByteArray bad = ReadReply(0, Pattern(1));
    bad[0] = char(bad[0] ^ 4);
    QTest::newRow("checksum") << bad;
    QTest::newRow("type 1") << Reply(1, 0xA3, ReadReply(0, Pattern(1)).mid(4));
    QTest::newRow("short") << Reply(0, 0xA3, Hex("000000 0102"));
}

void TestEeprom::badFramesIgnored() {
    QFETCH(QByteArray, frame);
    FakeToolHost host;
    EepromTool tool(host);
    tool.Show();
    tool.StartRead();
    Offer(tool, frame);
    QCOMPARE(tool.buffer().cell(1, 1), QStringLiteral("00"));
    QCOMPARE(host.sent.size(), 1);
    QCOMPARE(tool.nextAddress(), 0);
}

QTEST_GUILESS_MAIN(TestEeprom)
#include "moc_test_eeprom.cpp"
