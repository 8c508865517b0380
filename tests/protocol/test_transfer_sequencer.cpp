// The transfer sequencer without windows or a link: each state and answer on its
// own, and the commands' checks.

#include "test_transfer_sequencer.h"

#include <QtTest>

using namespace relvane;
using namespace relvane::test;

namespace {

QByteArray Answer(std::uint8_t command, std::vector<std::uint8_t> payload = {})
{
    const auto f = MakeFrame(FRAME_TYPE_COMMAND, command, std::move(payload));
    return Bytes(f.data(), int(f.size()));
}

}  // namespace

void TestTransferSequencer::init()
{
    model = std::make_unique<ConfigModel>();
    host = std::make_unique<FakeHost>();
    seq = std::make_unique<TransferSequencer>(*model, *host);
}

// ---------------------------------------------------------------------------
// StepSequencer on its own.

void TestTransferSequencer::stepSendsTheStatesFrame_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("sent");  // empty: nothing
    QTest::addColumn<int>("newState");
    QTest::addColumn<int>("newPosition");

    QTest::newRow("idle") << 0 << 3 << QString() << 0 << 3;
    QTest::newRow("read stream") << 1 << 0 << QString() << 1 << 0;
    QTest::newRow("inputs: next input") << 3 << 1 << Describe(INPUT_WRITE_REQ, 2) << 3 << 2;
    QTest::newRow("inputs: input 11") << 3 << 10 << Describe(INPUT_WRITE_REQ, 11) << 3 << 11;
    QTest::newRow("inputs: then output 1") << 3 << 11 << Describe(OUTPUT_WRITE_REQ, 1) << 4 << 1;
    QTest::newRow("inputs: beyond 11 also output 1") << 3 << 40 << Describe(OUTPUT_WRITE_REQ, 1) << 4 << 1;
    QTest::newRow("outputs: next output") << 4 << 1 << Describe(OUTPUT_WRITE_REQ, 2) << 4 << 2;
    QTest::newRow("outputs: output 34") << 4 << 33 << Describe(OUTPUT_WRITE_REQ, 34) << 4 << 34;
    QTest::newRow("outputs: then low battery") << 4 << 34 << Describe(LOW_BATTERY_WRITE_REQ) << 5 << 34;
    QTest::newRow("low battery waits") << 5 << 0 << QString() << 5 << 0;
    QTest::newRow("CAN setup waits") << 6 << 0 << QString() << 6 << 0;
    QTest::newRow("CAN setup read waits") << 7 << 0 << QString() << 7 << 0;
    QTest::newRow("CAN input block") << 8 << 31 << Describe(CAN_INPUT_WRITE_REQ, 31) << 8 << 31;
    QTest::newRow("CAN input block out of range") << 8 << 32 << QString() << 8 << 32;
    QTest::newRow("CAN input request") << 9 << 5 << Describe(CAN_INPUT_READ_REQ, 5) << 9 << 5;
    QTest::newRow("virtual input block") << 10 << 19 << Describe(VIRTUAL_INPUT_WRITE_REQ, 19) << 10 << 19;
    QTest::newRow("virtual input request") << 11 << 7 << Describe(VIRTUAL_INPUT_READ_REQ, 7) << 11 << 7;
    QTest::newRow("start/kill block") << 12 << 0 << Describe(START_KILL_WRITE_REQ) << 12 << 0;
    QTest::newRow("start/kill request") << 13 << 0 << Describe(START_KILL_READ_REQ) << 13 << 0;
    QTest::newRow("PWM block") << 14 << 0 << Describe(PWM_WRITE_REQ) << 14 << 0;
    QTest::newRow("PWM request") << 15 << 0 << Describe(PWM_READ_REQ) << 15 << 0;
    QTest::newRow("flash block") << 16 << 4 << Describe(FLASH_WRITE_REQ, 4) << 16 << 4;
    QTest::newRow("flash request") << 17 << 2 << Describe(FLASH_READ_REQ, 2) << 17 << 2;
    QTest::newRow("wiper block") << 18 << 0 << Describe(WIPER_WRITE_REQ) << 18 << 0;
    QTest::newRow("wiper request") << 19 << 5 << Describe(WIPER_READ_REQ) << 19 << 5;
    QTest::newRow("export 1 request") << 20 << 0 << Describe(CAN_EXPORT1_READ_REQ) << 20 << 0;
    QTest::newRow("export 1 block") << 21 << 0 << Describe(CAN_EXPORT1_WRITE_REQ) << 21 << 0;
    QTest::newRow("exports request 0") << 22 << 0 << Describe(CAN_EXPORT_READ_REQ, 0) << 22 << 0;
    QTest::newRow("exports request 1") << 22 << 1 << Describe(CAN_EXPORT_READ_REQ, 1) << 22 << 1;
    QTest::newRow("exports request 2") << 22 << 2 << Describe(CAN_EXPORT_READ_REQ, 2) << 22 << 2;
    QTest::newRow("exports request beyond is 2") << 22 << 9 << Describe(CAN_EXPORT_READ_REQ, 2) << 22 << 9;
    QTest::newRow("exports block 2") << 23 << 2 << Describe(CAN_EXPORT_WRITE_REQ, 2) << 23 << 2;
    QTest::newRow("exports block out of range") << 23 << 3 << QString() << 23 << 3;
    QTest::newRow("CAN enable request") << 24 << 0 << Describe(CAN_INPUT_ENABLE_READ_REQ) << 24 << 0;
    QTest::newRow("CAN enable block") << 25 << 0 << Describe(CAN_INPUT_ENABLE_WRITE_REQ) << 25 << 0;
    QTest::newRow("name request") << 26 << 0 << Describe(NAME_READ_REQ) << 26 << 0;
    QTest::newRow("name block") << 27 << 0 << Describe(NAME_WRITE_REQ) << 27 << 0;
    QTest::newRow("state 2 does not occur") << 2 << 0 << QString() << 2 << 0;
    QTest::newRow("no such state") << 99 << 0 << QString() << 99 << 0;
}

