// The rules of CheckConfig. Each follows from what the fields mean to the module; README.md
// ("Checking a configuration") gives each one's reason.

#include "config/ConfigChecks.h"
#include "config/ConfigCheckSupport.h"

#include "config/ConfigDiff.h"
#include "config/ConfigModel.h"
#include "config/ConfigWords.h"
#include "config/SelectionLists.h"

#include <array>
#include <algorithm>
#include <functional>

namespace relvane {

using namespace checks;

const QList<CheckRule>& CheckRules()
{
    using S = ProblemSeverity;
    static const QList<CheckRule> rules = {
        {"virtual-loop", S::Error, "a virtual input depends on itself, directly or through other virtual inputs"},
        {"can-input-no-on-byte", S::Error, "a CAN input in use has no ON data byte, so it never switches on"},
        {"low-battery-order", S::Error, "the low-battery low threshold is not below its high threshold"},
        {"export-id-twice", S::Error, "two enabled CAN exports send on one identifier"},
        {"export-id-received", S::Error, "an enabled CAN export sends on an identifier the module listens to"},
        {"unchosen-is-plus30", S::Error, "a trigger or source shows nothing (or a wiper entry a button cannot "
                                         "take) but goes to the module as \"+30\", always on"},
        {"invalid-selection", S::Error, "a selection in use holds a value its list does not have"},
        {"can-input-disabled", S::Warning, "a CAN input in use is not enabled"},
        {"can-input-no-off-byte", S::Warning, "a CAN input in use has no OFF data byte, so no message switches it off"},
        {"output-contested", S::Warning, "an output is switched by more than one of the wiper, the flash functions "
                                         "and the start button"},
        {"export-output-idle", S::Warning, "a CAN export carries an output that nothing switches"},
        {"virtual-empty", S::Warning, "a virtual input in use has no source"},
        {"button-on-plus30", S::Warning, "the start or kill button is triggered by \"+30\", so it is always pressed"},
        {"low-current-above-limit", S::Warning, "an output's low-current limit is not below its current limit"},
        {"can-enable-no-input", S::Warning, "CAN switching waits for an input, but none is chosen"},
        {"value-range", S::Warning, "a number is outside its range and reaches the module as another number"},
    };
    return rules;
}

namespace {

// Something that chooses a source: an output's trigger, a virtual input's source, ...
struct Use {
    QString user;  // "Output 5 "Brake light"", "source 2 of Virtual input 3 "Latch""
    FieldLocation where;
};

QString UsersText(const QList<Use>& uses)
{
    QString text = uses.first().user;
    if (uses.size() == 2)
        text += QStringLiteral(" and ") + uses.at(1).user;
    else if (uses.size() > 2)
        text += QStringLiteral(" and %1 more").arg(uses.size() - 1);
    return text;
}

bool BytePosChosen(int pos) { return pos >= 1 && pos <= 8; }

class Checker {
public:
    explicit Checker(const ConfigModel& m) : m_(m) { CollectUses(); }

    QList<ConfigProblem> Run()
    {
        VirtualLoops();
        CanInputBytes();
        LowBatteryOrder();
        ExportIds();
        UnchosenIsPlus30();
        InvalidSelections();
        CanInputsDisabled();
        OutputsContested();
        ExportOutputsIdle();
        VirtualEmpty();
        ButtonsOnPlus30();
        LowCurrentAboveLimit();
        CanEnableNoInput();
        ValueRanges();
        // Errors first; within a severity the rules' order, then the order found.
        std::stable_sort(out_.begin(), out_.end(), [](const ConfigProblem& a, const ConfigProblem& b) {
            return RuleIndex(a.rule) < RuleIndex(b.rule);
        });
        return out_;
    }

private:
    static int RuleIndex(const QString& id)
    {
        const QList<CheckRule>& rules = CheckRules();
        for (int i = 0; i < rules.size(); ++i)
            if (id == QLatin1String(rules.at(i).id))
                return i;
        return int(rules.size());
    }

    void Add(const char* rule, const QString& message, const FieldLocation& where)
    {
        const QList<CheckRule>& rules = CheckRules();
        const int i = RuleIndex(QLatin1String(rule));
        Q_ASSERT(i < rules.size());
        out_.append({QLatin1String(rule), rules.at(i).severity, message, where});
    }

