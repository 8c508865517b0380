#pragma once
// The device selection dialog: lists the adapters, refreshes the list every 300 ms while
// open, and connects the one the user picks.

#include <QDialog>
#include <QStringList>

#include <functional>

class QListWidget;
class QPushButton;
class QTimer;

namespace relvane {

class ConnectionLink;

class TUSB_SelectForm final : public QDialog {
    Q_OBJECT
public:
    // connectDevice is the main window's ConnectDevice.
    TUSB_SelectForm(ConnectionLink& link, std::function<void(const QString&)> connectDevice,
                    QWidget* parent = nullptr);

    QListWidget* ListBox1() const { return listBox1_; }
    QTimer* TimerUsbList() const { return timerUsbList_; }

    // Handlers, public so the tests can drive them as a user would.
    void FormActivate();
    void TimerUsbListTimer();
    void BtnOpenClick();
    void BtnCancelClick();
    void FormClose();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void Fill(const QStringList& descriptions);

    ConnectionLink& link_;
    std::function<void(const QString&)> connectDevice_;
    QListWidget* listBox1_;
    QPushButton* btnOpen_;
    QPushButton* btnCancel_;
    QTimer* timerUsbList_;
};

} // namespace relvane
