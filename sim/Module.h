#pragma once
// The simulated module's behaviour, apart from how bytes reach it: what it keeps
// and how it answers each message. Features register their message handlers and
// console commands into one table, each from its own source file.

#include "link/Frame.h"
#include "sim/ConfigStore.h"
#include "sim/LiveState.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>

namespace relvane::sim {

// A received frame whose checksum was found right. Fields are read at fixed
// offsets; anything beyond the frame's own length reads as 0, so a short frame
// never exposes bytes of an earlier one.
class Request {
public:
    Request(const std::uint8_t* frame, int length) : frame_(frame), length_(length) {}

    int length() const { return length_; }
    std::uint8_t type() const { return at(FRAME_TYPE); }
    std::uint8_t command() const { return at(FRAME_COMMAND); }
    std::uint8_t at(int i) const { return i >= 0 && i < length_ ? frame_[i] : 0; }
    const std::uint8_t* data() const { return frame_; }

private:
    const std::uint8_t* frame_;
    int length_;
};

// Run-time statistics the module reports in STATISTICS_CFM.
struct Statistics {
    std::uint16_t maxCurrent = 253;  // tenths of an ampere
    std::uint8_t maxTemperature = 47;  // degrees Celsius
    std::uint8_t watchdogCount = 0;
};

class Module {
public:
    using FrameHandler = std::function<void(Module&, const Request&)>;
    // Returns the line to show at the console (a usage hint when the arguments are wrong).
    using ConsoleHandler = std::function<QString(Module&, const QStringList& args)>;

    struct ConsoleCommand {
        QString name;
        QString usage;  // e.g. "current CH A"
        QString help;   // one short sentence
        ConsoleHandler run;
    };

    enum class Outcome { Handled, BadChecksum, Unknown };

    explicit Module(QString version = QStringLiteral("V8.12"));

    // Where the module's frames go; set by the transport.
    void SetOutput(std::function<void(const Frame&)> output) { output_ = std::move(output); }
    // Where its console lines go.
    void SetPrinter(std::function<void(const QString&)> printer) { printer_ = std::move(printer); }

    void RegisterHandler(std::uint8_t type, std::uint8_t command, FrameHandler handler);
    void RegisterConsoleCommand(ConsoleCommand command);
    bool HasHandler(std::uint8_t type, std::uint8_t command) const;

    // One decoded frame from the tool: a wrong checksum or an unknown command is ignored.
    Outcome Receive(const std::uint8_t* frame, int count);

    // A feature's console command; false when no feature knows the name.
    bool RunConsole(const QString& name, const QStringList& args);
    const QList<ConsoleCommand>& ConsoleCommands() const { return console_; }

    // For handlers.
    void Send(const Frame& frame);
    void Print(const QString& line);

    // Power-up clock: VERSION_CFM reports the seconds since the module started.
    void PowerUp();
    std::uint32_t UptimeSeconds() const;
    void SetUptime(std::uint32_t seconds);

    QString version;
    Statistics statistics;
    ConfigStore config;
    LiveState live;
    int reboots = 0;

private:
    using Clock = std::chrono::steady_clock;

    std::map<std::pair<std::uint8_t, std::uint8_t>, FrameHandler> handlers_;
    QList<ConsoleCommand> console_;
    std::function<void(const Frame&)> output_;
    std::function<void(const QString&)> printer_;
    Clock::time_point poweredUp_;
};

// Feature registrations, one source file each.
void RegisterServiceHandlers(Module& module);  // version, statistics, ping
void RegisterConfigHandlers(Module& module);   // configuration blocks, factory defaults, reboot
void RegisterLiveHandlers(Module& module);     // live status, test modes, switching

}  // namespace relvane::sim
