#include "FirmwareTestSupport.h"

#include "firmware/ErrorMsg.h"
#include "firmware/FirmwareCompare.h"

#include <QQueue>
#include <QtTest>

using namespace relvane;
using namespace relvane::test;

namespace {

struct ViewRecorder : FirmwareCompareView {
    QStringList messages, status, file, target;
    QList<int> progress;
    QStringList percent;
    void ShowMessage(const QString& text) override { messages.append(text); }
    void AddStatusLine(const QString& line) override { status.append(line); }
    void AddFileLine(const QString& line) override { file.append(line); }
    void AddTargetLine(const QString& line) override { target.append(line); }
    void ClearFileLines() override { file.clear(); }
    void ClearTargetLines() override { target.clear(); }
    void SetProgress(int p) override { progress.append(p); }
    void SetPercentText(const QString& text) override { percent.append(text); }
};

QByteArray Sealed(QByteArray frame) {
    frame[1] = char(frame.size());
    frame[0] = char(FrameChecksum(reinterpret_cast<const std::uint8_t*>(frame.constData()) + 1,
                                  int(frame.size()) - 1));
    return frame;
}

// A module on the far side of the queue: decodes each request and queues its answer.
// Answers are handed over by Pump(), never from inside the send, as the link does.
struct ScriptedModule : TxSink {
    QByteArray memory = QByteArray(0x10000, char(0xFF));
    std::uint32_t serial = 1234;
    bool silent = false;
    int addressSkew = 0;  // added to the address field of each reply
    QList<QByteArray> requests;
    QQueue<QByteArray> answers;

    bool AddToTxQueue(const std::uint8_t* bytes, int count) override {
        const QByteArray frame = Unslip(QByteArray(reinterpret_cast<const char*>(bytes), count));
        requests.append(frame);
        if (silent || frame.size() < 4) return true;
        if (std::uint8_t(frame[3]) == 0x41) {
            QByteArray a("\0\0\x01\xC1", 4);
            for (int s = 24; s >= 0; s -= 8) a.append(char((serial >> s) & 0xFF));
            a.append("\x05\x18\x02", 3);
            answers.enqueue(Sealed(a));
        } else if (std::uint8_t(frame[3]) == 0x5E) {
            const int address = std::uint8_t(frame[4]) | (std::uint8_t(frame[5]) << 8);
            const int shown = (address + addressSkew) & 0xFFFF;
            QByteArray a("\0\0\x01\xDD", 4);
            a.append(char(shown & 0xFF));
            a.append(char(shown >> 8));
            a.append(memory.mid(address, 16));
            answers.enqueue(Sealed(a));
        }
        return true;
    }
    int MemoryRequests() const {
        int n = 0;
        for (const QByteArray& r : requests) n += (r.size() > 3 && std::uint8_t(r[3]) == 0x5E);
        return n;
    }
};

}  // namespace

class TestFirmwareCompare : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<ScriptedModule> module_;
    std::unique_ptr<ViewRecorder> view_;
    std::unique_ptr<FirmwareCompare> compare_;
    QList<int> pauses_;
    QString path_;

    void Offer(const QByteArray& f) {
        compare_->OnToolFrame(reinterpret_cast<const std::uint8_t*>(f.constData()), int(f.size()));
    }
    void Pump() {
        while (!module_->answers.isEmpty()) Offer(module_->answers.dequeue());
    }
    // Answers the requests in turn until the compare has come to the block at address.
    void AnswerUntil(int address) {
        while (compare_->address() < address && !module_->answers.isEmpty()) Offer(module_->answers.dequeue());
    }
    void Start() {
        compare_->SetRememberedPath(path_);
        compare_->Start(path_, QStringLiteral("9.08"));
    }