void TestTransferSequencer::stepSendsTheStatesFrame()
{
    QFETCH(int, state);
    QFETCH(int, position);
    QFETCH(QString, sent);
    QFETCH(int, newState);
    QFETCH(int, newPosition);
    seq->SetState(state, position);
    seq->StepSequencer();
    QCOMPARE(host->Sent(), sent.isEmpty() ? QStringList() : QStringList{sent});
    QCOMPARE(seq->State(), newState);
    QCOMPARE(seq->Position(), newPosition);
    for (const QByteArray& f : host->SentFrames())
        QVERIFY(FrameChecksumValid(reinterpret_cast<const std::uint8_t*>(f.constData()), int(f.size())));
}

// ---------------------------------------------------------------------------
// Every answer, whatever the state.

void TestTransferSequencer::answersMoveTheSequencer_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("position");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<int>("newState");
    QTest::addColumn<int>("newPosition");
    QTest::addColumn<bool>("ended");

    const auto b = [](std::uint8_t c, int len, int index = -1) {
        std::vector<std::uint8_t> p(std::size_t(len - 4), 0);
        if (index >= 0) p[0] = std::uint8_t(index);
        return Answer(c, p);
    };
    using L = QStringList;
    // Upload.
    QTest::newRow("input written") << 3 << 4 << Answer(INPUT_WRITE_CFM) << L{Describe(INPUT_WRITE_REQ, 5)} << 3 << 5 << false;
    QTest::newRow("output written") << 4 << 34 << Answer(OUTPUT_WRITE_CFM) << L{Describe(LOW_BATTERY_WRITE_REQ)} << 5 << 34 << false;
    QTest::newRow("output written while idle runs idle") << 0 << 0 << Answer(OUTPUT_WRITE_CFM) << L{} << 0 << 0 << false;
    QTest::newRow("low battery written") << 5 << 34 << Answer(LOW_BATTERY_WRITE_CFM) << L{Describe(CAN_SETUP_WRITE_REQ)} << 6 << 34 << false;
    QTest::newRow("low battery written in any state") << 0 << 7 << Answer(LOW_BATTERY_WRITE_CFM) << L{Describe(CAN_SETUP_WRITE_REQ)} << 6 << 7 << false;
    QTest::newRow("CAN setup written") << 6 << 34 << Answer(CAN_SETUP_WRITE_CFM) << L{Describe(START_KILL_WRITE_REQ)} << 12 << 0 << false;
    QTest::newRow("start/kill written") << 12 << 0 << Answer(START_KILL_WRITE_CFM) << L{Describe(CAN_INPUT_WRITE_REQ, 0)} << 8 << 0 << false;
    QTest::newRow("CAN input 0 written") << 8 << 0 << Answer(CAN_INPUT_WRITE_CFM, {0}) << L{Describe(CAN_INPUT_WRITE_REQ, 1)} << 8 << 1 << false;
    QTest::newRow("CAN input 30 written") << 8 << 30 << Answer(CAN_INPUT_WRITE_CFM, {30}) << L{Describe(CAN_INPUT_WRITE_REQ, 31)} << 8 << 31 << false;
    QTest::newRow("CAN input 31 written") << 8 << 31 << Answer(CAN_INPUT_WRITE_CFM, {31}) << L{Describe(CAN_INPUT_ENABLE_WRITE_REQ)} << 25 << 0 << false;
    QTest::newRow("CAN input 255 written") << 8 << 3 << Answer(CAN_INPUT_WRITE_CFM, {255}) << L{Describe(CAN_INPUT_ENABLE_WRITE_REQ)} << 25 << 0 << false;
    QTest::newRow("CAN input written without index") << 8 << 5 << Answer(CAN_INPUT_WRITE_CFM) << L{Describe(CAN_INPUT_WRITE_REQ, 1)} << 8 << 1 << false;
    QTest::newRow("CAN enable written") << 25 << 0 << Answer(CAN_INPUT_ENABLE_WRITE_CFM) << L{Describe(NAME_WRITE_REQ)} << 27 << 0 << false;
    QTest::newRow("name written") << 27 << 0 << Answer(NAME_WRITE_CFM) << L{Describe(VIRTUAL_INPUT_WRITE_REQ, 0)} << 10 << 0 << false;
    QTest::newRow("virtual input 18 written") << 10 << 18 << Answer(VIRTUAL_INPUT_WRITE_CFM, {18}) << L{Describe(VIRTUAL_INPUT_WRITE_REQ, 19)} << 10 << 19 << false;
    QTest::newRow("virtual input 19 written") << 10 << 19 << Answer(VIRTUAL_INPUT_WRITE_CFM, {19}) << L{Describe(FLASH_WRITE_REQ, 0)} << 16 << 0 << false;
    QTest::newRow("virtual input 200 written") << 10 << 2 << Answer(VIRTUAL_INPUT_WRITE_CFM, {200}) << L{Describe(FLASH_WRITE_REQ, 0)} << 16 << 0 << false;
    QTest::newRow("flash 0 written") << 16 << 0 << Answer(FLASH_WRITE_CFM, {0}) << L{Describe(FLASH_WRITE_REQ, 1)} << 16 << 1 << false;
    QTest::newRow("flash 4 written") << 16 << 4 << Answer(FLASH_WRITE_CFM, {4}) << L{Describe(WIPER_WRITE_REQ)} << 18 << 0 << false;
    QTest::newRow("flash 5 written") << 16 << 2 << Answer(FLASH_WRITE_CFM, {5}) << L{Describe(WIPER_WRITE_REQ)} << 18 << 0 << false;
    QTest::newRow("flash 9 written resends") << 16 << 2 << Answer(FLASH_WRITE_CFM, {9}) << L{Describe(FLASH_WRITE_REQ, 2)} << 16 << 2 << false;
    QTest::newRow("wiper written") << 18 << 0 << Answer(WIPER_WRITE_CFM) << L{Describe(PWM_WRITE_REQ)} << 14 << 0 << false;
    QTest::newRow("PWM written") << 14 << 0 << Answer(PWM_WRITE_CFM) << L{Describe(CAN_EXPORT1_WRITE_REQ)} << 21 << 0 << false;
    QTest::newRow("export 1 written") << 21 << 0 << Answer(CAN_EXPORT1_WRITE_CFM) << L{Describe(CAN_EXPORT_WRITE_REQ, 0)} << 23 << 0 << false;
    QTest::newRow("export 0 written") << 23 << 0 << Answer(CAN_EXPORT_WRITE_CFM, {0}) << L{Describe(CAN_EXPORT_WRITE_REQ, 1)} << 23 << 1 << false;
    QTest::newRow("export 1 of 3 written") << 23 << 1 << Answer(CAN_EXPORT_WRITE_CFM, {1}) << L{Describe(CAN_EXPORT_WRITE_REQ, 2)} << 23 << 2 << false;
    QTest::newRow("export 2 written ends") << 23 << 2 << Answer(CAN_EXPORT_WRITE_CFM, {2}) << L{} << 0 << 0 << true;
    QTest::newRow("export 7 written ends") << 23 << 2 << Answer(CAN_EXPORT_WRITE_CFM, {7}) << L{} << 0 << 0 << true;
    // Read.
    QTest::newRow("input 1 read") << 1 << 0 << b(INPUT_READ_CFM, INPUT_BLOCK_LENGTH, 1) << L{} << 1 << 0 << false;
    QTest::newRow("input 11 read") << 1 << 0 << b(INPUT_READ_CFM, INPUT_BLOCK_LENGTH, 11) << L{Describe(OUTPUT_READ_REQ, 0xFF)} << 1 << 0 << false;
    QTest::newRow("input read during upload runs it") << 3 << 2 << b(INPUT_READ_CFM, INPUT_BLOCK_LENGTH, 4) << L{Describe(INPUT_WRITE_REQ, 3)} << 3 << 3 << false;
    QTest::newRow("output 33 read") << 1 << 0 << b(OUTPUT_READ_CFM, OUTPUT_BLOCK_LENGTH, 33) << L{} << 1 << 0 << false;
    QTest::newRow("output 34 read") << 1 << 0 << b(OUTPUT_READ_CFM, OUTPUT_BLOCK_LENGTH, 34) << L{Describe(LOW_BATTERY_READ_REQ)} << 1 << 0 << false;
    QTest::newRow("low battery read") << 1 << 0 << b(LOW_BATTERY_READ_CFM, LOW_BATTERY_BLOCK_LENGTH) << L{Describe(CAN_SETUP_READ_REQ)} << 7 << 0 << false;
    QTest::newRow("CAN setup read") << 7 << 4 << b(CAN_SETUP_READ_CFM, CAN_SETUP_BLOCK_LENGTH) << L{Describe(CAN_INPUT_READ_REQ, 0)} << 9 << 0 << false;
    QTest::newRow("CAN input 0 read") << 9 << 0 << b(CAN_INPUT_READ_CFM, CAN_INPUT_BLOCK_LENGTH, 0) << L{Describe(CAN_INPUT_READ_REQ, 1)} << 9 << 1 << false;
    QTest::newRow("CAN input 31 read") << 9 << 31 << b(CAN_INPUT_READ_CFM, CAN_INPUT_BLOCK_LENGTH, 31) << L{Describe(CAN_INPUT_ENABLE_READ_REQ)} << 24 << 31 << false;
    QTest::newRow("CAN input 77 read") << 9 << 4 << b(CAN_INPUT_READ_CFM, CAN_INPUT_BLOCK_LENGTH, 77) << L{Describe(CAN_INPUT_ENABLE_READ_REQ)} << 24 << 4 << false;
    QTest::newRow("CAN enable read") << 24 << 31 << b(CAN_INPUT_ENABLE_READ_CFM, CAN_INPUT_ENABLE_BLOCK_LENGTH) << L{Describe(NAME_READ_REQ)} << 26 << 0 << false;
    QTest::newRow("name read") << 26 << 0 << b(NAME_READ_CFM, NAME_BLOCK_LENGTH) << L{Describe(VIRTUAL_INPUT_READ_REQ, 0)} << 11 << 0 << false;
    QTest::newRow("virtual input 5 read") << 11 << 5 << b(VIRTUAL_INPUT_READ_CFM, VIRTUAL_INPUT_BLOCK_LENGTH, 5) << L{Describe(VIRTUAL_INPUT_READ_REQ, 6)} << 11 << 6 << false;
    QTest::newRow("virtual input 19 read") << 11 << 19 << b(VIRTUAL_INPUT_READ_CFM, VIRTUAL_INPUT_BLOCK_LENGTH, 19) << L{Describe(START_KILL_READ_REQ)} << 13 << 0 << false;
    QTest::newRow("virtual input 20 read") << 11 << 3 << b(VIRTUAL_INPUT_READ_CFM, VIRTUAL_INPUT_BLOCK_LENGTH, 20) << L{Describe(START_KILL_READ_REQ)} << 13 << 0 << false;
    QTest::newRow("start/kill read") << 13 << 0 << b(START_KILL_READ_CFM, START_KILL_BLOCK_LENGTH) << L{Describe(FLASH_READ_REQ, 0)} << 17 << 0 << false;
    QTest::newRow("flash 3 read") << 17 << 3 << b(FLASH_READ_CFM, FLASH_BLOCK_LENGTH, 3) << L{Describe(FLASH_READ_REQ, 4)} << 17 << 4 << false;
    QTest::newRow("flash 4 read") << 17 << 4 << b(FLASH_READ_CFM, FLASH_BLOCK_LENGTH, 4) << L{Describe(WIPER_READ_REQ)} << 19 << 5 << false;
    QTest::newRow("flash 6 read") << 17 << 2 << b(FLASH_READ_CFM, FLASH_BLOCK_LENGTH, 6) << L{Describe(WIPER_READ_REQ)} << 19 << 2 << false;
    QTest::newRow("wiper read") << 19 << 5 << b(WIPER_READ_CFM, WIPER_BLOCK_LENGTH) << L{Describe(PWM_READ_REQ)} << 15 << 0 << false;
    QTest::newRow("PWM read") << 15 << 0 << b(PWM_READ_CFM, PWM_BLOCK_LENGTH) << L{Describe(CAN_EXPORT1_READ_REQ)} << 20 << 0 << false;
    QTest::newRow("export 1 read") << 20 << 0 << b(CAN_EXPORT1_READ_CFM, CAN_EXPORT1_BLOCK_LENGTH) << L{Describe(CAN_EXPORT_READ_REQ, 0)} << 22 << 0 << false;
    QTest::newRow("export 2 read") << 22 << 0 << b(CAN_EXPORT_READ_CFM, CAN_EXPORT_BLOCK_LENGTH, 0) << L{Describe(CAN_EXPORT_READ_REQ, 1)} << 22 << 1 << false;
    QTest::newRow("export 3 read") << 22 << 1 << b(CAN_EXPORT_READ_CFM, CAN_EXPORT_BLOCK_LENGTH, 1) << L{Describe(CAN_EXPORT_READ_REQ, 2)} << 22 << 2 << false;
    QTest::newRow("export 4 read ends") << 22 << 2 << b(CAN_EXPORT_READ_CFM, CAN_EXPORT_BLOCK_LENGTH, 2) << L{} << 0 << 0 << true;
    QTest::newRow("export selector 3 ends") << 22 << 2 << b(CAN_EXPORT_READ_CFM, CAN_EXPORT_BLOCK_LENGTH, 3) << L{} << 0 << 0 << true;
}

