#pragma once
// Current-measurement calibration of the 18 high-power channels: calibration
// mode, the per-channel data and its refresh cycle, the options, the A/D offset
// store, the new-ratio calculation and the one-at-a-time ratio store.

#include "tools/ToolHost.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <cstdint>
#include <optional>

namespace relvane {

inline constexpr int kCalibrationChannels = 18;
inline constexpr int kRatioMin = 5000;
inline constexpr int kRatioMax = 25000;
inline constexpr int kCalibrationRefreshMs = 100;

inline const QString kCalibrationModeSet = QStringLiteral("Relvane in Calibration mode");

// The options flags.
inline constexpr std::uint8_t kCalibrationUseOffset = 0x02;
inline constexpr std::uint8_t kCalibrationUseRatio = 0x04;

// New ratio = I × 1 000 000 ÷ ((AD − offset) × 10.39), truncated and clamped to
// 5000 … 25000. Nothing when AD equals offset: no ratio follows from such a reading.
std::optional<int> CalculateNewRatio(double currentAmps, int adValue, int adOffset);

Frame BuildCalibrationModeRequest();
Frame BuildCalibrationDataRequest(std::uint8_t channel);
Frame BuildCalibrationOptions(std::uint8_t flags, std::uint8_t channel);
Frame BuildOffsetStoreRequest();
Frame BuildRatioStore(std::uint8_t channel, std::uint16_t ratio);

// One channel's row, as last reported by the module.
struct CalibrationRow {
    bool hasData = false;
    std::uint8_t adOffset = 0;
    std::uint16_t ratio = 0;
    std::uint16_t currentTenths = 0;
    std::uint16_t adValue = 0;
    bool updateMarker = false;

    // Label texts ("--" until data arrives; the marker "*" at start).
    QString offsetText() const;
    QString ratioText() const;
    QString currentText() const;
    QString adText() const;
    QString markerText() const;
};

// The logic of TCalibrationForm. The operator's fields (measured currents, new
// ratios, the step 2 channel) are held here as texts.
class CalibrationTool : public QObject, public ToolFrameListener {
    Q_OBJECT
public:
    // Sends the calibration mode request at once, as the window does on creation.
    explicit CalibrationTool(ToolHost& host, QObject* parent = nullptr);

    // Rows are numbered 1 … 18.
    const CalibrationRow& row(int channel) const { return rows_.at(std::size_t(channel - 1)); }
    QString measuredCurrentText(int channel) const { return measured_.at(std::size_t(channel - 1)); }
    void setMeasuredCurrentText(int channel, const QString& text) { measured_.at(std::size_t(channel - 1)) = text; }
    QString newRatioText(int channel) const { return newRatio_.at(std::size_t(channel - 1)); }
    void setNewRatioText(int channel, const QString& text) { newRatio_.at(std::size_t(channel - 1)) = text; }
    std::int32_t ratioTableEntry(int channel) const { return table_.at(std::size_t(channel - 1)); }

    QString channelText() const { return channelText_; }
    void setChannelText(const QString& text) { channelText_ = text; }
    bool useOffset() const { return useOffset_; }
    bool useRatio() const { return useRatio_; }

    int refreshChannel() const { return refreshChannel_; }
    bool refreshTimerActive() const { return timer_.isActive(); }
    bool offsetStoredShown() const { return offsetStoredShown_; }
    bool ratiosStoredShown() const { return ratiosStoredShown_; }

    // Window shown: both "OK" labels hidden.
    void Show();

    // Options: the check boxes and the step 2 buttons.
    void SetUseOffset(bool on);
    void SetUseRatio(bool on);
    void ChannelUpdate();
    void ChannelDown();
    void ChannelUp();

    // Step 1.
    void StoreOffsets();
    // A row's calculate button. Writes the new ratio into the row's field. When
    // the reading equals the offset the field is emptied and a message says why.
    // Throws ToolInputError while the row has no data yet.
    void CalculateRatio(int channel);
    // Store Ration. Throws ToolInputError at the first new-ratio text that is
    // no integer; the store does not start then.
    void StoreRatios();

    // The refresh timer's tick.
    void RefreshTimerTick();

    void OnToolFrame(const std::uint8_t* frame, int count) override;

Q_SIGNALS:
    void rowChanged(int channel);
    void newRatioChanged(int channel);
    void channelTextChanged();
    void labelsChanged();  // the "OK" labels

private:
    void SendOptions();
    void ContinueStore(int after);

    ToolHost& host_;
    std::array<CalibrationRow, kCalibrationChannels> rows_{};
    std::array<QString, kCalibrationChannels> measured_{};
    std::array<QString, kCalibrationChannels> newRatio_{};
    std::array<std::int32_t, kCalibrationChannels> table_{};
    QString channelText_;
    bool useOffset_ = false;
    bool useRatio_ = false;
    int refreshChannel_ = 1;
    bool offsetStoredShown_ = false;
    bool ratiosStoredShown_ = false;
    QTimer timer_;
};

}  // namespace relvane