    // --- what uses what -------------------------------------------------------------------

    bool FlashInUse(int f) const
    {
        const FlashConfig& r = m_.Flash(f);
        if (r.INPUT_TRIGGER == 0)
            return false;  // "DISABLED"
        return std::any_of(r.CHANNEL_LIST.begin(), r.CHANNEL_LIST.end(), [](uint8_t s) { return s < kOutputCount; });
    }
    // Outputs whose trigger is "Wiper Slow" or "Wiper Fast" are the wiper's motor outputs.
    bool WiperDrivesOutput(int n) const
    {
        const int t = m_.Output(n).TRIGGER;
        return t >= 0 && (TriggerCodeToPosition(t) == kTriggerPosWiperSlow || TriggerCodeToPosition(t) == kTriggerPosWiperFast);
    }
    bool WiperInUse() const
    {
        for (int n = 1; n <= kOutputCount; ++n)
            if (WiperDrivesOutput(n))
                return true;
        return false;
    }

    void NoteTrigger(int position, const Use& use)
    {
        const TriggerSource s = TriggerAt(position);
        if (s.kind == TriggerSource::Input)
            inputUses_[std::size_t(s.number)].append(use);
        else if (s.kind == TriggerSource::CanInput)
            canUses_[std::size_t(s.number)].append(use);
        else if (s.kind == TriggerSource::VirtualInput)
            virtualUses_[std::size_t(s.number)].append(use);
    }

    static QString WiperInputKey(int k)
    {
        static const char* const keys[] = {"LOW_SPEED_INPUT", "HIGH_SPEED_INPUT", "INTERVAL_INPUT", "HOME_PARK_INPUT"};
        return QLatin1String(keys[k]);
    }
    static QString WiperInputWords(int k)
    {
        static const char* const words[] = {"low speed input", "high speed input", "interval input", "home/park input"};
        return QLatin1String(words[k]);
    }
    int WiperInputCode(int k) const
    {
        const WiperConfig& w = m_.Wiper();
        const int codes[] = {w.LOW_SPEED_INPUT, w.HIGH_SPEED_INPUT, w.INTERVAL_INPUT, w.HOME_PARK_INPUT};
        return codes[k];
    }

    void CollectUses()
    {
        for (int n = 1; n <= kOutputCount; ++n) {
            const int t = m_.Output(n).TRIGGER;
            if (t >= 0)
                NoteTrigger(TriggerCodeToPosition(t), {OutputWords(m_, n), Where(QStringLiteral("OUTPUT"), Num("TRIGGER", n))});
        }
        for (int f = 1; f <= kFlashCount; ++f) {
            if (FlashInUse(f))
                NoteTrigger(TriggerCodeToBasePosition(m_.Flash(f).INPUT_TRIGGER),
                            {FlashWords(m_, f), Where(QStringLiteral("FLASH"), Num("INPUT_TRIGGER", f))});
        }
        if (m_.StartButton().LIST_SELECTED.any())
            NoteTrigger(m_.StartButton().INPUT_TRIGGER_INDEX,
                        {QStringLiteral("the start button"), Where(QStringLiteral("START BUTTON"), QStringLiteral("INPUT_TRIGGER_INDEX"))});
        if (m_.KillButton().LIST_SELECTED.any())
            NoteTrigger(m_.KillButton().INPUT_TRIGGER_INDEX,
                        {QStringLiteral("the kill button"), Where(QStringLiteral("KILL BUTTON"), QStringLiteral("INPUT_TRIGGER_INDEX"))});
        if (WiperInUse()) {
            for (int k = 0; k < 4; ++k) {
                const int code = WiperInputCode(k);
                if (code >= 0)
                    NoteTrigger(TriggerCodeToPosition(code),
                                {QStringLiteral("the wiper's ") + WiperInputWords(k), Where(QStringLiteral("WIPER"), WiperInputKey(k))});
            }
        }
        for (int v = 1; v <= kVirtualInputCount; ++v) {
            for (int k = 1; k <= 3; ++k) {
                const OperandSource s = OperandAt(Source(v, k));
                const Use use{QStringLiteral("source %1 of ").arg(k) + VirtualInputWords(m_, v), SourceWhere(v, k)};
                if (s.kind == OperandSource::Input)
                    inputUses_[std::size_t(s.number)].append(use);
                else if (s.kind == OperandSource::CanInput)
                    canUses_[std::size_t(s.number)].append(use);
                else if (s.kind == OperandSource::VirtualInput)
                    virtualUses_[std::size_t(s.number)].append(use);
            }
        }
        const CanInputEnableConfig& e = m_.CanInputEnable();
        if (e.ENABLE && e.INPUT_PIN >= 0 && e.INPUT_PIN < kInputCount)
            inputUses_[std::size_t(e.INPUT_PIN + 1)].append(
                {QStringLiteral("CAN switching"), Where(QStringLiteral("CAN_INPUT_ENABLE"), QStringLiteral("INPUT_PIN"))});
    }

