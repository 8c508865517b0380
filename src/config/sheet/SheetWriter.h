#pragma once
// The configuration sheet as a file: a PDF drawn with Qt's own text layout (QTextDocument) and
// PDF writer (QPdfWriter), or an HTML file. QtGui only, never QtWidgets, so the window's
// File -> "Export sheet…" and "relvane config sheet" share it and the command line runs without
// a display (offscreen). Needs a QGuiApplication.

#include "config/ConfigSheet.h"

#include <QPageSize>
#include <QSizeF>
#include <QString>
#include <QTextDocument>

#include <memory>

namespace relvane {

class ConfigModel;

enum class SheetPaper { A4, Letter };

// Letter where the system's measurement system is the US one, A4 elsewhere.
SheetPaper DefaultSheetPaper();
QPageSize SheetPageSize(SheetPaper paper);

// A sheet laid out for printing, page by page.
struct SheetDocument {
    std::unique_ptr<QTextDocument> document;
    QSizeF pageSize;       // of the text on one page, in the document's units
    double footerHeight = 0;
    int resolution = 0;    // dots per inch of the document's units
    int PageCount() const;
};

// Builds the document for the printable area of paper (15 mm margins) at resolution dpi,
// with every heading kept on the page of what follows it.
SheetDocument LayOutSheet(const ConfigModel& model, const SheetInfo& info, SheetPaper paper, int resolution = 300);

// Writes the sheet to path: HTML when the name ends in ".html" or ".htm", else PDF. The file is
// replaced only once it is whole. On failure returns false with the reason in *error.
bool ExportSheet(const ConfigModel& model, const SheetInfo& info, const QString& path, SheetPaper paper,
                 QString* error = nullptr);

}  // namespace relvane
