#pragma once
// Reads the module's program memory back 16 bytes at a time and compares it
// with a HEX file's image, from 0x0000 up to 0xFBFF. One request is out at a
// time; a missing answer is asked again every 300 ms, five times at most.

#include "firmware/HEXFile.h"
#include "link/FrameCodec.h"
#include "protocol/Dispatcher.h"

#include <QDateTime>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>

namespace relvane {

// What the compare shows: the two dumps, the status lines, the progress and
// message boxes.
class FirmwareCompareView {
public:
    virtual ~FirmwareCompareView() = default;
    virtual void ShowMessage(const QString& text) = 0;
    virtual void AddStatusLine(const QString& line) = 0;
    virtual void AddFileLine(const QString& line) = 0;    // file side dump
    virtual void AddTargetLine(const QString& line) = 0;  // module side dump
    virtual void ClearFileLines() = 0;
    virtual void ClearTargetLines() = 0;
    virtual void SetProgress(int percent) = 0;
    virtual void SetPercentText(const QString& text) = 0;
};

class FirmwareCompare : public ToolFrameListener {
public:
    static constexpr std::int32_t IMAGE_SIZE = 0x20000;
    static constexpr std::int32_t COMPARE_END = 0xFC00;  // first address not compared
    static constexpr int BLOCK = 16;
    static constexpr int REQUEST_INTERVAL_MS = 300;
    static constexpr int MAX_REPEATS = 5;

    struct Hooks {
        // Blocks for the given milliseconds (after the system data request).
        std::function<void(int)> pause;
        // The wall clock for the "Compare Startet" line.
        std::function<QDateTime()> now;
    };

    FirmwareCompare(TxSink& tx, FirmwareCompareView& view, Hooks hooks = {});

    // The path last chosen in the open dialog; Start refuses to run without one.
    void SetRememberedPath(const QString& path) { rememberedPath_ = path; }
    QString RememberedPath() const { return rememberedPath_; }

    // Reads a file into the image as it stands (the window does this when it
    // opens with a remembered path). Throws ErrorMsg.
    void ReadImage(const QString& fileName) { image_.Read(fileName); }

    // Start pressed: reads fileName into a fresh 0xFF image (a read error throws
    // ErrorMsg, sends nothing and leaves a running compare untouched), asks for
    // the system data, writes the header lines and requests address 0.
    void Start(const QString& fileName, const QString& firmwareVersion);
    // Cancel pressed: stops the timer, ignores replies from now on.
    void Cancel();
    // Exit pressed: stops the timer.
    void Stop() {
        timer_.stop();
        running_ = false;
    }

    // A received frame, as the dispatcher offers it to open tool windows
    // (whatever its checksum); count is the decoded byte count.
    void OnToolFrame(const std::uint8_t* frame, int count) override;

    // The request timer ran out (public so tests need not wait 300 ms).
    void TimerRequestTimer();
    // A longer wait before a repeat, for tests on a loaded machine.
    void SetRequestIntervalMs(int ms) { timer_.setInterval(ms); }

    bool RequestPending() const { return timer_.isActive(); }
    std::int32_t address() const { return address_; }
    int retryCount() const { return retries_; }
    bool cancelled() const { return cancel_ != 0; }
    const HEXFile& image() const { return image_; }
    HEXFile& image() { return image_; }

    // "Adr:XXXX : " and 16 "XX:" groups.
    static QString DumpLine(std::uint32_t address, const std::uint8_t* bytes);
    // A serial number as the status line shows it: signed decimal, at least 8 digits.
    static QString SerialText(std::uint32_t serial);
    static QString Separator() { return QString(70, QLatin1Char('-')); }
    static QString NoFileText() { return QStringLiteral(" No .hex file selectet"); }
    static QString NoContactText() { return QStringLiteral("No contact to target"); }
    static QString IdenticalText() { return QStringLiteral("FIA compare File is identical with firmware"); }
    static QString FailText() { return QStringLiteral("FIA compare Fail, File not the same in Adr: "); }
    static QString CancelText() { return QStringLiteral("User cancel compare"); }

private:
    void SendRequest();
    void OnMemoryData(const std::uint8_t* frame);
    // A reply that names another block than the one asked for now: a late answer to a
    // repeat (the link writes its queue in slot order, so a request can wait there while
    // newer ones pass it, and be answered blocks or even a window later), or to a request
    // that a new Start overtook.
    bool AnswersAnotherBlock(const std::uint8_t* frame) const;

    TxSink& tx_;
    FirmwareCompareView& view_;
    Hooks hooks_;
    HEXFile image_;
    QTimer timer_;
    QString rememberedPath_;
    std::int32_t address_ = 0;
    std::uint8_t cancel_ = 0;
    int retries_ = 0;
    // From Start until the compare ends (difference, identical, give-up, Exit): an
    // answer that comes after the end starts no second result.
    bool running_ = false;
};

}  // namespace relvane