void TestTransferSequencer::answersMoveTheSequencer()
{
    QFETCH(int, state);
    QFETCH(int, position);
    QFETCH(QByteArray, answer);
    QFETCH(QStringList, sent);
    QFETCH(int, newState);
    QFETCH(int, newPosition);
    QFETCH(bool, ended);
    seq->SetState(state, position);
    Deliver(answer);
    QCOMPARE(host->Sent(), sent);
    QCOMPARE(seq->State(), newState);
    QCOMPARE(seq->Position(), newPosition);
    QCOMPARE(seq->EndedTransfers(), ended ? 1 : 0);
    // The end closes the progress window and asks for the name propagation.
    const QStringList endCalls{QStringLiteral("close"), QStringLiteral("names")};
    QCOMPARE(host->calls, ended ? endCalls : QStringList());
}

void TestTransferSequencer::answersDecodeOnlyInRange_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("decoded");
    QTest::newRow("CAN input 31") << int(CAN_INPUT_READ_CFM) << 31 << true;
    QTest::newRow("CAN input 32") << int(CAN_INPUT_READ_CFM) << 32 << false;
    QTest::newRow("virtual input 19") << int(VIRTUAL_INPUT_READ_CFM) << 19 << true;
    QTest::newRow("virtual input 20") << int(VIRTUAL_INPUT_READ_CFM) << 20 << false;
    QTest::newRow("flash 4") << int(FLASH_READ_CFM) << 4 << true;
    QTest::newRow("flash 5") << int(FLASH_READ_CFM) << 5 << false;
    QTest::newRow("export 4") << int(CAN_EXPORT_READ_CFM) << 2 << true;
    QTest::newRow("export selector 3") << int(CAN_EXPORT_READ_CFM) << 3 << false;
}