    int Source(int v, int k) const
    {
        const VirtualInputConfig& r = m_.VirtualInput(v);
        return k == 1 ? r.CHANNEL_1_Index : k == 2 ? r.CHANNEL_2_Index : r.CHANNEL_3_Index;
    }
    static FieldLocation SourceWhere(int v, int k)
    {
        return Where(QStringLiteral("VIRTUAL_INPUT"), QStringLiteral("CHANNEL_%1_Index%2").arg(k).arg(v));
    }

    // --- the rules --------------------------------------------------------------------------

    void VirtualLoops()
    {
        for (int v = 1; v <= kVirtualInputCount; ++v) {
            // Breadth first, so the message names the shortest way back.
            std::array<int, kVirtualInputCount + 1> from{};
            std::array<int, kVirtualInputCount + 1> firstSource{};
            QList<int> queue;
            for (int k = 1; k <= 3; ++k) {
                const OperandSource s = OperandAt(Source(v, k));
                if (s.kind != OperandSource::VirtualInput)
                    continue;
                if (s.number == v) {
                    Add("virtual-loop", QStringLiteral("%1 depends on itself: its source %2 is itself").arg(VirtualInputWords(m_, v)).arg(k),
                        SourceWhere(v, k));
                    queue.clear();
                    break;
                }
                if (from[std::size_t(s.number)] == 0) {
                    from[std::size_t(s.number)] = v;
                    firstSource[std::size_t(s.number)] = k;
                    queue.append(s.number);
                }
            }
            for (qsizetype i = 0; i < queue.size(); ++i) {
                const int w = queue.at(i);
                bool closed = false;
                for (int k = 1; k <= 3 && !closed; ++k) {
                    const OperandSource s = OperandAt(Source(w, k));
                    if (s.kind != OperandSource::VirtualInput)
                        continue;
                    if (s.number == v) {
                        QStringList path;
                        int first = w;
                        for (int x = w; x != v; x = from[std::size_t(x)]) {
                            path.prepend(VirtualInputWords(m_, x));
                            first = x;
                        }
                        Add("virtual-loop",
                            QStringLiteral("%1 depends on itself through %2").arg(VirtualInputWords(m_, v), path.join(QStringLiteral(", "))),
                            SourceWhere(v, firstSource[std::size_t(first)]));
                        closed = true;
                    } else if (from[std::size_t(s.number)] == 0) {
                        from[std::size_t(s.number)] = w;
                        queue.append(s.number);
                    }
                }
                if (closed)
                    break;
            }
        }
    }

    void CanInputBytes()
    {
        for (int c = 1; c <= kCanInputCount; ++c) {
            const QList<Use>& uses = canUses_[std::size_t(c)];
            if (uses.isEmpty())
                continue;
            const CanInputConfig& r = m_.CanInput(c);
            if (!BytePosChosen(r.CAN_LOW_BYTE_ON_POS) && !BytePosChosen(r.CAN_HIGH_BYTE_ON_POS))
                Add("can-input-no-on-byte",
                    QStringLiteral("%1 has no ON data byte chosen, so it never switches on; %2 uses it").arg(CanInputWords(m_, c), UsersText(uses)),
                    CanInputWhere(c, "CAN_LOW_BYTE_ON_POS"));
            if (!BytePosChosen(r.CAN_LOW_BYTE_OFF_POS) && !BytePosChosen(r.CAN_HIGH_BYTE_OFF_POS))
                Add("can-input-no-off-byte",
                    QStringLiteral("%1 has no OFF data byte chosen, so no message switches it off; %2 uses it").arg(CanInputWords(m_, c), UsersText(uses)),
                    CanInputWhere(c, "CAN_LOW_BYTE_OFF_POS"));
        }
    }

