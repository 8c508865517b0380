#include "app/SocketInfoPage.h"

#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace relvane {

const SocketSignal kSocketSignals[9] = {
    {" USB ", "+5V", "Red", "( Con. 4, Red ring, Pin 34 )"},
    {" USB ", "Data +", "Green", "( Con. 4, Red ring, Pin 35 )"},
    {" USB ", "Data -", "White", "( Con. 4, Red ring, Pin 36 )"},
    {" USB ", "GND", "Black", "( Con. 4, Red ring, Pin 37 )"},
    {" CAN ", "GND", "", "( Con. 4, Red ring, Pin 30 )"},
    {" CAN ", "CAN High", "", "( Con. 4, Red ring, Pin 31 )"},
    {" CAN ", "CAN Low", "", "( Con. 4, Red ring, Pin 33 )"},
    {" Miscellaneous ", "Current sum (0-5V)", "", "( Con. 4, Red ring, Pin 17 )"},
    {" Miscellaneous ", "Warning Light / Reset", "", "( Con. 4, Red ring, Pin 18 )"},
};

namespace {

QLabel* Label(const QString& text, const QString& name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

TSocketInfoPage::TSocketInfoPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PageSocketInfo"));
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(16, 16, 16, 16);
    page->setSpacing(12);

    const QString groupNames[] = {QStringLiteral("GroupBoxSocketUSB"),
                                  QStringLiteral("GroupBoxSocketCAN"),
                                  QStringLiteral("GroupBoxSocketMisc")};
    QGroupBox* group = nullptr;
    QGridLayout* grid = nullptr;
    int groupIndex = -1;
    int row = 0;
    int line = 0;
    for (const SocketSignal& s : kSocketSignals) {
        const QString caption = QString::fromLatin1(s.group);
        if (!group || group->title() != caption) {
            ++groupIndex;
            group = new QGroupBox(caption, this);
            group->setObjectName(groupNames[groupIndex]);
            group->setMaximumWidth(620);
            grid = new QGridLayout(group);
            grid->setHorizontalSpacing(24);
            grid->setColumnMinimumWidth(0, 170);
            grid->setColumnMinimumWidth(1, 80);
            grid->setColumnStretch(3, 1);
            page->addWidget(group);
            row = 0;
            if (groupIndex == 0) {
                QLabel* h1 = Label(QStringLiteral("USB signal"), QStringLiteral("LabelUsbSignalHeading"), group);
                QLabel* h2 = Label(QStringLiteral("USB wire"), QStringLiteral("LabelUsbWireHeading"), group);
                QFont bold = h1->font();
                bold.setBold(true);
                h1->setFont(bold);
                h2->setFont(bold);
                grid->addWidget(h1, row, 0);
                grid->addWidget(h2, row, 1);
                ++row;
            }
        }
        ++line;
        const QString n = QString::number(line);
        grid->addWidget(Label(QString::fromLatin1(s.signal), QStringLiteral("LabelSocketSignal") + n, group), row, 0);
        if (*s.wire)
            grid->addWidget(Label(QString::fromLatin1(s.wire), QStringLiteral("LabelSocketWire") + n, group), row, 1);
        grid->addWidget(Label(QString::fromLatin1(s.pin), QStringLiteral("LabelSocketPin") + n, group), row, 2);
        ++row;
    }
    page->addStretch(1);
}

} // namespace relvane
