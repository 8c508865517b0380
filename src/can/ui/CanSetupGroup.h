#pragma once
// The " CAN configuration options " group of the CAN Inputs page: bit rate, the delay before
// "No CAN data" and the channel error reset message. The edits are the fields: every change goes
// into the model at once, and a load or a read is shown without running them again.

#include "config/ConfigModel.h"

#include <QGroupBox>

class QComboBox;
class QLineEdit;

namespace relvane {

class TCanSetupGroup final : public QGroupBox {
    Q_OBJECT
public:
    explicit TCanSetupGroup(ConfigModel& model, QWidget* parent = nullptr);

private:
    void Connect();
    void Modify(const std::function<void(CanSetupConfig&)>& edit);
    void OnModelChanged(ConfigBlock block, int index);
    void ShowCanSetup();

    ConfigModel& model_;
    bool writing_ = false;

    QLineEdit* noCanDelay_ = nullptr;
    QLineEdit* resetId_ = nullptr;
    QComboBox* resetDataByte_ = nullptr;
    QLineEdit* resetMask_ = nullptr;
    QComboBox* bitRate_ = nullptr;
};

}  // namespace relvane