    void CanInputsDisabled()
    {
        for (int c = 1; c <= kCanInputCount; ++c) {
            const QList<Use>& uses = canUses_[std::size_t(c)];
            if (uses.isEmpty() || m_.CanInput(c).ENABLED)
                continue;
            // No page changes the flag; the way to mend it here is another source.
            Add("can-input-disabled",
                QStringLiteral("%1 is not enabled (the flag comes from the module or the file), yet %2 uses it").arg(CanInputWords(m_, c), UsersText(uses)),
                uses.first().where);
        }
    }

    void LowBatteryOrder()
    {
        const LowBatteryConfig& r = m_.LowBattery();
        if (r.LIST_SELECTED.none())
            return;
        const int low = TenthsFromText(r.LOW_TRIG);
        const int high = TenthsFromText(r.UPPER_TRIG);
        if (low < high)
            return;
        Add("low-battery-order",
            QStringLiteral("Low battery: the low threshold %1 V is not below the high threshold %2 V, so the outputs shed "
                           "at low battery would be turned off and on again at the same voltage")
                .arg(TextFromTenths(low), TextFromTenths(high)),
            Where(QStringLiteral("LOW_BATTERY"), QStringLiteral("LOW_TRIG")));
    }


    void ExportIds()
    {
        for (int x = 1; x <= kCanExportCount; ++x) {
            const CanExportConfig& e = m_.CanExport(x);
            if (!e.ENABLED)
                continue;
            const int id = Id16(NumberOrZero(e.CAN_ID));
            const FieldLocation where = Where(ExportSection(x), ExportIdKey(x));
            for (int y = 1; y < x; ++y) {
                if (m_.CanExport(y).ENABLED && Id16(NumberOrZero(m_.CanExport(y).CAN_ID)) == id) {
                    Add("export-id-twice", QStringLiteral("CAN export %1 sends on identifier %2, as CAN export %3 does").arg(x).arg(CanIdWords(id)).arg(y),
                        where);
                    break;
                }
            }
            for (int c = 1; c <= kCanInputCount; ++c) {
                if (canUses_[std::size_t(c)].isEmpty())
                    continue;
                const CanInputConfig& r = m_.CanInput(c);
                const bool on = Id16(r.CAN_ID_ON) == id;
                if (on || Id16(r.CAN_ID_OFF) == id)
                    Add("export-id-received",
                        QStringLiteral("CAN export %1 sends on identifier %2, which %3 listens to for its %4 message")
                            .arg(x).arg(CanIdWords(id), CanInputWords(m_, c), on ? QStringLiteral("ON") : QStringLiteral("OFF")),
                        where);
            }
            const CanSetupConfig& s = m_.CanSetup();
            bool ok = false;
            const uint reset = s.ResetChannelErrorID.trimmed().toUInt(&ok, 16);
            if (s.ResetChannelErrorDataByte >= 0 && ok && int(reset & 0xFFFF) == id)
                Add("export-id-received",
                    QStringLiteral("CAN export %1 sends on identifier %2, which the module listens to for resetting channel errors").arg(x).arg(CanIdWords(id)),
                    where);
        }
    }

