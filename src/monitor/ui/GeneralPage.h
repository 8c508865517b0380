#pragma once
// The "General" notebook page: the live view of all outputs, inputs and the
// summary values, the mode switch and the 34 channel buttons. Thin: it shows
// what its LiveMonitor paints and hands clicks back to it.

#include "monitor/LiveMonitor.h"

#include <QWidget>

#include <array>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace relvane {

// The colour a live look stands for (neutral: the style's button face).
QColor LiveQColor(LiveColour colour);

class TGeneralPage : public QWidget, public LiveDisplay {
    Q_OBJECT
public:
    explicit TGeneralPage(MonitorHost& host, QWidget* parent = nullptr);

    LiveMonitor& Monitor() { return monitor_; }

    // LiveDisplay
    void ShowStatus(const StatusTexts& texts) override;
    void ShowIdleStatus(const LiveLook& look) override;
    void ShowChannelState(int channel, const LiveLook& look) override;
    void ShowChannelButton(int channel, const LiveLook& look) override;
    void ShowInput(int input, const LiveLook& look) override;
    void ShowCanInput(int canInput, const LiveLook& look) override;
    void SetChannelButtonsEnabled(bool enabled) override;
    bool AutoSelected() const override;
    bool ManualSelected() const override;

    // Name labels, rewritten by the configuration's name setters.
    QLabel* ChannelNameLabel(int channel) const;  // 1 to 34
    QLabel* InputNameLabel(int input) const;      // 1 to 11
    QLabel* CanInputNameLabel(int canInput) const;  // 1 to 32

    // Connector texts of the output and input rows.
    static QString OutputConnectorText(int channel);
    static QString InputConnectorText(int input);

private:
    QGroupBox* BuildModeGroup();
    void AddChannelControls(QGroupBox* box, int ch, const QString& kind, QPushButton** button, QLabel** name);
    QGroupBox* BuildHighPowerGroup();
    QGroupBox* BuildLowPowerGroup();
    QGroupBox* BuildStatusGroup();
    QGroupBox* BuildPinInputGroup();
    QGroupBox* BuildCanInputGroup();

    LiveMonitor monitor_;
    QRadioButton* radioAuto_ = nullptr;
    QRadioButton* radioManuel_ = nullptr;
    std::array<QPushButton*, CHANNEL_COUNT> buttons_{};
    std::array<QLabel*, HIGH_POWER_CHANNELS> stateLabels_{};
    std::array<QLabel*, CHANNEL_COUNT> channelNames_{};
    std::array<QLabel*, INPUT_COUNT> inputStates_{};
    std::array<QLabel*, INPUT_COUNT> inputNames_{};
    std::array<QLabel*, CAN_INPUT_COUNT> canStates_{};
    std::array<QLabel*, CAN_INPUT_COUNT> canNames_{};
    QLabel* lblCurrentSum_ = nullptr;
    QLabel* lblVbat_ = nullptr;
    QLabel* lblTemp_ = nullptr;
    QLabel* lblErrors_ = nullptr;
};

// The three activity lamps of the heartbeat; the main window places it on the
// notebook's surface (x = 880, y = 3) and forwards ShowActivityLamps to it.
class TActivityLamps : public QWidget {
    Q_OBJECT
public:
    static constexpr int LAMP_SPACING = 20;  // lamps at x = 0, 20, 40 within the widget

    explicit TActivityLamps(QWidget* parent = nullptr);
    void SetLit(int lamp);  // 0 to 2; anything else: all dark
    int Lit() const { return lit_; }
    // Where lamp 0 to 2 is drawn, in the widget's coordinates.
    static QRect LampRect(int lamp) { return {lamp * LAMP_SPACING + 2, 2, 12, 12}; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int lit_ = -1;
};

}  // namespace relvane
