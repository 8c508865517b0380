// One module through firmware + compare + config + system + ping on the paced simulator (38400
// baud, 11 bits a byte), with the link's own pace and with the fast link, each step next to its
// wire-time bound: the bytes the simulator took and sent during the step, at 11 bits a byte.
// Then two slots side by side against one.

#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "link/AdapterBackend.h"
#include "sim/Simulator.h"
#include "station/RecordStore.h"
#include "station/StationEngine.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

using namespace relvane;

namespace {

constexpr double kFastTarget = 1.2;   // fast link: programming and compare within this of the wire time
constexpr double kSlotsTarget = 1.1;  // two slots side by side against one

QByteArray HexImage(int size) {
    QByteArray out;
    for (int a = 0; a < size; a += 16) {
        QByteArray rec;
        rec.append(char(16)).append(char(a >> 8)).append(char(a & 0xFF)).append(char(0));
        for (int i = 0; i < 16; ++i) rec.append(char((a + i) * 13 + 1));
        int sum = 0;
        for (char c : rec) sum += static_cast<unsigned char>(c);
        rec.append(char((-sum) & 0xFF));
        out += ':' + rec.toHex().toUpper() + "\r\n";
    }
    return out + ":00000001FF\r\n";
}

struct StepTime {
    qint64 ms = 0;
    qint64 wireBytes = 0;
    double WireSeconds() const { return double(wireBytes) * 11.0 / 38400.0; }
};

struct RunResult {
    bool ok = false;
    QHash<QString, QHash<QString, StepTime>> steps;  // adapter -> step -> time
    QHash<QString, qint64> moduleMs;                 // adapter -> the whole module
};

RunResult Run(AdapterBackend& backend, QList<std::shared_ptr<sim::Simulator>>& sims, const Recipe& recipe,
              const QString& db, bool fast, int slots) {
    DbTarget t;
    t.path = db;
    RecordStore store(t, std::nullopt);
    QString error;
    RunResult result;
    if (!store.Start(&error, nullptr)) {
        std::fprintf(stderr, "bench_station: %s\n", qPrintable(error));
        return result;
    }
    StationOptions o;
    o.recipe = recipe;
    o.fastLink = fast;
    o.count = 1;
    for (int i = 0; i < slots; ++i) o.adapters << sims[i]->Options().description;
    StationEngine engine(backend, store, o);
    QHash<QString, qint64> bytesAtStart;
    const auto bytes = [&](const QString& adapter) {
        for (auto& s : sims)
            if (s->Options().description == adapter) {
                const sim::SimulatorCounters c = s->Counters();
                return c.bytesReceived + c.bytesSent;
            }
        return qint64(0);
    };
    QEventLoop loop;
    bool allPassed = true;
    QObject::connect(&engine, &StationEngine::stationEvent, &loop, [&](const StationEvent& e) {
        if (e.kind == StationEvent::StepStarted) bytesAtStart[e.adapter] = bytes(e.adapter);
        if (e.kind == StationEvent::StepEnded)
            result.steps[e.adapter][e.step] = StepTime{e.durationMs, bytes(e.adapter) - bytesAtStart.value(e.adapter)};
        if (e.kind == StationEvent::ModuleEnded) {
            allPassed &= e.pass;
            if (!e.pass) std::fprintf(stderr, "bench_station: %s failed at %s: %s\n", qPrintable(e.adapter), qPrintable(e.step), qPrintable(e.message));
            result.moduleMs[e.adapter] = e.record.started.msecsTo(e.record.ended);
        }
    });
    QObject::connect(&engine, &StationEngine::finished, &loop, &QEventLoop::quit);
    if (!engine.Start(&error)) {
        std::fprintf(stderr, "bench_station: %s\n", qPrintable(error));
        return result;
    }
    loop.exec();
    store.CloseThread();
    result.ok = allPassed;
    return result;
}

void Report(const char* mode, const QHash<QString, StepTime>& steps, bool targets) {
    for (const char* name : {"firmware", "compare", "config", "system", "ping"}) {
        const StepTime s = steps.value(QLatin1String(name));
        const double seconds = s.ms / 1000.0;
        const bool bounded = QByteArray(name) == "firmware" || QByteArray(name) == "compare";
        if (bounded && targets)
            std::printf("station_%s_%s: %.2f s (target <= %.2f s, %.1f x the wire time %.2f s; ratio %.3f)\n", mode, name, seconds,
                        kFastTarget * s.WireSeconds(), kFastTarget, s.WireSeconds(), seconds / s.WireSeconds());
        else
            std::printf("station_%s_%s: %.2f s (wire time %.2f s, ratio %.3f; no target)\n", mode, name, seconds, s.WireSeconds(),
                        s.WireSeconds() > 0 ? seconds / s.WireSeconds() : 0.0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString adapters = dir.filePath(QStringLiteral("adapters"));
    QFile hex(dir.filePath(QStringLiteral("fw.hex")));
    hex.open(QIODevice::WriteOnly);
    hex.write(HexImage(0x4000));
    hex.close();
    ConfigModel model;
    SaveConfigFile(model, dir.filePath(QStringLiteral("m.cfg")));
    QFile ini(dir.filePath(QStringLiteral("r.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write("[firmware]\nfile=fw.hex\n[config]\nfile=m.cfg\n[system]\nserial_start=1\nhardware_version=1\n"
              "[ping]\ncount=20\ninterval_ms=20\n");
    ini.close();
    QString error;
    const auto recipe = LoadRecipe(ini.fileName(), &error);
    if (!recipe) {
        std::fprintf(stderr, "bench_station: %s\n", qPrintable(error));
        return 1;
    }
    QList<std::shared_ptr<sim::Simulator>> sims;
    for (const char* name : {"Bench A", "Bench B"}) {
        sim::SimulatorOptions o;
        o.description = QLatin1String(name);
        o.adapterDir = adapters;
        o.bootloaderOnReboot = true;
        auto s = std::make_shared<sim::Simulator>(o);
        s->SetPrinter([](const QString&) {});
        if (!s->Start(&error)) {
            std::fprintf(stderr, "bench_station: simulator: %s\n", qPrintable(error));
            return 1;
        }
        sims << s;
    }
    DirectoryBackend backend(adapters);
    const QString db = dir.filePath(QStringLiteral("bench.sqlite"));

    const RunResult seed = Run(backend, sims, *recipe, db, false, 1);
    const RunResult fast = Run(backend, sims, *recipe, db, true, 1);
    const RunResult two = Run(backend, sims, *recipe, db, true, 2);
    if (!seed.ok || !fast.ok || !two.ok) return 1;
    const QString a = QStringLiteral("Bench A");
    Report("seed", seed.steps.value(a), false);
    Report("fast", fast.steps.value(a), true);
    const double one = fast.moduleMs.value(a) / 1000.0;
    const double both = std::max(two.moduleMs.value(a), two.moduleMs.value(QStringLiteral("Bench B"))) / 1000.0;
    std::printf("station_seed_module: %.2f s (no target)\n", seed.moduleMs.value(a) / 1000.0);
    std::printf("station_fast_module: %.2f s (no target)\n", one);
    std::printf("station_two_slots: %.2f s (target <= %.2f s, %.1f x one slot; ratio %.3f)\n", both, kSlotsTarget * one,
                kSlotsTarget, both / one);
    int status = 0;
    for (const char* step : {"firmware", "compare"}) {
        const StepTime s = fast.steps.value(a).value(QLatin1String(step));
        if (s.ms / 1000.0 > kFastTarget * s.WireSeconds()) status = 1;
    }
    if (both > kSlotsTarget * one) status = 1;
    return status;
}
