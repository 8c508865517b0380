#include "monitor/ui/VersionForm.h"

#include "config/Cp1252.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>

#include <memory>

namespace relvane {

TVersionForm::TVersionForm(Dispatcher* dispatcher, QWidget* parent)
    : QDialog(parent), dispatcher_(dispatcher), check_(this)
{
    setObjectName(QStringLiteral("TVersionForm"));
    setWindowTitle(QStringLiteral("PCM Version"));
    setModal(true);
    resize(260, 70);

    auto* status = new QLabel(QStringLiteral("Status:"), this);
    label1_ = new QLabel(QStringLiteral("Version "), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    QFont bold = label1_->font();
    bold.setBold(true);
    label1_->setFont(bold);
    label1_->setMinimumWidth(160);

    auto* row = new QHBoxLayout(this);
    row->addWidget(status);
    row->addWidget(label1_, 1);

    connect(&check_, &VersionCheck::versionShown, this,
            [this](const QByteArray& text) { label1_->setText(Cp1252ToString(text)); });
    // Closing ends exec(); the creator decides when the window is destroyed.
    connect(&check_, &VersionCheck::finished, this, &QDialog::close);
    if (dispatcher_)
        dispatcher_->RegisterToolWindow(ToolSlot::Version, this);
}

TVersionForm::~TVersionForm()
{
    if (dispatcher_)
        dispatcher_->UnregisterToolWindow(ToolSlot::Version, this);
}

void TVersionForm::OnToolFrame(const std::uint8_t* frame, int count) { check_.OnFrame(frame, count); }

VersionCheckResult RunVersionCheckWindow(Dispatcher& dispatcher, QWidget* parent,
                                         const std::function<void(TVersionForm&)>& beforeShow)
{
    auto form = std::make_unique<TVersionForm>(&dispatcher, parent);
    // The window closes 500 ms after the first answer. The heartbeat asks again every
    // 400 ms and the check's own delay starts afresh with each answer, so on its own
    // the window would stay open as long as the module answers.
    QTimer closeDelay;
    closeDelay.setSingleShot(true);
    closeDelay.setInterval(VersionCheck::CLOSE_DELAY_MS);
    QObject::connect(&closeDelay, &QTimer::timeout, form.get(), &QDialog::close);
    QObject::connect(&form->Check(), &VersionCheck::versionShown, &closeDelay, [&closeDelay] {
        if (!closeDelay.isActive())
            closeDelay.start();
    });
    if (beforeShow)
        beforeShow(*form);
    form->exec();
    const bool accepted = form->Accepted();
    const bool timedOut = form->TimedOut();
    form.reset();  // unregisters from the dispatcher
    if (accepted)
        return VersionCheckResult::Accepted;
    return timedOut ? VersionCheckResult::TimedOut : VersionCheckResult::WrongVersion;
}

}  // namespace relvane
