// The value-range rule of CheckConfig: numbers a field holds beyond what the module's byte
// or word can carry, and texts that are no number, each with what the module would get.

#include "config/ConfigCheckSupport.h"

#include "config/ConfigConversions.h"
#include "config/ConfigModel.h"
#include "config/ConfigWords.h"

#include <algorithm>

namespace relvane::checks {

static bool HasDigit(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

void CheckValueRanges(const ConfigModel& m, bool wiperInUse, const std::function<bool(int)>& canInputUsed,
                      const AddProblem& add)
{
    const char* rule = "value-range";
    // A number of tenths stored in one byte (or 16 bits) that the field holds beyond it.
    const auto tenths = [&](const QString& who, const QString& what, const OptionalNumber& value, int max, const char* unit,
                            const FieldLocation& where) {
        const int v = NumberOrZero(value);
        if (v >= 0 && v <= max)
            return;
        add(rule, QStringLiteral("%1: %2 %3 %4 goes to the module as %5 %4").arg(who, what, TextFromTenths(v), QLatin1String(unit),
                                                                                  TextFromTenths(v & max)),
            where);
    };
    for (int n = 1; n <= kOutputCount; ++n) {
        const OutputConfig& r = m.Output(n);
        const QString who = OutputWords(m, n);
        const auto at = [&](const char* key) { return Where(QStringLiteral("OUTPUT"), Num(key, n)); };
        tenths(who, QStringLiteral("its delay"), r.DELAY, 0xFF, "s", at("DELAY"));
        tenths(who, QStringLiteral("its on-timer"), r.ON_TIME, 0xFF, "s", at("ON_TIME"));
        if (n > kHighPowerOutputCount)
            continue;
        tenths(who, QStringLiteral("its current limit"), r.MAX_CURRENT, 0xFFFF, "A", at("MAX_CURRENT"));
        tenths(who, QStringLiteral("its peak time"), r.PEAK_TIME, 0xFF, "s", at("PEAK_TIME"));
        tenths(who, QStringLiteral("its low-current limit"), r.LOW_CURRENT, 0xFFFF, "A", at("LOW_CURRENT"));
        tenths(who, QStringLiteral("its low-current time"), r.LOW_CURRENT_TIME, 0xFF, "s", at("LOW_CURRENT_TIME"));
    }
    const LowBatteryConfig& lb = m.LowBattery();
    if (lb.LIST_SELECTED.any()) {
        const auto threshold = [&](const QString& what, const QString& text, const char* key) {
            const FieldLocation where = Where(QStringLiteral("LOW_BATTERY"), QLatin1String(key));
            if (!HasDigit(text))
                add(rule, QStringLiteral("Low battery: the %1 \"%2\" is no number and goes to the module as 0.0 V").arg(what, text), where);
            else
                tenths(QStringLiteral("Low battery"), QStringLiteral("the ") + what, TenthsFromText(text), 0xFF, "V", where);
        };
        threshold(QStringLiteral("low threshold"), lb.LOW_TRIG, "LOW_TRIG");
        threshold(QStringLiteral("high threshold"), lb.UPPER_TRIG, "UPPER_TRIG");
    }
    // Whole numbers with a documented range; goesAs is what the module gets.
    const auto whole = [&](const QString& what, int v, int lo, int hi, int goesAs, const FieldLocation& where) {
        if (v >= lo && v <= hi)
            return;
        add(rule, QStringLiteral("%1 %2 is outside %3 to %4 and goes to the module as %5").arg(what).arg(v).arg(lo).arg(hi).arg(goesAs), where);
    };
    const KillButtonConfig& kill = m.KillButton();
    whole(QStringLiteral("The kill button's input delay (x 100 ms)"), kill.INPUT_DELAY, 0, 255, kill.INPUT_DELAY & 0xFF,
          Where(QStringLiteral("KILL BUTTON"), QStringLiteral("INPUT_DELAY")));
    if (wiperInUse) {
        const int t = m.Wiper().INTERVAL_TIME;
        whole(QStringLiteral("The wiper's interval time (x 100 ms)"), t, 2, 250, t & 0xFF, Where(QStringLiteral("WIPER"), QStringLiteral("INTERVAL_TIME")));
    }
    const auto decimal = [&](const QString& what, const QString& text, int fallback, int lo, int hi, const std::function<int(int)>& sent,
                             const FieldLocation& where) {
        bool ok = false;
        const int v = text.trimmed().toInt(&ok);
        if (!ok)
            add(rule, QStringLiteral("%1 \"%2\" is no number and goes to the module as %3").arg(what, text).arg(sent(fallback)), where);
        else
            whole(what, v, lo, hi, sent(v), where);
    };
    const QString autoReset = m.OutputBlock().AutoResetError;
    if (!autoReset.trimmed().isEmpty() && autoReset.trimmed() != QLatin1String("0"))
        decimal(QStringLiteral("The auto reset of channel errors (x 100 ms)"), autoReset, 0, 5, 250,
                [](int v) { v &= 0xFF; return v >= 1 && v <= 4 ? 5 : v; }, Where(QStringLiteral("OUTPUT"), QStringLiteral("AutoResetError")));
    decimal(QStringLiteral("The delay before \"No CAN data\" (x 100 ms)"), m.CanSetup().NoCANdelay, 15, 2, 2000,
            [](int v) { return std::clamp(v & 0xFFFF, 2, 2000); }, Where(QStringLiteral("CAN_SETUP"), QStringLiteral("NoCANdelay")));
    for (int x = 1; x <= kCanExportCount; ++x) {
        const CanExportConfig& e = m.CanExport(x);
        if (!e.ENABLED)
            continue;
        const QString who = QStringLiteral("CAN export %1").arg(x);
        const int refresh = NumberOrZero(e.REFRESS_TIME);
        whole(who + QStringLiteral("'s refresh time (ms)"), refresh, 20, 0xFFFF, refresh & 0xFFFF,
              Where(ExportSection(x), x == 1 ? QStringLiteral("REFRESS_TIME_1") : QStringLiteral("REFRESS_TIME")));
        const int id = NumberOrZero(e.CAN_ID);
        whole(who + QStringLiteral("'s identifier"), id, 0, 0xFFFF, id & 0xFFFF, Where(ExportSection(x), ExportIdKey(x)));
        if (x == 1) {
            const int rows = NumberOrZero(e.ROW_COUNT);
            whole(who + QStringLiteral("'s row count"), rows, 0, 12, rows & 0xFF, Where(ExportSection(x), QStringLiteral("ROW_COUNT")));
        }
    }
    for (int c = 1; c <= kCanInputCount; ++c) {
        if (!canInputUsed(c))
            continue;
        const CanInputConfig& r = m.CanInput(c);
        whole(CanInputWords(m, c) + QStringLiteral(": its ON identifier"), r.CAN_ID_ON, 0, 0xFFFF, Id16(r.CAN_ID_ON), CanInputWhere(c, "CAN_ID_ON"));
        whole(CanInputWords(m, c) + QStringLiteral(": its OFF identifier"), r.CAN_ID_OFF, 0, 0xFFFF, Id16(r.CAN_ID_OFF), CanInputWhere(c, "CAN_ID_OFF"));
    }
}

}  // namespace relvane::checks
