#include "monitor/ui/TDiagnosticPage.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace relvane {

namespace {

QColor InkColour(DiagnosticInk ink)
{
    return ink == DiagnosticInk::Red ? QColor(255, 0, 0) : QColor(0, 0, 0);
}

// Rectangle outlined in grey, filled with white, from (x1, y1) to (x2, y2) inclusive.
void Cell(QPainter& p, int x1, int y1, int x2, int y2)
{
    p.setPen(QColor(192, 192, 192));
    p.setBrush(Qt::white);
    p.drawRect(x1, y1, x2 - x1, y2 - y1);
}

void Text(QPainter& p, int left, int top, const QString& text, const QFont& font, const QColor& colour)
{
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QPoint(left, top + QFontMetrics(font).ascent()), text);
}

}  // namespace

void PaintDiagnosticTable(QImage& image, const DiagnosticTable& table, const QFont& font)
{
    QPainter p(&image);
    QFont bold = font;
    bold.setBold(true);
    QFont regular = font;
    regular.setBold(false);
    const auto& cols = table.columns;
    const QFontMetrics boldMetrics(bold);
    const QFontMetrics regularMetrics(regular);

    // Header cells left to right: rectangle, then its lines.
    for (int k = 0; k < cols.size(); ++k) {
        Cell(p, ColumnLeft(cols, k), 0, ColumnRight(cols, k), kDiagnosticHeaderHeight);
        const int top = LineTop(0, boldMetrics.height());
        Text(p, CentredLeft(cols, k, boldMetrics.horizontalAdvance(cols.at(k).header1)), top, cols.at(k).header1, bold,
             Qt::black);
        if (!cols.at(k).header2.isEmpty())
            Text(p, CentredLeft(cols, k, boldMetrics.horizontalAdvance(cols.at(k).header2)),
                 top + kDiagnosticSecondLineOffset, cols.at(k).header2, bold, Qt::black);
    }
    // Rows top to bottom: all rectangles, then the texts.
    for (int r = 0; r < table.rows.size(); ++r) {
        const auto& row = table.rows.at(r);
        for (int k = 0; k < cols.size(); ++k)
            Cell(p, ColumnLeft(cols, k), RowTop(r), ColumnRight(cols, k), RowBottom(r));
        for (int k = 0; k < cols.size() && k < row.size(); ++k) {
            const DiagnosticCell& cell = row.at(k);
            const QFont& f = cell.bold ? bold : regular;
            const QFontMetrics& m = cell.bold ? boldMetrics : regularMetrics;
            const int top = LineTop(RowTop(r), m.height());
            const int left = k == 0 ? kDiagnosticNameLeft : CentredLeft(cols, k, m.horizontalAdvance(cell.text));
            Text(p, left, top, cell.text, f, InkColour(cell.ink));
        }
    }
}

TDiagnosticImage::TDiagnosticImage(const QString& objectName, int width, int height, QWidget* parent)
    : QWidget(parent), image_(width, height, QImage::Format_RGB32)
{
    setObjectName(objectName);
    setFixedSize(width, height);
    // Blank until the first diagnostic message is painted.
    image_.fill(palette().color(QPalette::Window));
}

void TDiagnosticImage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, image_);
}

TDiagnosticPage::TDiagnosticPage(MonitorHost& host, Dialogs& dialogs, ConfigModel& model, QWidget* parent)
    : QWidget(parent), model_(model), view_(host, dialogs, model)
{
    setObjectName(QStringLiteral("TabSheetDiagnostic"));
    view_.SetDisplay(this);

    auto* highGroup = new QGroupBox(QStringLiteral("High power channels"), this);
    highGroup->setObjectName(QStringLiteral("GroupBox17"));
    high_ = new TDiagnosticImage(QStringLiteral("ImageHighPowerDiagnostic"), kHighPowerImageWidth,
                                 kHighPowerImageHeight, highGroup);
    (new QVBoxLayout(highGroup))->addWidget(high_);

    auto* lowGroup = new QGroupBox(QStringLiteral("Low power channels"), this);
    lowGroup->setObjectName(QStringLiteral("GroupBox16"));
    low_ = new TDiagnosticImage(QStringLiteral("ImageLowPowerDiagnostic"), kLowPowerImageWidth, kLowPowerImageHeight,
                                lowGroup);
    (new QVBoxLayout(lowGroup))->addWidget(low_);

    auto* reset = new QPushButton(QStringLiteral("Reset log"), this);
    reset->setObjectName(QStringLiteral("BtnClearDiagnostic"));
    connect(reset, &QPushButton::clicked, this, &TDiagnosticPage::BtnClearDiagnosticClick);

    autoReset_ = new QLineEdit(model_.OutputBlock().AutoResetError, this);
    autoReset_->setObjectName(QStringLiteral("AutoResetChannelErrorEdit"));
    autoReset_->setMaxLength(3);
    autoReset_->setFixedWidth(50);
    connect(autoReset_, &QLineEdit::textChanged, this, [this](const QString& text) {
        writing_ = true;
        model_.ModifyOutputBlock([&](OutputBlockConfig& c) { c.AutoResetError = text; });
        writing_ = false;
    });
    connect(&model_, &ConfigModel::Changed, this, [this](ConfigBlock block, int) {
        if (!writing_ && block == ConfigBlock::Output)
            ShowAutoReset();
    });

    auto* tables = new QHBoxLayout;
    tables->addWidget(highGroup);
    tables->addWidget(lowGroup);
    tables->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(reset);
    bottom->addSpacing(30);
    bottom->addWidget(new QLabel(QStringLiteral("Auto reset output channel error:"), this));
    bottom->addWidget(autoReset_);
    bottom->addWidget(new QLabel(QStringLiteral("[x 100ms]   (0= Off, 5..250= 0,5..25 sec)"), this));
    bottom->addStretch();
    auto* root = new QVBoxLayout(this);
    root->addLayout(tables);
    root->addLayout(bottom);
    root->addStretch();
}

void TDiagnosticPage::ShowAutoReset()
{
    const QString text = model_.OutputBlock().AutoResetError;
    if (autoReset_->text() != text) {
        QSignalBlocker block(autoReset_);
        autoReset_->setText(text);
    }
}

void TDiagnosticPage::PaintHighPower(const DiagnosticTable& table)
{
    lastHigh_ = table;
    PaintDiagnosticTable(high_->Image(), table, high_->font());
    high_->Painted();
}

void TDiagnosticPage::PaintLowPower(const DiagnosticTable& table)
{
    lastLow_ = table;
    PaintDiagnosticTable(low_->Image(), table, low_->font());
    low_->Painted();
}

}  // namespace relvane
