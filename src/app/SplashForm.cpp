#include "app/SplashForm.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace relvane {

namespace {

QFont TimesItalic(int pointSize, bool bold)
{
    QFont font(QStringLiteral("Times New Roman"), pointSize);
    font.setStyleHint(QFont::Serif);
    font.setItalic(true);
    font.setBold(bold);
    return font;
}

QLabel* CentredLabel(const QString& text, const QString& name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

SplashPicture::SplashPicture(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Image1"));
    setFixedSize(72, 48);
}

void SplashPicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body(4, 6, width() - 8, height() - 12);
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(QColor(70, 70, 80));
    p.drawRoundedRect(body, 4, 4);
    // Two rows of output lamps, a few of them lit.
    for (int row = 0; row < 2; ++row) {
        for (int i = 0; i < 6; ++i) {
            const bool lit = (i + row * 2) % 3 == 0;
            p.setPen(Qt::NoPen);
            p.setBrush(lit ? QColor(60, 220, 60) : QColor(30, 90, 30));
            p.drawEllipse(QPointF(body.left() + 9 + i * 9.5, body.top() + 10 + row * 14), 3, 3);
        }
    }
}

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("SplashForm"));
    setFixedSize(147, 178);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setLineWidth(1);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));  // silver
    pal.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(pal);
    outer->addWidget(panel);

    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(5, 5, 5, 5);
    auto* bevel = new QFrame(panel);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::Panel);
    bevel->setFrameShadow(QFrame::Sunken);  // the lowered inner bevel
    panelLayout->addWidget(bevel);

    auto* inner = new QVBoxLayout(bevel);
    inner->setContentsMargins(4, 4, 4, 4);
    inner->setSpacing(2);
    QLabel* maker = CentredLabel(QStringLiteral("Orvik"), QStringLiteral("LabelMaker"), bevel);
    maker->setFont(TimesItalic(12, false));
    QLabel* product = CentredLabel(QStringLiteral("Relvane"), QStringLiteral("LabelProduct"), bevel);
    product->setFont(TimesItalic(17, true));
    auto* picture = new SplashPicture(bevel);
    auto* line = new QFrame(bevel);
    line->setObjectName(QStringLiteral("Separator"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    QLabel* loading = CentredLabel(QStringLiteral("Loading..."), QStringLiteral("LabelLoading"), bevel);

    inner->addWidget(maker);
    inner->addWidget(product);
    inner->addWidget(picture, 0, Qt::AlignHCenter);
    inner->addWidget(line);
    inner->addWidget(loading);
}

void TSplashForm::ShowNow()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    repaint();
    QCoreApplication::processEvents();
}

} // namespace relvane
