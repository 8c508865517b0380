#pragma once
// Two simulated modules side by side on their own pseudo-terminals, a recipe and its files in a
// temporary folder, and the station engine run over them until it ends.

#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "link/AdapterBackend.h"
#include "sim/FirmwareSim.h"
#include "sim/ProductionSim.h"
#include "sim/Simulator.h"
#include "station/RecordStore.h"
#include "station/StationEngine.h"

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace relvane::test {

inline const QString kSlotA = QStringLiteral("Station A");
inline const QString kSlotB = QStringLiteral("Station B");

// An Intel HEX file of size bytes from address 0, 16 bytes a record.
inline QByteArray HexImage(int size) {
    QByteArray out;
    for (int a = 0; a < size; a += 16) {
        const int n = std::min(16, size - a);
        QByteArray rec;
        rec.append(char(n)).append(char(a >> 8)).append(char(a & 0xFF)).append(char(0));
        for (int i = 0; i < n; ++i) rec.append(char((a + i) * 7 + 3));
        int sum = 0;
        for (char c : rec) sum += static_cast<unsigned char>(c);
        rec.append(char((-sum) & 0xFF));
        out += ':' + rec.toHex().toUpper() + "\r\n";
    }
    return out + ":00000001FF\r\n";
}

class StationRig {
public:
    StationRig() {
        adapters_ = dir_.filePath(QStringLiteral("adapters"));
        backend_ = std::make_unique<DirectoryBackend>(adapters_);
    }
    ~StationRig() {
        engine_.reset();
        for (auto& s : sims_) s->Stop();
    }

    QString Path(const QString& name) const { return dir_.filePath(name); }

    // Both modules: fast pace, bootloader on reboot.
    bool StartSims(bool fast = true) {
        for (const QString& d : {kSlotA, kSlotB}) {
            sim::SimulatorOptions o;
            o.description = d;
            o.adapterDir = adapters_;
            o.fast = fast;
            o.bootloaderOnReboot = true;
            auto s = std::make_unique<sim::Simulator>(o);
            s->SetPrinter([](const QString&) {});
            QString error;
            if (!s->Start(&error)) return false;
            sims_ << std::move(s);
        }
        return true;
    }
    sim::Simulator& Sim(int i) { return *sims_[i]; }

    // The firmware (0x400 bytes) and a configuration that differs from the factory's in every
    // output's name, beside the recipe.
    void WriteFiles() {
        QFile hex(Path(QStringLiteral("fw.hex")));
        hex.open(QIODevice::WriteOnly);
        hex.write(HexImage(0x400));
        hex.close();
        ConfigModel m;
        for (int i = 1; i <= 34; ++i)
            m.ModifyOutput(i, [i](OutputConfig& o) { o.NAME = QByteArray("Line ") + QByteArray::number(i); o.DELAY = 5; });
        SaveConfigFile(m, Path(QStringLiteral("truck.cfg")));
    }

    QString WriteRecipe(const QByteArray& text, const QString& name = QStringLiteral("recipe.ini")) {
        QFile f(Path(name));
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return Path(name);
    }

    // Runs the station to its end (at most timeoutMs); the events in order.
    bool Run(RecordStore& store, StationOptions options, int timeoutMs = 90000, QString* error = nullptr,
             const std::function<void(StationEngine&, const StationEvent&)>& onEvent = {}) {
        events.clear();
        if (options.answerTimeoutMs == 10000) options.answerTimeoutMs = 2000;
        engine_ = std::make_unique<StationEngine>(*backend_, store, options);
        QEventLoop loop;
        QObject::connect(engine_.get(), &StationEngine::stationEvent, &loop, [&](const StationEvent& e) {
            events << e;
            if (onEvent) onEvent(*engine_, e);
        });
        QObject::connect(engine_.get(), &StationEngine::finished, &loop, &QEventLoop::quit);
        QString e;
        if (!engine_->Start(&e)) {
            if (error) *error = e;
            return false;
        }
        bool timedOut = false;
        QTimer::singleShot(timeoutMs, &loop, [&] {
            timedOut = true;
            engine_->Stop();
        });
        loop.exec();
        if (timedOut) {
            // The stop was asked; the slots end their steps.
            QEventLoop rest;
            QObject::connect(engine_.get(), &StationEngine::finished, &rest, &QEventLoop::quit);
            if (engine_->Running()) rest.exec();
        }
        exitStatus = engine_->ExitStatus();
        return !timedOut;
    }

    // The module_ended event of a slot (the last one).
    const StationEvent* Ended(const QString& adapter) const {
        for (qsizetype i = events.size() - 1; i >= 0; --i)
            if (events[i].kind == StationEvent::ModuleEnded && events[i].adapter == adapter) return &events[i];
        return nullptr;
    }

    QString Dump() const {
        QStringList lines;
        for (const StationEvent& e : events)
            if (e.kind != StationEvent::StepProgress)
                lines << QStringLiteral("%1 %2 %3 %4 %5").arg(e.adapter, EventName(e.kind), e.step, e.pass ? QStringLiteral("PASS") : QString(), e.message);
        return lines.join(QLatin1Char('\n'));
    }

    AdapterBackend& Backend() { return *backend_; }

    QList<StationEvent> events;
    int exitStatus = -1;

private:
    QTemporaryDir dir_;
    QString adapters_;
    std::unique_ptr<DirectoryBackend> backend_;
    QList<std::shared_ptr<sim::Simulator>> sims_;
    std::unique_ptr<StationEngine> engine_;
};

}  // namespace relvane::test
