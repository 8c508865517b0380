#include "sim/FirmwareSim.h"

#include <utility>

namespace relvane::sim {

namespace {
constexpr std::uint8_t kPrompt = '>';
constexpr std::uint8_t kAnswer = '<';
constexpr std::uint8_t kBlock256 = 'T';
constexpr std::uint8_t kGo = '!';
constexpr std::uint8_t kAbort = '@';
constexpr std::uint8_t kEnd = 0xFF;

constexpr std::uint8_t kSystemDataReq = 0x41;
constexpr std::uint8_t kSystemDataCfm = 0xC1;
constexpr int kSystemDataCfmLength = 11;
constexpr std::uint8_t kMemoryReadReq = 0x5E;
constexpr std::uint8_t kMemoryReadCfm = 0xDD;
constexpr int kMemoryReadCfmLength = 22;

bool ParseNumber(const QString& text, int min, int max, int* out) {
    bool ok = false;
    const int v = text.toInt(&ok, 0);  // 0x.. accepted
    if (!ok || v < min || v > max) return false;
    *out = v;
    return true;
}
}  // namespace

FirmwareSim::FirmwareSim() : memory(PROGRAM_SIZE, char(0xFF)) {}

void FirmwareSim::Out(std::uint8_t b) {
    if (raw_) raw_(&b, 1);
}

void FirmwareSim::Print(const QString& line) {
    if (printer_) printer_(line);
}

void FirmwareSim::OnReboot() {
    if (enterOnReboot) EnterBootloader();
}

void FirmwareSim::EnterBootloader() {
    boot_ = Boot::WaitAnswer;
    filled_ = 0;
    blocksTaken = 0;
    Out(kPrompt);
    Print(QStringLiteral("bootloader: waiting for the tool"));
}

void FirmwareSim::Abort() {
    if (boot_ == Boot::Off) return;
    Out(kAbort);
    boot_ = Boot::Off;
    filled_ = 0;
    Print(QStringLiteral("bootloader: aborted"));
}

void FirmwareSim::FeedRaw(std::uint8_t b) {
    switch (boot_) {
    case Boot::Off:
        return;
    case Boot::WaitAnswer:
        if (b == kAnswer) {
            boot_ = Boot::Receiving;
            filled_ = 0;
            Out(kBlock256);
            Out(kGo);
        }
        return;
    case Boot::Receiving:
        block_[filled_++] = b;
        // Two FF in the address bytes: no block lies there, it is the end mark.
        if (filled_ == 2 && block_[0] == kEnd && block_[1] == kEnd) {
            boot_ = Boot::Off;
            filled_ = 0;
            ++updates;
            Print(QStringLiteral("bootloader: %1 blocks programmed, running").arg(blocksTaken));
            return;
        }
        if (filled_ == BLOCK + 3) TakeBlock();
        return;
    }
}

void FirmwareSim::TakeBlock() {
    filled_ = 0;
    const int page = (block_[0] << 16) | (block_[1] << 8);
    std::uint8_t sum = 0;
    for (int i = 0; i < BLOCK; ++i) sum = std::uint8_t(sum + block_[2 + i]);
    if (sum != block_[BLOCK + 2] || page + BLOCK > PROGRAM_SIZE) {
        Print(sum != block_[BLOCK + 2] ? QStringLiteral("bootloader: block sum wrong")
                                       : QStringLiteral("bootloader: block outside program memory"));
        Abort();
        return;
    }
    for (int i = 0; i < BLOCK; ++i) memory[page + i] = char(block_[2 + i]);
    ++blocksTaken;
    Out(kGo);
}

void RegisterFirmwareHandlers(Module& module, FirmwareSim& firmware) {
    if (!module.HasHandler(FRAME_TYPE_COMMAND, kSystemDataReq)) {
        module.RegisterHandler(FRAME_TYPE_COMMAND, kSystemDataReq, [&firmware](Module& m, const Request&) {
            Frame f(FRAME_TYPE_COMMAND, kSystemDataCfm, kSystemDataCfmLength);
            const std::uint32_t s = firmware.system.serial;
            f[4] = std::uint8_t(s >> 24);
            f[5] = std::uint8_t(s >> 16);
            f[6] = std::uint8_t(s >> 8);
            f[7] = std::uint8_t(s);
            f[8] = firmware.system.week;
            f[9] = firmware.system.yearSince2000;
            f[10] = firmware.system.hardware;
            m.Send(f.Seal());
        });
    }
    module.RegisterHandler(FRAME_TYPE_COMMAND, kMemoryReadReq, [&firmware](Module& m, const Request& r) {
        const int address = r.at(4) | (r.at(5) << 8);
        Frame f(FRAME_TYPE_COMMAND, kMemoryReadCfm, kMemoryReadCfmLength);
        f[4] = r.at(4);
        f[5] = r.at(5);
        for (int i = 0; i < 16; ++i)
            f[6 + i] = std::uint8_t(firmware.memory[(address + i) % FirmwareSim::PROGRAM_SIZE]);
        f.Seal();
        if (firmware.holdMemoryReplies) {
            firmware.heldMemoryReplies.append(f);
            return;
        }
        m.Send(f);
    });

    module.RegisterConsoleCommand(
        {QStringLiteral("bootloader"), QStringLiteral("bootloader on|off|now"),
         QStringLiteral("start the bootloader after each reboot (on/off), or at once (now)"),
         [&firmware](Module&, const QStringList& args) {
             const QString what = args.value(0);
             if (what == QStringLiteral("on")) firmware.enterOnReboot = true;
             else if (what == QStringLiteral("off")) firmware.enterOnReboot = false;
             else if (what == QStringLiteral("now")) firmware.EnterBootloader();
             else return QStringLiteral("usage: bootloader on|off|now");
             return QStringLiteral("bootloader on reboot: %1")
                 .arg(firmware.enterOnReboot ? QStringLiteral("on") : QStringLiteral("off"));
         }});
    module.RegisterConsoleCommand({QStringLiteral("abort"), QStringLiteral("abort"),
                                   QStringLiteral("abort a running firmware update with @"),
                                   [&firmware](Module&, const QStringList&) {
                                       if (!firmware.Active()) return QStringLiteral("bootloader not running");
                                       firmware.Abort();
                                       return QStringLiteral("firmware update aborted");
                                   }});
    module.RegisterConsoleCommand(
        {QStringLiteral("poke"), QStringLiteral("poke ADDR VALUE"),
         QStringLiteral("change one byte of program memory"),
         [&firmware](Module&, const QStringList& args) {
             int address = 0;
             int value = 0;
             if (args.size() != 2 || !ParseNumber(args[0], 0, FirmwareSim::PROGRAM_SIZE - 1, &address) ||
                 !ParseNumber(args[1], 0, 255, &value))
                 return QStringLiteral("usage: poke ADDR VALUE (ADDR below 0x20000, VALUE 0 to 255)");
             firmware.memory[address] = char(value);
             return QStringLiteral("program memory %1 = %2")
                 .arg(address, 5, 16, QLatin1Char('0'))
                 .arg(value, 2, 16, QLatin1Char('0'));
         }});
    module.RegisterConsoleCommand(
        {QStringLiteral("memhold"), QStringLiteral("memhold on|off"),
         QStringLiteral("keep memory read answers back (on), or send the kept ones and answer again (off)"),
         [&firmware](Module& m, const QStringList& args) {
             const QString what = args.value(0);
             if (args.size() != 1 || (what != QLatin1String("on") && what != QLatin1String("off")))
                 return QStringLiteral("usage: memhold on|off");
             firmware.holdMemoryReplies = what == QLatin1String("on");
             if (firmware.holdMemoryReplies) return QStringLiteral("memory read answers held back");
             const int n = int(firmware.heldMemoryReplies.size());
             for (const Frame& f : firmware.heldMemoryReplies) m.Send(f);
             firmware.heldMemoryReplies.clear();
             return QStringLiteral("%1 held memory read answers sent").arg(n);
         }});
    module.RegisterConsoleCommand({QStringLiteral("erase"), QStringLiteral("erase"),
                                   QStringLiteral("erase the program memory to FF"),
                                   [&firmware](Module&, const QStringList&) {
                                       firmware.memory.fill(char(0xFF));
                                       return QStringLiteral("program memory erased");
                                   }});
}

}  // namespace relvane::sim
