#include "FirmwareTestSupport.h"

#include "firmware/ErrorMsg.h"
#include "firmware/HEXFile.h"
#include "firmware/Utility.h"

#include <QBuffer>
#include <QtTest>

#include <algorithm>

using namespace relvane;
using namespace relvane::test;

namespace {

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b.append(char(v));
    return b;
}

QByteArray Count(int n, int first = 0) {
    QByteArray b;
    for (int i = 0; i < n; ++i) b.append(char(first + i));
    return b;
}

const QByteArray kData0 = DataRecord(0x0000, Count(16, 0x10));  // 0x10 .. 0x1F at 0x0000

QString Missing(const QByteArray& token) {
    return QStringLiteral("Wrong HEX file format, missing fields! Line from file was: (") +
           QString::fromLatin1(token) + QStringLiteral(").");
}
QString Premature() {
    return QStringLiteral("Premature end of file encountered! Make sure file contains an EOF-record.");
}

}  // namespace

class TestHexFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hexToNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("value");  // -1: error expected
        QTest::addColumn<QString>("error");
        QTest::newRow("eight F") << QStringLiteral("FFFFFFFF") << qint64(4294967295LL) << QString();
        QTest::newRow("zero") << QStringLiteral("0") << qint64(0) << QString();
        QTest::newRow("mixed case") << QStringLiteral("aBcD") << qint64(0xABCD) << QString();
        QTest::newRow("digits") << QStringLiteral("09") << qint64(9) << QString();
        QTest::newRow("leading zeros") << QStringLiteral("00000001") << qint64(1) << QString();
        QTest::newRow("empty") << QString() << qint64(-1)
                               << QStringLiteral("Cannot convert zero-length hex-string to number!");
        QTest::newRow("nine digits") << QStringLiteral("123456789") << qint64(-1)
                                     << QStringLiteral("Hex conversion overflow! Too many hex digits in string.");
        QTest::newRow("nine zeros") << QStringLiteral("000000000") << qint64(-1)
                                    << QStringLiteral("Hex conversion overflow! Too many hex digits in string.");
        QTest::newRow("space") << QStringLiteral(" 1") << qint64(-1) << QStringLiteral("Invalid hex digit found!");
        QTest::newRow("minus") << QStringLiteral("-1") << qint64(-1) << QStringLiteral("Invalid hex digit found!");
        QTest::newRow("plus") << QStringLiteral("+1") << qint64(-1) << QStringLiteral("Invalid hex digit found!");
        QTest::newRow("G") << QStringLiteral("1G") << qint64(-1) << QStringLiteral("Invalid hex digit found!");
        QTest::newRow("g after f") << QStringLiteral("fg") << qint64(-1) << QStringLiteral("Invalid hex digit found!");
        QTest::newRow("colon") << QStringLiteral(":0") << qint64(-1) << QStringLiteral("Invalid hex digit found!");
        QTest::newRow("non latin") << QString(QChar(0x0660)) << qint64(-1) << QStringLiteral("Invalid hex digit found!");
    }
    void hexToNumber() {
        QFETCH(QString, text);
        QFETCH(qint64, value);
        QFETCH(QString, error);
        try {
            const std::uint32_t got = Utility::HexToNumber(text);
            QVERIFY2(error.isEmpty(), "expected an error");
            QCOMPARE(qint64(got), value);
            const QByteArray latin = text.toLatin1();
            QCOMPARE(qint64(Utility::HexToNumber(std::string_view(latin.constData(), size_t(latin.size())))), value);
        } catch (const ErrorMsg& e) {
            QCOMPARE(e.Message(), error);
            QCOMPARE(QString::fromUtf8(e.what()), error);
        }
    }

    void read_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("error");
        QTest::addColumn<qint64>("start");  // checked only on success
        QTest::addColumn<qint64>("end");
        QTest::addColumn<QString>("probes");  // "ADDR=BYTE,..." in hex, checked in every case

        const int S = 0x1F800;
        QTest::newRow("end record with line break")
            << S << kData0 + "\n" + EndRecord() + "\n" << QString() << qint64(0) << qint64(15)
            << QStringLiteral("0=10,F=1F,10=FF");
        QTest::newRow("end record without line break")
            << S << kData0 + "\n" + EndRecord() << Premature() << qint64(0) << qint64(0)
            << QStringLiteral("0=10");
        QTest::newRow("no end record keeps data")
            << S << kData0 + "\n" + DataRecord(0x0100, Count(2, 0xA0)) + "\n" << Premature()
            << qint64(0) << qint64(0) << QStringLiteral("0=10,100=A0,101=A1");
        QTest::newRow("empty file") << S << QByteArray() << Premature() << qint64(0) << qint64(0) << QString();
        QTest::newRow("blanks only") << S << QByteArray(" \r\n\t\n") << Premature() << qint64(0) << qint64(0)
                                     << QString();
        QTest::newRow("blanks and CR LF")
            << S << "\r\n\r\n   " + kData0 + "\r\n\t\r\n  " + EndRecord() + "\r\n" << QString() << qint64(0)
            << qint64(15) << QStringLiteral("5=15");
        QTest::newRow("end record followed by a tab")
            << S << kData0 + "\n" + EndRecord() + "\t" << QString() << qint64(0) << qint64(15) << QString();
        const QByteArray whole = DataRecord(0x0200, Count(16));
        QTest::newRow("split record")
            << S << whole.left(17) + " " + whole.mid(17) + "\n" + EndRecord() + "\n"
            << Missing(whole.left(17)) << qint64(0) << qint64(0) << QStringLiteral("200=FF");
        QTest::newRow("lower case")
            << S << DataRecord(0x0ABC, Bytes({0xAB, 0xCD, 0xEF})).toLower() + "\n" + EndRecord() + "\n"
            << QString() << qint64(0xABC) << qint64(0xABE) << QStringLiteral("ABC=AB,ABD=CD,ABE=EF");
        QTest::newRow("16 bytes ending at the last byte are skipped")
            << S << LinearAddress(1) + "\n" + DataRecord(0xF7F0, Count(16, 1)) + "\n" + EndRecord() + "\n"
            << QString() << qint64(S) << qint64(0) << QStringLiteral("1F7F0=FF,1F7FF=FF");
        QTest::newRow("15 bytes before the last byte are stored")
            << S << LinearAddress(1) + "\n" + DataRecord(0xF7F0, Count(15, 1)) + "\n" + EndRecord() + "\n"
            << QString() << qint64(0x1F7F0) << qint64(0x1F7FE) << QStringLiteral("1F7F0=01,1F7FE=0F,1F7FF=FF");
        QTest::newRow("record far beyond the image is skipped")
            << S << LinearAddress(0xFFFF) + "\n" + DataRecord(0xFFF0, Count(16, 1)) + "\n" + EndRecord() + "\n"
            << QString() << qint64(S) << qint64(0) << QString();
        QTest::newRow("start and end with a gap")
            << S << HexText(0x0000, 0x00FF) + HexText(0x8000, 0x80FF) + EndRecord() + "\n" << QString()
            << qint64(0) << qint64(0x80FF) << QStringLiteral("0=03,100=FF,7FFF=FF,4000=FF");
        QTest::newRow("extended linear address")
            << S << QByteArray(":020000040001F9\n") + DataRecord(0x0010, Bytes({0x55, 0x66})) + "\n" +
                        EndRecord() + "\n"
            << QString() << qint64(0x10010) << qint64(0x10011) << QStringLiteral("10=FF,10010=55,10011=66");
        QTest::newRow("extended segment address")
            << S << Record(2, 0, Bytes({0x10, 0x00})) + "\n" + DataRecord(0x0020, Bytes({0x77})) + "\n" +
                        EndRecord() + "\n"
            << QString() << qint64(0x10020) << qint64(0x10020) << QStringLiteral("10020=77");
        QTest::newRow("new base replaces the old one")
            << S << LinearAddress(1) + "\n" + Record(2, 0, Bytes({0x00, 0x01})) + "\n" +
                        DataRecord(0x0000, Bytes({0x42})) + "\n" + EndRecord() + "\n"
            << QString() << qint64(0x10) << qint64(0x10) << QStringLiteral("10=42,10010=FF");
        QTest::newRow("start address records ignored")
            << S << Record(3, 0, Bytes({0, 0, 1, 2})) + "\n" + Record(5, 0, Bytes({0, 0, 1, 2})) + "\n" +
                        kData0 + "\n" + EndRecord() + "\n"
            << QString() << qint64(0) << qint64(15) << QString();
        QTest::newRow("nothing after the end record is read")
            << S << kData0 + "\n" + EndRecord() + "\ngarbage\n" + DataRecord(0x40, Bytes({1})) << QString()
            << qint64(0) << qint64(15) << QStringLiteral("40=FF");
        QTest::newRow("characters beyond the checksum ignored")
            << S << kData0 + "XYZ\n" + EndRecord() + "\n" << QString() << qint64(0) << qint64(15) << QString();
        const QByteArray type6 = Record(6, 0, Bytes({1}));
        QTest::newRow("type 6 right checksum")
            << S << type6 + "\n" + EndRecord() + "\n"
            << QStringLiteral("Unsupported HEX record format! Line from file was: (") + QString::fromLatin1(type6) +
                   QStringLiteral(").")
            << qint64(0) << qint64(0) << QString();
        QByteArray type6bad = type6;
        type6bad.back() = type6bad.back() == '0' ? '1' : '0';
        QTest::newRow("type 6 wrong checksum")
            << S << type6bad + "\n" + EndRecord() + "\n"
            << QStringLiteral("Wrong checksum for HEX record! Line from file was: (") +
                   QString::fromLatin1(type6bad) + QStringLiteral(").")
            << qint64(0) << qint64(0) << QString();
        QByteArray bad = kData0;
        bad.back() = bad.back() == '0' ? '1' : '0';
        QTest::newRow("data wrong checksum")
            << S << bad + "\n" + EndRecord() + "\n"
            << QStringLiteral("Wrong checksum for HEX record! Line from file was: (") + QString::fromLatin1(bad) +
                   QStringLiteral(").")
            << qint64(0) << qint64(0) << QStringLiteral("0=FF");
        QTest::newRow("no colon")
            << S << QByteArray("00000001FF00\n")
            << QStringLiteral("Wrong HEX file format, does not start with colon! Line from file was: (00000001FF00).")
            << qint64(0) << qint64(0) << QString();
        QTest::newRow("short token") << S << QByteArray(":00000001F\n") << Missing(":00000001F") << qint64(0)
                                     << qint64(0) << QString();
        QTest::newRow("short colonless token")
            << S << QByteArray("abc\n") << Missing("abc") << qint64(0) << qint64(0) << QString();
        QTest::newRow("bad digit in data")
            << S << QByteArray(":02000000zz00FE\n") << QStringLiteral("Invalid hex digit found!") << qint64(0)
            << qint64(0) << QString();
        QTest::newRow("bad digit in length")
            << S << QByteArray(":0x000000FF00\n") << QStringLiteral("Invalid hex digit found!") << qint64(0)
            << qint64(0) << QString();
        QTest::newRow("zero-length data record ignored")
            << S << DataRecord(0x0300, QByteArray()) + "\n" + EndRecord() + "\n" << QString() << qint64(S)
            << qint64(0) << QString();
        QTest::newRow("address record without its bytes ignored")
            << S << Record(4, 0, Bytes({1})) + "\n" + DataRecord(0x0001, Bytes({9})) + "\n" + EndRecord() + "\n"
            << QString() << qint64(1) << qint64(1) << QStringLiteral("1=09");
        QTest::newRow("small image skips what does not fit")
            << 0x20 << DataRecord(0x0000, Count(16)) + "\n" + DataRecord(0x0010, Count(16)) + "\n" +
                           DataRecord(0x0010, Count(15, 0x40)) + "\n" + EndRecord() + "\n"
            << QString() << qint64(0) << qint64(0x1E) << QStringLiteral("0=00,10=40,1E=4E,1F=FF");
    }
    void read() {
        QFETCH(int, size);
        QFETCH(QByteArray, file);
        QFETCH(QString, error);
        QFETCH(qint64, start);
        QFETCH(qint64, end);
        QFETCH(QString, probes);

        QTemporaryDir dir;
        const QString path = WriteFile(dir, QStringLiteral("f.hex"), file);
        HEXFile image(size, 0xFF);
        try {
            image.Read(path);
            QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("expected: ") + error));
            QCOMPARE(qint64(image.start), start);
            QCOMPARE(qint64(image.end), end);
        } catch (const ErrorMsg& e) {
            QCOMPARE(e.Message(), error);
        }
        for (const QString& probe : probes.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QStringList kv = probe.split(QLatin1Char('='));
            const int address = int(Utility::HexToNumber(kv[0]));
            QCOMPARE(int(image.GetByte(address)), int(Utility::HexToNumber(kv[1])));
        }

        // The same bytes from memory give the same image, range and error.
        QBuffer memory(&file);
        QVERIFY(memory.open(QIODevice::ReadOnly));
        HEXFile fromMemory(size, 0xFF);
        QString memoryError;
        try {
            fromMemory.Read(memory);
        } catch (const ErrorMsg& e) {
            memoryError = e.Message();
        }
        QCOMPARE(memoryError, error);
        QCOMPARE(fromMemory.start, image.start);
        QCOMPARE(fromMemory.end, image.end);
        QVERIFY(std::equal(image.Data(), image.Data() + size, fromMemory.Data()));
    }

    void readDoesNotClear() {
        QTemporaryDir dir;
        HEXFile image(0x1000, 0xFF);
        image.Read(WriteFile(dir, QStringLiteral("a.hex"), HexText(0x000, 0x0FF) + EndRecord() + "\n"));
        image.Read(WriteFile(dir, QStringLiteral("b.hex"), HexText(0x100, 0x1FF) + EndRecord() + "\n"));
        QCOMPARE(image.start, 0x100u);
        QCOMPARE(image.end, 0x1FFu);
        QCOMPARE(image.GetByte(0x10), Pattern(0x10));  // the first file's byte stays
        image.Fill(0x00);
        QCOMPARE(image.GetByte(0x10), std::uint8_t(0));
        QCOMPARE(image.start, 0x100u);  // Fill leaves the range alone
        QCOMPARE(image.end, 0x1FFu);
    }

    void missingFile() {
        HEXFile image(16, 0xFF);
        try {
            image.Read(QStringLiteral("/nonexistent/dir/none.hex"));
            QFAIL("no error");
        } catch (const ErrorMsg& e) {
            QCOMPARE(e.Message(), QStringLiteral("Error opening HEX file for input!"));
        }
    }

    void construction_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("error");
        QTest::newRow("zero") << 0 << QStringLiteral("Cannot have zero-size HEX buffer!");
        QTest::newRow("negative") << -5 << QStringLiteral("Cannot have zero-size HEX buffer!");
        QTest::newRow("one") << 1 << QString();
    }
    void construction() {
        QFETCH(int, size);
        QFETCH(QString, error);
        try {
            HEXFile image(size, 0xA5);
            QVERIFY(error.isEmpty());
            QCOMPARE(image.Size(), size);
            QCOMPARE(image.GetByte(0), std::uint8_t(0xA5));
        } catch (const ErrorMsg& e) {
            QCOMPARE(e.Message(), error);
        }
    }

    void getByteRange_data() {
        QTest::addColumn<int>("address");
        QTest::addColumn<bool>("legal");
        QTest::newRow("-1") << -1 << false;
        QTest::newRow("0") << 0 << true;
        QTest::newRow("last") << 0x1F7FF << true;
        QTest::newRow("size") << 0x1F800 << false;
        QTest::newRow("min int") << int(INT32_MIN) << false;
    }
    void getByteRange() {
        QFETCH(int, address);
        QFETCH(bool, legal);
        HEXFile image(0x1F800, 0xFF);
        try {
            QCOMPARE(image.GetByte(address), std::uint8_t(0xFF));
            QVERIFY(legal);
        } catch (const ErrorMsg& e) {
            QVERIFY(!legal);
            QCOMPARE(e.Message(), QStringLiteral("Address outside legal range!"));
        }
    }
};

QTEST_GUILESS_MAIN(TestHexFile)
#include "test_hex_file.moc"
