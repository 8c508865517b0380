#include "FirmwareTestSupport.h"

#include "firmware/ErrorMsg.h"
#include "firmware/FirmwareUpdate.h"

#include <QtTest>

using namespace relvane;
using namespace relvane::test;

namespace {

struct ViewRecorder : FirmwareUpdateView {
    QStringList messages;
    QList<int> progress;
    void ShowMessage(const QString& text) override { messages.append(text); }
    void SetProgress(int percent) override { progress.append(percent); }
};

QByteArray Block(std::uint32_t address, const QByteArray& data) {
    QByteArray b;
    b.append(char((address >> 16) & 0xFF));
    b.append(char((address >> 8) & 0xFF));
    b.append(data);
    std::uint8_t sum = 0;
    for (char c : data) sum = std::uint8_t(sum + std::uint8_t(c));
    b.append(char(sum));
    return b;
}

QByteArray PatternBytes(std::uint32_t from, int n, std::uint32_t lastWritten) {
    QByteArray d;
    for (int i = 0; i < n; ++i) {
        const std::uint32_t a = from + std::uint32_t(i);
        d.append(char(a <= lastWritten ? Pattern(a) : 0xFF));
    }
    return d;
}

}  // namespace

class TestFirmwareUpdate : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    TxRecorder tx_;
    ViewRecorder view_;
    std::unique_ptr<FirmwareUpdate> update_;
    int pauses_ = 0;

    QString File(const QString& name, std::uint32_t from, std::uint32_t to) {
        return WriteFile(dir_, name, HexText(from, to) + EndRecord() + "\n");
    }
    void Feed(char c) { update_->HandleByte(std::uint8_t(c)); }
    // Program, the prompt and "T": the exchange then waits for the first "!".
    void Begin(const QString& path, bool withT = true) {
        update_->Program(path);
        QCOMPARE(update_->state(), FirmwareUpdate::WaitPrompt);
        Feed('>');
        if (withT) Feed('T');
        tx_.entries.clear();
        view_.messages.clear();
        view_.progress.clear();
    }

