#include "firmware/FirmwareCompare.h"

#include "protocol/MessageCatalogue.h"

#include <QLocale>
#include <QThread>

#include <utility>

namespace relvane {

namespace {
constexpr int SERIAL_OFFSET = 4;      // system data: serial number, most significant byte first
constexpr int SYSTEM_DATA_MIN = 8;    // frame bytes up to the serial number's last byte
constexpr int MEMORY_DATA_LENGTH = FRAME_PAYLOAD + 2 + FirmwareCompare::BLOCK;
constexpr int PERCENT_DIVISOR = 645;  // 0xFC00 / 645 = 100

// The 16-bit address field of a memory reply, low byte first.
std::uint32_t ReplyAddress(const std::uint8_t* frame) {
    return std::uint32_t(frame[FRAME_PAYLOAD]) | (std::uint32_t(frame[FRAME_PAYLOAD + 1]) << 8);
}

QString Hex(std::uint32_t value, int digits) {
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}
}  // namespace

FirmwareCompare::FirmwareCompare(TxSink& tx, FirmwareCompareView& view, Hooks hooks)
    : tx_(tx), view_(view), hooks_(std::move(hooks)), image_(IMAGE_SIZE, 0xFF) {
    if (!hooks_.pause)
        hooks_.pause = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
    if (!hooks_.now) hooks_.now = [] { return QDateTime::currentDateTime(); };
    timer_.setSingleShot(true);
    timer_.setInterval(REQUEST_INTERVAL_MS);
    QObject::connect(&timer_, &QTimer::timeout, [this] { TimerRequestTimer(); });
}

QString FirmwareCompare::DumpLine(std::uint32_t address, const std::uint8_t* bytes) {
    QString line = QStringLiteral("Adr:") + Hex(address & 0xFFFF, 4) + QStringLiteral(" : ");
    for (int i = 0; i < BLOCK; ++i) line += Hex(bytes[i], 2) + QLatin1Char(':');
    return line;
}

QString FirmwareCompare::SerialText(std::uint32_t serial) {
    return QString::number(static_cast<std::int32_t>(serial)).rightJustified(8, QLatin1Char('0'));
}

void FirmwareCompare::Start(const QString& fileName, const QString& firmwareVersion) {
    if (rememberedPath_.isEmpty()) {
        view_.ShowMessage(NoFileText());
        return;
    }
    // Read into a fresh image so a file that fails half-way cannot spoil the
    // image a compare still running is checked against.
    HEXFile fresh(IMAGE_SIZE, 0xFF);
    fresh.Read(fileName);
    image_ = std::move(fresh);

    Frame request(FRAME_TYPE_COMMAND, SYSTEM_DATA_READ_REQ, SYSTEM_DATA_READ_REQ_LENGTH);
    SendFrame(tx_, request.Seal());
    hooks_.pause(20);

    cancel_ = 0;
    view_.ClearFileLines();
    view_.ClearTargetLines();

    const QLocale locale;
    const QDateTime now = hooks_.now();
    view_.AddStatusLine(Separator());
    view_.AddStatusLine(QStringLiteral("Compare Startet ") +
                        locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                        locale.toString(now.time(), QLocale::LongFormat));
    view_.AddStatusLine(QStringLiteral("Comparing file : ") + rememberedPath_);
    view_.AddStatusLine(QStringLiteral("With firmware version :") + firmwareVersion);

    address_ = 0;
    running_ = true;
    view_.SetProgress(0);
    SendRequest();
}

void FirmwareCompare::Cancel() {
    timer_.stop();
    cancel_ = 1;
    view_.AddStatusLine(CancelText());
    view_.AddStatusLine(Separator());
}

void FirmwareCompare::SendRequest() {
    Frame request(FRAME_TYPE_COMMAND, MEMORY_READ_REQ, MEMORY_READ_REQ_LENGTH);
    request[FRAME_PAYLOAD] = std::uint8_t(address_ & 0xFF);
    request[FRAME_PAYLOAD + 1] = std::uint8_t((address_ >> 8) & 0xFF);
    SendFrame(tx_, request.Seal());
    timer_.start();
}

void FirmwareCompare::OnToolFrame(const std::uint8_t* frame, int count) {
    if (cancel_ == 1) return;
    // Checks the length byte against what arrived too, so a short frame is
    // never read beyond its end.
    if (!FrameChecksumValid(frame, count)) return;
    if (frame[FRAME_TYPE] != FRAME_TYPE_COMMAND) return;
    const int length = frame[FRAME_LENGTH];
    switch (frame[FRAME_COMMAND]) {
    case SYSTEM_DATA_READ_CFM:
        if (length < SYSTEM_DATA_MIN) return;
        {
            const std::uint32_t serial = (std::uint32_t(frame[SERIAL_OFFSET]) << 24) |
                                         (std::uint32_t(frame[SERIAL_OFFSET + 1]) << 16) |
                                         (std::uint32_t(frame[SERIAL_OFFSET + 2]) << 8) |
                                         std::uint32_t(frame[SERIAL_OFFSET + 3]);
            view_.AddStatusLine(QStringLiteral("Relvane serial no : ") + SerialText(serial));
        }
        return;
    case MEMORY_READ_CFM:
        if (length < MEMORY_DATA_LENGTH) return;  // too short to hold 16 bytes: as if lost
        if (!running_) return;                    // the compare has ended
        if (AnswersAnotherBlock(frame)) return;   // the answer to the current request is still to come
        OnMemoryData(frame);
        return;
    default:
        return;
    }
}

bool FirmwareCompare::AnswersAnotherBlock(const std::uint8_t* frame) const {
    // Only a reply that names the block asked for carries its data; any other would be
    // compared as if it did and report a difference the module does not have.
    return ReplyAddress(frame) != (std::uint32_t(address_) & 0xFFFF);
}

void FirmwareCompare::OnMemoryData(const std::uint8_t* frame) {
    // Stray replies after the end keep moving the address; never past the image.
    if (address_ < 0 || address_ + BLOCK > image_.Size()) return;
    timer_.stop();
    retries_ = 0;

    const std::uint8_t* data = frame + FRAME_PAYLOAD + 2;
    view_.AddTargetLine(DumpLine(ReplyAddress(frame), data));
    const std::uint8_t* file = image_.Data() + address_;
    view_.AddFileLine(DumpLine(std::uint32_t(address_), file));

    for (int i = 0; i < BLOCK; ++i) {
        if (data[i] != file[i]) {
            const QString text = FailText() + Hex(std::uint32_t(address_ + i), 4);
            running_ = false;
            view_.ShowMessage(text);
            view_.AddStatusLine(text);
            view_.AddStatusLine(Separator());
            return;
        }
    }

    address_ += BLOCK;
    const int percent = address_ / PERCENT_DIVISOR;
    view_.SetPercentText(QString::number(percent) + QStringLiteral(" % done"));
    view_.SetProgress(percent);

    if (address_ < COMPARE_END) {
        SendRequest();
    } else {
        running_ = false;
        view_.ShowMessage(IdenticalText());
        view_.AddStatusLine(IdenticalText());
        view_.AddStatusLine(Separator());
    }
}

void FirmwareCompare::TimerRequestTimer() {
    timer_.stop();
    ++retries_;
    if (retries_ <= MAX_REPEATS) {
        SendRequest();
        return;
    }
    running_ = false;
    view_.AddStatusLine(NoContactText());
    view_.ShowMessage(NoContactText());
}

}  // namespace relvane
