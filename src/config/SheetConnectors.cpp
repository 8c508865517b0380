#include "config/SheetConnectors.h"

#include "config/ConfigModel.h"
#include "config/ConfigWords.h"
#include "config/EditorRules.h"

#include <QRegularExpression>

#include <cmath>
#include <map>

namespace relvane {

namespace {

QString Named(const QString& prefix, const QString& name)
{
    return name.isEmpty() ? prefix : prefix + QLatin1Char(' ') + name;
}

}  // namespace

QList<Connector> SheetConnectors(const ConfigModel& m)
{
    // Connectors 2 and 3 carry the high-power outputs on lettered pins (two pins for the
    // strongest), connector 4 the low-power outputs, the inputs and the fixed signals. The pins
    // come from the outputs' connector texts, so the drawing and the tables never disagree.
    static const QStringList letters = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D"),
                                        QStringLiteral("E"), QStringLiteral("F"), QStringLiteral("G"), QStringLiteral("H"),
                                        QStringLiteral("J"), QStringLiteral("K"), QStringLiteral("L"), QStringLiteral("M")};
    std::map<int, std::map<QString, ConnectorPin>> pins;
    static const QRegularExpression text(QStringLiteral("Con\\. (\\d), [A-Za-z]+ ring, Pin ([A-Z0-9,]+)"));
    for (int n = 1; n <= kOutputCount; ++n) {
        const QRegularExpressionMatch match = text.match(OutputPinText(n));
        if (!match.hasMatch())
            continue;
        ConnectorPin p;
        p.label = Named(QStringLiteral("Out %1").arg(n), NameWords(m.Output(n).NAME));
        if (n <= kHighPowerOutputCount)
            p.detail = TextFromTenths(NumberOrZero(m.Output(n).MAX_CURRENT)) + QStringLiteral(" A");
        for (const QString& pin : match.captured(2).split(QLatin1Char(','))) {
            p.pin = pin;
            pins[match.captured(1).toInt()][pin] = p;
        }
    }
    for (int n = 1; n <= kInputCount; ++n)
        pins[4][QString::number(18 + n)] = {QString(), Named(QStringLiteral("In %1").arg(n), NameWords(m.Input(n).NAME)), QString()};
    // The signals of the "Socket info" page.
    const std::map<int, const char*> fixed = {{17, "Current sum (0-5V)"}, {18, "Warning Light / Reset"}, {30, "CAN GND"},
                                              {31, "CAN High"},          {33, "CAN Low"},               {34, "USB +5V (red)"},
                                              {35, "USB Data + (green)"}, {36, "USB Data - (white)"},   {37, "USB GND (black)"}};
    for (const auto& [pin, label] : fixed)
        pins[4][QString::number(pin)] = {QString(), QLatin1String(label), QString()};

    QList<Connector> out;
    for (int c : {2, 3, 4}) {
        Connector k;
        k.number = c;
        k.ring = c == 3 ? QStringLiteral("Yellow ring") : QStringLiteral("Red ring");
        k.ringColour = c == 3 ? QStringLiteral("#f2c200") : QStringLiteral("#c62828");
        QStringList order = letters;
        if (c == 4) {
            order.clear();
            for (int p = 1; p <= 37; ++p)
                order << QString::number(p);
        }
        for (const QString& pin : order) {
            ConnectorPin p = pins[c].count(pin) ? pins[c][pin] : ConnectorPin{};
            p.pin = pin;
            k.pins.append(p);
        }
        out.append(k);
    }
    return out;
}

