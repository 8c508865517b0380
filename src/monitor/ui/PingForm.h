#pragma once
// The ping test window: sends random data to the module and checks that it
// comes back unchanged, once per click or timed. Created when opened from the
// production menu, registered with the dispatcher while it exists.

#include "config/Dialogs.h"
#include "monitor/ServiceConsoles.h"
#include "protocol/Dispatcher.h"

#include <QDialog>
#include <QTimer>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace relvane {

class TPingForm : public QDialog, public ToolFrameListener {
    Q_OBJECT
public:
    // state outlives the window (the outstanding flag and tick counter carry
    // over to the next opening). With a dispatcher the window registers in its
    // slot for as long as it exists. random and clock are for tests.
    TPingForm(TxSink& queue, PingState& state, Dialogs& dialogs, Dispatcher* dispatcher = nullptr,
              QWidget* parent = nullptr, PingTest::Random random = {}, PingTest::Clock clock = {});
    ~TPingForm() override;

    // The dispatcher's offer of every received frame, whatever its checksum.
    void OnToolFrame(const std::uint8_t* frame, int count) override;

    void BtnPingClick();
    void BtnTimerClick();
    void Timer1Timer();

    int ErrorCount() const { return errorCount_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void AddLines(const QStringList& lines);
    void SetErrorCount(int count);

    Dialogs& dialogs_;
    Dispatcher* dispatcher_;
    PingTest ping_;
    QTimer timer1_;
    QPlainTextEdit* memo1_ = nullptr;
    QPushButton* btnPing_ = nullptr;
    QPushButton* btnTimer_ = nullptr;
    QLineEdit* timeEdit_ = nullptr;
    QLabel* labelErrorCount_ = nullptr;
    int errorCount_ = 0;
};

}  // namespace relvane
