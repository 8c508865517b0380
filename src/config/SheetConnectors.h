#pragma once
// The module's connectors as the configuration sheet draws them: every pin with what the
// configuration puts on it (output or input by number and name, or the fixed link and auxiliary
// signals), laid out as simple shapes in points. The same shapes become inline SVG in the HTML
// sheet and QPainter strokes in the PDF, so both show one drawing.

#include <QList>
#include <QRectF>
#include <QString>

namespace relvane {

class ConfigModel;

struct ConnectorPin {
    QString pin;     // "A", "19"
    QString label;   // "Out 6 Headlight", "In 3 Ignition", "CAN High"; empty when no use is known
    QString detail;  // "15.0 A" for a high-power output; may be empty
};

struct Connector {
    int number = 0;          // 2, 3 or 4
    QString ring;            // "Red ring"
    QString ringColour;      // "#c62828"
    QList<ConnectorPin> pins;
};

// Connectors 2, 3 and 4 with the outputs and inputs of the configuration on their pins.
QList<Connector> SheetConnectors(const ConfigModel& model);

// One shape of a drawing, in points from the drawing's top left corner.
struct SheetShape {
    enum Kind { Rect, RoundRect, Circle, Line, Text };
    enum Align { Left, Centre, Right };
    Kind kind = Rect;
    QRectF rect;             // box of a rectangle, circle or text; a line runs from topLeft to bottomRight
    QString stroke;          // "#rrggbb", empty: none
    QString fill;            // "#rrggbb", empty: none
    double strokeWidth = 1;
    QString text;
    double fontSize = 8;     // points
    bool bold = false;
    Align align = Left;
};

struct SheetDrawing {
    QSizeF size;             // points
    QList<SheetShape> shapes;
};

// The drawing of a connector, width points wide: the connector body with its coloured ring,
// the pins in two columns and each pin's label beside it.
SheetDrawing DrawConnector(const Connector& connector, double width);

// The drawing as an inline SVG element (texts escaped, so names show as typed).
QString DrawingSvg(const SheetDrawing& drawing);

}  // namespace relvane
