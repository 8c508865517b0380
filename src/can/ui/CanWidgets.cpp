#include "can/ui/CanWidgets.h"

#include <QComboBox>
#include <QMouseEvent>
#include <QPainter>

namespace relvane {

QValidator::State TypedLengthValidator::validate(QString& input, int& /*pos*/) const
{
    const qsizetype length = input.startsWith(QLatin1Char('-')) ? input.size() - 1 : input.size();
    if (maxLength_ > 0 && length > maxLength_)
        return Invalid;
    if (!allowed_.isEmpty())
        for (const QChar c : input)
            if (!allowed_.contains(c))
                return Invalid;
    return Acceptable;
}

QLineEdit* MakeLimitedEdit(const QString& objectName, const QString& text, int maxLength, QWidget* parent,
                           const QString& allowed)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(objectName);
    edit->setValidator(new TypedLengthValidator(maxLength, allowed, edit));
    const int chars = std::max(maxLength, 3) + 2;
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * chars + 12);
    return edit;
}

void ShowThroughHandler(QLineEdit* edit, const QString& text)
{
    if (edit->text() == text)
        Q_EMIT edit->textChanged(text);
    else
        edit->setText(text);
}

int TypedPosition(const QComboBox* box)
{
    if (!box->isEditable())
        return box->currentIndex();
    return box->findText(box->currentText(), Qt::MatchExactly);
}

TBytePicker::TBytePicker(const QString& objectName, QWidget* parent) : QWidget(parent)
{
    setObjectName(objectName);
    setFixedSize(kBytePickerWidth, kBytePickerHeight);
}

void TBytePicker::SetPair(const BytePair& pair)
{
    pair_ = pair;
    update();
}

void TBytePicker::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const int w = BytePickerCellWidth(width());
    QFont regular = font();
    regular.setBold(false);
    QFont bold = font();
    bold.setBold(true);
    for (int k = 1; k <= kBytePickerCells; ++k) {
        // Cell k spans x = w(k-1)+1 to wk over the full height.
        const QRect cell(w * (k - 1) + 1, 0, w - 1, height() - 1);
        p.setPen(QColor(192, 192, 192));
        p.drawRect(cell);
        const CellMark mark = CellMarkOf(pair_, k);
        p.setFont(mark == CellMark::Number ? regular : bold);
        p.setPen(mark == CellMark::Number ? QColor(128, 128, 128) : QColor(Qt::black));
        p.drawText(cell, Qt::AlignCenter, CellText(pair_, k));
    }
}

void TBytePicker::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT Released(int(event->position().x()));
}

}  // namespace relvane