void TestTransferSequencer::answersDecodeOnlyInRange()
{
    QFETCH(int, command);
    QFETCH(int, index);
    QFETCH(bool, decoded);
    // A block whose every other byte is 0x41 changes whatever record it reaches.
    const auto kind = BlockKindOfCommand(std::uint8_t(command));
    QVERIFY(kind.has_value());
    int length = 0;
    switch (*kind) {
    case BlockKind::CanInput: length = CAN_INPUT_BLOCK_LENGTH; break;
    case BlockKind::VirtualInput: length = VIRTUAL_INPUT_BLOCK_LENGTH; break;
    case BlockKind::Flash: length = FLASH_BLOCK_LENGTH; break;
    default: length = CAN_EXPORT_BLOCK_LENGTH; break;
    }
    std::vector<std::uint8_t> payload(std::size_t(length - 4), 0x41);
    payload[0] = std::uint8_t(index);
    const QByteArray before = ModelText(*model);
    Deliver(Answer(std::uint8_t(command), payload));
    QCOMPARE(ModelText(*model) != before, decoded);
}

void TestTransferSequencer::fifthFlashAnswerAsksForTheWiperOnce()
{
    seq->SetState(SEQ_READ_FLASH, 0);
    for (int i = 0; i < 5; ++i) {
        std::vector<std::uint8_t> p(FLASH_BLOCK_LENGTH - 4, 0);
        p[0] = std::uint8_t(i);
        Deliver(Answer(FLASH_READ_CFM, p));
    }
    const QStringList sent = host->Sent();
    QCOMPARE(sent.count(Describe(WIPER_READ_REQ)), 1);
    QCOMPARE(sent.last(), Describe(WIPER_READ_REQ));
    QCOMPARE(sent.size(), 5);  // flash 1 to 4 requested, then the wiper
    QCOMPARE(seq->State(), int(SEQ_READ_WIPER));
}

