// The CAN monitor at the link's full rate: 230 forwarded messages a second for 60 s (or the
// seconds given as the first argument), delivered as the link thread hands them over (a chunk
// every 10 ms), with the file log on. Reports the longest stall of the user-interface thread and
// the memory the monitor's text grows by per thousand lines.

#include "can/ui/CanInputPage.h"
#include "config/SelectionLists.h"
#include "protocol/Dispatcher.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace relvane;

namespace {

class NullQueue final : public TxSink {
public:
    bool AddToTxQueue(const std::uint8_t*, int) override { return true; }
};

class NoDialogs final : public Dialogs {
public:
    MessageAnswer Message(MessageKind, const QString&, MessageButtons, const QString&) override { return MessageAnswer::Ok; }
    std::optional<QString> OpenFile(const FileDialogOptions&) override { return std::nullopt; }
    std::optional<QString> SaveFile(const FileDialogOptions&) override { return std::nullopt; }
};

long ResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    constexpr int kRate = 230;

    ConfigModel model;
    for (int n = 1; n <= kCanInputCount; ++n)
        model.ModifyCanInput(n, [n](CanInputConfig& c) { c.CAN_ID_ON = 0x100 + n; c.CAN_ID_OFF = 0x200 + n; });
    SelectionLists lists(model);
    lists.FillSelectionLists();
    NoDialogs dialogs;
    NullQueue queue;
    TCanInputPage page(model, lists, dialogs, queue);
    page.resize(1180, 800);
    page.show();
    Dispatcher dispatcher;
    dispatcher.AddHandler(&page.Monitor());
    QTemporaryDir dir;
    page.Monitor().FileLog().Open(dir.filePath(QStringLiteral("bench.txt")));

    QElapsedTimer clock;
    long rssStart = 0;
    qint64 fed = 0;
    qint64 lastBeat = 0;
    qint64 maxGap = 0;
    const qint64 total = qint64(kRate) * seconds;

    // The heartbeat: a 5 ms timer whose late ticks show how long the thread was blocked.
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    beat.setInterval(5);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        maxGap = std::max(maxGap, now - lastBeat);
        lastBeat = now;
    });
    // The link: every 10 ms the messages due by then, as one chunk.
    QTimer link;
    link.setTimerType(Qt::PreciseTimer);
    link.setInterval(10);
    QObject::connect(&link, &QTimer::timeout, [&] {
        const qint64 due = std::min(total, clock.elapsed() * kRate / 1000);
        for (; fed < due; ++fed) {
            Frame f(FRAME_TYPE_COMMAND, CAN_MONITOR_IND, 15);
            const int id = 0x101 + int(fed % 40);
            f[4] = std::uint8_t(id & 0xFF);
            f[5] = std::uint8_t(id >> 8);
            f[6] = 8;
            for (int b = 0; b < 8; ++b)
                f[7 + b] = std::uint8_t(fed + b);
            f.Seal();
            dispatcher.DispatchFrame(f.data(), f.length());
        }
        if (fed >= total) {
            link.stop();
            QTimer::singleShot(CanMonitor::BATCH_INTERVAL_MS * 3, &app, &QApplication::quit);
        }
    });
    // Warm up first, so the first layout and paint of the page count neither as a stall nor
    // as growth.
    QTimer::singleShot(500, [&] {
        rssStart = ResidentKiB();
        clock.start();
        beat.start();
        link.start();
    });
    app.exec();

    const long rssEnd = ResidentKiB();
    const qint64 lines = page.MonitorLineCount();
    const double perThousand = lines > 0 ? double(rssEnd - rssStart) * 1000.0 / double(lines) : 0.0;
    std::printf("can_monitor_ui_max_block: %lld ms (target 50)\n", static_cast<long long>(maxGap));
    std::printf("can_monitor_lines_shown: %lld lines (target %lld)\n", static_cast<long long>(lines),
                static_cast<long long>(total));
    std::printf("can_monitor_lines_logged: %d lines (target %lld)\n", page.Monitor().FileLog().LinesWritten(),
                static_cast<long long>(total));
    std::printf("can_monitor_memory_per_1000_lines: %.1f KiB (target 1024)\n", perThousand);
    return maxGap <= 50 && lines == total ? 0 : 1;
}