private Q_SLOTS:
    void initTestCase() {
        // The module holds the image from 0x0000 to 0x7FFF; the rest is erased.
        path_ = WriteFile(dir_, QStringLiteral("fw.hex"), HexText(0, 0x7FFF) + EndRecord() + "\n");
    }
    void init() {
        module_ = std::make_unique<ScriptedModule>();
        for (int a = 0; a <= 0x7FFF; ++a) module_->memory[a] = char(Pattern(std::uint32_t(a)));
        view_ = std::make_unique<ViewRecorder>();
        pauses_.clear();
        FirmwareCompare::Hooks hooks;
        hooks.pause = [this](int ms) { pauses_.append(ms); };
        hooks.now = [] { return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)); };
        compare_ = std::make_unique<FirmwareCompare>(*module_, *view_, hooks);
    }

    void requestBytes() {
        Start();
        QCOMPARE(module_->requests.size(), 2);
        QCOMPARE(module_->requests[0], QByteArray::fromHex("44040141"));
        QCOMPARE(module_->requests[1], QByteArray::fromHex("5906015e0000"));
        QCOMPARE(pauses_, QList<int>{20});
        QVERIFY(compare_->RequestPending());
    }

    void identical() {
        view_->percent.append(QStringLiteral("0"));  // the label's text before the first reply
        Start();
        Pump();
        QCOMPARE(module_->MemoryRequests(), 4032);
        QCOMPARE(view_->messages, QStringList{QStringLiteral("FIA compare File is identical with firmware")});
        QCOMPARE(view_->percent.last(), QStringLiteral("100 % done"));
        QCOMPARE(view_->progress.last(), 100);
        QCOMPARE(view_->percent.value(1), QStringLiteral("0 % done"));
        // The first 1 comes with the reply for 0x0280.
        QCOMPARE(view_->percent.indexOf(QStringLiteral("1 % done")), 0x280 / 16 + 1);
        QVERIFY(!compare_->RequestPending());
        const QString sep(70, QLatin1Char('-'));
        QCOMPARE(view_->status.size(), 7);
        QCOMPARE(view_->status[0], sep);
        QVERIFY(view_->status[1].startsWith(QStringLiteral("Compare Startet ")));
        QVERIFY(view_->status[1].contains(QStringLiteral("14")));
        QCOMPARE(view_->status[2], QStringLiteral("Comparing file : ") + path_);
        QCOMPARE(view_->status[3], QStringLiteral("With firmware version :9.08"));
        QCOMPARE(view_->status[4], QStringLiteral("Relvane serial no : 00001234"));
        QCOMPARE(view_->status[5], QStringLiteral("FIA compare File is identical with firmware"));
        QCOMPARE(view_->status[6], sep);
        QCOMPARE(view_->file.size(), 4032);
        QCOMPARE(view_->file, view_->target);
        QCOMPARE(view_->target.last(),
                 QStringLiteral("Adr:FBF0 : FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:"));
    }

    void dumpLine() {
        const std::uint8_t bytes[16] = {0x0C, 0x94, 0x5C, 0x00, 0x0C, 0x94, 0x79, 0x00,
                                        0x0C, 0x94, 0x79, 0x00, 0x0C, 0x94, 0x79, 0x00};
        QCOMPARE(FirmwareCompare::DumpLine(0, bytes),
                 QStringLiteral("Adr:0000 : 0C:94:5C:00:0C:94:79:00:0C:94:79:00:0C:94:79:00:"));
        QCOMPARE(FirmwareCompare::DumpLine(0xABC, bytes).left(11), QStringLiteral("Adr:0ABC : "));
    }

    void mismatch_data() {
        QTest::addColumn<int>("address");
        QTest::addColumn<QString>("shown");
        QTest::newRow("byte 5 of 0x1230") << 0x1235 << QStringLiteral("1235");
        QTest::newRow("first byte") << 0x0000 << QStringLiteral("0000");
        QTest::newRow("last byte") << 0xFBFF << QStringLiteral("FBFF");
        QTest::newRow("erased part") << 0x9000 << QStringLiteral("9000");
    }
    void mismatch() {
        QFETCH(int, address);
        QFETCH(QString, shown);
        module_->memory[address] = char(~module_->memory[address]);
        Start();
        Pump();
        const QString text = QStringLiteral("FIA compare Fail, File not the same in Adr: ") + shown;
        QCOMPARE(view_->messages, QStringList{text});
        QCOMPARE(view_->status.mid(view_->status.size() - 2), (QStringList{text, QString(70, QLatin1Char('-'))}));
        QCOMPARE(module_->MemoryRequests(), address / 16 + 1);
        QCOMPARE(compare_->address(), address & ~0xF);
        QVERIFY(!compare_->RequestPending());
        QVERIFY(view_->target.last() != view_->file.last());
    }

    void serialText_data() {
        QTest::addColumn<quint32>("serial");
        QTest::addColumn<QString>("text");
        QTest::newRow("1234") << 1234u << QStringLiteral("00001234");
        QTest::newRow("123456789") << 123456789u << QStringLiteral("123456789");
        QTest::newRow("0") << 0u << QStringLiteral("00000000");
        QTest::newRow("12345678") << 12345678u << QStringLiteral("12345678");
        QTest::newRow("signed") << 0xFFFFFFFFu << QStringLiteral("000000-1");
    }
    void serialText() {
        QFETCH(quint32, serial);
        QFETCH(QString, text);
        module_->serial = serial;
        Start();
        Offer(module_->answers.dequeue());
        QCOMPARE(view_->status.last(), QStringLiteral("Relvane serial no : ") + text);
        QVERIFY(compare_->RequestPending());  // the serial line leaves the request running
    }

    void silentModule() {
        module_->silent = true;
        Start();
        for (int i = 1; i <= 5; ++i) {
            compare_->TimerRequestTimer();
            QCOMPARE(module_->MemoryRequests(), 1 + i);
            QCOMPARE(module_->requests.last(), QByteArray::fromHex("5906015e0000"));
            QVERIFY(view_->messages.isEmpty());
        }
        compare_->TimerRequestTimer();
        QCOMPARE(module_->MemoryRequests(), 6);
        QCOMPARE(view_->messages, QStringList{QStringLiteral("No contact to target")});
        QCOMPARE(view_->status.last(), QStringLiteral("No contact to target"));
        QVERIFY(!compare_->RequestPending());
        // The count is not reset by Start: the next silent compare gives up at once.
        Start();
        compare_->TimerRequestTimer();
        QCOMPARE(view_->messages.size(), 2);
        QCOMPARE(module_->MemoryRequests(), 7);
    }

    void silentModuleRealTimer() {
        module_->silent = true;
        QElapsedTimer clock;
        clock.start();
        Start();
        QTRY_COMPARE_WITH_TIMEOUT(view_->messages.size(), 1, 20000);
        QCOMPARE(view_->messages.first(), QStringLiteral("No contact to target"));
        QCOMPARE(module_->MemoryRequests(), 6);
        QVERIFY(clock.elapsed() >= 5 * 300);  // five full intervals at least
    }

    void retryThenAnswer() {
        Start();
        Offer(module_->answers.dequeue());  // serial
        const QByteArray reply = module_->answers.dequeue();
        compare_->TimerRequestTimer();  // as if the reply came late
        QCOMPARE(compare_->retryCount(), 1);
        module_->answers.clear();
        Offer(reply);
        QCOMPARE(compare_->retryCount(), 0);
        QCOMPARE(compare_->address(), 16);
    }

    void wrongChecksumIgnored() {
        Start();
        Offer(module_->answers.dequeue());
        QByteArray reply = module_->answers.dequeue();
        reply[0] = char(reply[0] ^ 0x01);
        Offer(reply);
        QCOMPARE(compare_->address(), 0);
        QVERIFY(view_->target.isEmpty());
        QVERIFY(compare_->RequestPending());
        compare_->TimerRequestTimer();
        QCOMPARE(module_->requests.last(), QByteArray::fromHex("5906015e0000"));
    }

    void malformedFramesIgnored_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("count");  // bytes offered; -1: the frame's size
        QTest::newRow("type 0") << Sealed(QByteArray("\0\0\x00\xDD", 4) + QByteArray(18, 0)) << -1;
        QTest::newRow("too short for data") << Sealed(QByteArray("\0\0\x01\xDD\0\0\x01\x02", 8)) << -1;
        QTest::newRow("length beyond count") << Sealed(QByteArray("\0\0\x01\xDD", 4) + QByteArray(18, 0)) << 10;
        QTest::newRow("short system data") << Sealed(QByteArray("\0\0\x01\xC1\x01", 5)) << -1;
        QTest::newRow("three bytes") << QByteArray("\x01\x03\x01", 3) << -1;
        QTest::newRow("other command") << Sealed(QByteArray("\0\0\x01\x86", 4) + QByteArray(18, 0)) << -1;
    }
    void malformedFramesIgnored() {
        QFETCH(QByteArray, frame);
        QFETCH(int, count);
        Start();
        const int before = int(view_->status.size());
        compare_->OnToolFrame(reinterpret_cast<const std::uint8_t*>(frame.constData()),
                              count < 0 ? int(frame.size()) : count);
        QCOMPARE(compare_->address(), 0);
        QVERIFY(view_->target.isEmpty());
        QCOMPARE(int(view_->status.size()), before);
        QVERIFY(compare_->RequestPending());
    }

    // A reply naming another block than the one asked for is not its data, whatever it
    // holds: a module that never names the block asked for is not compared at all.
    void replyNamingAnotherBlockNotCompared() {
        module_->addressSkew = 0x100;
        Start();
        Pump();
        QVERIFY(view_->target.isEmpty());
        QVERIFY(compare_->RequestPending());
        for (int i = 0; i <= FirmwareCompare::MAX_REPEATS; ++i) {
            compare_->TimerRequestTimer();
            Pump();
        }
        QCOMPARE(view_->messages, QStringList{QStringLiteral("No contact to target")});
        QVERIFY(view_->target.isEmpty());
        QCOMPARE(compare_->address(), 0);
    }

    // An answer for a block that comes when the compare asks for another one is never
    // compared with that one: the first difference found is the module's own.
    void lateAnswerForAnotherBlock_data() {
        QTest::addColumn<QString>("how");
        // The request for 0x20 went unanswered (a pulled cable); of its two repeats the
        // link's queue held the first back behind newer requests, the second was answered.
        QTest::newRow("repeat overtaken in the queue") << QStringLiteral("overtaken");
        QTest::newRow("resend request answered twice") << QStringLiteral("resend");
        QTest::newRow("Start again while an answer is out") << QStringLiteral("restart");
        // A request of a compare in a window closed before still waited in the queue.
        QTest::newRow("answer for an earlier window first") << QStringLiteral("earlier window");
    }
    void lateAnswerForAnotherBlock() {
        QFETCH(QString, how);
        module_->memory[0x185] = char(~module_->memory[0x185]);
        Start();
        AnswerUntil(0x20);
        QByteArray late;
        if (how == QLatin1String("earlier window")) {
            late = module_->answers.dequeue();
            module_->answers.clear();
            init();
            module_->memory[0x185] = char(~module_->memory[0x185]);
            Start();
        } else if (how == QLatin1String("overtaken")) {
            module_->answers.dequeue();  // lost with the cable
            compare_->TimerRequestTimer();
            late = module_->answers.dequeue();
            compare_->TimerRequestTimer();
            AnswerUntil(0x50);
        } else if (how == QLatin1String("resend")) {
            Offer(Sealed(QByteArray("\0\0\x00\x01", 4)));
            late = module_->answers.head();
            AnswerUntil(0x30);
        } else {
            late = module_->answers.dequeue();
            Start();
        }
        const int at = compare_->address();
        Offer(late);
        QCOMPARE(compare_->address(), at);
        QVERIFY(compare_->RequestPending());
        Pump();
        QCOMPARE(view_->messages, QStringList{QStringLiteral("FIA compare Fail, File not the same in Adr: 0185")});
        const int blocks = 0x180 / 16 + 1;
        QCOMPARE(view_->target.size(), blocks);
        QCOMPARE(view_->file.size(), blocks);
        QCOMPARE(view_->target.mid(0, blocks - 1), view_->file.mid(0, blocks - 1));
    }

    void cancel() {
        Start();
        Offer(module_->answers.dequeue());
        compare_->Cancel();
        QVERIFY(!compare_->RequestPending());
        QCOMPARE(view_->status.mid(view_->status.size() - 2),
                 (QStringList{QStringLiteral("User cancel compare"), QString(70, QLatin1Char('-'))}));
        Pump();  // the reply after Cancel
        QCOMPARE(compare_->address(), 0);
        QVERIFY(view_->target.isEmpty());
        QCOMPARE(module_->MemoryRequests(), 1);
        // Start clears the flag and runs again.
        Start();
        Pump();
        QCOMPARE(view_->messages.last(), QStringLiteral("FIA compare File is identical with firmware"));
    }

    void noFile() {
        compare_->Start(path_, QString());
        QCOMPARE(view_->messages, QStringList{QStringLiteral(" No .hex file selectet")});
        QVERIFY(module_->requests.isEmpty());
    }

    void readErrorSendsNothing() {
        Start();
        Offer(module_->answers.dequeue());
        const QByteArray reply = module_->answers.dequeue();
        const int sent = int(module_->requests.size());
        const QString broken = WriteFile(dir_, QStringLiteral("broken.hex"), QByteArray(":0000\n"));
        compare_->SetRememberedPath(broken);
        QVERIFY_THROWS_EXCEPTION(ErrorMsg, compare_->Start(broken, QString()));
        QCOMPARE(int(module_->requests.size()), sent);
        // The running compare still holds its image.
        Offer(reply);
        QCOMPARE(compare_->address(), 16);
        QVERIFY(view_->messages.isEmpty());
    }

    // A file shorter than the compared range: beyond it, 0xFF; a fresh image each Start.
    void freshImageEachStart() {
        compare_->image().Fill(0x00);  // leftovers of an earlier file
        Start();
        Pump();
        QCOMPARE(view_->messages, QStringList{QStringLiteral("FIA compare File is identical with firmware")});
    }
};

QTEST_GUILESS_MAIN(TestFirmwareCompare)
#include "test_firmware_compare.moc"