void TestTransferSequencer::factoryConfirmationClosesTheProgress()
{
    seq->SetState(SEQ_UPLOAD_OUTPUTS, 7);
    Deliver(Answer(FACTORY_DEFAULT_CFM));
    QCOMPARE(host->calls, QStringList{QStringLiteral("close")});
    QCOMPARE(seq->State(), int(SEQ_UPLOAD_OUTPUTS));
    QVERIFY(host->Sent().isEmpty());
}

// ---------------------------------------------------------------------------
// The commands' checks.

void TestTransferSequencer::commandsRefusedWithoutConnection_data()
{
    QTest::addColumn<int>("command");  // 0 read, 1 upload, 2 default
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("firmwareBusy");
    for (int c = 0; c < 3; ++c) {
        const char* name = c == 0 ? "read" : c == 1 ? "upload" : "default";
        QTest::addRow("%s, not connected", name) << c << false << false;
        QTest::addRow("%s, firmware update", name) << c << true << true;
    }
}

void TestTransferSequencer::commandsRefusedWithoutConnection()
{
    QFETCH(int, command);
    QFETCH(bool, connected);
    QFETCH(bool, firmwareBusy);
    host->connected = connected;
    host->firmwareBusy = firmwareBusy;
    host->monitorAway = true;
    if (command == 0) seq->Read();
    if (command == 1) seq->Upload();
    if (command == 2) seq->FactoryDefault();
    QCOMPARE(host->messages, QStringList{NotConnectedText()});
    QCOMPARE(host->calls, QStringList{QStringLiteral("message")});
    QVERIFY(host->tx.entries.isEmpty());
    QCOMPARE(seq->State(), 0);
}

