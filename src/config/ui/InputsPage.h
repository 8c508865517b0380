#pragma once
// The "Inputs" page: names and modes of the hardwired inputs, the names of the virtual and CAN
// inputs, and the box name.

#include "config/ui/EditorWidgets.h"

#include <array>

class QCheckBox;

namespace relvane {

class TInputsPage final : public TEditorPage {
    Q_OBJECT
public:
    TInputsPage(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, QWidget* parent = nullptr);

protected:
    void ShowModel(ConfigBlock block, int index) override;

private:
    void InputName_Change(ConfigBlock block, int n);

    std::array<TNameEdit*, kInputCount> inputNames_{};
    std::array<QComboBox*, kInputCount> modes_{};
    std::array<TNameEdit*, kVirtualInputCount> virtualNames_{};
    std::array<TNameEdit*, kCanInputCount> canNames_{};
    TNameEdit* boxName_ = nullptr;
    QCheckBox* pwm_ = nullptr;
};

}  // namespace relvane
