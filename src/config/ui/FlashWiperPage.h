#pragma once
// The "Flash / Wiper" page: the five flash functions, edited one at a time (the one selected in
// ListBoxFlashNo), and the wiper controller.

#include "config/EditorRules.h"
#include "config/ui/EditorWidgets.h"

class QCheckBox;
class QGroupBox;

namespace relvane {

class TFlashWiperPage final : public TEditorPage {
    Q_OBJECT
public:
    TFlashWiperPage(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, QWidget* parent = nullptr);

    // Shows the flash function of the selected list entry (caption, name, fields, outputs).
    void ListBoxFlashNoClick();
    // The flash step of a name propagation: five flash names, a selection, the editor reloaded
    // (caption unchanged).
    void AfterNamePropagation();
    // The selected flash function (1 to 5), or 0 while none is selected.
    int SelectedFlash() const;

protected:
    void ShowModel(ConfigBlock block, int index) override;

private:
    void ReloadFlashEditor(int n, bool withName);
    void EditFlashNameChange();
    void FlashTimeChange(QLineEdit* edit, uint8_t FlashConfig::* field);
    void ShowWiper();
    void WriteWiperInput(QComboBox* box, int WiperConfig::* field);

    QListWidget* flashNo_ = nullptr;
    QGroupBox* flashGroup_ = nullptr;
    QComboBox* flashTrigger_ = nullptr;
    QLineEdit* flashOn_ = nullptr;
    QLineEdit* flashOff_ = nullptr;
    QLineEdit* flashDuration_ = nullptr;
    QCheckBox* flashContinues_ = nullptr;
    TOutputCheckList* flashOutputs_ = nullptr;
    TNameEdit* flashName_ = nullptr;

    QComboBox* wiperLow_ = nullptr;
    QComboBox* wiperHigh_ = nullptr;
    QComboBox* wiperHomePark_ = nullptr;
    QComboBox* wiperHomeParkLevel_ = nullptr;
    QComboBox* wiperInterval_ = nullptr;
    QLineEdit* wiperIntervalTime_ = nullptr;
};

}  // namespace relvane
