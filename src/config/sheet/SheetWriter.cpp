#include "config/sheet/SheetWriter.h"

#include "config/ConfigModel.h"
#include "config/SheetConnectors.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextObjectInterface>

#include <map>

namespace relvane {

namespace {

constexpr int kConnectorObject = QTextFormat::UserObject + 1;
constexpr int kConnectorNumber = QTextFormat::UserProperty + 1;
constexpr double kMarginMm = 15;

// Draws the connector drawings where the HTML has their placeholders: vector shapes and real
// text in the PDF, so the labels can be searched and copied.
class ConnectorObjects final : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    ConnectorObjects(std::map<int, SheetDrawing> drawings, double scale, QObject* parent)
        : QObject(parent), drawings_(std::move(drawings)), scale_(scale)
    {
    }

    QSizeF intrinsicSize(QTextDocument*, int, const QTextFormat& format) override
    {
        const SheetDrawing* d = Find(format);
        return d ? d->size * scale_ : QSizeF(1, 1);
    }

    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int, const QTextFormat& format) override
    {
        const SheetDrawing* d = Find(format);
        if (!d)
            return;
        painter->save();
        painter->translate(rect.topLeft());
        painter->scale(scale_, scale_);
        painter->setRenderHint(QPainter::Antialiasing);
        for (const SheetShape& s : d->shapes)
            Paint(*painter, s);
        painter->restore();
    }

private:
    const SheetDrawing* Find(const QTextFormat& format) const
    {
        const auto it = drawings_.find(format.intProperty(kConnectorNumber));
        return it == drawings_.end() ? nullptr : &it->second;
    }

    static void Paint(QPainter& p, const SheetShape& s)
    {
        p.setPen(s.stroke.isEmpty() ? QPen(Qt::NoPen) : QPen(QColor(s.stroke), s.strokeWidth));
        p.setBrush(s.fill.isEmpty() ? QBrush(Qt::NoBrush) : QBrush(QColor(s.fill)));
        switch (s.kind) {
        case SheetShape::Rect: p.drawRect(s.rect); break;
        case SheetShape::RoundRect: p.drawRoundedRect(s.rect, 3, 3); break;
        case SheetShape::Circle: p.drawEllipse(s.rect); break;
        case SheetShape::Line: p.drawLine(s.rect.topLeft(), s.rect.bottomRight()); break;
        case SheetShape::Text: {
            // The painter is scaled to points: a pixel size keeps the font in them, and a tenth
            // of a point as the unit keeps sizes like 6.5 points.
            QFont f(QStringLiteral("DejaVu Sans"));
            f.setPixelSize(qMax(1, qRound(s.fontSize * 10)));
            f.setBold(s.bold);
            p.save();
            p.scale(0.1, 0.1);
            p.setFont(f);
            p.setPen(QColor(s.fill.isEmpty() ? QStringLiteral("#000000") : s.fill));
            const QRectF r(s.rect.topLeft() * 10, s.rect.size() * 10);
            const Qt::Alignment h = s.align == SheetShape::Centre ? Qt::AlignHCenter : s.align == SheetShape::Right ? Qt::AlignRight : Qt::AlignLeft;
            p.drawText(r, int(h | Qt::AlignVCenter | Qt::TextSingleLine), p.fontMetrics().elidedText(s.text, Qt::ElideRight, int(r.width())));
            p.restore();
            break;
        }
        }
    }

    std::map<int, SheetDrawing> drawings_;
    double scale_;
};

// Turns each connector placeholder image into a drawn object.
void PlaceConnectors(QTextDocument& doc)
{
    struct Spot {
        int position;
        int length;
        int number;
    };
    QList<Spot> spots;
    const QString scheme = QLatin1String(kConnectorImageScheme) + QLatin1Char(':');
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat cf = f.charFormat();
            if (cf.isImageFormat() && cf.toImageFormat().name().startsWith(scheme))
                spots.append({f.position(), f.length(), cf.toImageFormat().name().mid(scheme.size()).toInt()});
        }
    }
    for (const Spot& s : spots) {
        QTextCursor c(&doc);
        c.setPosition(s.position);
        c.setPosition(s.position + s.length, QTextCursor::KeepAnchor);
        QTextCharFormat f;
        f.setObjectType(kConnectorObject);
        f.setProperty(kConnectorNumber, s.number);
        c.setCharFormat(f);
    }
}

// A heading at the foot of a page moves to the next one, with what it heads.
void KeepHeadingsWithText(QTextDocument& doc, double pageHeight, double keep)
{
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (b.blockFormat().headingLevel() < 2)
            continue;
        const QRectF r = doc.documentLayout()->blockBoundingRect(b);
        const double onPage = r.top() - std::floor(r.top() / pageHeight) * pageHeight;
        if (onPage > 0 && onPage + r.height() + keep > pageHeight) {
            QTextBlockFormat f;
            f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            QTextCursor(b).mergeBlockFormat(f);
        }
    }
}