    void UnchosenIsPlus30()
    {
        const QString plus30 = QStringLiteral("; it goes to the module as \"+30\" and is always on");
        for (int n = 1; n <= kOutputCount; ++n)
            if (m_.Output(n).TRIGGER < 0)
                Add("unchosen-is-plus30", OutputWords(m_, n) + QStringLiteral(" has no trigger chosen") + plus30,
                    Where(QStringLiteral("OUTPUT"), Num("TRIGGER", n)));
        const auto button = [&](const char* section, const QString& words, int position, bool listed) {
            if (!listed)
                return;
            QString what;
            if (position < 0 || position >= kTriggerListSize)
                what = QStringLiteral("has no trigger chosen");
            else if (position == kTriggerPosWiperSlow || position == kTriggerPosWiperFast)
                what = QStringLiteral("is triggered by \"%1\", which it cannot take").arg(TriggerWords(m_, position));
            else
                return;
            Add("unchosen-is-plus30", words + QLatin1Char(' ') + what + QStringLiteral("; it goes to the module as \"+30\" and is always pressed"),
                Where(QLatin1String(section), QStringLiteral("INPUT_TRIGGER_INDEX")));
        };
        button("START BUTTON", QStringLiteral("The start button"), m_.StartButton().INPUT_TRIGGER_INDEX, m_.StartButton().LIST_SELECTED.any());
        button("KILL BUTTON", QStringLiteral("The kill button"), m_.KillButton().INPUT_TRIGGER_INDEX, m_.KillButton().LIST_SELECTED.any());
        if (WiperInUse()) {
            for (int k = 0; k < 4; ++k)
                if (WiperInputCode(k) < 0)
                    Add("unchosen-is-plus30", QStringLiteral("The wiper's %1 has no source chosen").arg(WiperInputWords(k)) + plus30,
                        Where(QStringLiteral("WIPER"), WiperInputKey(k)));
        }
        for (int v = 1; v <= kVirtualInputCount; ++v)
            for (int k = 1; k <= 3; ++k)
                if (Source(v, k) == 255)
                    Add("unchosen-is-plus30", QStringLiteral("%1 has no source %2 chosen").arg(VirtualInputWords(m_, v)).arg(k) + plus30,
                        SourceWhere(v, k));
    }

    void InvalidSelections()
    {
        for (int n = 1; n <= kInputCount; ++n) {
            const int mode = m_.Input(n).MODE;
            if (!inputUses_[std::size_t(n)].isEmpty() && mode != 0 && mode != 1)
                Add("invalid-selection",
                    QStringLiteral("%1 has no mode chosen (Latching or Momentary), yet %2 uses it").arg(InputWords(m_, n), UsersText(inputUses_[std::size_t(n)])),
                    Where(QStringLiteral("INPUT"), Num("MODE", n)));
        }
        for (int v = 1; v <= kVirtualInputCount; ++v) {
            bool used[4] = {false, false, false, false};
            for (int k = 1; k <= 3; ++k) {
                used[k] = Source(v, k) != 0;
                if (OperandAt(Source(v, k)).kind == OperandSource::Invalid)
                    Add("invalid-selection",
                        QStringLiteral("%1: source %2 holds entry %3, which its list does not have").arg(VirtualInputWords(m_, v)).arg(k).arg(Source(v, k)),
                        SourceWhere(v, k));
            }
            const VirtualInputConfig& r = m_.VirtualInput(v);
            const auto op = [&](int which, int value, bool matters) {
                if (matters && (value < 0 || value > 2))
                    Add("invalid-selection",
                        QStringLiteral("%1 has no %2 operator chosen (AND, OR or NOR)").arg(VirtualInputWords(m_, v), which == 1 ? QStringLiteral("first") : QStringLiteral("second")),
                        Where(QStringLiteral("VIRTUAL_INPUT"), QStringLiteral("OPERATOR_%1_Index%2").arg(which).arg(v)));
            };
            op(1, r.OPERATOR_1_Index, used[1] && used[2]);
            op(2, r.OPERATOR_2_Index, used[3] && (used[1] || used[2]));
        }
        for (int f = 1; f <= kFlashCount; ++f) {
            const FlashConfig& r = m_.Flash(f);
            if (FlashInUse(f) && BasePositionToTriggerCode(TriggerCodeToBasePosition(r.INPUT_TRIGGER)) != r.INPUT_TRIGGER)
                Add("invalid-selection", QStringLiteral("%1: its trigger code %2 is no trigger source it can take").arg(FlashWords(m_, f)).arg(r.INPUT_TRIGGER),
                    Where(QStringLiteral("FLASH"), Num("INPUT_TRIGGER", f)));
            for (int s = 0; s < kFlashSlotCount; ++s) {
                const int slot = r.CHANNEL_LIST[std::size_t(s)];
                if (slot >= kOutputCount && slot != kFlashSlotEmpty)
                    Add("invalid-selection", QStringLiteral("%1: output slot %2 holds %3, which is no output").arg(FlashWords(m_, f)).arg(s + 1).arg(slot),
                        Where(QStringLiteral("FLASH"), QStringLiteral("CHANNEL_LIST%1index %2").arg(f).arg(s)));
            }
        }
        for (int c = 1; c <= kCanInputCount; ++c) {
            if (canUses_[std::size_t(c)].isEmpty())
                continue;
            const CanInputConfig& r = m_.CanInput(c);
            const QString who = CanInputWords(m_, c);
            if (r.CAN_OPERATOR_ON < 0 || r.CAN_OPERATOR_ON > 5)
                Add("invalid-selection", who + QStringLiteral(" has no ON comparison chosen"), CanInputWhere(c, "CAN_OPERATOR_ON"));
            if (r.CAN_OPERATOR_OFF < 0 || r.CAN_OPERATOR_OFF > 5)
                Add("invalid-selection", who + QStringLiteral(" has no OFF comparison chosen"), CanInputWhere(c, "CAN_OPERATOR_OFF"));
            if (r.NO_CAN_DATA_STATE < 0 || r.NO_CAN_DATA_STATE > 2)
                Add("invalid-selection", who + QStringLiteral(": its state without CAN data holds %1, which is none of Set Off, Set On and Hold state").arg(r.NO_CAN_DATA_STATE),
                    CanInputWhere(c, "NO_CAN_DATA_STATE"));
            if (r.DATA_TYPE_ > 1)
                Add("invalid-selection", who + QStringLiteral(": its data type %1 is neither unsigned nor signed").arg(r.DATA_TYPE_),
                    CanInputWhere(c, "DATA_TYPE_"));
        }
    }

