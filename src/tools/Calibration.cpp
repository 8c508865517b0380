#include "tools/Calibration.h"

#include "protocol/MessageCatalogue.h"
#include "tools/ToolText.h"

#include <cmath>

namespace relvane {

namespace {
constexpr int kDataReplyLength = 12;  // up to and including the A/D value
constexpr int kRatioReplyLength = 5;  // the confirmed channel
constexpr int kChannelFieldMax = 99;
}  // namespace

std::optional<int> CalculateNewRatio(double currentAmps, int adValue, int adOffset) {
    const int span = adValue - adOffset;
    if (span == 0) return std::nullopt;
    double x = currentAmps * 1000000.0 / (double(span) * 10.39);
    if (std::isnan(x)) return std::nullopt;
    // Compared before truncating: the truncated value is below 5000 exactly when
    // x is, and above 25000 exactly when x reaches 25001.
    if (x < kRatioMin) x = kRatioMin;
    if (x >= kRatioMax + 1) x = kRatioMax;
    return static_cast<int>(std::trunc(x));
}

Frame BuildCalibrationModeRequest() {
    Frame f(FRAME_TYPE_COMMAND, MODE_REQ, MODE_REQ_LENGTH);
    f[4] = MODE_CALIBRATION;
    return f.Seal();
}

Frame BuildCalibrationDataRequest(std::uint8_t channel) {
    Frame f(FRAME_TYPE_COMMAND, CALIBRATION_DATA_READ_REQ, CALIBRATION_DATA_READ_REQ_LENGTH);
    f[4] = channel;
    return f.Seal();
}

Frame BuildCalibrationOptions(std::uint8_t flags, std::uint8_t channel) {
    Frame f(FRAME_TYPE_COMMAND, CALIBRATION_OPTIONS_REQ, CALIBRATION_OPTIONS_REQ_LENGTH);
    f[4] = flags;
    f[5] = channel;
    return f.Seal();
}

Frame BuildOffsetStoreRequest() {
    Frame f(FRAME_TYPE_COMMAND, CALIBRATION_OFFSET_STORE_REQ, CALIBRATION_OFFSET_STORE_REQ_LENGTH);
    return f.Seal();
}

Frame BuildRatioStore(std::uint8_t channel, std::uint16_t ratio) {
    Frame f(FRAME_TYPE_COMMAND, CALIBRATION_RATIO_WRITE_REQ, CALIBRATION_RATIO_WRITE_REQ_LENGTH);
    f[4] = channel;
    f[5] = std::uint8_t(ratio >> 8);
    f[6] = std::uint8_t(ratio);
    return f.Seal();
}

QString CalibrationRow::offsetText() const {
    return hasData ? QString::number(adOffset).rightJustified(2, QLatin1Char('0')) : QStringLiteral("--");
}
QString CalibrationRow::ratioText() const {
    return hasData ? QString::number(ratio).rightJustified(4, QLatin1Char('0')) : QStringLiteral("----");
}
QString CalibrationRow::currentText() const {
    return hasData ? QStringLiteral("%1.%2 A").arg(currentTenths / 10).arg(currentTenths % 10)
                   : QStringLiteral("--");
}
QString CalibrationRow::adText() const {
    return hasData ? QString::number(adValue).rightJustified(4, QLatin1Char('0')) : QStringLiteral("----");
}
QString CalibrationRow::markerText() const {
    // Set after an odd number of reports: " "; clear (also at start): "*".
    return updateMarker ? QStringLiteral(" ") : QStringLiteral("*");
}

CalibrationTool::CalibrationTool(ToolHost& host, QObject* parent)
    : QObject(parent), host_(host), channelText_(QStringLiteral("0")) {
    timer_.setInterval(kCalibrationRefreshMs);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &CalibrationTool::RefreshTimerTick);
    SendFrame(host_.TxQueue(), BuildCalibrationModeRequest());
}

void CalibrationTool::Show() {
    offsetStoredShown_ = false;
    ratiosStoredShown_ = false;
    Q_EMIT labelsChanged();
}

void CalibrationTool::SendOptions() {
    const std::uint8_t flags = (useOffset_ ? kCalibrationUseOffset : 0) | (useRatio_ ? kCalibrationUseRatio : 0);
    const std::int32_t channel = IntegerOrZero(channelText_);
    SendFrame(host_.TxQueue(), BuildCalibrationOptions(flags, std::uint8_t(channel & 0xFF)));
}

void CalibrationTool::SetUseOffset(bool on) {
    useOffset_ = on;
    ChannelUpdate();
}

void CalibrationTool::SetUseRatio(bool on) {
    useRatio_ = on;
    ChannelUpdate();
}

void CalibrationTool::ChannelUpdate() {
    channelText_ = QString::number(IntegerOrZero(channelText_));
    Q_EMIT channelTextChanged();
    SendOptions();
}

