// The configuration sheet's sections for the load-management functions, the CAN exports and
// the problems.

#include "config/ConfigChecks.h"
#include "config/ConfigModel.h"
#include "config/ConfigWords.h"
#include "config/SelectionLists.h"
#include "config/SheetHtml.h"

#include <algorithm>

namespace relvane {

using namespace sheet;

namespace {

QString Milliseconds(int hundreds) { return QStringLiteral("%1 ms").arg(hundreds * 100); }

QString FlashSection(const ConfigModel& m)
{
    QList<QStringList> rows;
    QStringList unused;
    for (int f = 1; f <= kFlashCount; ++f) {
        const FlashConfig& r = m.Flash(f);
        OutputList outputs = FlashOutputsFromSlots(r.CHANNEL_LIST);
        if (r.INPUT_TRIGGER == 0 && outputs.none()) {
            unused << FlashWords(m, f);
            continue;
        }
        const int p = TriggerCodeToBasePosition(r.INPUT_TRIGGER);
        QString trigger = TriggerWords(m, p);
        if (BasePositionToTriggerCode(p) != r.INPUT_TRIGGER)
            trigger = QStringLiteral("(code %1, no source)").arg(r.INPUT_TRIGGER);
        rows << QStringList{QString::number(f), E(NameWords(r.FLASH_NAME)), E(trigger),
                            QStringLiteral("%1 on<br>%2 off").arg(Milliseconds(r.FLASH_TIME_ON), Milliseconds(r.FLASH_TIME_OFF)),
                            r.CONTINUES ? QStringLiteral("while triggered") : Milliseconds(r.DURATION), E(OutputsText(m, outputs))};
    }
    QString html = H2(QStringLiteral("Flash functions"));
    if (!rows.isEmpty())
        html += Table({{QStringLiteral("No."), 4, true}, {QStringLiteral("Name"), 14}, {QStringLiteral("Trigger"), 20}, {QStringLiteral("Flashing"), 16},
                       {QStringLiteral("For"), 12}, {QStringLiteral("Outputs"), 34}},
                      rows);
    if (!unused.isEmpty())
        html += P(E(QStringLiteral("Not used (DISABLED, no outputs): ") + unused.join(QStringLiteral(", ")) + QLatin1Char('.')));
    return html;
}

QString WiperSection(const ConfigModel& m)
{
    const WiperConfig& w = m.Wiper();
    const auto source = [&](int code) { return E(code < 0 ? QStringLiteral("(none)") : TriggerWords(m, TriggerCodeToPosition(code))); };
    QStringList slow, fast;
    for (int n = 1; n <= kOutputCount; ++n) {
        const int t = m.Output(n).TRIGGER;
        if (t >= 0 && TriggerCodeToPosition(t) == kTriggerPosWiperSlow)
            slow << OutputWords(m, n);
        if (t >= 0 && TriggerCodeToPosition(t) == kTriggerPosWiperFast)
            fast << OutputWords(m, n);
    }
    const QString level = w.HOME_PARK_LEVEL == 0 ? QStringLiteral("stop on Low") : w.HOME_PARK_LEVEL == 1 ? QStringLiteral("stop on High")
                                                                                                            : QStringLiteral("(no level)");
    const auto outputs = [](const QStringList& l) { return E(l.isEmpty() ? QStringLiteral("none") : l.join(QStringLiteral(", "))); };
    return H2(QStringLiteral("Wiper"))
           + Table({{QStringLiteral("Wiper"), 16}, {QStringLiteral("Switched by"), 44}, {QStringLiteral("Outputs"), 40}},
                   {{QStringLiteral("Low speed"), source(w.LOW_SPEED_INPUT), outputs(slow)},
                    {QStringLiteral("High speed"), source(w.HIGH_SPEED_INPUT), outputs(fast)},
                    {QStringLiteral("Interval"), source(w.INTERVAL_INPUT) + QStringLiteral(", every %1 × 100 ms").arg(w.INTERVAL_TIME), QString()},
                    {QStringLiteral("Home / park"), source(w.HOME_PARK_INPUT) + QStringLiteral(", ") + level, QString()}});
}

QString ButtonsSection(const ConfigModel& m)
{
    const LowBatteryConfig& lb = m.LowBattery();
    QString html = H2(QStringLiteral("Low battery"));
    if (lb.LIST_SELECTED.none())
        html += P(QStringLiteral("No output is turned off at low battery."));
    else
        html += P(E(QStringLiteral("Below %1 V these outputs are turned off, above %2 V on again: %3.")
                        .arg(TextFromTenths(TenthsFromText(lb.LOW_TRIG)), TextFromTenths(TenthsFromText(lb.UPPER_TRIG)),
                             OutputsText(m, lb.LIST_SELECTED))));
    const auto trigger = [&](int position) {
        return position >= 0 && position < kTriggerListSize ? TriggerWords(m, position) : QStringLiteral("(none)");
    };
    html += H2(QStringLiteral("Start and kill buttons"));
    html += Table({{QStringLiteral("Button"), 10}, {QStringLiteral("Triggered by"), 40}, {QStringLiteral("Outputs"), 50}},
                  {{QStringLiteral("Start"), E(trigger(m.StartButton().INPUT_TRIGGER_INDEX)), E(OutputsText(m, m.StartButton().LIST_SELECTED))},
                   {QStringLiteral("Kill"),
                    E(trigger(m.KillButton().INPUT_TRIGGER_INDEX) + QStringLiteral(", active for %1 × 100 ms").arg(m.KillButton().INPUT_DELAY)),
                    E(OutputsText(m, m.KillButton().LIST_SELECTED) + QStringLiteral(" (turned off)"))}});
    return html;
}

}  // namespace

QString SheetFunctions(const ConfigModel& m)
{
    return FlashSection(m) + WiperSection(m) + ButtonsSection(m);
}

QString SheetExports(const ConfigModel& m)
{
    static const char* const kinds[] = {"", "channel currents (current ÷ 4)", "on/off bits (1: on)", "error bits (1: in error)",
                                        "on/off and error bits"};
    QString html = H2(QStringLiteral("CAN exports"));
    for (int x = 1; x <= kCanExportCount; ++x) {
        const CanExportConfig& e = m.CanExport(x);
        if (!e.ENABLED) {
            html += P(QStringLiteral("<b>CAN export %1</b>: not sent.").arg(x));
            continue;
        }
        QString head = QStringLiteral("<b>CAN export %1</b>: %2, ID %3 every %4 ms")
                           .arg(x)
                           .arg(QString::fromUtf8(kinds[x]), CanIdWords(NumberOrZero(e.CAN_ID) & 0xFFFF))
                           .arg(NumberOrZero(e.REFRESS_TIME));
        int entries = CanExportEntryCount(x);
        if (x == 1) {
            const int rows = std::clamp(NumberOrZero(e.ROW_COUNT), 0, 12);
            head += QStringLiteral(", %1 rows (byte 0: row counter)").arg(rows);
            entries = 6 + rows;
        }
        html += P(head + QLatin1Char('.'));
        QList<QStringList> rows;
        for (int k = 0; k < entries; ++k) {
            const int p = e.CHANNEL_INDEX_[std::size_t(k)];
            if (p <= 0)
                continue;  // DISABLED or nothing selected
            rows << QStringList{ExportEntryPlace(x, k), E(ExportEntryWords(m, x, p))};
        }
        if (rows.isEmpty())
            html += Note(QStringLiteral("Every entry is DISABLED."));
        else
            html += Table({{QStringLiteral("Place"), 20}, {QStringLiteral("Carries"), 80}}, rows);
    }
    return html;
}

QString SheetProblems(const QList<ConfigProblem>& problems)
{
    QString html = H2(QStringLiteral("Problems"));
    if (problems.isEmpty())
        return html + P(QStringLiteral("The checks found no problem."));
    QList<QStringList> rows;
    for (const ConfigProblem& p : problems) {
        const QString severity = SeverityText(p.severity);
        rows << QStringList{QStringLiteral("<span class=\"%1\">%1</span>").arg(severity), E(p.message),
                            E(LocationText(p.location)) + QStringLiteral("<br>") + E(p.rule)};
    }
    return html + Table({{QStringLiteral("Severity"), 9}, {QStringLiteral("Problem"), 55}, {QStringLiteral("Where (rule)"), 36}}, rows);
}

}  // namespace relvane