    // The functions that switch output n besides its own trigger, in words, with the control
    // that adds the output to each.
    QList<Use> Controllers(int n) const
    {
        QList<Use> list;
        if (WiperDrivesOutput(n))
            list.append({QStringLiteral("the wiper"), Where(QStringLiteral("OUTPUT"), Num("TRIGGER", n))});
        for (int f = 1; f <= kFlashCount; ++f) {
            if (!FlashInUse(f))
                continue;
            const auto& slots = m_.Flash(f).CHANNEL_LIST;
            for (int s = 0; s < kFlashSlotCount; ++s) {
                if (slots[std::size_t(s)] == n - 1) {
                    list.append({FlashWords(m_, f), Where(QStringLiteral("FLASH"), QStringLiteral("CHANNEL_LIST%1index %2").arg(f).arg(s),
                                                          QString::number(n - 1))});
                    break;
                }
            }
        }
        if (m_.StartButton().LIST_SELECTED.test(std::size_t(n - 1)) && m_.StartButton().INPUT_TRIGGER_INDEX != kTriggerPosDisabled)
            list.append({QStringLiteral("the start button"), Where(QStringLiteral("START BUTTON"), Num("LIST_SELECTED", n - 1))});
        return list;
    }

    void OutputsContested()
    {
        for (int n = 1; n <= kOutputCount; ++n) {
            const QList<Use> c = Controllers(n);
            if (c.size() < 2)
                continue;
            QStringList names;
            for (const Use& u : c)
                names << u.user;
            const QString last = names.takeLast();
            Add("output-contested",
                QStringLiteral("%1 is switched by %2 and by %3; when both are active they fight over it").arg(OutputWords(m_, n), names.join(QStringLiteral(", ")), last),
                c.at(1).where);
        }
    }

    bool Switched(int n) const
    {
        // Nothing chosen goes out as "+30", which switches it too.
        return m_.Output(n).TRIGGER != 0 || !Controllers(n).isEmpty();
    }

