#include "firmware/FirmwareUpdate.h"

#include <QThread>

#include <algorithm>
#include <utility>

namespace relvane {

namespace {
// The bootloader's page: what "T" announces. Used to check a file before the
// exchange, since the block size is only known once the exchange runs.
constexpr std::int32_t BOOT_BLOCK = 256;
constexpr int BLOCK_MAX = BOOT_BLOCK + 3;
}  // namespace

FirmwareUpdate::FirmwareUpdate(TxSink& tx, FirmwareUpdateView& view, std::function<void(int)> pause)
    : tx_(tx), view_(view), pause_(std::move(pause)), image_(IMAGE_SIZE, FILL) {
    if (!pause_) pause_ = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
    stallTimer_.setSingleShot(true);
    stallTimer_.setInterval(STALL_TIMEOUT_MS);
    QObject::connect(&stallTimer_, &QTimer::timeout, [this] { StallTimeout(); });
}

void FirmwareUpdate::GoIdle() {
    state_ = Idle;
    stallTimer_.stop();
}

void FirmwareUpdate::StallTimeout() {
    stallTimer_.stop();
    if (state_ != WaitStart && state_ != Sending) return;
    // Without this the window would wait for ever with a half-programmed module and
    // no word of it; Program starts the exchange afresh.
    state_ = Idle;
    view_.SetProgress(0);
    view_.ShowMessage(StalledText());
}

void FirmwareUpdate::Program(const QString& fileName) {
    if (fileName.isEmpty()) {
        view_.ShowMessage(NoFileText());
        return;
    }
    // A fresh image each time: gaps hold the fill value, not the previous file,
    // and a file that fails to read leaves the running exchange its own image.
    HEXFile fresh(IMAGE_SIZE, FILL);
    fresh.Read(fileName);

    if (fresh.start > fresh.end) {
        GoIdle();
        view_.ShowMessage(NoDataText());
        return;
    }
    const std::int64_t span = std::int64_t(fresh.end) - fresh.start + 1;
    const std::int64_t lastBlock = fresh.start + ((span - 1) / BOOT_BLOCK) * BOOT_BLOCK;
    if (lastBlock + BOOT_BLOCK > IMAGE_SIZE) {
        GoIdle();
        view_.ShowMessage(TooLongText());
        return;
    }

    image_ = std::move(fresh);
    start_ = std::int32_t(image_.start);
    end_ = std::int32_t(image_.end);
    sent_ = 0;
    state_ = WaitPrompt;
    stallTimer_.stop();
    view_.ShowMessage(RebootText());
}

int FirmwareUpdate::Progress() const {
    const std::int64_t done = std::int64_t(start_) + sent_;
    const std::int64_t divisor = (std::int64_t(end_) - start_) / 100;
    std::int64_t percent = 0;
    if (divisor != 0) {
        percent = done / divisor;
    } else {
        // Less than 100 bytes' span: the share of the bytes already sent.
        const std::int64_t span = std::int64_t(end_) - start_ + 1;
        percent = span > 0 ? std::int64_t(sent_) * 100 / span : 0;
    }
    return int(std::clamp<std::int64_t>(percent, 0, 100));
}

bool FirmwareUpdate::BlockFits(std::int64_t address) const {
    return address >= 0 && address + blockSize_ <= image_.Size();
}

bool FirmwareUpdate::SendBlock() {
    const std::int64_t a = std::int64_t(start_) + sent_;
    if (!BlockFits(a) || blockSize_ < 0 || blockSize_ + 3 > BLOCK_MAX) {
        // Refused before the first byte leaves, so the bootloader never gets a
        // half block; the user learns why and may program again.
        GoIdle();
        view_.ShowMessage(TooLongText());
        view_.SetProgress(0);
        return false;
    }
    std::uint8_t block[BLOCK_MAX];
    const int n = blockSize_;
    block[0] = std::uint8_t(a >> 16);
    block[1] = std::uint8_t(a >> 8);
    std::uint8_t sum = 0;
    const std::uint8_t* bytes = image_.Data() + a;
    for (int i = 0; i < n; ++i) {
        block[2 + i] = bytes[i];
        sum = std::uint8_t(sum + bytes[i]);
    }
    block[2 + n] = sum;
    tx_.AddToTxQueue(block, n + 3);
    sent_ += blockSize_;
    return true;
}

void FirmwareUpdate::HandleByte(std::uint8_t b) {
    switch (state_) {
    case Idle:
        return;
    case WaitPrompt:
        if (b == PROMPT) {
            const std::uint8_t answer = ANSWER;
            tx_.AddToTxQueue(&answer, 1);
            state_ = WaitStart;
            stallTimer_.start();
        }
        return;
    case WaitStart:
        if (b == BLOCK_256) {
            blockSize_ = BOOT_BLOCK;
            stallTimer_.start();
        } else if (b == GO) {
            view_.SetProgress(0);
            state_ = Sending;
            if (SendBlock()) stallTimer_.start();
        }
        return;
    case Sending:
        if (b == GO) {
            if (std::int64_t(start_) + sent_ > end_) {
                const std::uint8_t endMark[2] = {END_MARK, END_MARK};
                tx_.AddToTxQueue(endMark, 2);
                pause_(1);
                GoIdle();
                view_.ShowMessage(UpdatedText());
                view_.SetProgress(0);
            } else {
                view_.SetProgress(Progress());
                if (SendBlock()) stallTimer_.start();
            }
        } else if (b == ABORT) {
            GoIdle();
        }
        return;
    }
}

}  // namespace relvane
