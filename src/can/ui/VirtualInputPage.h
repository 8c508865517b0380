#pragma once
// The "Virtual Inputs" notebook page: the virtual input list and the formula line
// (source 1 op1 source 2) op2 source 3, each source with its NOT box and delay.

#include "config/ConfigModel.h"
#include "config/SelectionLists.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListView;

namespace relvane {

class TVirtualInputPage : public QWidget {
    Q_OBJECT
public:
    TVirtualInputPage(ConfigModel& model, SelectionLists& lists, QWidget* parent = nullptr);

    int SelectedVirtualInput() const;    // 0 to 19, or -1
    void SelectVirtualInput(int position);  // selects and loads

    void ListBoxVIRTUAL_INPUTClick();
    void Virtual_Change();
    void EditDelayTimeChange();
    void EditDelayTime2Change();
    void EditDelayTime3Change();
    void CheckBoxVirtuel_Channel_1Click();
    void CheckBoxVirtuel_Channel_2Click();
    void CheckBoxVirtuel_Channel_3Click();

    // Page-change branch: selects the first virtual input when none is, without loading.
    void PageSelected();
    // After a name propagation: reselect (0 when none) and load twice, so the source selectors
    // are set after their entry list was rebuilt.
    void AfterNamePropagation();

private:
    int Record() const;
    void Write(const std::function<void(VirtualInputConfig&)>& edit);
    void DelayChange(int source);
    void NotClick(int source);
    void OnModelChanged(ConfigBlock block, int index);

    ConfigModel& model_;
    SelectionLists& lists_;
    bool writing_ = false;
    bool loaded_ = false;
    QListView* listBox_ = nullptr;
    QGroupBox* group_ = nullptr;
    std::array<QCheckBox*, 3> not_{};
    std::array<QComboBox*, 3> sources_{};
    std::array<QComboBox*, 2> operators_{};
    std::array<QLineEdit*, 3> delays_{};
};

}  // namespace relvane
