// Programming a full 0x1F800-byte image through the bootloader, then comparing the
// 0xFC00 bytes of the firmware compare, against the simulated module paced at 38400
// baud 8N2, through the core classes (FirmwareUpdate, FirmwareCompare) and the real
// link thread over the simulator's pseudo-terminal.
//
// Each figure stands next to the least time the wire and the link loop allow. The
// exchanges are strictly one after the other (the next string leaves only after the
// module's answer to the last one has been read), so each step takes at least
//   max(its bytes on the wire x 11 bits / 38400, the 10 ms wait + read + 2 ms after a write)
//   + the 1 ms pause and 5 ms wait that follow every received chunk,
// and the bound is the sum over the steps.

#include "firmware/FirmwareCompare.h"
#include "firmware/FirmwareUpdate.h"
#include "link/AdapterBackend.h"
#include "link/FrameCodec.h"
#include "link/UsbThread.h"
#include "protocol/MessageCatalogue.h"
#include "sim/FirmwareSim.h"
#include "sim/Simulator.h"
#include "tests/firmware/FirmwareTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace relvane;

namespace {

constexpr double kByteMs = 11.0 * 1000.0 / 38400.0;  // 8N2: start, 8 data, 2 stop bits
constexpr double kAfterWriteMs = 10.0 + 2.0;         // 2 ms after a write, 10 ms before the read
constexpr double kAfterChunkMs = 1.0 + 5.0;          // after every received chunk
constexpr double kTargetFactor = 1.25;

// The last record ends one byte short of the image's end: a record reaching its last
// byte is skipped by the reader, so 0x1F7FF keeps the fill value.
constexpr std::uint32_t kImageLast = 0x1F7FE;

std::uint8_t ImageByte(std::uint32_t a) { return std::uint8_t((a * 29 + (a >> 8) * 7 + 0x11) & 0xFF); }

struct Bound {
    double wireMs = 0;   // bytes on the wire x 11 / 38400
    double loopMs = 0;   // the link loop's minimum per step
    double totalMs = 0;  // the sum of the per-step maxima, plus the chunk pauses
    qint64 bytes = 0;
    int steps = 0;
    int afterWrite = 0;   // steps that begin with a write of the tool
    int chunkPauses = 0;  // steps whose answer is followed by the pauses after a chunk
    int wireDominated = 0;

