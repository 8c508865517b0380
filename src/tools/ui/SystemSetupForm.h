#pragma once
// "Orvik system setup": the module's serial number, production year and week and
// hardware version, read on each activation and stored by Upload.

#include "tools/SystemSetup.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace relvane {

class TSystemSetupForm : public QDialog {
    Q_OBJECT
public:
    // Registers itself with the dispatcher for as long as it exists.
    explicit TSystemSetupForm(ToolHost& host, QWidget* parent = nullptr);
    ~TSystemSetupForm() override;

    SystemSetupTool& tool() { return tool_; }

    void FormActivate();
    void BtnUploadClick();
    void BtnOKClick() { accept(); }

protected:
    bool event(QEvent* e) override;

private:
    void ShowFields();

    ToolHost& host_;
    SystemSetupTool tool_;
    QLineEdit* serialEdit_ = nullptr;
    QLineEdit* yearEdit_ = nullptr;
    QLineEdit* weekEdit_ = nullptr;
    QLineEdit* hwEdit_ = nullptr;
    QLabel* version_ = nullptr;
};

}  // namespace relvane