void CalibrationTool::ChannelDown() {
    std::int32_t n = IntegerOrZero(channelText_);
    if (n > 0) --n;
    channelText_ = QString::number(n);
    Q_EMIT channelTextChanged();
    SendOptions();
}

void CalibrationTool::ChannelUp() {
    std::int32_t n = IntegerOrZero(channelText_);
    if (n < kChannelFieldMax) ++n;
    channelText_ = QString::number(n);
    Q_EMIT channelTextChanged();
    SendOptions();
}

void CalibrationTool::StoreOffsets() {
    SendFrame(host_.TxQueue(), BuildOffsetStoreRequest());
    offsetStoredShown_ = false;
    Q_EMIT labelsChanged();
}

void CalibrationTool::CalculateRatio(int channel) {
    if (channel < 1 || channel > kCalibrationChannels) return;
    const CalibrationRow& r = row(channel);
    if (!r.hasData)
        throw ToolInputError(QStringLiteral("CH %1 has no calibration data yet").arg(channel));
    const double current = LeadingDecimal(measuredCurrentText(channel));
    const auto ratio = CalculateNewRatio(current, r.adValue, r.adOffset);
    if (!ratio) {
        // Clear the field so that a stale ratio is not stored by mistake.
        newRatio_.at(std::size_t(channel - 1)).clear();
        Q_EMIT newRatioChanged(channel);
        host_.Boxes().Error(QStringLiteral("CH %1: the A/D value equals the A/D offset (%2), "
                                           "so no ratio can be calculated")
                                .arg(channel)
                                .arg(r.adOffset));
        return;
    }
    newRatio_.at(std::size_t(channel - 1)) = QString::number(*ratio);
    Q_EMIT newRatioChanged(channel);
}

void CalibrationTool::StoreRatios() {
    ratiosStoredShown_ = false;
    Q_EMIT labelsChanged();
    table_.fill(0);
    for (int n = 1; n <= kCalibrationChannels; ++n) {
        const QString& text = newRatio_.at(std::size_t(n - 1));
        if (!text.isEmpty()) table_.at(std::size_t(n - 1)) = IntegerOrThrow(text);
    }
    ContinueStore(0);
}

void CalibrationTool::ContinueStore(int after) {
    for (int n = after + 1; n <= kCalibrationChannels; ++n) {
        const std::int32_t entry = table_.at(std::size_t(n - 1));
        if (entry != 0) {
            SendFrame(host_.TxQueue(), BuildRatioStore(std::uint8_t(n), std::uint16_t(entry & 0xFFFF)));
            return;
        }
    }
    ratiosStoredShown_ = true;
    Q_EMIT labelsChanged();
}

void CalibrationTool::RefreshTimerTick() {
    timer_.stop();
    const std::int32_t k = IntegerOrZero(channelText_);
    const int channel = (k >= 1 && k <= kCalibrationChannels) ? k : refreshChannel_;
    SendFrame(host_.TxQueue(), BuildCalibrationDataRequest(std::uint8_t(channel)));
}

void CalibrationTool::OnToolFrame(const std::uint8_t* frame, int count) {
    if (!ToolFrameAccepted(frame, count, FRAME_TYPE_COMMAND)) return;
    const int length = frame[FRAME_LENGTH];
    switch (frame[FRAME_COMMAND]) {
    case MODE_CFM:
        host_.Boxes().ShowMessage(kCalibrationModeSet);
        SendFrame(host_.TxQueue(), BuildCalibrationDataRequest(std::uint8_t(refreshChannel_)));
        break;
    case CALIBRATION_RATIO_WRITE_CFM:
        if (length < kRatioReplyLength) return;
        ContinueStore(frame[4]);
        break;
    case CALIBRATION_DATA_READ_CFM: {
        if (length < kDataReplyLength) return;
        const int c = frame[4];
        if (c >= 1 && c <= kCalibrationChannels) {
            CalibrationRow& r = rows_.at(std::size_t(c - 1));
            r.hasData = true;
            r.adOffset = frame[5];
            r.ratio = std::uint16_t((frame[6] << 8) | frame[7]);
            r.currentTenths = std::uint16_t((frame[8] << 8) | frame[9]);
            r.adValue = std::uint16_t((frame[10] << 8) | frame[11]);
            r.updateMarker = !r.updateMarker;
            Q_EMIT rowChanged(c);
        }
        ++refreshChannel_;
        if (refreshChannel_ > kCalibrationChannels) refreshChannel_ = 1;
        timer_.start();
        break;
    }
    case CALIBRATION_OFFSET_STORE_CFM:
        offsetStoredShown_ = true;
        Q_EMIT labelsChanged();
        break;
    default:
        break;
    }
}

}  // namespace relvane
