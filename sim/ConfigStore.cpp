#include "sim/ConfigStore.h"

#include "sim/MessageCodes.h"

#include <cstring>

namespace relvane::sim {

namespace {

// In the order of BlockKind.
constexpr std::array<BlockLayout, 14> kLayouts{{
    {BlockKind::Input, "input", INPUT_WRITE_REQ, INPUT_WRITE_CFM, INPUT_READ_REQ, INPUT_READ_CFM, 21, 11, 1, false},
    {BlockKind::Output, "output", OUTPUT_WRITE_REQ, OUTPUT_WRITE_CFM, OUTPUT_READ_REQ, OUTPUT_READ_CFM, 30, 34, 1, false},
    {BlockKind::LowBattery, "low battery", LOW_BATTERY_WRITE_REQ, LOW_BATTERY_WRITE_CFM, LOW_BATTERY_READ_REQ,
     LOW_BATTERY_READ_CFM, 18, 1, -1, false},
    {BlockKind::CanSetup, "CAN setup", CAN_SETUP_WRITE_REQ, CAN_SETUP_WRITE_CFM, CAN_SETUP_READ_REQ,
     CAN_SETUP_READ_CFM, 14, 1, -1, false},
    {BlockKind::StartKill, "start/kill", START_KILL_WRITE_REQ, START_KILL_WRITE_CFM, START_KILL_READ_REQ,
     START_KILL_READ_CFM, 35, 1, -1, false},
    {BlockKind::CanInput, "CAN input", CAN_INPUT_WRITE_REQ, CAN_INPUT_WRITE_CFM, CAN_INPUT_READ_REQ,
     CAN_INPUT_READ_CFM, 49, 32, 0, true},
    {BlockKind::CanInputEnable, "CAN input enable", CAN_INPUT_ENABLE_WRITE_REQ, CAN_INPUT_ENABLE_WRITE_CFM,
     CAN_INPUT_ENABLE_READ_REQ, CAN_INPUT_ENABLE_READ_CFM, 20, 1, -1, false},
    {BlockKind::Name, "box name", NAME_WRITE_REQ, NAME_WRITE_CFM, NAME_READ_REQ, NAME_READ_CFM, 20, 1, -1, false},
    {BlockKind::VirtualInput, "virtual input", VIRTUAL_INPUT_WRITE_REQ, VIRTUAL_INPUT_WRITE_CFM,
     VIRTUAL_INPUT_READ_REQ, VIRTUAL_INPUT_READ_CFM, 31, 20, 0, true},
    {BlockKind::Flash, "flash", FLASH_WRITE_REQ, FLASH_WRITE_CFM, FLASH_READ_REQ, FLASH_READ_CFM, 30, 5, 0, true},
    {BlockKind::Wiper, "wiper", WIPER_WRITE_REQ, WIPER_WRITE_CFM, WIPER_READ_REQ, WIPER_READ_CFM, 10, 1, -1, false},
    {BlockKind::Pwm, "PWM", PWM_WRITE_REQ, PWM_WRITE_CFM, PWM_READ_REQ, PWM_READ_CFM, 12, 1, -1, false},
    {BlockKind::CanExport1, "CAN export 1", CAN_EXPORT1_WRITE_REQ, CAN_EXPORT1_WRITE_CFM, CAN_EXPORT1_READ_REQ,
     CAN_EXPORT1_READ_CFM, 29, 1, -1, false},
    {BlockKind::CanExport, "CAN export 2-4", CAN_EXPORT_WRITE_REQ, CAN_EXPORT_WRITE_CFM, CAN_EXPORT_READ_REQ,
     CAN_EXPORT_READ_CFM, 74, 3, 0, true},
}};

// A payload under construction, addressed by frame byte number like the block tables.
class Payload {
public:
    explicit Payload(BlockKind kind) : bytes_(LayoutOf(kind).payloadSize(), '\0') {}
    void Set(int frameByte, int value) { bytes_[frameByte - 4] = static_cast<char>(value & 0xFF); }
    void Be16(int frameByte, int value) {
        Set(frameByte, value >> 8);
        Set(frameByte + 1, value);
    }
    void Le16(int frameByte, int value) {
        Set(frameByte, value);
        Set(frameByte + 1, value >> 8);
    }
    void Name(int frameByte, int size, const char* text) {
        const int n = static_cast<int>(std::strlen(text));
        for (int i = 0; i < size; ++i) Set(frameByte + i, i < n ? text[i] : 0);
    }
    // An output list: the numbers in order, then 0xFF to the end of the run.
    void List(int frameByte, int size, std::initializer_list<int> outputs) {
        int i = 0;
        for (int o : outputs) Set(frameByte + i++, o);
        for (; i < size; ++i) Set(frameByte + i, 0xFF);
    }
    QByteArray bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

// Trigger source codes.
constexpr int kDisabled = 0;
constexpr int kBattery = 255;
constexpr int kInputCode[11] = {0xC0, 0xC1, 0xC2, 0xD1, 0xC4, 0xC5, 0xC6, 0xC7, 0xC3, 0xD2, 0xD3};

struct FactoryInput {
    const char* name;
    int mode;  // 0 latching, 1 momentary
};
constexpr FactoryInput kInputs[11] = {
    {"Ignition", 0},   {"Start button", 1}, {"Kill switch", 0}, {"Light switch", 0},
    {"High beam", 0},  {"Indicator L", 0},  {"Indicator R", 0}, {"Wiper slow", 0},
    {"Wiper fast", 0}, {"Horn button", 1},  {"Fan switch", 0},
};

struct FactoryOutput {
    const char* name;
    int trigger;
    int maxCurrent;  // tenths of an ampere (high-power only)
};
constexpr FactoryOutput kOutputs[34] = {
    {"Fuel pump", kInputCode[0], 150},  {"Ignition coil", kInputCode[0], 100},
    {"Fan 1", kInputCode[10], 250},     {"Fan 2", kInputCode[10], 250},
    {"Headlight L", kInputCode[3], 100}, {"Headlight R", kInputCode[3], 100},
    {"High beam L", kInputCode[4], 100}, {"High beam R", kInputCode[4], 100},
    {"Starter", kInputCode[1], 300},    {"Water pump", kInputCode[0], 200},
    {"Horn", kInputCode[9], 80},        {"Brake light", kBattery, 50},
    {"Indicator L", kInputCode[5], 50}, {"Indicator R", kInputCode[6], 50},
    {"Wiper", kInputCode[7], 120},      {"ECU", kBattery, 100},
    {"Data logger", kBattery, 50},      {"Spare 18", kDisabled, 100},
    {"Dash", kBattery, 0},              {"Rain light", kDisabled, 0},
    {"Gauge light", kInputCode[3], 0},  {"Radio", kInputCode[0], 0},
    {"Aux 23", kDisabled, 0},           {"Aux 24", kDisabled, 0},
    {"Aux 25", kDisabled, 0},           {"Aux 26", kDisabled, 0},
    {"Aux 27", kDisabled, 0},           {"Aux 28", kDisabled, 0},
    {"Aux 29", kDisabled, 0},           {"Aux 30", kDisabled, 0},
    {"Aux 31", kDisabled, 0},           {"Aux 32", kDisabled, 0},
    {"Aux 33", kDisabled, 0},           {"Aux 34", kDisabled, 0},
};

}  // namespace

const std::array<BlockLayout, 14>& BlockLayouts() { return kLayouts; }

const BlockLayout& LayoutOf(BlockKind kind) { return kLayouts[static_cast<std::size_t>(kind)]; }

const BlockLayout* LayoutByWriteRequest(std::uint8_t command) {
    for (const BlockLayout& s : kLayouts)
        if (s.writeReq == command) return &s;
    return nullptr;
}

const BlockLayout* LayoutByReadRequest(std::uint8_t command) {
    for (const BlockLayout& s : kLayouts)
        if (s.readReq == command) return &s;
    return nullptr;
}

const BlockLayout* LayoutByReadConfirmation(std::uint8_t command) {
    for (const BlockLayout& s : kLayouts)
        if (s.readCfm == command) return &s;
    return nullptr;
}

ConfigStore::ConfigStore() {
    for (const BlockLayout& s : kLayouts) {
        blocks_[static_cast<std::size_t>(s.kind)].assign(static_cast<std::size_t>(s.count),
                                                         QByteArray(s.payloadSize(), '\0'));
    }
}

QByteArray ConfigStore::Block(BlockKind kind, int slot) const {
    const auto& list = blocks_[static_cast<std::size_t>(kind)];
    if (slot < 0 || slot >= static_cast<int>(list.size())) return {};
    return list[static_cast<std::size_t>(slot)];
}

bool ConfigStore::SetBlock(BlockKind kind, int slot, const QByteArray& payload) {
    auto& list = blocks_[static_cast<std::size_t>(kind)];
    if (slot < 0 || slot >= static_cast<int>(list.size())) return false;
    QByteArray stored = payload.left(LayoutOf(kind).payloadSize());
    stored.append(QByteArray(LayoutOf(kind).payloadSize() - stored.size(), '\0'));
    list[static_cast<std::size_t>(slot)] = stored;
    return true;
}

int ConfigStore::TotalBlocks() const {
    int n = 0;
    for (const BlockLayout& s : kLayouts) n += s.count;
    return n;
}

void ConfigStore::RestoreFactory() {
    for (int n = 1; n <= INPUT_COUNT; ++n) {
        Payload p(BlockKind::Input);
        p.Set(4, n);
        p.Name(5, 15, kInputs[n - 1].name);
        p.Set(20, kInputs[n - 1].mode);
        SetBlock(BlockKind::Input, n - 1, p.bytes());
    }
    for (int n = 1; n <= OUTPUT_COUNT; ++n) {
        const FactoryOutput& o = kOutputs[n - 1];
        const bool high = n <= HIGH_POWER_COUNT;
        Payload p(BlockKind::Output);
        p.Set(4, n);
        if (high) p.Be16(5, o.maxCurrent);
        else p.Be16(5, 0xFFFF);
        p.Set(7, high ? 10 : 0);  // peak time 1.0 s
        p.Set(8, o.trigger);
        p.Set(9, 1);
        p.Name(10, 15, o.name);
        p.Set(25, 0);
        p.Set(26, 0);
        if (high) {
            p.Le16(27, 5);   // low-current limit 0.5 A
            p.Set(29, 20);   // for 2.0 s
        }
        SetBlock(BlockKind::Output, n - 1, p.bytes());
    }
    {
        Payload p(BlockKind::LowBattery);
        p.Set(4, 115);  // 11.5 V
        p.Set(5, 125);  // 12.5 V
        p.List(6, 12, {17, 18, 22});
        SetBlock(BlockKind::LowBattery, 0, p.bytes());
    }
    {
        Payload p(BlockKind::CanSetup);
        p.Le16(5, 500);
        p.Le16(7, 15);
        p.Le16(9, 0x123);
        p.Set(11, 0);
        p.Set(12, 0x01);
        p.Set(13, 0);
        SetBlock(BlockKind::CanSetup, 0, p.bytes());
    }
    {
        Payload p(BlockKind::StartKill);
        p.Set(4, kInputCode[1]);
        p.List(5, 14, {9});
        p.Set(19, kInputCode[2]);
        p.Set(20, 10);
        p.List(21, 14, {1, 2, 9, 10});
        SetBlock(BlockKind::StartKill, 0, p.bytes());
    }
    for (int i = 0; i < CAN_INPUT_COUNT; ++i) {
        Payload p(BlockKind::CanInput);
        p.Set(4, i);
        const QByteArray name = "CAN " + QByteArray::number(i + 1);
        p.Name(20, 15, name.constData());
        SetBlock(BlockKind::CanInput, i, p.bytes());
    }
    {
        Payload p(BlockKind::CanInputEnable);
        p.Set(4, 0);
        p.Set(5, kInputCode[0]);
        SetBlock(BlockKind::CanInputEnable, 0, p.bytes());
    }
    {
        Payload p(BlockKind::Name);
        p.Name(4, 16, "Relvane Sim");
        SetBlock(BlockKind::Name, 0, p.bytes());
    }
    for (int i = 0; i < 20; ++i) {
        Payload p(BlockKind::VirtualInput);
        p.Set(4, i);
        const QByteArray name = "Virtual " + QByteArray::number(i + 1);
        p.Name(11, 15, name.constData());
        SetBlock(BlockKind::VirtualInput, i, p.bytes());
    }
    for (int i = 0; i < 5; ++i) {
        Payload p(BlockKind::Flash);
        p.Set(4, i);
        p.Set(8, 5);  // 500 ms on
        p.Set(9, 5);  // 500 ms off
        p.List(11, 4, {});
        const QByteArray name = "Flash " + QByteArray::number(i + 1);
        p.Name(15, 15, name.constData());
        SetBlock(BlockKind::Flash, i, p.bytes());
    }
    {
        Payload p(BlockKind::Wiper);
        p.Set(4, kInputCode[7]);
        p.Set(5, kInputCode[8]);
        p.Set(6, kDisabled);
        p.Set(7, kDisabled);
        p.Set(8, 0);
        p.Set(9, 30);
        SetBlock(BlockKind::Wiper, 0, p.bytes());
    }
    SetBlock(BlockKind::Pwm, 0, Payload(BlockKind::Pwm).bytes());
    {
        Payload p(BlockKind::CanExport1);
        p.Le16(6, 100);
        p.Le16(8, 0x300);
        for (int b = 10; b <= 27; ++b) p.Set(b, 0xFF);
        SetBlock(BlockKind::CanExport1, 0, p.bytes());
    }
    for (int i = 0; i < 3; ++i) {
        Payload p(BlockKind::CanExport);
        p.Set(4, i);
        p.Le16(6, 100);
        p.Le16(8, 0x301 + i);
        const int last = i == 2 ? 73 : 43;
        for (int b = 10; b <= last; ++b) p.Set(b, 0xFF);
        SetBlock(BlockKind::CanExport, i, p.bytes());
    }
}

}  // namespace relvane::sim
