#pragma once
// The logic of the About, ping test and version check windows, without widgets.

#include "link/FrameCodec.h"
#include "monitor/MonitorHost.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace relvane {

// --- About -------------------------------------------------------------------

inline constexpr const char* TOOL_VERSION = "9.08";

// "Created: Mar 13 2016" from the compiler's date text ("Mar 13 2016", or
// "Mar  3 2016" for a single-digit day, which is shown with one blank).
QString CompiledText(const char* compilerDate = __DATE__);

// The four statistics lines of the About window.
QString PowerUpTimeText(std::uint32_t seconds);
QString MaxTemperatureText(std::uint8_t degrees);
QString MaxCurrentText(std::uint32_t tenths);
QString WatchdogCountText(std::uint8_t count);

// The access code typed with Ctrl held in the About window.
class SuperUserSequence {
public:
    static constexpr int CODE_LENGTH = 6;

    // One key press (Qt key code and modifiers). True when it completed the code.
    bool KeyDown(int key, Qt::KeyboardModifiers modifiers);
    int Position() const { return position_; }

private:
    int position_ = 0;
};

// --- Ping test -----------------------------------------------------------------

inline constexpr int PING_BUFFER_SIZE = 100;
inline constexpr int PING_MAX_TEST_BYTES = 15;
inline constexpr int PING_TIMEOUT_TICKS = 50;  // the timeout is reported on tick 51

// What the ping window remembers from one opening to the next: the last
// request, whether it is still outstanding, and the timer's tick count.
struct PingState {
    std::array<std::uint8_t, PING_BUFFER_SIZE> lastRequest{};
    bool outstanding = false;
    int tickCounter = 0;
};

// The ping test's rules. Lines for the memo are returned, not stored.
class PingTest {
public:
    // random(n) gives a pseudo-random number 0 to n-1; now() the local time.
    using Random = std::function<int(int)>;
    using Clock = std::function<QTime()>;

    PingTest(TxSink& queue, PingState& state, Random random = {}, Clock clock = {});

    // Builds and sends a fresh PING_REQ; returns its memo line.
    QString Ping();

    struct FrameResult {
        QStringList lines;
        bool dataError = false;  // the error count goes up by one
    };
    // A frame offered by the dispatcher (whatever its checksum).
    FrameResult OnFrame(const std::uint8_t* frame, int count);

    // One tick of the timed test: pings when nothing is outstanding; returns
    // the lines to add (the ping, or " Timeout error", or nothing).
    QStringList TimerTick();

    const PingState& State() const { return state_; }

private:
    QString TimeStamp() const;

    TxSink& queue_;
    PingState& state_;
    Random random_;
    Clock clock_;
};

// "'text' is not a valid integer value", the conversion error text.
QString InvalidIntegerText(const QString& text);
// The timer interval typed into the ping window: a whole number of at least
// 1 ms, or nothing.
std::optional<int> PingIntervalFromText(const QString& text);

// --- Version check -------------------------------------------------------------------

// The number formed from one character before the first point and two after
// it ("9.08" gives 908, "10.00" gives 0); nothing when there is no point or the
// three characters are not a decimal number.
std::optional<int> VersionNumber(const QByteArray& text);
// Versions 8.00 to 9.99 suit this tool.
bool VersionAccepted(const QByteArray& text);

// Waits up to 1 s for the next VERSION_CFM and decides whether the module's
// software suits the tool; finished() is emitted when the window should close
// (at the time-out, or 500 ms after an answer).
class VersionCheck : public QObject {
    Q_OBJECT
public:
    static constexpr int ANSWER_TIMEOUT_MS = 1000;
    static constexpr int CLOSE_DELAY_MS = 500;

    // Starts waiting at once.
    explicit VersionCheck(QObject* parent = nullptr);

    // A frame offered by the dispatcher. Returns true when it was a version answer.
    bool OnFrame(const std::uint8_t* frame, int count);
    // Timer ticks (also run by the timers).
    void Timer1Timer();
    void Timer2Timer();

    bool TimedOut() const { return timedOut_; }
    bool Accepted() const { return accepted_; }
    // The version text of the last answer (Windows-1252), empty before one.
    const QByteArray& VersionText() const { return versionText_; }

    QTimer& Timer1() { return timer1_; }
    QTimer& Timer2() { return timer2_; }

Q_SIGNALS:
    void versionShown(const QByteArray& text);
    void finished();

private:
    QTimer timer1_;
    QTimer timer2_;
    bool timedOut_ = false;
    bool accepted_ = false;
    QByteArray versionText_;
};

}  // namespace relvane
