#pragma once
// The EEPROM tool's test class, in two files: reading and writing the module
// (test_eeprom.cpp), and the grid's editor with the files (test_eeprom_files.cpp).

#include "tools/EepromBuffer.h"

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QStringList>

inline QString RowText(const relvane::EepromBuffer& b, int row) {
    QStringList cells;
    for (int c = 1; c <= 16; ++c) cells.append(b.cell(row, c));
    return cells.join(QLatin1Char(' '));
}

// A file with these bytes, as another program left it.
inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

class TestEeprom : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Reading and writing the module.
    void shownGrid();
    void readWholeDefaultRange();
    void progressAlongTheWay();
    void shortRangeGoesOn();
    void rangeNotMultipleOf16Ends_data();
    void rangeNotMultipleOf16Ends();
    void refusedRanges_data();
    void refusedRanges();
    void addressFieldThatIsNoNumber();
    void replyForOtherAddressFillsItsOwnCells();
    void repeatedReplyCountsOnce();
    void replyWhileIdleOrWritingSendsNothing();
    void unalignedReplySpansTwoRows();
    void replyBeyondTheGridIsBounded();
    void replyIntoEmptyRowGivesWholeRow();
    void writeRequestCarriesGridCells();
    void writeWithBadCellEndsCleanly();
    void writeRefusesCellThatIsNoByte_data();
    void writeRefusesCellThatIsNoByte();
    void timeoutRestoresButtons();
    void badFramesIgnored_data();
    void badFramesIgnored();

    // The grid's editor, and the files.
    void cellEditor_data();
    void cellEditor();
    void typingShiftsDigitsIn();
    void addressAndAsciiColumnsAreNotEdited();
    void asciiColumn_data();
    void asciiColumn();
    void fill_data();
    void fill();
    void textLineFormat();
    void saveThenLoadTwoRows();
    void overwriteQuestion_data();
    void overwriteQuestion();
    void saveWithBadFieldLeavesFileAlone();
    void fileErrors();
    void rawFile32Bytes();
    void rawFileShorterRowAndTooLarge();
    void textLines_data();
    void textLines();
    void textLoadStopsAtByteThatIsNoNumber_data();
    void textLoadStopsAtByteThatIsNoNumber();
    void textFileSkipsOtherLines();
    void otherExtensionLoadsNothing();
};
