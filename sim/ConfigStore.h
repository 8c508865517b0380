#pragma once
// The simulated module's configuration, kept the way a module keeps it: as the
// stored payload of each configuration block (frame bytes 4 onwards, the index
// byte included), exactly as the last write request carried it.

#include <QByteArray>

#include <array>
#include <cstdint>
#include <vector>

namespace relvane::sim {

enum class BlockKind {
    Input,
    Output,
    LowBattery,
    CanSetup,
    StartKill,
    CanInput,
    CanInputEnable,
    Name,
    VirtualInput,
    Flash,
    Wiper,
    Pwm,
    CanExport1,
    CanExport,
};

// How a block travels: its four messages, its frame length and how many there are.
struct BlockLayout {
    BlockKind kind;
    const char* name;
    std::uint8_t writeReq;
    std::uint8_t writeCfm;
    std::uint8_t readReq;
    std::uint8_t readCfm;
    int length;      // frame length of a block message
    int count;       // number of blocks of this kind
    int firstIndex;  // value of byte 4 for the first block; -1 when byte 4 selects nothing
    bool cfmCarriesIndex;  // the write confirmation repeats byte 4

    int payloadSize() const { return length - 4; }
    // The 0-based slot byte 4 selects, or -1 when it is out of range.
    int SlotOf(std::uint8_t indexByte) const {
        if (firstIndex < 0) return 0;
        const int slot = indexByte - firstIndex;
        return slot >= 0 && slot < count ? slot : -1;
    }
};

const std::array<BlockLayout, 14>& BlockLayouts();
const BlockLayout& LayoutOf(BlockKind kind);
const BlockLayout* LayoutByWriteRequest(std::uint8_t command);
const BlockLayout* LayoutByReadRequest(std::uint8_t command);
const BlockLayout* LayoutByReadConfirmation(std::uint8_t command);

class ConfigStore {
public:
    ConfigStore();

    // The stored payload of block `slot` (0-based) of a kind; empty when out of range.
    QByteArray Block(BlockKind kind, int slot) const;
    // Stores a payload, cut or zero-padded to the block's payload size. False when
    // the slot is out of range.
    bool SetBlock(BlockKind kind, int slot, const QByteArray& payload);

    // The factory configuration: plausible names, triggers and limits.
    void RestoreFactory();

    int TotalBlocks() const;  // 113

private:
    std::array<std::vector<QByteArray>, 14> blocks_;
};

}  // namespace relvane::sim