void TestTransferSequencer::versionCheckDecides_data()
{
    QTest::addColumn<bool>("upload");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("message");
    for (bool upload : {false, true}) {
        const char* name = upload ? "upload" : "read";
        QTest::addRow("%s, timed out", name) << upload << int(VersionCheckResult::TimedOut) << VersionTimeoutText();
        QTest::addRow("%s, wrong version", name) << upload << int(VersionCheckResult::WrongVersion) << WrongVersionText();
    }
}

void TestTransferSequencer::versionCheckDecides()
{
    QFETCH(bool, upload);
    QFETCH(int, result);
    QFETCH(QString, message);
    host->version = VersionCheckResult(result);
    upload ? seq->Upload() : seq->Read();
    QCOMPARE(host->messages, QStringList{message});
    QVERIFY(host->tx.entries.isEmpty());
    QCOMPARE(host->progressRuns, 0);
    QVERIFY(!host->busy);
    QVERIFY(!seq->CommandRunning());
}

void TestTransferSequencer::monitorResetPausesOnlyWhenMoved_data()
{
    QTest::addColumn<bool>("away");
    QTest::addColumn<QList<int>>("pauses");
    QTest::newRow("at its first entry") << false << QList<int>{};
    QTest::newRow("elsewhere") << true << QList<int>{MONITOR_RESET_PAUSE_MS};
}

void TestTransferSequencer::monitorResetPausesOnlyWhenMoved()
{
    QFETCH(bool, away);
    QFETCH(QList<int>, pauses);
    host->monitorAway = away;
    host->version = VersionCheckResult::TimedOut;
    seq->Read();
    QCOMPARE(host->pauses, pauses);
    // The reset and its pause come before the version check.
    QCOMPARE(host->calls.indexOf(QStringLiteral("monitor")), 0);
    QCOMPARE(host->calls.at(away ? 2 : 1), QStringLiteral("version"));
}

void TestTransferSequencer::factoryQuestionAnsweredNoSendsNothing()
{
    host->answers = {MessageAnswer::No};
    seq->FactoryDefault();
    QCOMPARE(host->messages, QStringList{FactoryQuestionText()});
    QVERIFY(host->tx.entries.isEmpty());
    QCOMPARE(host->progressRuns, 0);
    QVERIFY(!host->calls.contains(QStringLiteral("version")));
}

QTEST_GUILESS_MAIN(TestTransferSequencer)
#include "moc_test_transfer_sequencer.cpp"
