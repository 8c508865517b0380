#include "monitor/ui/GeneralPage.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace relvane {

namespace {

constexpr int ROW_HEIGHT = 19;
constexpr int BUTTON_WIDTH = 44;
constexpr int STATE_WIDTH = 78;

const char* const kHighPowerPins[HIGH_POWER_CHANNELS] = {
    "( Con. 3, Yellow ring, Pin C )",   "( Con. 2, Red ring, Pin L )",
    "( Con. 2, Red ring, Pin H )",      "( Con. 2, Red ring, Pin F )",
    "( Con. 2, Red ring, Pin D )",      "( Con. 2, Red ring, Pin A,B )",
    "( Con. 3, Yellow ring, Pin L )",   "( Con. 3, Yellow ring, Pin A )",
    "( Con. 2, Red ring, Pin G )",      "( Con. 2, Red ring, Pin E )",
    "( Con. 2, Red ring, Pin C )",      "( Con. 3, Yellow ring, Pin G )",
    "( Con. 2, Red ring, Pin M )",      "( Con. 2, Red ring, Pin J,K )",
    "( Con. 3, Yellow ring, Pin D,E )", "( Con. 3, Yellow ring, Pin B )",
    "( Con. 3, Yellow ring, Pin M )",   "( Con. 3, Yellow ring, Pin J,K )",
};

void Paint(QWidget* w, QPalette::ColorRole role, LiveColour colour)
{
    QPalette p = w->palette();
    p.setColor(role, LiveQColor(colour));
    w->setPalette(p);
}

void ApplyToLabel(QLabel* label, const LiveLook& look)
{
    label->setText(look.text);
    Paint(label, QPalette::Window, look.colour);
}

void ApplyToButton(QPushButton* button, const LiveLook& look)
{
    button->setText(look.text);
    Paint(button, QPalette::Button, look.colour);
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    if (!name.isEmpty())
        label->setObjectName(name);
    label->setFixedHeight(ROW_HEIGHT);
    return label;
}

QLabel* MakeStateLabel(QWidget* parent, const QString& name, const QString& text, int width)
{
    QLabel* label = MakeLabel(parent, name, text);
    label->setAutoFillBackground(true);
    label->setAlignment(Qt::AlignCenter);
    label->setFixedWidth(width);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    Paint(label, QPalette::Window, LiveColour::Neutral);
    return label;
}

QGridLayout* CompactGrid(QGroupBox* box)
{
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(1);
    return grid;
}

}  // namespace

QColor LiveQColor(LiveColour colour)
{
    switch (colour) {
    case LiveColour::Red: return QColor(255, 0, 0);
    case LiveColour::Green: return QColor(0, 255, 0);
    case LiveColour::Yellow: return QColor(255, 255, 0);
    case LiveColour::White: return QColor(255, 255, 255);
    case LiveColour::Neutral: break;
    }
    return QApplication::palette().color(QPalette::Button);
}

QString TGeneralPage::OutputConnectorText(int channel)
{
    if (channel >= 1 && channel <= HIGH_POWER_CHANNELS)
        return QString::fromLatin1(kHighPowerPins[channel - 1]);
    return QStringLiteral("( Con. 4, Red ring, Pin %1 )").arg(channel - HIGH_POWER_CHANNELS);
}

QString TGeneralPage::InputConnectorText(int input)
{
    return QStringLiteral("( Con. 4, Red ring, Pin %1 )").arg(18 + input);
}

