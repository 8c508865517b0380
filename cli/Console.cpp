#include "cli/Console.h"

#include <algorithm>

#include <unistd.h>

namespace relvane::cli {

namespace {
void Write(FILE* f, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), f);
    std::fflush(f);
}
}  // namespace

StdConsole::StdConsole()
    : outTerminal_(::isatty(STDOUT_FILENO) == 1), errTerminal_(::isatty(STDERR_FILENO) == 1) {}

void StdConsole::Out(const QString& line) { Write(stdout, line + QLatin1Char('\n')); }
void StdConsole::OutRaw(const QString& text) { Write(stdout, text); }
void StdConsole::Err(const QString& line) { Write(stderr, line + QLatin1Char('\n')); }
void StdConsole::ErrRaw(const QString& text) { Write(stderr, text); }

Progress::Progress(Console& console, QString what, QString unit)
    : console_(console), what_(std::move(what)), unit_(std::move(unit)) {}

Progress::~Progress() { Finish(); }

QString Progress::Text(const QString& what, long long done, long long total, const QString& unit) {
    const long long percent = total > 0 ? std::clamp(done * 100 / total, 0LL, 100LL) : 0;
    return QStringLiteral("%1: %2/%3 %4, %5%").arg(what).arg(done).arg(total).arg(unit).arg(percent);
}

void Progress::Update(long long done, long long total) {
    const QString text = Text(what_, done, total, unit_);
    if (console_.ErrIsTerminal()) {
        console_.ErrRaw(QStringLiteral("\r\x1b[K") + text);
        open_ = true;
        return;
    }
    // Plain lines: one for every tenth reached, so a log gets at most eleven.
    const int step = total > 0 ? static_cast<int>(std::clamp(done * 10 / total, 0LL, 10LL)) : 0;
    if (step == lastStep_) return;
    lastStep_ = step;
    console_.Err(text);
}

void Progress::Finish() {
    if (open_) console_.ErrRaw(QStringLiteral("\n"));
    open_ = false;
}

}  // namespace relvane::cli