QString FooterText(const SheetInfo& info, int page, int pages)
{
    QString what = info.fileName.isEmpty() ? QString() : info.fileName + QStringLiteral(" · ");
    return QStringLiteral("Relvane configuration sheet · %1%2 · page %3 of %4")
        .arg(what, info.created.toString(QStringLiteral("yyyy-MM-dd HH:mm")))
        .arg(page)
        .arg(pages);
}

}  // namespace

SheetPaper DefaultSheetPaper()
{
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? SheetPaper::Letter : SheetPaper::A4;
}

QPageSize SheetPageSize(SheetPaper paper)
{
    return QPageSize(paper == SheetPaper::Letter ? QPageSize::Letter : QPageSize::A4);
}

int SheetDocument::PageCount() const
{
    return document ? document->pageCount() : 0;
}

SheetDocument LayOutSheet(const ConfigModel& model, const SheetInfo& info, SheetPaper paper, int resolution)
{
    SheetDocument s;
    s.resolution = resolution;
    const QPageLayout layout(SheetPageSize(paper), QPageLayout::Portrait, QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                             QPageLayout::Millimeter);
    const QRectF points = layout.paintRect(QPageLayout::Point);
    const double scale = resolution / 72.0;

    s.document = std::make_unique<QTextDocument>();
    QTextDocument& doc = *s.document;
    doc.setUndoRedoEnabled(false);
    // Layout in units of 1/resolution inch; fonts keep their point sizes.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(8);
    doc.setDefaultFont(font);
    doc.setDocumentMargin(0);
    s.footerHeight = 16 * scale;
    s.pageSize = QSizeF(points.width() * scale, points.height() * scale - s.footerHeight);
    doc.setPageSize(s.pageSize);

    std::map<int, SheetDrawing> drawings;
    for (const Connector& c : SheetConnectors(model))
        drawings.emplace(c.number, DrawConnector(c, points.width()));
    auto* objects = new ConnectorObjects(std::move(drawings), scale, &doc);
    doc.documentLayout()->registerHandler(kConnectorObject, objects);

    doc.setHtml(BuildSheetHtml(model, info, SheetDrawings::ObjectImages, points.width()));
    PlaceConnectors(doc);
    // Fonts are given in points: a layout at the PDF's resolution scales them with it.
    QBuffer nowhere;
    QPdfWriter metrics(&nowhere);
    metrics.setResolution(resolution);
    doc.documentLayout()->setPaintDevice(&metrics);
    doc.setPageSize(s.pageSize);
    KeepHeadingsWithText(doc, s.pageSize.height(), 60 * scale);
    doc.documentLayout()->setPaintDevice(nullptr);
    return s;
}

bool ExportSheet(const ConfigModel& model, const SheetInfo& info, const QString& path, SheetPaper paper, QString* error)
{
    const auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    const QString full = QFileInfo(path).absoluteFilePath();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("Unable to create file: '%1'").arg(full));
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm")) {
        // As wide as the PDF's text, so both show the drawings alike.
        const QRectF points = QPageLayout(SheetPageSize(paper), QPageLayout::Portrait,
                                          QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter)
                                  .paintRect(QPageLayout::Point);
        file.write(BuildSheetHtml(model, info, SheetDrawings::InlineSvg, points.width()).toUtf8());
    } else {
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return fail(QStringLiteral("A PDF sheet needs the graphical application object"));
        SheetDocument sheet = LayOutSheet(model, info, paper);
        QPdfWriter writer(&file);
        writer.setResolution(sheet.resolution);
        writer.setPageLayout(QPageLayout(SheetPageSize(paper), QPageLayout::Portrait,
                                         QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter));
        writer.setTitle(QStringLiteral("Relvane configuration sheet"));
        writer.setCreator(QStringLiteral("Relvane Tool ") + info.toolVersion);
        QTextDocument& doc = *sheet.document;
        doc.documentLayout()->setPaintDevice(&writer);
        doc.setPageSize(sheet.pageSize);
        QPainter painter;
        if (!painter.begin(&writer))
            return fail(QStringLiteral("Unable to write to %1").arg(full));
        const int pages = doc.pageCount();
        const double height = sheet.pageSize.height();
        QFont footer(QStringLiteral("DejaVu Sans"));
        footer.setPointSizeF(7);
        for (int page = 0; page < pages; ++page) {
            if (page > 0)
                writer.newPage();
            painter.save();
            painter.translate(0, -page * height);
            QAbstractTextDocumentLayout::PaintContext context;
            context.clip = QRectF(0, page * height, sheet.pageSize.width(), height);
            context.palette.setColor(QPalette::Text, Qt::black);
            painter.setClipRect(context.clip);
            doc.documentLayout()->draw(&painter, context);
            painter.restore();
            painter.setFont(footer);
            painter.setPen(QColor(0x50, 0x50, 0x50));
            painter.drawText(QRectF(0, height, sheet.pageSize.width(), sheet.footerHeight), int(Qt::AlignRight | Qt::AlignBottom),
                             FooterText(info, page + 1, pages));
        }
        painter.end();
        doc.documentLayout()->setPaintDevice(nullptr);
    }
    if (file.error() != QFileDevice::NoError || !file.commit())
        return fail(QStringLiteral("Unable to write to %1").arg(full));
    return true;
}

}  // namespace relvane

#include "SheetWriter.moc"