TGeneralPage::TGeneralPage(MonitorHost& host, QWidget* parent)
    : QWidget(parent), monitor_(host, this)
{
    setObjectName(QStringLiteral("General"));
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    setFont(small);

    auto* columns = new QHBoxLayout(this);
    columns->setContentsMargins(6, 6, 6, 6);
    columns->setSpacing(8);

    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    left->addWidget(BuildHighPowerGroup());
    left->addWidget(BuildLowPowerGroup());
    left->addStretch(1);

    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    auto* top = new QHBoxLayout;
    top->addWidget(BuildModeGroup());
    top->addWidget(BuildStatusGroup(), 1);
    right->addLayout(top);
    right->addWidget(BuildPinInputGroup());
    right->addWidget(BuildCanInputGroup());
    right->addStretch(1);

    columns->addLayout(left);
    columns->addLayout(right);
    columns->addStretch(1);

    monitor_.SetDisplay(this);
}

QGroupBox* TGeneralPage::BuildModeGroup()
{
    auto* box = new QGroupBox(QStringLiteral("Mode"), this);
    box->setObjectName(QStringLiteral("GroupBox8"));
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(8, 4, 8, 4);
    radioAuto_ = new QRadioButton(QStringLiteral("Auto"), box);
    radioAuto_->setObjectName(QStringLiteral("RadioButtonAuto"));
    radioAuto_->setChecked(true);
    radioManuel_ = new QRadioButton(QStringLiteral("Manuel test"), box);
    radioManuel_->setObjectName(QStringLiteral("RadioButtonManuel"));
    v->addWidget(radioAuto_);
    v->addWidget(radioManuel_);
    v->addStretch(1);
    connect(radioAuto_, &QRadioButton::clicked, this, [this] { monitor_.RadioButtonAutoClick(); });
    connect(radioManuel_, &QRadioButton::clicked, this, [this] { monitor_.RadioButtonManuelClick(); });
    return box;
}

// A channel's button and its name label, registered under the channel; both tables use it.
void TGeneralPage::AddChannelControls(QGroupBox* box, int ch, const QString& kind, QPushButton** button,
                                      QLabel** name)
{
    auto* b = new QPushButton(QStringLiteral("---"), box);
    b->setObjectName(QStringLiteral("Btn%1Ch%2").arg(kind).arg(ch));
    b->setFixedSize(BUTTON_WIDTH, ROW_HEIGHT);
    b->setEnabled(false);
    b->setFocusPolicy(Qt::NoFocus);
    buttons_[static_cast<std::size_t>(ch - 1)] = b;
    connect(b, &QPushButton::clicked, this, [this, ch, b] { monitor_.ChannelButtonClick(ch, b->text()); });
    QLabel* n = MakeLabel(box, QStringLiteral("Label%1Ch%2").arg(kind).arg(ch),
                          QStringLiteral("%1: %2").arg(ch).arg(kind == QLatin1String("HighPower")
                                                                    ? QStringLiteral("High power")
                                                                    : QStringLiteral("Low power")));
    channelNames_[static_cast<std::size_t>(ch - 1)] = n;
    *button = b;
    *name = n;
}

QGroupBox* TGeneralPage::BuildHighPowerGroup()
{
    auto* box = new QGroupBox(QStringLiteral("High Power Channels"), this);
    box->setObjectName(QStringLiteral("GroupBox1"));
    QGridLayout* grid = CompactGrid(box);
    for (int ch = 1; ch <= HIGH_POWER_CHANNELS; ++ch) {
        QPushButton* button = nullptr;
        QLabel* name = nullptr;
        AddChannelControls(box, ch, QStringLiteral("HighPower"), &button, &name);
        QLabel* state = MakeStateLabel(box, QStringLiteral("ch%1State").arg(ch), QStringLiteral(" -- "),
                                       STATE_WIDTH);
        stateLabels_[static_cast<std::size_t>(ch - 1)] = state;
        name->setMinimumWidth(120);
        grid->addWidget(button, ch - 1, 0);
        grid->addWidget(state, ch - 1, 1);
        grid->addWidget(name, ch - 1, 2);
        grid->addWidget(MakeLabel(box, QString(), OutputConnectorText(ch)), ch - 1, 3);
    }
    grid->setColumnStretch(2, 1);
    return box;
}

