#pragma once
// The exchange with the module's bootloader: single bytes and 259-byte blocks,
// raw on the link (no framing). Fed one received byte at a time by the link's
// raw receive mode; queues what it sends, one entry per string, into a TxSink.

#include "firmware/HEXFile.h"
#include "link/FrameCodec.h"

#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>

namespace relvane {

// What the exchange shows: message boxes and the progress bar (0 to 100).
class FirmwareUpdateView {
public:
    virtual ~FirmwareUpdateView() = default;
    virtual void ShowMessage(const QString& text) = 0;
    virtual void SetProgress(int percent) = 0;
};

class FirmwareUpdate {
public:
    static constexpr std::int32_t IMAGE_SIZE = 0x1F800;
    static constexpr std::uint8_t FILL = 0xFF;

    static constexpr std::uint8_t PROMPT = '>';   // module: bootloader is listening
    static constexpr std::uint8_t ANSWER = '<';   // tool: answer to the prompt
    static constexpr std::uint8_t BLOCK_256 = 'T';
    static constexpr std::uint8_t GO = '!';       // module: start, then each block taken
    static constexpr std::uint8_t ABORT = '@';
    static constexpr std::uint8_t END_MARK = 0xFF;  // sent twice after the last block
    // Once the bootloader has answered the prompt, each of its bytes comes within a
    // block's time on the wire; this long without one, the exchange has broken off.
    static constexpr int STALL_TIMEOUT_MS = 5000;

    enum State : std::uint8_t {
        Idle = 0,
        WaitPrompt = 1,
        WaitStart = 2,
        Sending = 3,
    };

    // pause blocks the calling thread for the given milliseconds (the short wait
    // after the end mark); empty: a real sleep.
    FirmwareUpdate(TxSink& tx, FirmwareUpdateView& view,
                   std::function<void(int)> pause = {});

    // Program pressed with the file field's text. Empty: "! No file selected".
    // Otherwise reads the file into a fresh 0xFF-filled image (an earlier file's
    // bytes never leak into the gaps); a read error throws ErrorMsg and leaves
    // the exchange and the image as they were. A file the bootloader cannot take
    // (no data, or a last block past the image) is refused with a message and
    // the exchange goes idle. On success waits for the bootloader's prompt.
    void Program(const QString& fileName);

    // One received byte, in arrival order.
    void HandleByte(std::uint8_t b);

    // From the answer to the prompt until the end mark, a bootloader that stays
    // silent this long (a pulled cable, a lost acknowledgement) ends the exchange
    // with StalledText. Waiting for the prompt has no limit: the user reboots.
    void SetStallTimeoutMs(int ms) { stallTimer_.setInterval(ms); }
    int stallTimeoutMs() const { return stallTimer_.interval(); }
    bool stallTimerActive() const { return stallTimer_.isActive(); }
    // The stall watch ran out (public so tests need not wait).
    void StallTimeout();

    State state() const { return state_; }
    std::int32_t startAddress() const { return start_; }
    std::int32_t endAddress() const { return end_; }
    std::int32_t sent() const { return sent_; }
    std::int32_t blockSize() const { return blockSize_; }
    const HEXFile& image() const { return image_; }

    // The bar value for the next block, 0 to 100.
    int Progress() const;

    static QString NoFileText() { return QStringLiteral("! No file selected"); }
    static QString RebootText() { return QStringLiteral("Reboot target to start programming"); }
    static QString UpdatedText() { return QStringLiteral("Target updated"); }
    static QString NoDataText() { return QStringLiteral("! The HEX file holds no data to program"); }
    static QString TooLongText() {
        return QStringLiteral("! The HEX file reaches past the end of program memory, "
                              "programming stopped");
    }
    static QString StalledText() {
        return QStringLiteral("! No answer from target, programming not finished");
    }

private:
    // Sends the block at start + sent and advances sent; false (and the exchange
    // ended with a message) when the block would leave the image.
    bool SendBlock();
    bool BlockFits(std::int64_t address) const;
    // Ends the exchange (state 0) and its stall watch.
    void GoIdle();

    TxSink& tx_;
    FirmwareUpdateView& view_;
    std::function<void(int)> pause_;
    HEXFile image_;
    State state_ = Idle;
    std::int32_t start_ = 0;
    std::int32_t end_ = 0;
    std::int32_t sent_ = 0;
    std::int32_t blockSize_ = 0;
    QTimer stallTimer_;
};

}  // namespace relvane
