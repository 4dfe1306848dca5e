#include "workbook.h"

#include "files.h"

#include <QBuffer>
#include <QLocale>

#include <algorithm>
#include <charconv>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

namespace {

const QString TemplateMainType = QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml");
const QString WorkbookMainType = QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml");

/// Resolves a relationship target against the folder of the part that owns the relationship.
QString resolveTarget(const QString &ownerPart, const QString &target)
{
    if (target.startsWith(u'/'))
        return target.mid(1);
    QString base = ownerPart.contains(u'/') ? ownerPart.left(ownerPart.lastIndexOf(u'/') + 1) : QString();
    QStringList parts = (base + target).split(u'/');
    QStringList out;
    for (const QString &p : parts) {
        if (p == QLatin1String(".."))
            out.removeLast();
        else if (p != QLatin1String(".") && !p.isEmpty())
            out.append(p);
    }
    return out.join(u'/');
}

QString relsPartOf(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

/// Relationship id -> (type, resolved target) of a part.
QMap<QString, QPair<QString, QString>> relationships(const QMap<QString, QByteArray> &parts, const QString &ownerPart)
{
    QMap<QString, QPair<QString, QString>> result;
    QDomDocument doc;
    if (!doc.setContent(parts.value(relsPartOf(ownerPart))))
        return result;
    const QDomNodeList list = doc.elementsByTagName(QStringLiteral("Relationship"));
    for (int i = 0; i < list.size(); ++i) {
        const QDomElement r = list.at(i).toElement();
        result.insert(r.attribute(QStringLiteral("Id")),
                      {r.attribute(QStringLiteral("Type")), resolveTarget(ownerPart, r.attribute(QStringLiteral("Target")))});
    }
    return result;
}

bool isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

QString numberText(const QVariant &value)
{
    // The shortest text that reads back as the same double, so that a time such as 10 minutes
    // (1/144 of a day) comes back exactly.
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return QString::number(value.value<double>(), 'g', QLocale::FloatingPointShortest);
    return QString::number(value.toLongLong());
}

/// The column of a cell element; 0 when its reference is missing or no cell reference.
int columnOf(const QDomElement &cell)
{
    int row = 0;
    int column = 0;
    return Workbook::parseReference(cell.attribute(QStringLiteral("r")), &row, &column) ? column : 0;
}

/// The style a new cell takes, as a spreadsheet program gives it to a cell typed into: the
/// row's when the row has a format of its own, else its column's. Empty for the default.
QString defaultStyle(const QDomElement &worksheet, const QDomElement &row, int column)
{
    const QString rowFormat = row.attribute(QStringLiteral("customFormat"));
    if (rowFormat == QLatin1String("1") || rowFormat == QLatin1String("true"))
        return row.attribute(QStringLiteral("s"));
    const QDomElement cols = worksheet.firstChildElement(QStringLiteral("cols"));
    for (QDomElement col = cols.firstChildElement(QStringLiteral("col")); !col.isNull();
         col = col.nextSiblingElement(QStringLiteral("col"))) {
        const int min = col.attribute(QStringLiteral("min")).toInt();
        const int max = col.attribute(QStringLiteral("max")).toInt();
        if (min <= column && column <= max)
            return col.attribute(QStringLiteral("style"));
    }
    return {};
}

QString allText(const QDomElement &e)
{
    // Text of a shared or inline string: every <t> below it, rich-text runs included.
    QString text;
    const QDomNodeList ts = e.elementsByTagName(QStringLiteral("t"));
    for (int i = 0; i < ts.size(); ++i)
        text += ts.at(i).toElement().text();
    return text;
}

} // namespace

Workbook::Workbook(const QString &path)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip)) {
        m_error = QStringLiteral("%1 is missing or is not a spreadsheet package.").arg(path);
        return;
    }
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::ReadOnly)) {
            m_error = QStringLiteral("%1 is damaged.").arg(path);
            return;
        }
        m_parts.insert(zip.getCurrentFileName(), file.readAll());
    }
    if (zip.getZipError() != UNZ_OK) {
        m_error = QStringLiteral("%1 is damaged.").arg(path);
        return;
    }

    QString workbookPart = QStringLiteral("xl/workbook.xml");
    for (const auto &[type, target] : relationships(m_parts, QString()).values()) {
        if (type.endsWith(QLatin1String("/officeDocument")))
            workbookPart = target;
    }
    m_workbookPart = workbookPart;
    QDomDocument workbook;
    if (!workbook.setContent(m_parts.value(workbookPart))) {
        m_error = QStringLiteral("%1 holds no workbook.").arg(path);
        return;
    }
    m_workbookPart = workbookPart;
    const auto rels = relationships(m_parts, workbookPart);
    const QDomNodeList sheets = workbook.elementsByTagName(QStringLiteral("sheet"));
    for (int i = 0; i < sheets.size(); ++i) {
        const QDomElement s = sheets.at(i).toElement();
        const QString id = s.attribute(QStringLiteral("r:id"));
        const QString part = rels.value(id).second;
        if (part.isEmpty() || !m_parts.contains(part)) {
            m_error = QStringLiteral("%1: worksheet %2 is missing.").arg(path, s.attribute(QStringLiteral("name")));
            return;
        }
        m_sheetParts.append(part);
        m_sheetNames.append(s.attribute(QStringLiteral("name")));
    }
    for (const auto &[type, target] : rels.values()) {
        if (type.endsWith(QLatin1String("/sharedStrings"))) {
            QDomDocument strings;
            if (strings.setContent(m_parts.value(target))) {
                const QDomNodeList items = strings.elementsByTagName(QStringLiteral("si"));
                for (int i = 0; i < items.size(); ++i)
                    m_sharedStrings.append(allText(items.at(i).toElement()));
            }
        }
    }
    if (m_sheetParts.isEmpty()) {
        m_error = QStringLiteral("%1 holds no worksheet.").arg(path);
        return;
    }
    m_valid = true;
}