    void ExportOutputsIdle()
    {
        for (int x = 1; x <= kCanExportCount; ++x) {
            const CanExportConfig& e = m_.CanExport(x);
            if (!e.ENABLED)
                continue;
            int entries = CanExportEntryCount(x);
            if (x == 1)  // the rows beyond the row count are not sent
                entries = 6 + std::clamp(NumberOrZero(e.ROW_COUNT), 0, 12);
            for (int k = 0; k < entries; ++k) {
                const int n = ExportEntryOutput(x, e.CHANNEL_INDEX_[std::size_t(k)]);
                if (n == 0 || Switched(n))
                    continue;
                const int key = x == 1 ? k + 1 : k;
                Add("export-output-idle",
                    QStringLiteral("CAN export %1 %2 carries %3, which nothing switches (its trigger is DISABLED and no flash "
                                   "function or start button takes it)").arg(x).arg(ExportEntryPlace(x, k), OutputWords(m_, n)),
                    Where(ExportSection(x), Num("CHANNEL_INDEX_", key)));
            }
        }
    }

    void VirtualEmpty()
    {
        for (int v = 1; v <= kVirtualInputCount; ++v) {
            const QList<Use>& uses = virtualUses_[std::size_t(v)];
            if (uses.isEmpty() || Source(v, 1) != 0 || Source(v, 2) != 0 || Source(v, 3) != 0)
                continue;
            Add("virtual-empty", QStringLiteral("%1 has no source, yet %2 uses it").arg(VirtualInputWords(m_, v), UsersText(uses)),
                SourceWhere(v, 1));
        }
    }

    void ButtonsOnPlus30()
    {
        if (m_.StartButton().LIST_SELECTED.any() && m_.StartButton().INPUT_TRIGGER_INDEX == kTriggerPosPlus30)
            Add("button-on-plus30", QStringLiteral("The start button is triggered by \"+30\", so it is always pressed"),
                Where(QStringLiteral("START BUTTON"), QStringLiteral("INPUT_TRIGGER_INDEX")));
        if (m_.KillButton().LIST_SELECTED.any() && m_.KillButton().INPUT_TRIGGER_INDEX == kTriggerPosPlus30)
            Add("button-on-plus30",
                QStringLiteral("The kill button is triggered by \"+30\", so it is always pressed and the outputs it turns off "
                               "never come on"),
                Where(QStringLiteral("KILL BUTTON"), QStringLiteral("INPUT_TRIGGER_INDEX")));
    }

    void LowCurrentAboveLimit()
    {
        for (int n = 1; n <= kHighPowerOutputCount; ++n) {
            const OutputConfig& r = m_.Output(n);
            const int max = NumberOrZero(r.MAX_CURRENT);
            const int low = NumberOrZero(r.LOW_CURRENT);
            if (max > 0 && low > 0 && low >= max)
                Add("low-current-above-limit",
                    QStringLiteral("%1: its low-current limit %2 A is not below its current limit %3 A, so it reports a "
                                   "low-current fault whenever it is on").arg(OutputWords(m_, n), TextFromTenths(low), TextFromTenths(max)),
                    Where(QStringLiteral("OUTPUT"), Num("LOW_CURRENT", n)));
        }
    }

    void CanEnableNoInput()
    {
        const CanInputEnableConfig& e = m_.CanInputEnable();
        if (e.ENABLE && (e.INPUT_PIN < 0 || e.INPUT_PIN >= kInputCount))
            Add("can-enable-no-input",
                QStringLiteral("CAN switching waits for an input, but none is chosen; the module gets %1").arg(InputWords(m_, 1)),
                Where(QStringLiteral("CAN_INPUT_ENABLE"), QStringLiteral("INPUT_PIN")));
    }

    void ValueRanges();

    const ConfigModel& m_;
    QList<ConfigProblem> out_;
    std::array<QList<Use>, kInputCount + 1> inputUses_;
    std::array<QList<Use>, kCanInputCount + 1> canUses_;
    std::array<QList<Use>, kVirtualInputCount + 1> virtualUses_;

};

void Checker::ValueRanges()
{
    CheckValueRanges(
        m_, WiperInUse(), [this](int c) { return !canUses_[std::size_t(c)].isEmpty(); },
        [this](const char* rule, const QString& message, const FieldLocation& where) { Add(rule, message, where); });
}

}  // namespace

QList<ConfigProblem> CheckConfig(const ConfigModel& model)
{
    return Checker(model).Run();
}

}  // namespace relvane
