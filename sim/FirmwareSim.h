#pragma once
// The simulated module's program memory and bootloader. After a reboot the module
// may start in its bootloader: it then talks single bytes and 259-byte blocks,
// unframed, until the end mark FF FF, and takes the tool's bytes raw instead of
// as frames. In normal operation the memory read request is answered from the
// program memory, and the system data request from the production data here.

#include "sim/Module.h"

#include <QByteArray>

#include <cstdint>
#include <QList>

#include <functional>

namespace relvane::sim {

// Production data answered in SYSTEM_DATA_READ_CFM.
struct SystemData {
    std::uint32_t serial = 1234;
    std::uint8_t week = 12;
    std::uint8_t yearSince2000 = 24;
    std::uint8_t hardware = 3;
};

class FirmwareSim {
public:
    static constexpr int PROGRAM_SIZE = 0x20000;
    static constexpr int BLOCK = 256;

    enum class Boot { Off, WaitAnswer, Receiving };

    FirmwareSim();

    // Where the bootloader's raw bytes go (the transport's output, unframed).
    void SetRawOutput(std::function<void(const std::uint8_t*, int)> output) { raw_ = std::move(output); }
    void SetPrinter(std::function<void(const QString&)> printer) { printer_ = std::move(printer); }

    // Whether a reboot starts the bootloader.
    bool enterOnReboot = false;
    // Call after the module has handled REBOOT_REQ.
    void OnReboot();

    // Starts the bootloader: sends ">" and waits for "<".
    void EnterBootloader();
    // Sends "@" and returns to normal operation.
    void Abort();
    // While true the transport hands every received byte to FeedRaw, not to the frame receiver.
    bool Active() const { return boot_ != Boot::Off; }
    Boot State() const { return boot_; }
    void FeedRaw(std::uint8_t b);

    QByteArray memory;  // PROGRAM_SIZE bytes, erased to 0xFF
    SystemData system;
    // A stalled module: while set, memory read answers are kept back; clearing it
    // sends the kept answers, in order (see HoldMemoryReplies).
    bool holdMemoryReplies = false;
    QList<Frame> heldMemoryReplies;
    int blocksTaken = 0;  // since the bootloader last started
    int updates = 0;      // completed programming runs

private:
    void Out(std::uint8_t b);
    void Print(const QString& line);
    void TakeBlock();

    std::function<void(const std::uint8_t*, int)> raw_;
    std::function<void(const QString&)> printer_;
    Boot boot_ = Boot::Off;
    std::uint8_t block_[BLOCK + 3] = {};
    int filled_ = 0;
};

// SYSTEM_DATA_READ_REQ (unless a handler exists already) and MEMORY_READ_REQ, and
// the console commands "bootloader on|off|now", "abort", "poke ADDR VALUE", "erase"
// and "memhold on|off". The module and firmware objects must outlive the registration.
void RegisterFirmwareHandlers(Module& module, FirmwareSim& firmware);

}  // namespace relvane::sim
