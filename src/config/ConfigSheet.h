#pragma once
// The configuration sheet: the document a person prints for building the harness and for the
// job file. This is its content as HTML (plain text work, so any configuration the file reader
// takes can be turned into a sheet without a display); config/sheet draws it into a PDF with
// Qt's own text layout and PDF writer, or writes it as an HTML file.

#include <QDateTime>
#include <QString>

namespace relvane {

class ConfigModel;

struct SheetInfo {
    QString fileName;      // the configuration file's name, or empty (read from a module)
    QDateTime created;     // the date printed in the header
    QString toolVersion;   // "9.08"
};

// How the connector drawings appear in the HTML.
enum class SheetDrawings {
    InlineSvg,      // inline <svg> elements: an HTML file for a browser
    ObjectImages,   // <img src="relvane-connector:N" width=.. height=..>: replaced by drawn objects in the PDF
};

// The URL scheme of the connector placeholders; the number after the colon is the connector.
inline constexpr char kConnectorImageScheme[] = "relvane-connector";

// The whole sheet. textWidth is the width in points the drawings are made for.
QString BuildSheetHtml(const ConfigModel& model, const SheetInfo& info, SheetDrawings drawings, double textWidth);

// The checksum printed in the header: the first 16 hexadecimal digits of the SHA-256 of the
// configuration as a file holds it (with '.' as the decimal point), in groups of four. Two
// configurations with the same settings have the same checksum; the box name is not part of it.
QString ConfigChecksum(const ConfigModel& model);

}  // namespace relvane
