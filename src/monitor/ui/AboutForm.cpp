#include "monitor/ui/AboutForm.h"

#include "config/ui/DialogButtons.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>

namespace relvane {

namespace {
constexpr int FORM_WIDTH = 420;
constexpr int FORM_HEIGHT = 340;
constexpr int OK_WIDTH = 75;
constexpr int OK_HEIGHT = 25;

QLabel* Place(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h = 18)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(x, y, w, h);
    return label;
}
}  // namespace

QString TAboutForm::WebAddress() { return QStringLiteral("https://www.orvik.example/relvane"); }

TAboutForm::TAboutForm(MonitorHost& host, QWidget* parent, std::function<void(const QString&)> openUrl)
    : QDialog(parent), host_(host), openUrl_(std::move(openUrl)), timer1SecTick_(this)
{
    if (!openUrl_)
        openUrl_ = [](const QString& address) { QDesktopServices::openUrl(QUrl::fromUserInput(address)); };
    setObjectName(QStringLiteral("TAboutForm"));
    setWindowTitle(QStringLiteral("About KT5173 Relvane"));
    setFixedSize(FORM_WIDTH, FORM_HEIGHT);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setModal(true);

    QLabel* title = Place(this, "Label1", QStringLiteral("Service and configuration tool"), 16, 14,
                          FORM_WIDTH - 32, 30);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    title->setFont(big);
    title->setAlignment(Qt::AlignCenter);

    Place(this, "Label8", QStringLiteral("Designed and built by Orvik"), 16, 50, FORM_WIDTH - 32)
        ->setAlignment(Qt::AlignCenter);
    labelWeb_ = Place(this, "Label9", WebAddress(), 16, 70, FORM_WIDTH - 32);
    labelWeb_->setAlignment(Qt::AlignCenter);
    QPalette blue = labelWeb_->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    labelWeb_->setPalette(blue);
    labelWeb_->setMouseTracking(true);
    labelWeb_->installEventFilter(this);

    Place(this, "Label6", QStringLiteral("PC version :"), 40, 104, 130);
    QLabel* version = Place(this, "VersionLabel", QString::fromLatin1(TOOL_VERSION), 180, 104, 120);
    QFont bold = version->font();
    bold.setBold(true);
    version->setFont(bold);
    Place(this, "CompiledLabel", CompiledText(), 40, 124, 300);
    Place(this, "Label7", QStringLiteral("Relvane version:"), 40, 148, 130);
    labelPcmVersion_ = Place(this, "LabelPCM_Version", QStringLiteral("---"), 180, 148, 200);

    labelPowerUpTime_ = Place(this, "LabelPowerUpTime", PowerUpTimeText(0), 40, 172, 340);
    labelMaxTemp_ = Place(this, "LabelMaxTemp", MaxTemperatureText(0), 40, 190, 340);
    labelMaxCurrent_ = Place(this, "LabelMaxCurrent", MaxCurrentText(0), 40, 208, 340);
    labelWatchdogCount_ = Place(this, "LabelWatchdogCount", WatchdogCountText(0), 40, 226, 340);
    for (QLabel* l : {labelPowerUpTime_, labelMaxTemp_, labelMaxCurrent_, labelWatchdogCount_})
        l->hide();

    Place(this, "Label2", QStringLiteral("Copyright (c) Orvik. All rights reserved."), 16, 256, FORM_WIDTH - 32)
        ->setAlignment(Qt::AlignCenter);
    Place(this, "Label3", QStringLiteral("Relvane is a trademark of Orvik."), 16, 274, FORM_WIDTH - 32)
        ->setAlignment(Qt::AlignCenter);

    okBtn_ = new QPushButton(QStringLiteral("OK"), this);
    okBtn_->setObjectName(QStringLiteral("OKBtn"));
    okBtn_->setGeometry((FORM_WIDTH - OK_WIDTH) / 2, FORM_HEIGHT - OK_HEIGHT - 12, OK_WIDTH, OK_HEIGHT);
    // Keys the OK button does not use while it has the focus go on to the
    // window's keyPressEvent, so the access code is seen from both. OK is the
    // window's one control that takes the focus, so Enter presses it.
    connect(okBtn_, &QPushButton::clicked, this, &QDialog::accept);
    SetEnterButton(*this, okBtn_);

    timer1SecTick_.setObjectName(QStringLiteral("Timer1SecTick"));
    timer1SecTick_.setInterval(STATISTICS_INTERVAL_MS);
    connect(&timer1SecTick_, &QTimer::timeout, this, &TAboutForm::Timer1SecTickTimer);
}

int TAboutForm::ShowCentredOver(const QWidget* mainWindow)
{
    if (mainWindow) {
        const QRect m = mainWindow->frameGeometry();
        move(m.left() + (m.width() - frameGeometry().width()) / 2,
             m.top() + (m.height() - frameGeometry().height()) / 2);
    }
    return exec();
}

void TAboutForm::ShowModuleVersion()
{
    const QByteArray& text = host_.Module().versionText;
    // Module texts are Windows-1252; its printable range above ASCII matches
    // Latin-1 closely enough for a version string.
    labelPcmVersion_->setText(text.isEmpty() ? QStringLiteral("---") : QString::fromLatin1(text));
}

void TAboutForm::Timer1SecTickTimer()
{
    ShowModuleVersion();
    const ModuleInfo& m = host_.Module();
    if (!labelPowerUpTime_->isHidden())
        labelPowerUpTime_->setText(PowerUpTimeText(m.secondsSincePowerUp));
    if (!labelMaxTemp_->isHidden())
        labelMaxTemp_->setText(MaxTemperatureText(m.maxTemperature));
    if (!labelMaxCurrent_->isHidden())
        labelMaxCurrent_->setText(MaxCurrentText(m.maxCurrentTenths));
    if (!labelWatchdogCount_->isHidden())
        labelWatchdogCount_->setText(WatchdogCountText(m.watchdogCount));
}

void TAboutForm::WebSiteClick() { openUrl_(labelWeb_->text()); }

bool TAboutForm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (!sequence_.KeyDown(key, modifiers))
        return false;
    host_.RevealProductionMenu();
    for (QLabel* l : {labelPowerUpTime_, labelMaxTemp_, labelMaxCurrent_, labelWatchdogCount_})
        l->show();
    okBtn_->move(width() - okBtn_->width() - OK_RIGHT_MARGIN, okBtn_->y());
    close();
    return true;
}

bool TAboutForm::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate) {
        Timer1SecTickTimer();
        timer1SecTick_.start();
    }
    return QDialog::event(e);
}

void TAboutForm::keyPressEvent(QKeyEvent* e)
{
    if (FormKeyDown(e->key(), e->modifiers()))
        return;
    QDialog::keyPressEvent(e);
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == labelWeb_) {
        if (e->type() == QEvent::MouseButtonRelease) {
            if (static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton)
                WebSiteClick();
            return true;
        }
        if (e->type() == QEvent::MouseMove) {
            const auto* m = static_cast<QMouseEvent*>(e);
            labelWeb_->setCursor(m->position().x() != 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
        }
    }
    return QDialog::eventFilter(watched, e);
}

void TAboutForm::closeEvent(QCloseEvent* e)
{
    timer1SecTick_.stop();
    QDialog::closeEvent(e);
}

void TAboutForm::hideEvent(QHideEvent* e)
{
    timer1SecTick_.stop();
    QDialog::hideEvent(e);
}

}  // namespace relvane