SheetDrawing DrawConnector(const Connector& c, double width)
{
    constexpr double rowHeight = 15;
    constexpr double band = 20;       // the ring's band with the connector's name
    constexpr double bodyWidth = 74;
    constexpr double radius = 6.5;
    constexpr double gap = 10;        // between the body and a label
    constexpr double top = 20;        // the caption above the body
    const qsizetype rows = (c.pins.size() + 1) / 2;
    SheetDrawing d;
    d.size = QSizeF(width, top + band + rows * rowHeight + 10);
    const double left = (width - bodyWidth) / 2;
    const double right = left + bodyWidth;

    // The caption is part of the drawing, so a page break never parts the two.
    SheetShape caption;
    caption.kind = SheetShape::Text;
    caption.rect = QRectF(0, 0, width, 14);
    caption.text = QStringLiteral("Connector %1 (%2)").arg(c.number).arg(c.ring.toLower());
    caption.bold = true;
    caption.fontSize = 9;
    caption.align = SheetShape::Centre;
    caption.fill = QStringLiteral("#000000");
    d.shapes.append(caption);

    SheetShape body;
    body.kind = SheetShape::RoundRect;
    body.rect = QRectF(left, top + 1, bodyWidth, d.size.height() - top - 2);
    body.stroke = c.ringColour;
    body.fill = QStringLiteral("#f0f0f0");
    body.strokeWidth = 2.5;
    d.shapes.append(body);

    SheetShape head = body;
    head.kind = SheetShape::Rect;
    head.rect = QRectF(left, top + 1, bodyWidth, band);
    head.fill = c.ringColour;
    head.stroke.clear();
    d.shapes.append(head);

    SheetShape title;
    title.kind = SheetShape::Text;
    title.rect = head.rect;
    title.text = QStringLiteral("Con. %1").arg(c.number);
    title.bold = true;
    title.fontSize = 9;
    title.align = SheetShape::Centre;
    // Black on the yellow ring, white on the red one.
    title.fill = c.number == 3 ? QStringLiteral("#000000") : QStringLiteral("#ffffff");
    d.shapes.append(title);

    const double labelWidth = left - gap - 2;
    for (qsizetype i = 0; i < c.pins.size(); ++i) {
        const ConnectorPin& p = c.pins.at(i);
        const bool leftColumn = i < rows;
        const double y = top + band + 6 + double(leftColumn ? i : i - rows) * rowHeight + rowHeight / 2;
        const double cx = leftColumn ? left + 20 : right - 20;
        const bool used = !p.label.isEmpty();

        SheetShape lead;
        lead.kind = SheetShape::Line;
        lead.stroke = QStringLiteral("#808080");
        lead.strokeWidth = 0.6;
        lead.rect = leftColumn ? QRectF(QPointF(left - gap + 3, y), QPointF(cx - radius, y))
                               : QRectF(QPointF(cx + radius, y), QPointF(right + gap - 3, y));
        if (used)
            d.shapes.append(lead);

        SheetShape pin;
        pin.kind = SheetShape::Circle;
        pin.rect = QRectF(cx - radius, y - radius, 2 * radius, 2 * radius);
        pin.stroke = QStringLiteral("#404040");
        pin.fill = used ? QStringLiteral("#ffffff") : QStringLiteral("#d0d0d0");
        pin.strokeWidth = 0.8;
        d.shapes.append(pin);

        SheetShape letter;
        letter.kind = SheetShape::Text;
        letter.rect = pin.rect;
        letter.text = p.pin;
        letter.fontSize = p.pin.size() > 1 ? 5.5 : 6.5;
        letter.bold = true;
        letter.align = SheetShape::Centre;
        letter.fill = QStringLiteral("#000000");
        d.shapes.append(letter);

        SheetShape label;
        label.kind = SheetShape::Text;
        label.rect = leftColumn ? QRectF(0, y - rowHeight / 2, labelWidth, rowHeight)
                                : QRectF(right + gap + 2, y - rowHeight / 2, labelWidth, rowHeight);
        label.align = leftColumn ? SheetShape::Right : SheetShape::Left;
        label.text = used ? p.label : QStringLiteral("—");
        if (used && !p.detail.isEmpty())
            label.text = leftColumn ? QStringLiteral("(%1)  %2").arg(p.detail, p.label) : QStringLiteral("%1  (%2)").arg(p.label, p.detail);
        label.fill = used ? QStringLiteral("#000000") : QStringLiteral("#909090");
        d.shapes.append(label);
    }
    return d;
}

namespace {

QString N(double v) { return QString::number(std::round(v * 100) / 100, 'g', 8); }

QString Attr(const char* name, const QString& value)
{
    return QStringLiteral(" %1=\"%2\"").arg(QLatin1String(name), value.toHtmlEscaped());
}

}  // namespace

QString DrawingSvg(const SheetDrawing& d)
{
    QString svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1pt\" height=\"%2pt\" viewBox=\"0 0 %1 %2\" "
                                 "font-family=\"DejaVu Sans, Arial, sans-serif\">")
                      .arg(N(d.size.width()), N(d.size.height()));
    for (const SheetShape& s : d.shapes) {
        const QString paint = Attr("stroke", s.stroke.isEmpty() ? QStringLiteral("none") : s.stroke)
                              + Attr("fill", s.fill.isEmpty() ? QStringLiteral("none") : s.fill)
                              + Attr("stroke-width", N(s.strokeWidth));
        const QRectF& r = s.rect;
        switch (s.kind) {
        case SheetShape::Rect:
        case SheetShape::RoundRect:
            svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"%5%6/>")
                       .arg(N(r.x()), N(r.y()), N(r.width()), N(r.height()),
                            s.kind == SheetShape::RoundRect ? QStringLiteral(" rx=\"3\"") : QString(), paint);
            break;
        case SheetShape::Circle:
            svg += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"%3\"%4/>").arg(N(r.center().x()), N(r.center().y()), N(r.width() / 2), paint);
            break;
        case SheetShape::Line:
            svg += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\"%5/>")
                       .arg(N(r.left()), N(r.top()), N(r.right()), N(r.bottom()), paint);
            break;
        case SheetShape::Text: {
            const char* anchor = s.align == SheetShape::Centre ? "middle" : s.align == SheetShape::Right ? "end" : "start";
            const double x = s.align == SheetShape::Centre ? r.center().x() : s.align == SheetShape::Right ? r.right() : r.left();
            svg += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"%3\" text-anchor=\"%4\" dominant-baseline=\"central\"%5%6>%7</text>")
                       .arg(N(x), N(r.center().y()), N(s.fontSize), QLatin1String(anchor),
                            s.bold ? QStringLiteral(" font-weight=\"bold\"") : QString(),
                            Attr("fill", s.fill.isEmpty() ? QStringLiteral("#000000") : s.fill), s.text.toHtmlEscaped());
            break;
        }
        }
    }
    return svg + QStringLiteral("</svg>");
}

}  // namespace relvane