private Q_SLOTS:
    void init() {
        tx_.entries.clear();
        view_.messages.clear();
        view_.progress.clear();
        pauses_ = 0;
        update_ = std::make_unique<FirmwareUpdate>(tx_, view_, [this](int) { ++pauses_; });
    }

    void promptAndAnswer() {
        Feed('>');  // before Program: the module is to be rebooted after it
        QVERIFY(tx_.entries.isEmpty());
        QCOMPARE(update_->state(), FirmwareUpdate::Idle);
        update_->Program(File(QStringLiteral("a.hex"), 0, 0x3FF));
        QCOMPARE(view_.messages, QStringList{QStringLiteral("Reboot target to start programming")});
        QCOMPARE(update_->startAddress(), 0);
        QCOMPARE(update_->endAddress(), 0x3FF);
        Feed('!');  // not yet: waits for the prompt
        Feed('x');
        QVERIFY(tx_.entries.isEmpty());
        Feed('>');
        QCOMPARE(tx_.entries, QList<QByteArray>{QByteArray("<")});
        QCOMPARE(update_->state(), FirmwareUpdate::WaitStart);
        QCOMPARE(update_->blockSize(), 0);
        Feed('T');
        QCOMPARE(update_->blockSize(), 256);
        QCOMPARE(update_->state(), FirmwareUpdate::WaitStart);
        Feed('@');  // ignored while waiting for the start
        QCOMPARE(update_->state(), FirmwareUpdate::WaitStart);
        QCOMPARE(tx_.entries.size(), 1);
    }

    void blocks_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QList<int>>("blockAddresses");
        QTest::addColumn<QList<int>>("progress");  // values shown before each block
        QTest::newRow("0000-03FF four blocks") << 0 << 0x3FF << QList<int>{0, 0x100, 0x200, 0x300}
                                               << QList<int>{0, 25, 51, 76, 0};
        QTest::newRow("0000-0400 five blocks") << 0 << 0x400 << QList<int>{0, 0x100, 0x200, 0x300, 0x400}
                                               << QList<int>{0, 25, 51, 76, 100, 0};
        QTest::newRow("start at 0010") << 0x10 << 0x20F << QList<int>{0x10, 0x110}
                                       << QList<int>{0, 0x110 / 5, 0};
        QTest::newRow("one block, span below 100") << 0x40 << 0x60 << QList<int>{0x40} << QList<int>{0, 0};
        QTest::newRow("whole image") << 0 << 0x1F7FE
                                     << [] { QList<int> a; for (int x = 0; x < 0x1F800; x += 256) a.append(x); return a; }()
                                     << QList<int>();
    }
    void blocks() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QList<int>, blockAddresses);
        QFETCH(QList<int>, progress);
        Begin(File(QStringLiteral("b.hex"), std::uint32_t(from), std::uint32_t(to)));
        for (int i = 0; i < blockAddresses.size(); ++i) {
            Feed('!');
            QCOMPARE(update_->state(), FirmwareUpdate::Sending);
            QCOMPARE(tx_.entries.size(), i + 1);
            const QByteArray& block = tx_.entries.last();
            QCOMPARE(block.size(), 259);
            const auto a = std::uint32_t(blockAddresses[i]);
            QCOMPARE(block, Block(a, PatternBytes(a, 256, std::uint32_t(to))));
            QCOMPARE(update_->sent(), (i + 1) * 256);
        }
        QVERIFY(view_.messages.isEmpty());
        Feed('!');  // acknowledges the last block
        QCOMPARE(tx_.entries.last(), QByteArray("\xFF\xFF", 2));
        QCOMPARE(tx_.entries.size(), blockAddresses.size() + 1);
        QCOMPARE(pauses_, 1);
        QCOMPARE(view_.messages, QStringList{QStringLiteral("Target updated")});
        QCOMPARE(update_->state(), FirmwareUpdate::Idle);
        QCOMPARE(view_.progress.last(), 0);
        if (!progress.isEmpty()) QCOMPARE(view_.progress, progress);
        for (int p : view_.progress) QVERIFY(p >= 0 && p <= 100);
        Feed('!');  // nothing more after the end
        QCOMPARE(tx_.entries.size(), blockAddresses.size() + 1);
    }

    void fifthBlockCarriesFill() {
        Begin(File(QStringLiteral("c.hex"), 0, 0x400));
        for (int i = 0; i < 5; ++i) Feed('!');
        const QByteArray fifth = tx_.entries.last();
        QCOMPARE(std::uint8_t(fifth[0]), std::uint8_t(0x00));
        QCOMPARE(std::uint8_t(fifth[1]), std::uint8_t(0x04));
        QCOMPARE(std::uint8_t(fifth[2]), Pattern(0x400));
        QCOMPARE(fifth.mid(3, 255), QByteArray(255, char(0xFF)));
        QCOMPARE(std::uint8_t(fifth[258]), std::uint8_t(Pattern(0x400) + 255 * 0xFF));
    }

    void goBeforeT_sendsEmptyBlocks() {
        Begin(File(QStringLiteral("d.hex"), 0x1234, 0x1300), false);
        Feed('!');
        Feed('T');  // too late: ignored once sending
        QCOMPARE(update_->blockSize(), 0);
        Feed('!');
        Feed('!');
        QCOMPARE(tx_.entries.size(), 3);
        for (const QByteArray& e : tx_.entries) QCOMPARE(e, QByteArray::fromHex("001200"));
        QCOMPARE(update_->sent(), 0);
        QCOMPARE(update_->state(), FirmwareUpdate::Sending);
        for (int p : view_.progress) QVERIFY(p >= 0 && p <= 100);
    }

    void abortWhileSending() {
        Begin(File(QStringLiteral("e.hex"), 0, 0x3FF));
        Feed('!');
        Feed('@');
        QCOMPARE(update_->state(), FirmwareUpdate::Idle);
        Feed('!');
        Feed('>');
        QCOMPARE(tx_.entries.size(), 1);
        QVERIFY(view_.messages.isEmpty());
        // Program again restarts from the prompt; the block size is kept.
        update_->Program(File(QStringLiteral("e.hex"), 0, 0x3FF));
        QCOMPARE(update_->state(), FirmwareUpdate::WaitPrompt);
        QCOMPARE(update_->sent(), 0);
        QCOMPARE(update_->blockSize(), 256);
    }

    // A bootloader that stops answering once it has answered the prompt ends the exchange with
    // a message; while the prompt is awaited (the user reboots) there is no limit.
    void stallEndsTheExchange_data() {
        QTest::addColumn<int>("bytes");  // answers given before the silence: '>' 'T' '!' ...
        QTest::newRow("after the prompt's answer") << 1;
        QTest::newRow("after the start") << 3;
        QTest::newRow("after a block taken") << 4;
    }
    void stallEndsTheExchange() {
        QFETCH(int, bytes);
        update_->Program(File(QStringLiteral("s.hex"), 0, 0x3FF));
        QVERIFY(!update_->stallTimerActive());  // waiting for the reboot
        const char answers[] = {'>', 'T', '!', '!'};
        for (int i = 0; i < bytes; ++i) Feed(answers[i]);
        QVERIFY(update_->stallTimerActive());
        QCOMPARE(update_->stallTimeoutMs(), FirmwareUpdate::STALL_TIMEOUT_MS);
        view_.messages.clear();
        update_->StallTimeout();
        QCOMPARE(update_->state(), FirmwareUpdate::Idle);
        QCOMPARE(view_.messages, QStringList{FirmwareUpdate::StalledText()});
        QVERIFY(!update_->stallTimerActive());
        // A late byte changes nothing; Program starts again from the prompt.
        const int sentBefore = int(tx_.entries.size());
        Feed('!');
        QCOMPARE(int(tx_.entries.size()), sentBefore);
        update_->Program(File(QStringLiteral("s.hex"), 0, 0x3FF));
        QCOMPARE(update_->state(), FirmwareUpdate::WaitPrompt);
        QCOMPARE(update_->sent(), 0);
    }
    void stallTimerRunsOut() {
        update_->SetStallTimeoutMs(50);
        Begin(File(QStringLiteral("t.hex"), 0, 0x3FF));
        Feed('!');
        QTRY_COMPARE_WITH_TIMEOUT(update_->state(), FirmwareUpdate::Idle, 5000);
        QCOMPARE(view_.messages.last(), FirmwareUpdate::StalledText());
    }

    void noFileSelected() {
        Begin(File(QStringLiteral("f.hex"), 0, 0x3FF));
        update_->Program(QString());
        QCOMPARE(view_.messages, QStringList{QStringLiteral("! No file selected")});
        QCOMPARE(update_->state(), FirmwareUpdate::WaitStart);
    }

    void readErrorLeavesExchange() {
        Begin(File(QStringLiteral("g.hex"), 0, 0x3FF));
        Feed('!');
        const QString broken = WriteFile(dir_, QStringLiteral("broken.hex"), HexText(0, 0x1FF));  // no end record
        try {
            update_->Program(broken);
            QFAIL("no error");
        } catch (const ErrorMsg& e) {
            QVERIFY(e.Message().startsWith(QStringLiteral("Premature end of file")));
        }
        QCOMPARE(update_->state(), FirmwareUpdate::Sending);
        Feed('!');  // goes on with the image it had
        QCOMPARE(tx_.entries.last(), Block(0x100, PatternBytes(0x100, 256, 0x3FF)));
    }

    // A second file's gaps hold the fill value, not the first file's bytes.
    void secondFileGapsAreFill() {
        update_->Program(File(QStringLiteral("first.hex"), 0, 0x2FF));
        const QString second = WriteFile(
            dir_, QStringLiteral("second.hex"), HexText(0x000, 0x00F) + HexText(0x200, 0x2FF) + EndRecord() + "\n");
        Begin(second);
        Feed('!');
        QCOMPARE(tx_.entries.last(), Block(0, PatternBytes(0, 16, 0xF) + QByteArray(240, char(0xFF))));
        Feed('!');
        QCOMPARE(tx_.entries.last(), Block(0x100, QByteArray(256, char(0xFF))));
        QCOMPARE(update_->image().GetByte(0x150), std::uint8_t(0xFF));
    }

    void fileWithoutData() {
        Begin(File(QStringLiteral("h.hex"), 0, 0x3FF));
        update_->Program(WriteFile(dir_, QStringLiteral("empty.hex"), EndRecord() + "\n"));
        QCOMPARE(view_.messages, QStringList{FirmwareUpdate::NoDataText()});
        QCOMPARE(update_->state(), FirmwareUpdate::Idle);
        Feed('>');
        Feed('!');
        QVERIFY(tx_.entries.isEmpty());
    }

    void lastBlockPastImageEnd() {
        // Starts at 0x10, so the last 256-byte block would run to 0x1F80F.
        const QString path = WriteFile(dir_, QStringLiteral("long.hex"),
                                       HexText(0x10, 0x10) + HexText(0x1F7F0, 0x1F7F7) + EndRecord() + "\n");
        update_->Program(path);
        QCOMPARE(view_.messages, QStringList{FirmwareUpdate::TooLongText()});
        QCOMPARE(update_->state(), FirmwareUpdate::Idle);
        Feed('>');
        QVERIFY(tx_.entries.isEmpty());
        // One that ends exactly at the image's last byte is fine.
        view_.messages.clear();
        Begin(WriteFile(dir_, QStringLiteral("fits.hex"),
                        HexText(0x00, 0x00) + HexText(0x1F7F0, 0x1F7FE) + EndRecord() + "\n"));
        for (int i = 0; i < 0x1F8; ++i) Feed('!');
        QCOMPARE(tx_.entries.size(), 0x1F8);
        Feed('!');
        QCOMPARE(view_.messages, QStringList{QStringLiteral("Target updated")});
    }

    void progressDivisorZero() {
        // Span of 33 bytes: the plain formula would divide by zero.
        Begin(File(QStringLiteral("tiny.hex"), 0x100, 0x120), false);
        Feed('!');
        Feed('!');  // block size 0: the exchange stays on its first block
        Feed('!');
        QCOMPARE(update_->state(), FirmwareUpdate::Sending);
        QCOMPARE(view_.progress, (QList<int>{0, 0, 0}));
        QCOMPARE(update_->Progress(), 0);
    }

    void progressClamped() {
        // Starts high: the formula counts from address 0 and would pass 100.
        Begin(File(QStringLiteral("high.hex"), 0x10000, 0x107FF));
        Feed('!');
        Feed('!');
        QCOMPARE(view_.progress, (QList<int>{0, 100}));
    }
};

QTEST_GUILESS_MAIN(TestFirmwareUpdate)
#include "test_firmware_update.moc"