    // One exchange: `bytes` on the wire between the tool's write and the read of the
    // answer. `last`: the figure stops when the answer has been handled. `first`: the
    // module speaks first, so no write of the tool comes before the read.
    void Step(int stepBytes, bool last = false, bool first = false)
    {
        const double wire = stepBytes * kByteMs;
        const double loop = first ? 0.0 : kAfterWriteMs;
        bytes += stepBytes;
        wireMs += wire;
        loopMs += loop + (last ? 0 : kAfterChunkMs);
        totalMs += std::max(wire, loop) + (last ? 0 : kAfterChunkMs);
        if (wire > loop) ++wireDominated;
        if (!first) ++afterWrite;
        if (!last) ++chunkPauses;
        ++steps;
    }
};

int EncodedLength(const Frame& f)
{
    std::uint8_t out[ENCODED_FRAME_MAX];
    return EncodeFrame(f.data(), f.length(), out);
}

// Runs the event loop until done() or the time limit; false on time-out.
bool RunUntil(const std::function<bool()>& done, int limitMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

struct UpdateView : FirmwareUpdateView {
    QString last;
    void ShowMessage(const QString& text) override { last = text; }
    void SetProgress(int) override {}
};

struct CompareView : FirmwareCompareView {
    QString last;
    void ShowMessage(const QString& text) override { last = text; }
    void AddStatusLine(const QString&) override {}
    void AddFileLine(const QString&) override {}
    void AddTargetLine(const QString&) override {}
    void ClearFileLines() override {}
    void ClearTargetLines() override {}
    void SetProgress(int) override {}
    void SetPercentText(const QString&) override {}
};

// When each answer of the module was handled, to see the steps' spread.
struct StepClock {
    QElapsedTimer clock;
    std::vector<qint64> at;  // ns
    void Mark() { at.push_back(clock.nsecsElapsed()); }
    // The median time between two answers, ms.
    double MedianStepMs() const
    {
        std::vector<qint64> d;
        for (std::size_t i = 1; i < at.size(); ++i)
            d.push_back(at[i] - at[i - 1]);
        if (d.empty())
            return 0;
        std::nth_element(d.begin(), d.begin() + long(d.size() / 2), d.end());
        return double(d[d.size() / 2]) / 1e6;
    }
};

struct RawToUpdate : RawByteHandler {
    FirmwareUpdate* update = nullptr;
    StepClock steps;
    void OnRawByte(std::uint8_t b) override
    {
        if (b == FirmwareUpdate::GO && update->state() == FirmwareUpdate::Sending)
            steps.Mark();
        update->HandleByte(b);
    }
};

struct FramesToCompare : FrameSink {
    FirmwareCompare* compare = nullptr;
    StepClock steps;
    void DispatchFrame(const std::uint8_t* frame, int count) override
    {
        if (count > 3 && frame[3] == 0xDD)
            steps.Mark();
        compare->OnToolFrame(frame, count);
    }
};

void Report(const char* name, double measuredMs, const Bound& b, const char* what, const StepClock& steps)
{
    const double ratio = measuredMs / b.totalMs;
    std::printf("%s: %.2f s (target <= %.2f s, %.2f x the bound %.2f s)\n", name, measuredMs / 1000.0,
                kTargetFactor * b.totalMs / 1000.0, kTargetFactor, b.totalMs / 1000.0);
    std::printf("%s_ratio: %.3f x bound (target <= %.2f)\n", name, ratio, kTargetFactor);
    // A loaded machine delays single steps (a late wake-up costs a whole extra pass of
    // the link loop); the median step shows what an undisturbed step takes.
    const double median = steps.MedianStepMs();
    const double perStepBound = b.totalMs / b.steps;
    std::printf("%s_median_step: %.2f ms (target <= %.2f ms, 1.25 x the bound's mean step %.2f ms)\n",
                name, median, kTargetFactor * perStepBound, perStepBound);
    std::printf("  bound of %s: %d steps; wire %lld bytes x 11 bits / 38400 baud = %.2f s; link loop "
                "%d x (10 ms + read + 2 ms) + %d x (1 + 5 ms after a chunk) = %.2f s; per step the "
                "wire dominates in %d, the link loop in %d; sum of the per-step maxima %.2f s\n",
                what, b.steps, static_cast<long long>(b.bytes), b.wireMs / 1000.0, b.afterWrite, b.chunkPauses,
                b.loopMs / 1000.0, b.wireDominated, b.steps - b.wireDominated, b.totalMs / 1000.0);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString hexPath = test::WriteFile(dir, QStringLiteral("full.hex"),
                                            test::HexText(0, kImageLast, ImageByte) + test::EndRecord() + "\n");
    if (hexPath.isEmpty()) {
        std::fprintf(stderr, "bench_firmware: cannot write the HEX file\n");
        return 1;
    }

    sim::SimulatorOptions options;
    options.description = QStringLiteral("Relvane Bench Firmware");
    options.adapterDir = dir.filePath(QStringLiteral("adapters"));
    options.fast = false;  // 38400 baud 8N2 in both directions
    QDir().mkpath(options.adapterDir);
    sim::Simulator simulator(options);
    simulator.SetPrinter([](const QString&) {});
    QString error;
    if (!simulator.Start(&error)) {
        std::fprintf(stderr, "bench_firmware: simulator: %s\n", qPrintable(error));
        return 1;
    }
    DirectoryBackend backend(options.adapterDir);
    UsbThread link(backend);
    if (!link.Open(options.description)) {
        std::fprintf(stderr, "bench_firmware: the link did not open the simulator\n");
        return 1;
    }

    // --- Programming ------------------------------------------------------------
    UpdateView updateView;
    FirmwareUpdate update(link, updateView);
    RawToUpdate raw;
    raw.update = &update;
    link.SetRawByteHandler(&raw);
    link.SetRxMode(RX_MODE_RAW);
    update.Program(hexPath);
    if (update.state() != FirmwareUpdate::WaitPrompt || update.startAddress() != 0 ||
        update.endAddress() != std::int32_t(kImageLast)) {
        std::fprintf(stderr, "bench_firmware: the image was not taken (%s)\n", qPrintable(updateView.last));
        return 1;
    }
    const int blocks = (update.endAddress() - update.startAddress()) / 256 + 1;

    Bound program;
    program.Step(1, false, true);  // ">" to the tool, which answers "<"
    program.Step(1 + 2);  // "<" to the module, "T" and "!" back; the first block follows
    for (int b = 0; b < blocks; ++b)
        program.Step(259 + 1, b == blocks - 1);  // a block out, its "!" back

    const sim::SimulatorCounters before = simulator.Counters();
    QElapsedTimer timer;
    timer.start();
    raw.steps.clock.start();
    simulator.Command(QStringLiteral("bootloader now"));
    if (!RunUntil([&] { return updateView.last == FirmwareUpdate::UpdatedText(); }, 180000)) {
        std::fprintf(stderr, "bench_firmware: programming did not end (state %d, sent %d)\n", int(update.state()),
                     update.sent());
        return 1;
    }
    const double programMs = double(timer.nsecsElapsed()) / 1e6;
    // The end mark reaches the module, which checks what it took.
    int updates = 0;
    RunUntil([&] {
        simulator.WithParts([&](sim::SimulatorParts& p) { updates = p.firmware.updates; });
        return updates == 1;
    }, 5000);
    QByteArray memory;
    simulator.WithParts([&](sim::SimulatorParts& p) { memory = p.firmware.memory; });
    for (std::uint32_t a = 0; a <= kImageLast; ++a) {
        if (std::uint8_t(memory[int(a)]) != ImageByte(a)) {
            std::fprintf(stderr, "bench_firmware: programmed byte %05X wrong\n", a);
            return 1;
        }
    }
    if (updates != 1) {
        std::fprintf(stderr, "bench_firmware: the module did not finish the update\n");
        return 1;
    }
    const sim::SimulatorCounters afterProgram = simulator.Counters();
    link.SetRxMode(RX_MODE_FRAMES);
    link.SetRawByteHandler(nullptr);

    // --- Compare ----------------------------------------------------------------
    CompareView compareView;
    FirmwareCompare compare(link, compareView);
    FramesToCompare frames;
    frames.compare = &compare;
    SlipReceiver receiver(&frames);
    link.SetFrameReceiver(&receiver);

    Bound comparing;
    const int requests = FirmwareCompare::COMPARE_END / FirmwareCompare::BLOCK;
    for (int i = 0; i < requests; ++i) {
        const std::uint32_t a = std::uint32_t(i * FirmwareCompare::BLOCK);
        Frame request(FRAME_TYPE_COMMAND, MEMORY_READ_REQ, MEMORY_READ_REQ_LENGTH);
        request[4] = std::uint8_t(a);
        request[5] = std::uint8_t(a >> 8);
        Frame reply(FRAME_TYPE_COMMAND, 0xDD, 22);
        reply[4] = std::uint8_t(a);
        reply[5] = std::uint8_t(a >> 8);
        for (int k = 0; k < 16; ++k)
            reply[6 + k] = std::uint8_t(memory[int(a) + k]);
        comparing.Step(EncodedLength(request.Seal()) + EncodedLength(reply.Seal()), i == requests - 1);
    }

    const sim::SimulatorCounters beforeCompare = simulator.Counters();
    compare.SetRememberedPath(hexPath);
    timer.restart();
    frames.steps.clock.start();
    compare.Start(hexPath, QString());
    if (!RunUntil([&] { return !compareView.last.isEmpty(); }, 300000)) {
        std::fprintf(stderr, "bench_firmware: the compare did not end (address %04X)\n", compare.address());
        return 1;
    }
    const double compareMs = double(timer.nsecsElapsed()) / 1e6;
    if (compareView.last != FirmwareCompare::IdenticalText()) {
        std::fprintf(stderr, "bench_firmware: compare: %s\n", qPrintable(compareView.last));
        return 1;
    }
    const sim::SimulatorCounters afterCompare = simulator.Counters();

    Report("firmware_program_0x1F800", programMs, program, "programming", raw.steps);
    std::printf("  programming on the wire as counted by the simulator: %lld bytes in, %lld out\n",
                static_cast<long long>(afterProgram.bytesReceived - before.bytesReceived),
                static_cast<long long>(afterProgram.bytesSent - before.bytesSent));
    Report("firmware_compare_0xFC00", compareMs, comparing, "the compare", frames.steps);
    std::printf("  compare on the wire as counted by the simulator: %lld bytes in, %lld out "
                "(with the system data request and its answer)\n",
                static_cast<long long>(afterCompare.bytesReceived - beforeCompare.bytesReceived),
                static_cast<long long>(afterCompare.bytesSent - beforeCompare.bytesSent));

    link.Stop();
    link.Join(5000);
    simulator.Stop();
    return 0;
}
