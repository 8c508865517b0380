#include "link/FrameCodec.h"

#include <QByteArray>
#include <QList>
#include <QtTest>

#include <stdexcept>

using namespace relvane;

namespace {

struct Recorder : TxSink, FrameSink {
    QList<QByteArray> queued;
    QList<QByteArray> frames;
    bool AddToTxQueue(const std::uint8_t* bytes, int count) override {
        queued.append(QByteArray(reinterpret_cast<const char*>(bytes), count));
        return true;
    }
    void DispatchFrame(const std::uint8_t* frame, int count) override {
        frames.append(QByteArray(reinterpret_cast<const char*>(frame), count));
    }
};

QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

void feed(SlipReceiver& rx, const QByteArray& wire) {
    rx.Feed(reinterpret_cast<const std::uint8_t*>(wire.constData()), int(wire.size()));
}

}  // namespace

class TestFrameCodec : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void checksumOfVersionRequest() {
        Frame f(FRAME_TYPE_COMMAND, 0x06, 4);
        f.Seal();
        QCOMPARE(f[0], std::uint8_t(0x03));
        Recorder r;
        QVERIFY(SendFrame(r, f));
        QCOMPARE(r.queued.size(), 1);
        QCOMPARE(r.queued[0], hex("c003040106c0"));
    }

    void encodeEscapes_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("plain") << hex("03040106") << hex("c003040106c0");
        QTest::newRow("end byte") << hex("c1050110c0") << hex("c0c1050110dbdcc0");
        QTest::newRow("esc byte") << hex("1a050110db") << hex("c01a050110dbddc0");
        QTest::newRow("both") << hex("c0db") << hex("c0dbdcdbddc0");
    }
    void encodeEscapes() {
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, wire);
        Recorder r;
        QVERIFY(SendFrame(r, reinterpret_cast<const std::uint8_t*>(frame.constData()), int(frame.size())));
        QCOMPARE(r.queued.value(0), wire);
        // And back: the decoded count is the frame length, not the wire length.
        SlipReceiver rx(&r);
        feed(rx, wire);
        QCOMPARE(r.frames.size(), 1);
        QCOMPARE(r.frames[0], frame);
    }

    void allEndFrameEncodesTo150Bytes() {
        QByteArray frame(74, char(0xC0));
        Recorder r;
        QVERIFY(SendFrame(r, reinterpret_cast<const std::uint8_t*>(frame.constData()), 74));
        QCOMPARE(r.queued.value(0).size(), 150);
    }

    void oversizedEncodingIsRefused() {
        QByteArray frame(127, char(0xDB));  // 2 + 254 = 256 bytes: fits exactly
        std::uint8_t out[ENCODED_FRAME_MAX];
        QCOMPARE(EncodeFrame(reinterpret_cast<const std::uint8_t*>(frame.constData()), 127, out), 256);
        frame.append(char(0x01));
        Recorder r;
        QVERIFY(!SendFrame(r, reinterpret_cast<const std::uint8_t*>(frame.constData()), 128));
        QVERIFY(r.queued.isEmpty());
    }

    void receive_data() {
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QList<QByteArray>>("frames");
        QTest::newRow("one frame") << hex("c003040106c0") << QList<QByteArray>{hex("03040106")};
        QTest::newRow("ends only") << hex("c0c0c0") << QList<QByteArray>{};
        QTest::newRow("joined mid-way") << hex("0106c003040106c0")
                                        << QList<QByteArray>{hex("0106"), hex("03040106")};
        QTest::newRow("esc then other byte") << hex("c0db41c0") << QList<QByteArray>{hex("db41")};
        QTest::newRow("esc last") << hex("c041dbc0") << QList<QByteArray>{hex("41db")};
        QByteArray b200(200, 0x11), b201(201, 0x11), b205(205, 0x11);
        b205[201] = 0x21; b205[202] = 0x22; b205[203] = 0x23; b205[204] = 0x24;
        QTest::newRow("200 wire bytes") << (hex("c0") + b200 + hex("c0")) << QList<QByteArray>{b200};
        QTest::newRow("201 wire bytes") << (hex("c0") + b201 + hex("c0")) << QList<QByteArray>{};
        QTest::newRow("205 wire bytes") << (hex("c0") + b205 + hex("c0")) << QList<QByteArray>{hex("21222324")};
    }
    void receive() {
        QFETCH(QByteArray, wire);
        QFETCH(QList<QByteArray>, frames);
        Recorder r;
        SlipReceiver rx(&r);
        feed(rx, wire);
        QCOMPARE(r.frames, frames);
        QCOMPARE(rx.count(), 0);
    }

    void bytesBeyondCountAreKept() {
        Recorder r;
        SlipReceiver rx(&r);
        feed(rx, hex("c00a0b0c0d0ec0c01112c0"));
        QCOMPARE(r.frames.size(), 2);
        // The second, shorter frame leaves the first one's tail in the buffer.
        QCOMPARE(rx.buffer()[2], std::uint8_t(0x0c));
    }

    // A handler that throws on a frame must not leave it in front of the next one.
    void throwingSinkLeavesNothingBehind() {
        struct Throwing : FrameSink {
            QList<QByteArray> frames;
            void DispatchFrame(const std::uint8_t* f, int n) override {
                if (f[0] == 0xEE) throw std::runtime_error("handler failed");
                frames.append(QByteArray(reinterpret_cast<const char*>(f), n));
            }
        } sink;
        SlipReceiver rx(&sink);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, feed(rx, hex("c0ee0102c0")));
        QCOMPARE(rx.count(), 0);
        feed(rx, hex("030401c0"));
        QCOMPARE(sink.frames, QList<QByteArray>{hex("030401")});
    }

    void checksumValidity_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("valid");
        QTest::newRow("good") << hex("03040106") << true;
        QTest::newRow("bad sum") << hex("04040106") << false;
        QTest::newRow("length beyond count") << hex("0a0a0106") << false;
        QTest::newRow("length zero") << hex("00000106") << false;
        QTest::newRow("short") << hex("0301") << false;
        QTest::newRow("longer than length") << hex("0304010699") << true;
    }
    void checksumValidity() {
        QFETCH(QByteArray, frame);
        QFETCH(bool, valid);
        QCOMPARE(FrameChecksumValid(reinterpret_cast<const std::uint8_t*>(frame.constData()), int(frame.size())), valid);
    }
};

QTEST_APPLESS_MAIN(TestFrameCodec)
#include "test_frame_codec.moc"