QString Workbook::sheetName(int sheet) const
{
    return sheet >= 1 && sheet <= sheetCount() ? m_sheetNames.at(sheet - 1) : QString();
}

int Workbook::ensureSheet(const QString &name)
{
    for (int i = 0; i < sheetCount(); ++i) {
        if (m_sheetNames.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i + 1;
    }
    return addSheet(name);
}

int Workbook::addSheet(const QString &name)
{
    if (!m_valid) {
        m_error = QStringLiteral("There is no workbook to add a sheet to.");
        return 0;
    }
    static const QString refused = QStringLiteral(":\\/?*[]");
    const bool badName = name.trimmed().isEmpty() || name.size() > 31 ||
                         std::any_of(name.begin(), name.end(), [](QChar c) { return refused.contains(c); }) ||
                         std::any_of(m_sheetNames.begin(), m_sheetNames.end(), [&](const QString &n) {
                             return n.compare(name, Qt::CaseInsensitive) == 0;
                         });
    if (badName) {
        m_error = QStringLiteral("%1 cannot name a new worksheet.").arg(name);
        return 0;
    }
    const QString base = m_workbookPart.left(m_workbookPart.lastIndexOf(u'/') + 1);
    QString part;
    for (int n = sheetCount() + 1; part.isEmpty() || m_parts.contains(part); ++n)
        part = base + QStringLiteral("worksheets/sheet%1.xml").arg(n);

    const QString relsPart = relsPartOf(m_workbookPart);
    QDomDocument rels;
    QDomDocument workbook;
    QDomDocument types;
    if (!rels.setContent(m_parts.value(relsPart)) || !workbook.setContent(m_parts.value(m_workbookPart)) ||
        !types.setContent(m_parts.value(QStringLiteral("[Content_Types].xml")))) {
        m_error = QStringLiteral("The workbook's lists of parts cannot be read.");
        return 0;
    }
    const auto ids = relationships(m_parts, m_workbookPart);
    QString id;
    for (int n = int(ids.size()) + 1; id.isEmpty() || ids.contains(id); ++n)
        id = QStringLiteral("rId%1").arg(n);
    QDomElement relation = rels.createElement(QStringLiteral("Relationship"));
    relation.setAttribute(QStringLiteral("Id"), id);
    relation.setAttribute(QStringLiteral("Type"),
                          QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet"));
    relation.setAttribute(QStringLiteral("Target"), part.mid(base.size()));
    rels.documentElement().appendChild(relation);

    QDomElement root = workbook.documentElement();
    QDomElement sheets = root.firstChildElement(QStringLiteral("sheets"));
    int sheetId = 0;
    for (QDomElement s = sheets.firstChildElement(QStringLiteral("sheet")); !s.isNull();
         s = s.nextSiblingElement(QStringLiteral("sheet")))
        sheetId = qMax(sheetId, s.attribute(QStringLiteral("sheetId")).toInt());
    const QString relNamespace = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
    if (!root.hasAttribute(QStringLiteral("xmlns:r")))
        root.setAttribute(QStringLiteral("xmlns:r"), relNamespace);
    QDomElement sheet = workbook.createElement(QStringLiteral("sheet"));
    sheet.setAttribute(QStringLiteral("name"), name);
    sheet.setAttribute(QStringLiteral("sheetId"), sheetId + 1);
    sheet.setAttribute(QStringLiteral("r:id"), id);
    sheets.appendChild(sheet);

    QDomElement override = types.createElement(QStringLiteral("Override"));
    override.setAttribute(QStringLiteral("PartName"), u'/' + part);
    override.setAttribute(QStringLiteral("ContentType"),
                          QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"));
    types.documentElement().appendChild(override);

    m_parts.insert(part, QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                                           "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/"
                                           "main\"><sheetData/></worksheet>"));
    m_parts.insert(relsPart, rels.toByteArray(-1));
    m_parts.insert(m_workbookPart, workbook.toByteArray(-1));
    m_parts.insert(QStringLiteral("[Content_Types].xml"), types.toByteArray(-1));
    m_sheetParts.append(part);
    m_sheetNames.append(name);
    return sheetCount();
}

QString Workbook::reference(int row, int column)
{
    if (row < 1 || row > 1048576 || column < 1 || column > 16384)
        return {};
    QString letters;
    for (int c = column; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row);
}

bool Workbook::parseReference(const QString &reference, int *row, int *column)
{
    int c = 0;
    qsizetype i = 0;
    const QString ref = reference.trimmed().toUpper().remove(u'$');
    while (i < ref.size() && ref.at(i) >= u'A' && ref.at(i) <= u'Z' && i < 3)
        c = c * 26 + (ref.at(i++).unicode() - u'A' + 1);
    bool ok = false;
    const int r = ref.mid(i).toInt(&ok);
    if (i == 0 || !ok || r < 1 || r > 1048576 || c > 16384 || ref.mid(i).startsWith(u'+'))
        return false;
    *row = r;
    *column = c;
    return true;
}

const QDomDocument *Workbook::sheetDocument(int sheet) const
{
    if (!m_valid || sheet < 1 || sheet > sheetCount())
        return nullptr;
    const QString part = m_sheetParts.at(sheet - 1);
    auto it = m_sheets.find(part);
    if (it == m_sheets.end()) {
        QDomDocument doc;
        // Without namespace processing new elements take the sheet's default namespace.
        if (!doc.setContent(m_parts.value(part), false))
            return nullptr;
        it = m_sheets.insert(part, doc);
    }
    return &it.value();
}

QDomDocument *Workbook::sheetDocument(int sheet)
{
    return const_cast<QDomDocument *>(std::as_const(*this).sheetDocument(sheet));
}

bool Workbook::setCell(int sheet, const QString &ref, const QVariant &value)
{
    int row = 0;
    int column = 0;
    return parseReference(ref, &row, &column) && setCell(sheet, row, column, value);
}

bool Workbook::setCell(int sheet, int row, int column, const QVariant &value)
{
    QDomDocument *doc = sheetDocument(sheet);
    const QString ref = reference(row, column);
    if (!doc || ref.isEmpty())
        return false;
    QDomElement root = doc->documentElement();
    QDomElement data = root.firstChildElement(QStringLiteral("sheetData"));
    if (data.isNull()) {
        data = doc->createElement(QStringLiteral("sheetData"));
        root.appendChild(data);
    }
    // Rows and cells stay in ascending order, as spreadsheet programs require. A table is
    // filled row by row, left to right, so the search starts at the last row and cell when it
    // can: filling a large table does not walk the whole sheet for every cell.
    QDomElement rowElement;
    QDomElement r = data.lastChildElement(QStringLiteral("row"));
    if (r.isNull() || r.attribute(QStringLiteral("r")).toInt() > row)
        r = data.firstChildElement(QStringLiteral("row"));
    for (; !r.isNull(); r = r.nextSiblingElement(QStringLiteral("row"))) {
        const int n = r.attribute(QStringLiteral("r")).toInt();
        if (n == row) {
            rowElement = r;
            break;
        }
        if (n > row) {
            rowElement = doc->createElement(QStringLiteral("row"));
            rowElement.setAttribute(QStringLiteral("r"), row);
            data.insertBefore(rowElement, r);
            break;
        }
    }
    if (rowElement.isNull()) {
        rowElement = doc->createElement(QStringLiteral("row"));
        rowElement.setAttribute(QStringLiteral("r"), row);
        data.appendChild(rowElement);
    }
    QDomElement cellElement;
    bool newCell = false;
    QDomElement c = rowElement.lastChildElement(QStringLiteral("c"));
    if (const int last = columnOf(c); last == 0 || last > column)
        c = rowElement.firstChildElement(QStringLiteral("c"));
    for (; !c.isNull(); c = c.nextSiblingElement(QStringLiteral("c"))) {
        const int col = columnOf(c);
        if (col == 0)
            continue;
        if (col == column) {
            cellElement = c;
            break;
        }
        if (col > column) {
            cellElement = doc->createElement(QStringLiteral("c"));
            rowElement.insertBefore(cellElement, c);
            newCell = true;
            break;
        }
    }
    if (cellElement.isNull()) {
        cellElement = doc->createElement(QStringLiteral("c"));
        rowElement.appendChild(cellElement);
        newCell = true;
    }
    if (newCell) {
        const QString style = defaultStyle(root, rowElement, column);
        if (!style.isEmpty())
            cellElement.setAttribute(QStringLiteral("s"), style);
    }
    cellElement.setAttribute(QStringLiteral("r"), ref);
    cellElement.removeAttribute(QStringLiteral("t"));
    while (!cellElement.firstChild().isNull())
        cellElement.removeChild(cellElement.firstChild());
    if (!value.isValid() || value.isNull())
        return true;
    if (isNumber(value)) {
        QDomElement v = doc->createElement(QStringLiteral("v"));
        v.appendChild(doc->createTextNode(numberText(value)));
        cellElement.appendChild(v);
    } else {
        cellElement.setAttribute(QStringLiteral("t"), QStringLiteral("inlineStr"));
        QDomElement is = doc->createElement(QStringLiteral("is"));
        QDomElement t = doc->createElement(QStringLiteral("t"));
        t.setAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        t.appendChild(doc->createTextNode(value.toString()));
        is.appendChild(t);
        cellElement.appendChild(is);
    }
    return true;
}

QVariant Workbook::cell(int sheet, const QString &ref) const
{
    int row = 0;
    int column = 0;
    if (!parseReference(ref, &row, &column))
        return {};
    return cell(sheet, row, column);
}

QString Workbook::sharedString(int index) const
{
    return index >= 0 && index < m_sharedStrings.size() ? m_sharedStrings.at(index) : QString();
}

QVariant Workbook::cell(int sheet, int row, int column) const
{
    const QDomDocument *doc = sheetDocument(sheet);
    const QString ref = reference(row, column);
    if (!doc || ref.isEmpty())
        return {};
    const QDomNodeList cells = doc->elementsByTagName(QStringLiteral("c"));
    for (int i = 0; i < cells.size(); ++i) {
        const QDomElement c = cells.at(i).toElement();
        if (c.attribute(QStringLiteral("r")).compare(ref, Qt::CaseInsensitive) != 0)
            continue;
        const QString type = c.attribute(QStringLiteral("t"));
        if (type == QLatin1String("inlineStr"))
            return allText(c.firstChildElement(QStringLiteral("is")));
        const QDomElement v = c.firstChildElement(QStringLiteral("v"));
        if (v.isNull())
            return {};
        if (type == QLatin1String("s"))
            return sharedString(v.text().toInt());
        if (type == QLatin1String("str"))
            return v.text();
        // Cell values are written in the C locale's number form.
        const QByteArray text = v.text().trimmed().toLatin1();
        double number = 0;
        const auto [end, error] = std::from_chars(text.constData(), text.constData() + text.size(), number);
        const bool whole = error == std::errc() && end == text.constData() + text.size() && !text.isEmpty();
        return whole ? QVariant(number) : QVariant(v.text());
    }
    return {};
}

bool Workbook::save(const QString &path)
{
    if (!m_valid) {
        m_error = QStringLiteral("There is no workbook to save.");
        return false;
    }
    QMap<QString, QByteArray> parts = m_parts;
    for (auto it = m_sheets.cbegin(); it != m_sheets.cend(); ++it)
        parts.insert(it.key(), it.value().toByteArray(-1));
    // A workbook made from a template is a workbook, not another template.
    const QString types = QStringLiteral("[Content_Types].xml");
    parts[types] = QString::fromUtf8(parts.value(types)).replace(TemplateMainType, WorkbookMainType).toUtf8();
    // Spreadsheet programs recalculate on opening; a stale chain of formulas would be refused.
    parts.remove(QStringLiteral("xl/calcChain.xml"));

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QuaZip zip(&buffer);
        if (!zip.open(QuaZip::mdCreate)) {
            m_error = QStringLiteral("The workbook could not be packed.");
            return false;
        }
        // [Content_Types].xml first, as office programs expect.
        QStringList names = parts.keys();
        names.removeAll(types);
        names.prepend(types);
        for (const QString &name : names) {
            QuaZipFile file(&zip);
            if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(name)) || file.write(parts.value(name)) != parts.value(name).size()) {
                m_error = QStringLiteral("The workbook could not be packed.");
                return false;
            }
            file.close();
        }
        zip.close();
        if (zip.getZipError() != ZIP_OK) {
            m_error = QStringLiteral("The workbook could not be packed.");
            return false;
        }
    }
    if (!files::writeAtomically(path, buffer.data())) {
        m_error = QStringLiteral("%1 could not be written.").arg(path);
        return false;
    }
    return true;
}
