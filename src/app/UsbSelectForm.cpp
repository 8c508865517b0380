#include "app/UsbSelectForm.h"

#include "app/ConnectionLink.h"
#include "config/ui/DialogButtons.h"

#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

namespace relvane {

TUSB_SelectForm::TUSB_SelectForm(ConnectionLink& link,
                                 std::function<void(const QString&)> connectDevice,
                                 QWidget* parent)
    : QDialog(parent),
      link_(link),
      connectDevice_(std::move(connectDevice)),
      listBox1_(new QListWidget(this)),
      btnOpen_(new QPushButton(QStringLiteral("OK"), this)),
      btnCancel_(new QPushButton(QStringLiteral("Cancel"), this)),
      timerUsbList_(new QTimer(this))
{
    setObjectName(QStringLiteral("USB_SelectForm"));
    setWindowTitle(QStringLiteral("USB"));
    setFixedSize(196, 261);
    setModal(true);

    listBox1_->setObjectName(QStringLiteral("ListBox1"));
    listBox1_->setGeometry(8, 8, 180, 200);
    btnOpen_->setObjectName(QStringLiteral("BtnOpen"));
    btnOpen_->setGeometry(8, 220, 85, 30);
    btnCancel_->setObjectName(QStringLiteral("BtnCancel"));
    btnCancel_->setGeometry(103, 220, 85, 30);

    timerUsbList_->setObjectName(QStringLiteral("TimerUsbList"));
    timerUsbList_->setInterval(300);

    connect(timerUsbList_, &QTimer::timeout, this, &TUSB_SelectForm::TimerUsbListTimer);
    connect(btnOpen_, &QPushButton::clicked, this, &TUSB_SelectForm::BtnOpenClick);
    connect(btnCancel_, &QPushButton::clicked, this, &TUSB_SelectForm::BtnCancelClick);
    connect(listBox1_, &QListWidget::itemDoubleClicked, this, &TUSB_SelectForm::BtnOpenClick);
    SetEnterButton(*this);  // Enter in the list connects nothing; OK, or a double click, does
}

void TUSB_SelectForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

void TUSB_SelectForm::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TUSB_SelectForm::Fill(const QStringList& descriptions)
{
    listBox1_->clear();
    listBox1_->addItems(descriptions);
    if (listBox1_->count() > 0)
        listBox1_->setCurrentRow(0);
}

void TUSB_SelectForm::FormActivate()
{
    // The adapter in use may be the one picked again; it must be free for the new open.
    link_.Close();
    Fill(link_.ListUsbDevices());
    timerUsbList_->start();
}

void TUSB_SelectForm::TimerUsbListTimer()
{
    const QStringList descriptions = link_.ListUsbDevices();
    // Only a change in the number of adapters is shown, so the user's pick is kept
    // while the same adapters stay.
    if (descriptions.size() != listBox1_->count())
        Fill(descriptions);
}

void TUSB_SelectForm::BtnOpenClick()
{
    link_.Close();
    const QListWidgetItem* item = listBox1_->currentItem();
    const QString description = item && item->isSelected() ? item->text() : QString();
    if (!description.isEmpty() && connectDevice_)
        connectDevice_(description);
    accept();
}

void TUSB_SelectForm::BtnCancelClick()
{
    reject();
}

void TUSB_SelectForm::FormClose()
{
    timerUsbList_->stop();
}

} // namespace relvane
