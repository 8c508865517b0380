#include "app/ActivityLamps.h"

#include <QPainter>

namespace relvane {

ActivityLamps::ActivityLamps(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ImageList_LED"));
    setFixedSize(sizeHint());
}

void ActivityLamps::ShowLit(int lit)
{
    const int value = lit >= 0 && lit <= 2 ? lit : -1;
    if (value == lit_)
        return;
    lit_ = value;
    update();
}

void ActivityLamps::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // Lamps 20 pixels apart, as on the notebook's own surface.
    for (int k = 0; k < 3; ++k) {
        const QPointF centre(10 + 20 * k, height() / 2.0);
        const bool on = k == lit_;
        p.setPen(QPen(QColor(30, 60, 30), 1));
        p.setBrush(on ? QColor(40, 230, 40) : QColor(25, 80, 25));
        p.drawEllipse(centre, 6, 6);
        if (on) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(200, 255, 200));
            p.drawEllipse(centre - QPointF(2, 2), 1.8, 1.8);
        }
    }
}

} // namespace relvane
