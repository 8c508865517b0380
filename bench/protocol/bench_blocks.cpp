// Encoding and decoding a whole configuration: the 113 blocks of an upload,
// each built from one model and written into another.

#include "protocol/BlockCodec.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace relvane;

namespace {

void Fill(ConfigModel& m) {
    for (int n = 1; n <= kInputCount; ++n) SetInputName(m, n, QByteArray("Input ") + QByteArray::number(n));
    for (int n = 1; n <= kOutputCount; ++n)
        m.ModifyOutput(n, [&](OutputConfig& r) {
            r.NAME = QByteArray("Output ") + QByteArray::number(n);
            r.TRIGGER = PositionToTriggerCode(n % kTriggerListSize);
            r.MAX_CURRENT = 100 + n;
        });
    for (int n = 1; n <= kCanInputCount; ++n) SetCanInputName(m, n, QByteArray("CAN ") + QByteArray::number(n));
    for (int n = 1; n <= kVirtualInputCount; ++n) SetVirtualInputName(m, n, QByteArray("Virt ") + QByteArray::number(n));
    m.ModifyCanSetup([](CanSetupConfig& r) { r.ResetChannelErrorID = QStringLiteral("7E5"); });
    m.SetBoxName(QByteArray("Bench box"));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ConfigModel source;
    ConfigModel target;
    Fill(source);

    auto once = [&] {
        int decoded = 0;
        for (const BlockRef& b : AllConfigBlocks()) {
            const auto f = EncodeConfigBlock(source, b.kind, b.index);
            if (f && DecodeConfigBlock(target, f->data(), f->length())) ++decoded;
        }
        return decoded;
    };

    if (once() != CONFIG_BLOCK_COUNT) {
        std::fprintf(stderr, "blocks_encode_decode: not every block came back\n");
        return 1;
    }
    // The median of many runs keeps a busy machine's spikes out of the figure.
    std::vector<double> runs;
    for (int i = 0; i < 200; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        once();
        const auto t1 = std::chrono::steady_clock::now();
        runs.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    std::nth_element(runs.begin(), runs.begin() + long(runs.size() / 2), runs.end());
    std::printf("blocks_encode_decode: %.0f us (target < 1000 us)\n", runs[runs.size() / 2]);
    return 0;
}