QGroupBox* TGeneralPage::BuildLowPowerGroup()
{
    auto* box = new QGroupBox(QStringLiteral("Low Power Channels"), this);
    box->setObjectName(QStringLiteral("lowPCh19On"));
    QGridLayout* grid = CompactGrid(box);
    for (int ch = HIGH_POWER_CHANNELS + 1; ch <= CHANNEL_COUNT; ++ch) {
        const int row = ch - HIGH_POWER_CHANNELS - 1;
        QPushButton* button = nullptr;
        QLabel* name = nullptr;
        AddChannelControls(box, ch, QStringLiteral("LowPower"), &button, &name);
        name->setMinimumWidth(120 + STATE_WIDTH + 8);
        grid->addWidget(button, row, 0);
        grid->addWidget(name, row, 1);
        grid->addWidget(MakeLabel(box, QString(), OutputConnectorText(ch)), row, 2);
    }
    grid->setColumnStretch(1, 1);
    return box;
}

QGroupBox* TGeneralPage::BuildStatusGroup()
{
    auto* box = new QGroupBox(QStringLiteral("Status"), this);
    box->setObjectName(QStringLiteral("GroupBox4"));
    QGridLayout* grid = CompactGrid(box);
    const struct {
        const char* caption;
        const char* name;
        QLabel** label;
    } rows[] = {
        {"Total Current Used :", "lblCurrentSum", &lblCurrentSum_},
        {"Input Voltage :", "lblVbat", &lblVbat_},
        {"Powerstage Temp. :", "lblTemp", &lblTemp_},
        {"Errors :", "lblErrors", &lblErrors_},
    };
    int row = 0;
    for (const auto& r : rows) {
        grid->addWidget(MakeLabel(box, QString(), QString::fromLatin1(r.caption)), row, 0);
        *r.label = MakeLabel(box, QString::fromLatin1(r.name), QStringLiteral(" -- "));
        (*r.label)->setMinimumWidth(80);
        grid->addWidget(*r.label, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    return box;
}

QGroupBox* TGeneralPage::BuildPinInputGroup()
{
    auto* box = new QGroupBox(QStringLiteral("Pin Input"), this);
    box->setObjectName(QStringLiteral("GroupBox26"));
    QGridLayout* grid = CompactGrid(box);
    for (int i = 1; i <= INPUT_COUNT; ++i) {
        QLabel* state = MakeStateLabel(box, QStringLiteral("LabelInput%1State").arg(i),
                                       QStringLiteral("Off"), 40);
        QLabel* name = MakeLabel(box, QStringLiteral("LabelInputCh%1").arg(i), QStringLiteral("%1 :").arg(i));
        name->setMinimumWidth(120);
        inputStates_[static_cast<std::size_t>(i - 1)] = state;
        inputNames_[static_cast<std::size_t>(i - 1)] = name;
        grid->addWidget(state, i - 1, 0);
        grid->addWidget(name, i - 1, 1);
        grid->addWidget(MakeLabel(box, QString(), InputConnectorText(i)), i - 1, 2);
    }
    grid->setColumnStretch(1, 1);
    return box;
}

QGroupBox* TGeneralPage::BuildCanInputGroup()
{
    auto* box = new QGroupBox(QStringLiteral("CAN Inputs"), this);
    box->setObjectName(QStringLiteral("GroupBox10"));
    QGridLayout* grid = CompactGrid(box);
    constexpr int ROWS = CAN_INPUT_COUNT / 2;
    for (int i = 1; i <= CAN_INPUT_COUNT; ++i) {
        const int row = (i - 1) % ROWS;
        const int col = (i - 1) / ROWS * 2;
        QLabel* state = MakeStateLabel(box, QStringLiteral("Label_CAN_InputState%1").arg(i),
                                       QStringLiteral("Off"), 40);
        QLabel* name = MakeLabel(box, QStringLiteral("LabelCanInputCh%1").arg(i), QStringLiteral("%1 :").arg(i));
        name->setMinimumWidth(150);
        canStates_[static_cast<std::size_t>(i - 1)] = state;
        canNames_[static_cast<std::size_t>(i - 1)] = name;
        grid->addWidget(state, row, col);
        grid->addWidget(name, row, col + 1);
    }
    return box;
}

// --- LiveDisplay -----------------------------------------------------------------

void TGeneralPage::ShowStatus(const StatusTexts& texts)
{
    lblCurrentSum_->setText(texts.current);
    lblVbat_->setText(texts.voltage);
    lblTemp_->setText(texts.temperature);
    lblErrors_->setText(texts.errors);
}

void TGeneralPage::ShowIdleStatus(const LiveLook& look)
{
    for (QLabel* l : {lblCurrentSum_, lblVbat_, lblTemp_, lblErrors_})
        l->setText(look.text);
}

void TGeneralPage::ShowChannelState(int channel, const LiveLook& look)
{
    if (channel >= 1 && channel <= HIGH_POWER_CHANNELS)
        ApplyToLabel(stateLabels_[static_cast<std::size_t>(channel - 1)], look);
}

void TGeneralPage::ShowChannelButton(int channel, const LiveLook& look)
{
    if (channel >= 1 && channel <= CHANNEL_COUNT)
        ApplyToButton(buttons_[static_cast<std::size_t>(channel - 1)], look);
}

void TGeneralPage::ShowInput(int input, const LiveLook& look)
{
    if (input >= 1 && input <= INPUT_COUNT)
        ApplyToLabel(inputStates_[static_cast<std::size_t>(input - 1)], look);
}

void TGeneralPage::ShowCanInput(int canInput, const LiveLook& look)
{
    if (canInput >= 1 && canInput <= CAN_INPUT_COUNT)
        ApplyToLabel(canStates_[static_cast<std::size_t>(canInput - 1)], look);
}

void TGeneralPage::SetChannelButtonsEnabled(bool enabled)
{
    for (QPushButton* b : buttons_)
        b->setEnabled(enabled);
}

bool TGeneralPage::AutoSelected() const { return radioAuto_->isChecked(); }
bool TGeneralPage::ManualSelected() const { return radioManuel_->isChecked(); }

QLabel* TGeneralPage::ChannelNameLabel(int channel) const
{
    return channel >= 1 && channel <= CHANNEL_COUNT ? channelNames_[static_cast<std::size_t>(channel - 1)]
                                                    : nullptr;
}

QLabel* TGeneralPage::InputNameLabel(int input) const
{
    return input >= 1 && input <= INPUT_COUNT ? inputNames_[static_cast<std::size_t>(input - 1)] : nullptr;
}

QLabel* TGeneralPage::CanInputNameLabel(int canInput) const
{
    return canInput >= 1 && canInput <= CAN_INPUT_COUNT ? canNames_[static_cast<std::size_t>(canInput - 1)]
                                                        : nullptr;
}

// --- activity lamps ------------------------------------------------------------------

TActivityLamps::TActivityLamps(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ImageList_LED"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(sizeHint());
}

QSize TActivityLamps::sizeHint() const { return {2 * LAMP_SPACING + 16, 16}; }

void TActivityLamps::SetLit(int lamp)
{
    const int lit = lamp >= 0 && lamp <= 2 ? lamp : -1;
    if (lit == lit_)
        return;
    lit_ = lit;
    update();
}

void TActivityLamps::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    for (int k = 0; k < 3; ++k) {
        const QRectF r(LampRect(k));
        const bool on = k == lit_;
        p.setPen(QPen(QColor(40, 40, 40), 1));
        p.setBrush(on ? QColor(0, 230, 0) : QColor(0, 70, 0));
        p.drawEllipse(r);
        if (on) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(200, 255, 200));
            p.drawEllipse(QRectF(r.x() + 3, r.y() + 2.5, 4, 3));
        }
    }
}

}  // namespace relvane
