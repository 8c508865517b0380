#pragma once
// The "Low Battery" page (thresholds and the outputs shed at low battery) and the
// "Start / Kill Button" page (the special start and kill buttons with their output lists).

#include "config/EditorRules.h"
#include "config/ui/EditorWidgets.h"

namespace relvane {

// Applies a user's tick or untick of row in list against the list's maximum: over the maximum
// the message is shown and the row unticked again (returns nothing, the model keeps its list);
// otherwise returns the new ticks.
std::optional<OutputList> CheckOutputListClick(TOutputCheckList* list, int row, OutputListKind kind,
                                               Dialogs& dialogs);

class TLowBatteryPage final : public TEditorPage {
    Q_OBJECT
public:
    TLowBatteryPage(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, QWidget* parent = nullptr);

protected:
    void ShowModel(ConfigBlock block, int index) override;

private:
    void ThresholdChange(TNumericEdit* edit, NumericEditorKind kind);

    TNumericEdit* low_ = nullptr;
    TNumericEdit* upper_ = nullptr;
    TOutputCheckList* list_ = nullptr;
};

class TStartKillPage final : public TEditorPage {
    Q_OBJECT
public:
    TStartKillPage(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, QWidget* parent = nullptr);

    // Propagation steps for the two buttons: a selector without a selection takes position 0.
    void AfterNamePropagation();

protected:
    void ShowModel(ConfigBlock block, int index) override;

private:
    QComboBox* startTrigger_ = nullptr;
    QComboBox* killTrigger_ = nullptr;
    QLineEdit* killDelay_ = nullptr;
    TOutputCheckList* startList_ = nullptr;
    TOutputCheckList* killList_ = nullptr;
};

}  // namespace relvane
