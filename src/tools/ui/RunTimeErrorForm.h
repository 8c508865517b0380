#pragma once
// "Runtime ERROR": the module's runtime error list as text, read on each
// activation, with the list clear, system-log clear and reboot buttons.

#include "tools/RuntimeErrorLog.h"

#include <QDialog>

class QPlainTextEdit;

namespace relvane {

class TRunTimeErrorForm : public QDialog {
    Q_OBJECT
public:
    // Registers itself with the dispatcher, replacing any earlier instance;
    // destroying it empties the slot only while it still holds this instance.
    explicit TRunTimeErrorForm(ToolHost& host, QWidget* parent = nullptr);
    ~TRunTimeErrorForm() override;

    RuntimeErrorLog& log() { return log_; }

    void FormActivate() { log_.Activate(); }
    void BtnResetLogClick() { log_.ResetLog(); }
    void BtnResetSystemLogClick() { log_.ResetSystemLog(); }
    void BtnRebootClick() { log_.Reboot(); }

protected:
    bool event(QEvent* e) override;

private:
    ToolHost& host_;
    RuntimeErrorLog log_;
    QPlainTextEdit* memo_ = nullptr;
};

}  // namespace relvane
