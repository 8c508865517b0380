#include "monitor/ui/VersionForm.h"

#include "config/Cp1252.h"

#include <QHBoxLayout>
#include <QLabel>

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

}  // namespace relvane
