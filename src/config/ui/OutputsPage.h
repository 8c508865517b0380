#pragma once
// The "Outputs" page (one row per output: name, trigger, level, input pin, delay, on-timer and,
// for outputs 1 to 18, current limit and peak time) and the "Low Current" page (minimum current
// and its time for outputs 1 to 18).

#include "config/EditorRules.h"
#include "config/ui/EditorWidgets.h"

#include <array>

class QCheckBox;
class QGroupBox;

namespace relvane {

class TOutputsPage final : public TEditorPage {
    Q_OBJECT
public:
    TOutputsPage(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, QWidget* parent = nullptr);

    // The trigger change handler of output n (1 to 34), as the user's choice and the name
    // propagation run it: writes TRIGGER, then the input-pin label, then the level choices
    // (whose selection becomes TRIGLEVEL).
    void ComboBoxInputTrigChange(int n);
    // After a name propagation: every channel's trigger handler in channel order.
    void AfterNamePropagation();

    static void UpdateInputPinLabel(const QComboBox* trigger, QLabel* inputPin);
    static void UpdateTrigLevelChoices(const QComboBox* trigger, QComboBox* level);

protected:
    void ShowModel(ConfigBlock block, int index) override;

private:
    struct Row {
        QLabel* number = nullptr;
        TNameEdit* name = nullptr;
        QComboBox* trigger = nullptr;
        QComboBox* level = nullptr;
        QLabel* inputPin = nullptr;
        TNumericEdit* delay = nullptr;
        TNumericEdit* onTime = nullptr;
        TNumericEdit* maxCurrent = nullptr;  // outputs 1 to 18
        TNumericEdit* peakTime = nullptr;    // outputs 1 to 18
        QLabel* outputPin = nullptr;
    };
    QGroupBox* BuildRows();
    // wholeBlock: the block came whole (a Read, a file); every number is shown converted.
    void ShowOutput(int n, bool wholeBlock);
    void OutputNameChange(int n);
    void LevelChange(int n);
    void NumericChange(int n, TNumericEdit* edit, NumericEditorKind kind);

    std::array<Row, kOutputCount> rows_{};
    QCheckBox* pwm1_ = nullptr;
    QCheckBox* pwm2_ = nullptr;
};

class TLowCurrentPage final : public TEditorPage {
    Q_OBJECT
public:
    TLowCurrentPage(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, QWidget* parent = nullptr);

    QLabel* NameLabel(int n) const;  // LabelHighPowerCh_1 to _18

protected:
    void ShowModel(ConfigBlock block, int index) override;

private:
    void ShowOutput(int n, bool wholeBlock);
    void ShowNames(int index);
    void NumericChange(int n, TNumericEdit* edit, NumericEditorKind kind);

    std::array<QLabel*, kHighPowerOutputCount> names_{};
    std::array<TNumericEdit*, kHighPowerOutputCount> lowCurrent_{};
    std::array<TNumericEdit*, kHighPowerOutputCount> lowTime_{};
};

}  // namespace relvane
