#pragma once
// Windows-1252, the single-byte code page of names and texts on the wire and in files.
// Decoding maps all 256 bytes (the five bytes the code page leaves undefined to U+0081, U+008D,
// U+008F, U+0090, U+009D, as Windows does), so bytes -> text -> bytes is lossless.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace relvane {

QString Cp1252ToString(QByteArrayView bytes);

// Characters the code page cannot hold become '?'; *allMapped (when given) tells whether any did.
QByteArray StringToCp1252(QStringView text, bool* allMapped = nullptr);

// Whether the character can be stored in Windows-1252 (editors refuse the others).
bool IsCp1252Char(QChar c);

}  // namespace relvane
