// A whole Read and a whole Upload through the link thread against the simulated
// module paced at 38400 baud 8N2, each next to the shortest time the wire and the
// link loop's pauses allow for exactly those messages.
//
// The version check before a command is left out: it waits for the heartbeat's next
// version answer and then 500 ms, a fixed cost that says nothing about the transfer.

#include "link/AdapterBackend.h"
#include "link/FrameCodec.h"
#include "link/UsbThread.h"
#include "protocol/Dispatcher.h"
#include "protocol/MessageCatalogue.h"
#include "protocol/TransferSequencer.h"
#include "sim/Simulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <vector>

using namespace relvane;

namespace {

constexpr double kByteMs = 11.0 * 1000.0 / 38400.0;  // start, 8 data, 2 stop bits
// The link loop's nominal pauses.
constexpr double kPassWaitMs = LINK_PASS_WAIT_MS;  // before each read
constexpr double kReadTimeoutMs = 5;               // the read waits this long for a first byte
constexpr double kAfterChunkMs = 1 + 5;            // after a received chunk is handed over
constexpr double kAfterWriteMs = 2;                // after a complete write

class BenchHost : public TransferHost {
public:
    explicit BenchHost(UsbThread& link) : link_(link) {}
    bool Connected() const override { return true; }
    bool FirmwareBusy() const override { return false; }
    TxSink& TxQueue() override { return link_; }
    bool ResetMonitorSelection() override { return false; }
    void PauseMs(int ms) override { QThread::msleep(static_cast<unsigned long>(ms)); }
    VersionCheckResult RunVersionCheck() override
    {
        started.start();
        return VersionCheckResult::Accepted;
    }
    ProgressEnd RunProgress(const std::function<void()>&) override
    {
        const ProgressEnd end = progress.Run();
        elapsedMs = double(started.nsecsElapsed()) / 1e6;
        return end;
    }
    void CloseProgress() override { progress.Close(); }
    void SetTransferBusy(bool) override {}
    void RequestNamePropagation() override {}
    void SetTitleSourceModule() override {}
    void ShowMessage(const QString& text) override { std::printf("# message: %s\n", qPrintable(text)); }
    bool AskYesNo(const QString&) override { return false; }

    UsbThread& link_;
    HeadlessProgress progress;
    QElapsedTimer started;
    double elapsedMs = 0;
};

int WireBytes(const QByteArray& frame)
{
    std::uint8_t out[ENCODED_FRAME_MAX];
    return EncodeFrame(reinterpret_cast<const std::uint8_t*>(frame.constData()), int(frame.size()), out);
}

struct Exchange {
    int requestBytes;
    std::vector<int> answerBytes;  // the answers this request brings, in order
};

// The time from the first request on the wire to the read of the last answer when
// nothing but the wire and the loop's nominal pauses cost time: after a write the loop
// sleeps 2 ms, waits 10 ms, then reads what has arrived (waiting up to 5 ms for a
// first byte); after a chunk it pauses 6 ms and writes the request that chunk
// completed. The module reads a request at wire speed and answers at once.
double LoopBoundMs(const std::vector<Exchange>& chain)
{
    double write = 0;
    double end = 0;
    for (const Exchange& e : chain) {
        const double requestDone = write + e.requestBytes * kByteMs;
        int total = 0;
        for (int b : e.answerBytes) total += b;
        const double firstByte = requestDone + kByteMs;
        const double lastByte = requestDone + total * kByteMs;
        double t = write + kAfterWriteMs;
        for (;;) {
            t += kPassWaitMs;
            if (firstByte > t) {
                if (firstByte > t + kReadTimeoutMs) {
                    t += kReadTimeoutMs;
                    continue;
                }
                t = firstByte;
            }
            if (lastByte <= t)
                break;
            t += kAfterChunkMs;  // a part of the answers: no request completed yet
        }
        end = t;
        write = t + kAfterChunkMs;
    }
    return end;
}

double WireOnlyMs(const std::vector<Exchange>& chain)
{
    double ms = 0;
    for (const Exchange& e : chain) {
        ms += e.requestBytes * kByteMs;
        for (int b : e.answerBytes) ms += b * kByteMs;
    }
    return ms;
}

std::vector<Exchange> ChainOf(const QList<QByteArray>& requests, const QList<QByteArray>& answers)
{
    std::vector<Exchange> chain;
    int a = 0;
    for (const QByteArray& r : requests) {
        Exchange e{WireBytes(r), {}};
        const auto command = std::uint8_t(r[3]);
        // The two read-all requests bring every input and every output.
        const int n = command == INPUT_READ_REQ ? 11 : command == OUTPUT_READ_REQ ? 34 : 1;
        for (int i = 0; i < n && a < answers.size(); ++i) e.answerBytes.push_back(WireBytes(answers.at(a++)));
        chain.push_back(e);
    }
    return chain;
}

bool Report(const char* name, BenchHost& host, sim::Simulator& simulator, int expectedRequests)
{
    const QList<QByteArray> requests = simulator.ReceivedFrames();
    const QList<QByteArray> answers = simulator.SentFrames();
    if (requests.size() != expectedRequests) {
        std::printf("%s: FAILED (%lld requests, expected %d)\n", name, static_cast<long long>(requests.size()),
                    expectedRequests);
        return false;
    }
    const std::vector<Exchange> chain = ChainOf(requests, answers);
    const double bound = LoopBoundMs(chain);
    std::printf("# %s: %lld frames out, %lld frames back; wire alone %.0f ms, wire and link loop %.0f ms\n", name,
                static_cast<long long>(requests.size()), static_cast<long long>(answers.size()), WireOnlyMs(chain),
                bound);
    std::printf("%s: %.0f ms (target <= %.0f ms, 1.25 x the bound %.0f ms)\n", name, host.elapsedMs, bound * 1.25,
                bound);
    return host.elapsedMs <= bound * 1.25;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    sim::SimulatorOptions o;
    o.description = QStringLiteral("Relvane Transfer Bench");
    o.adapterDir = dir.path();
    o.fast = false;  // 38400 baud, 11 bits a byte
    sim::Simulator simulator(o);
    QString error;
    if (!simulator.Start(&error)) {
        std::printf("transfer: FAILED (simulator: %s)\n", qPrintable(error));
        return 1;
    }
    DirectoryBackend backend(dir.path());
    UsbThread link(backend);
    Dispatcher dispatcher(&link);
    SlipReceiver receiver(&dispatcher);
    link.SetFrameReceiver(&receiver);
    if (!link.Open(o.description)) {
        std::printf("transfer: FAILED (cannot open the simulator)\n");
        return 1;
    }
    ConfigModel model;
    BenchHost host(link);
    TransferSequencer seq(model, host);
    dispatcher.AddHandler(&seq);

    std::printf("# bound: every message at 11 bits a byte (38400 baud 8N2, SLIP framing included),\n"
                "# plus the link loop's pauses: after a write 2 ms, then 10 ms before each read, a read\n"
                "# waits up to 5 ms for a first byte, and after a received chunk 6 ms before the next\n"
                "# request is written; the module answers as soon as a request is in\n");
    QThread::msleep(100);
    simulator.ClearObservations();
    seq.Read();
    QThread::msleep(50);
    const bool readOk = Report("transfer_read", host, simulator, 70);

    simulator.ClearObservations();
    seq.Upload();
    QThread::msleep(50);
    const bool uploadOk = Report("transfer_upload", host, simulator, 113);

    dispatcher.RemoveHandler(&seq);
    link.Stop();
    link.Join(5000);
    simulator.Stop();
    return readOk && uploadOk ? 0 : 1;
}
