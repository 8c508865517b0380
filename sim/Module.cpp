#include "sim/Module.h"

namespace relvane::sim {

Module::Module(QString versionText) : version(std::move(versionText)) {
    PowerUp();
    config.RestoreFactory();
    RegisterServiceHandlers(*this);
    RegisterConfigHandlers(*this);
    RegisterLiveHandlers(*this);
}

void Module::RegisterHandler(std::uint8_t type, std::uint8_t command, FrameHandler handler) {
    handlers_[{type, command}] = std::move(handler);
}

void Module::RegisterConsoleCommand(ConsoleCommand command) {
    console_.append(std::move(command));
}

bool Module::HasHandler(std::uint8_t type, std::uint8_t command) const {
    return handlers_.count({type, command}) != 0;
}

Module::Outcome Module::Receive(const std::uint8_t* frame, int count) {
    if (!FrameChecksumValid(frame, count)) return Outcome::BadChecksum;
    const Request request(frame, frame[FRAME_LENGTH]);
    const auto it = handlers_.find({request.type(), request.command()});
    if (it == handlers_.end()) return Outcome::Unknown;
    it->second(*this, request);
    return Outcome::Handled;
}

bool Module::RunConsole(const QString& name, const QStringList& args) {
    for (const ConsoleCommand& c : console_) {
        if (c.name == name) {
            const QString line = c.run(*this, args);
            if (!line.isEmpty()) Print(line);
            return true;
        }
    }
    return false;
}

void Module::Send(const Frame& frame) {
    if (output_) output_(frame);
}

void Module::Print(const QString& line) {
    if (printer_) printer_(line);
}

void Module::PowerUp() {
    poweredUp_ = Clock::now();
}

std::uint32_t Module::UptimeSeconds() const {
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - poweredUp_);
    return static_cast<std::uint32_t>(elapsed.count());
}

void Module::SetUptime(std::uint32_t seconds) {
    poweredUp_ = Clock::now() - std::chrono::seconds(seconds);
}

}  // namespace relvane::sim
