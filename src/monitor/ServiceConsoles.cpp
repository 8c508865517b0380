#include "monitor/ServiceConsoles.h"

#include "link/Frame.h"
#include "protocol/MessageCatalogue.h"

#include <QRandomGenerator>

#include <algorithm>

namespace relvane {

// --- About -------------------------------------------------------------------

QString CompiledText(const char* compilerDate)
{
    return QStringLiteral("Created: ") + QString::fromLatin1(compilerDate).simplified();
}

QString PowerUpTimeText(std::uint32_t seconds)
{
    return QStringLiteral("Seconds since powerup : ") + QString::number(seconds);
}

QString MaxTemperatureText(std::uint8_t degrees)
{
    return QStringLiteral("Max temperatur : ") + QString::number(degrees);
}

QString MaxCurrentText(std::uint32_t tenths)
{
    return QStringLiteral("Max Current : ") + QString::asprintf("%3.1f", tenths * 0.1)
        + QStringLiteral(" Amps ");
}

QString WatchdogCountText(std::uint8_t count)
{
    return QStringLiteral("Watchdog Count : ") + QString::number(count);
}

bool SuperUserSequence::KeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    // Pressing or repeating a modifier on its own is not part of what is typed.
    if (key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_Alt
        || key == Qt::Key_Meta || key == Qt::Key_AltGr)
        return false;
    static constexpr char code[CODE_LENGTH + 1] = "KT5173";
    // Qt reports letters by their upper-case code; keypad digits carry the
    // keypad modifier and do not count.
    const bool matches = (modifiers & Qt::ControlModifier) && !(modifiers & Qt::KeypadModifier)
        && position_ < CODE_LENGTH && key == code[position_];
    if (!matches) {
        position_ = 0;
        return false;
    }
    ++position_;
    return position_ == CODE_LENGTH;
}

// --- Ping test -------------------------------------------------------------------

PingTest::PingTest(TxSink& queue, PingState& state, Random random, Clock clock)
    : queue_(queue), state_(state), random_(std::move(random)), clock_(std::move(clock))
{
    if (!random_)
        random_ = [](int n) { return static_cast<int>(QRandomGenerator::global()->bounded(n)); };
    if (!clock_)
        clock_ = [] { return QTime::currentTime(); };
}

QString PingTest::TimeStamp() const
{
    const QTime now = clock_();
    return QStringLiteral("%1:%2").arg(now.second()).arg(now.msec());
}

namespace {
QString HexBytes(const std::uint8_t* bytes, int n)
{
    QString s;
    for (int i = 0; i < n; ++i)
        s += QStringLiteral("%1:").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    return s;
}
}  // namespace

QString PingTest::Ping()
{
    auto& buf = state_.lastRequest;
    buf.fill(0);
    buf[FRAME_LENGTH] = PING_REQ_LENGTH;
    buf[FRAME_TYPE] = FRAME_TYPE_SERVICE;
    buf[FRAME_COMMAND] = PING_REQ;
    const int n = std::clamp(random_(PING_MAX_TEST_BYTES + 1), 0, PING_MAX_TEST_BYTES);
    buf[FRAME_PAYLOAD] = static_cast<std::uint8_t>(n);
    for (int i = 0; i < n; ++i)
        buf[static_cast<std::size_t>(5 + i)] = static_cast<std::uint8_t>(std::clamp(random_(255), 0, 254));
    buf[FRAME_CHECKSUM] = FrameChecksum(buf.data() + 1, PING_REQ_LENGTH - 1);
    SendFrame(queue_, buf.data(), PING_REQ_LENGTH);
    state_.outstanding = true;
    return TimeStamp() + QStringLiteral(": PING_REQ - Data: ") + HexBytes(buf.data() + 5, n);
}

