#pragma once

#include <QByteArray>
#include <QDomDocument>
#include <QMap>
#include <QString>
#include <QVariant>

/// A spreadsheet in the Office Open XML form (SpreadsheetML parts in a zip), made from a
/// template and filled cell by cell: what the score export needs, nothing more.
///
/// Cells are addressed by the worksheet's position in the workbook (1 = first) and either a
/// reference such as "B2" or a row and a column (both 1-based). Numbers become numeric cells,
/// texts inline strings; a cell keeps the style the template gave it, and a cell the template
/// does not have takes its row's format or else its column's, as a spreadsheet program gives
/// it to a cell typed into. Errors are reported
/// through the return values and errorString(); nothing throws.
class Workbook final
{
public:
    /// Reads a template or workbook. On failure the workbook is empty and isValid() is false.
    explicit Workbook(const QString &path);

    bool isValid() const { return m_valid; }
    QString errorString() const { return m_error; }

    int sheetCount() const { return int(m_sheetParts.size()); }
    QString sheetName(int sheet) const;

    /// Appends an empty worksheet after the last one and returns its position. The parts
    /// already there are not changed, except the lists of the package that name every part.
    /// Returns 0 (and sets errorString()) when the workbook is not valid or the name is no
    /// possible sheet name: empty, longer than 31 characters, holding one of : \ / ? * [ ],
    /// or taken by another sheet in any letter case.
    int addSheet(const QString &name);

    /// The position of the worksheet of that name (compared without regard to case), added
    /// by addSheet() after the last when there is none; 0 as addSheet() gives it.
    int ensureSheet(const QString &name);

    /// Sets a cell. value: a number (int, double...) gives a numeric cell, a string an inline
    /// string cell, an invalid QVariant empties the cell. False when the sheet does not exist or
    /// the reference is not a cell reference.
    bool setCell(int sheet, const QString &reference, const QVariant &value);
    bool setCell(int sheet, int row, int column, const QVariant &value);

    /// The value of a cell as stored: a double for numbers, a QString for texts (inline or
    /// shared), an invalid QVariant for an empty or missing cell.
    QVariant cell(int sheet, const QString &reference) const;
    QVariant cell(int sheet, int row, int column) const;

    /// Writes the workbook as an .xlsx file, atomically: either the whole file is there or the
    /// path is left as it was.
    bool save(const QString &path);

    /// "B2" for (2, 2); empty for positions outside the sheet.
    static QString reference(int row, int column);
    /// (row, column) of a reference; false when it is none.
    static bool parseReference(const QString &reference, int *row, int *column);

private:
    QDomDocument *sheetDocument(int sheet);
    const QDomDocument *sheetDocument(int sheet) const;
    QString sharedString(int index) const;

    bool m_valid = false;
    QString m_error;
    QMap<QString, QByteArray> m_parts;       // every part of the package, by name
    QString m_workbookPart;                  // the part that lists the worksheets
    QList<QString> m_sheetParts;             // part names of the worksheets, in workbook order
    QList<QString> m_sheetNames;
    mutable QMap<QString, QDomDocument> m_sheets; // parsed worksheets, written back on save
    QStringList m_sharedStrings;
};