PingTest::FrameResult PingTest::OnFrame(const std::uint8_t* frame, int count)
{
    FrameResult result;
    if (!FrameChecksumValid(frame, count)) {
        result.lines << QStringLiteral("Chksum Error....");
        return result;
    }
    if (frame[FRAME_TYPE] != FRAME_TYPE_SERVICE || frame[FRAME_COMMAND] != PING_CFM)
        return result;
    const int length = frame[FRAME_LENGTH];
    // The count byte may claim more than the frame carries; only what arrived
    // is shown and compared, and such an answer counts as different.
    const int claimed = length > FRAME_PAYLOAD ? frame[FRAME_PAYLOAD] : 0;
    const int available = std::max(0, length - 5);
    const int shown = std::min({claimed, available, PING_BUFFER_SIZE - 5});
    result.lines << TimeStamp() + QStringLiteral(": PING_CFM - Data: ") + HexBytes(frame + 5, shown);
    const bool same = claimed == shown
        && std::equal(frame + 5, frame + 5 + shown, state_.lastRequest.begin() + 5);
    if (same) {
        state_.outstanding = false;
    } else {
        result.lines << QStringLiteral(" ERROR in data");
        result.dataError = true;
    }
    return result;
}

QStringList PingTest::TimerTick()
{
    if (state_.outstanding) {
        ++state_.tickCounter;
        if (state_.tickCounter > PING_TIMEOUT_TICKS) {
            state_.tickCounter = 0;
            state_.outstanding = false;
            return {QStringLiteral(" Timeout error")};
        }
        return {};
    }
    state_.tickCounter = 0;
    return {Ping()};
}

QString InvalidIntegerText(const QString& text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

std::optional<int> PingIntervalFromText(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 1)
        return std::nullopt;
    return value;
}

// --- Version check ---------------------------------------------------------------------

std::optional<int> VersionNumber(const QByteArray& text)
{
    const qsizetype point = text.indexOf('.');
    if (point < 1)
        return std::nullopt;
    const QByteArray digits = text.mid(point - 1, 1) + text.mid(point + 1, 2);
    for (char c : digits)
        if (c < '0' || c > '9')
            return std::nullopt;
    return digits.toInt();
}

bool VersionAccepted(const QByteArray& text)
{
    const std::optional<int> number = VersionNumber(text);
    return number && *number >= 800 && *number <= 999;
}

VersionCheck::VersionCheck(QObject* parent) : QObject(parent), timer1_(this), timer2_(this)
{
    timer1_.setObjectName(QStringLiteral("Timer1"));
    timer1_.setInterval(ANSWER_TIMEOUT_MS);
    timer1_.setSingleShot(true);
    connect(&timer1_, &QTimer::timeout, this, &VersionCheck::Timer1Timer);
    timer2_.setObjectName(QStringLiteral("Timer2"));
    timer2_.setInterval(CLOSE_DELAY_MS);
    timer2_.setSingleShot(true);
    connect(&timer2_, &QTimer::timeout, this, &VersionCheck::Timer2Timer);
    timer1_.start();
}

bool VersionCheck::OnFrame(const std::uint8_t* frame, int count)
{
    if (!FrameChecksumValid(frame, count))
        return false;
    if (frame[FRAME_TYPE] != FRAME_TYPE_COMMAND || frame[FRAME_COMMAND] != VERSION_CFM)
        return false;
    // The first answer decides and starts the close delay; the heartbeat answers every
    // 400 ms, so restarting the delay on later answers would keep the window open.
    if (timer2_.isActive() || timedOut_)
        return true;
    timer1_.stop();
    versionText_ = ReadVersion(frame, count).text;
    Q_EMIT versionShown(versionText_);
    // A text that does not read as a version is a wrong version; the window
    // still closes after the delay, as after any answer.
    if (VersionAccepted(versionText_))
        accepted_ = true;
    timer2_.start();
    return true;
}

void VersionCheck::Timer1Timer()
{
    timer1_.stop();
    timedOut_ = true;
    Q_EMIT finished();
}

void VersionCheck::Timer2Timer()
{
    timer2_.stop();
    Q_EMIT finished();
}

}  // namespace relvane
