#include "paperprint.h"

#include "numbers.h"
#include "prompt.h"
#include "rtf/rtf.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <QTextTable>

#include <algorithm>
#include <memory>
#include <vector>

#if defined(__GLIBC__)
#include <langinfo.h>
#endif

namespace paperprint {
namespace {

// The documents are laid out at the screen's 96 dots per inch, so that a picture shows at the
// size the editor gives it, and painted scaled to the PDF's resolution.
constexpr double LayoutDpi = 96.0;
constexpr int PdfDpi = 300;
constexpr double MarginMm = 18.0;
constexpr double BodyPoints = 11.0;
// Room between two questions, and for the page number under the text, in layout pixels.
constexpr double QuestionGap = 14.0;
constexpr double FooterHeight = 28.0;
constexpr int GridColumns = 10;

using Document = std::unique_ptr<QTextDocument>;

Document newDocument(double width)
{
    auto document = std::make_unique<QTextDocument>();
    QFont font = document->defaultFont();
    font.setPointSizeF(BodyPoints);
    document->setDefaultFont(font);
    document->setDocumentMargin(0);
    document->setTextWidth(width);
    return document;
}

QTextCharFormat bold(double points = BodyPoints)
{
    QTextCharFormat format;
    format.setFontWeight(QFont::Bold);
    format.setFontPointSize(points);
    return format;
}

QTextCharFormat plain()
{
    QTextCharFormat format;
    format.setFontPointSize(BodyPoints);
    return format;
}

/// Appends the content of an RTF file, pictures included, after a line with heading when
/// there is one. Nothing, and false, when the file is missing or empty.
bool appendRtf(QTextCursor &cursor, const QString &path, const QString &heading = {})
{
    if (path.isEmpty())
        return false;
    QTextDocument source;
    if (!rtf::loadFile(path, source) || source.isEmpty())
        return false;
    cursor.insertBlock();
    if (!heading.isEmpty()) {
        cursor.insertText(heading, bold());
        cursor.insertBlock();
    }
    cursor.insertFragment(QTextDocumentFragment(&source));
    rtf::copyPictures(source, source, *cursor.document());
    return true;
}

QString marksText(double mark)
{
    const QString number = QLocale::c().toString(mark, 'g', 6);
    return mark == 1 ? QStringLiteral("(1 point)") : QStringLiteral("(%1 points)").arg(number);
}

Document headerDocument(const Header &header, const paper::QuestionTable &questions, Copy copy, double width)
{
    Document document = newDocument(width);
    QTextCursor cursor(document.get());
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.setBlockFormat(centred);
    cursor.insertText(header.paperName, bold(18));
    if (copy == Copy::Teacher) {
        cursor.insertBlock(centred);
        QTextCharFormat note = plain();
        note.setFontItalic(true);
        cursor.insertText(QStringLiteral("Teacher copy: with the answer key and the explanations"), note);
    }
    QTextBlockFormat spaced;
    spaced.setTopMargin(14);
    cursor.insertBlock(spaced);
    QStringList facts;
    if (!header.testTime.trimmed().isEmpty())
        facts << QStringLiteral("Time: %1 minutes").arg(header.testTime.trimmed());
    facts << QStringLiteral("Questions: %1").arg(questions.count());
    if (!header.fullMark.trimmed().isEmpty())
        facts << QStringLiteral("Full mark: %1").arg(header.fullMark.trimmed());
    cursor.insertText(facts.join(QStringLiteral("        ")), plain());
    if (copy == Copy::Student) {
        QTextBlockFormat lines;
        lines.setTopMargin(18);
        lines.setBottomMargin(10);
        cursor.insertBlock(lines);
        cursor.insertText(QStringLiteral("Name: ______________________    Number: ____________    "
                                         "Class: ______________"),
                          plain());
    }
    return document;
}

Document questionDocument(const Header &header, const paper::QuestionTable &questions, int number, Copy copy,
                          double width)
{
    const paper::Question &question = questions.questions.at(number - 1);
    Document document = newDocument(width);
    QTextCursor cursor(document.get());
    cursor.insertText(QStringLiteral("%1. ").arg(number), bold());
    cursor.insertText(marksText(paper::effectiveMark(question, questions.defaultMark)), plain());
    appendRtf(cursor, paper::rtfPath(header.paperName, question.questionFile));
    if (copy == Copy::Teacher) {
        QTextBlockFormat spaced;
        spaced.setTopMargin(6);
        cursor.movePosition(QTextCursor::End);
        cursor.insertBlock(spaced);
        const QString key = keyLetters(question.answer);
        cursor.insertText(QStringLiteral("Answer: "), bold());
        cursor.insertText(key.isEmpty() ? QStringLiteral("(none)") : key, plain());
        appendRtf(cursor, paper::rtfPath(header.paperName, question.explainFile), QStringLiteral("Explanation:"));
    }
    return document;
}

Document gridDocument(const paper::QuestionTable &questions, double width)
{
    Document document = newDocument(width);
    QTextCursor cursor(document.get());
    cursor.insertText(QStringLiteral("Answer key"), bold(13));
    const int count = questions.count();
    if (count <= 0)
        return document;
    const int columns = std::min(GridColumns, count);
    const int groups = (count + columns - 1) / columns;
    QTextTableFormat format;
    format.setCellPadding(4);
    format.setCellSpacing(0);
    format.setBorder(0.5);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setTopMargin(8);
    QTextTable *table = cursor.insertTable(groups * 2, columns, format);
    for (int i = 0; i < count; ++i) {
        const int row = (i / columns) * 2;
        const int column = i % columns;
        QTextCursor number = table->cellAt(row, column).firstCursorPosition();
        number.insertText(QString::number(i + 1), bold());
        QTextCursor key = table->cellAt(row + 1, column).firstCursorPosition();
        const QString letters = keyLetters(questions.questions.at(i).answer);
        key.insertText(letters.isEmpty() ? QStringLiteral("-") : letters, plain());
    }
    return document;
}

/// The largest bottom, at most limit, at which the document can be cut between two lines.
/// A single line taller than the room left is cut where the room ends.
double cutPoint(const QTextDocument &document, double from, double limit)
{
    double best = from;
    QAbstractTextDocumentLayout *layout = document.documentLayout();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QRectF box = layout->blockBoundingRect(block);
        if (box.top() > limit)
            break;
        const QTextLayout *lines = block.layout();
        for (int i = 0; lines && i < lines->lineCount(); ++i) {
            const double bottom = box.top() + lines->lineAt(i).rect().bottom();
            if (bottom <= limit && bottom > best)
                best = bottom;
        }
    }
    return best > from ? best : limit;
}

struct Placement
{
    QTextDocument *document;
    int page;
    double y;      ///< top on the page
    double top;    ///< the part of the document shown
    double bottom;
};

std::vector<Placement> paginate(const std::vector<Document> &documents, double pageHeight)
{
    std::vector<Placement> placed;
    int page = 0;
    double y = 0;
    for (const Document &document : documents) {
        const double height = document->size().height();
        if (y > 0 && y + height > pageHeight && height <= pageHeight) {
            // It fits on a page of its own: it starts one rather than being split.
            ++page;
            y = 0;
        }
        double top = 0;
        while (top < height) {
            if (y >= pageHeight - 1) {
                ++page;
                y = 0;
            }
            const double room = pageHeight - y;
            const double bottom = height - top <= room ? height : cutPoint(*document, top, top + room);
            placed.push_back({document.get(), page, y, top, bottom});
            y += bottom - top;
            top = bottom;
        }
        y += QuestionGap;
    }
    return placed;
}

} // namespace

Header headerOf(const papers::PaperRow &row)
{
    return {row[papers::NameColumn].trimmed(), row[papers::TestTimeColumn], row[papers::FullMarkColumn]};
}

QPageSize::PageSizeId systemPageSize()
{
#if defined(__GLIBC__) && defined(_NL_PAPER_HEIGHT)
    // The system's own paper setting, as printing programs of this desktop take it.
    const auto height = unsigned(reinterpret_cast<uintptr_t>(nl_langinfo(_NL_PAPER_HEIGHT)));
    const auto width = unsigned(reinterpret_cast<uintptr_t>(nl_langinfo(_NL_PAPER_WIDTH)));
    if (height == 279 && width == 216)
        return QPageSize::Letter;
    if (height == 297 && width == 210 && qEnvironmentVariableIsSet("LC_PAPER"))
        return QPageSize::A4;
#endif
    switch (QLocale::system().territory()) {
    case QLocale::UnitedStates:
    case QLocale::Canada:
    case QLocale::Mexico:
    case QLocale::Chile:
    case QLocale::Colombia:
    case QLocale::CostaRica:
    case QLocale::Guatemala:
    case QLocale::Panama:
    case QLocale::Philippines:
    case QLocale::PuertoRico:
    case QLocale::Venezuela:
    case QLocale::DominicanRepublic:
    case QLocale::ElSalvador:
    case QLocale::Nicaragua:
        return QPageSize::Letter;
    default:
        return QPageSize::A4;
    }
}

QString keyLetters(const QString &answer)
{
    QStringList letters;
    for (const QChar c : answer) {
        if (c >= u'1' && c <= u'7')
            letters << QString(QChar(u'A' + (c.unicode() - u'1')));
    }
    return letters.join(QStringLiteral(", "));
}

int write(const QString &path, const Header &header, const paper::QuestionTable &questions, Copy copy,
          QPageSize::PageSizeId pageSize)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 0;
    int pageCount = 0;
    bool painted = false;
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(PdfDpi);
        pdf.setTitle(header.paperName);
        pdf.setCreator(QStringLiteral("Examforge"));
        pdf.setPageLayout(QPageLayout(QPageSize(pageSize), QPageLayout::Portrait,
                                      QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm), QPageLayout::Millimeter));
        const double scale = PdfDpi / LayoutDpi;
        const QRect area = pdf.pageLayout().paintRectPixels(PdfDpi);
        const double width = area.width() / scale;
        const double pageHeight = area.height() / scale - FooterHeight;

        std::vector<Document> documents;
        documents.push_back(headerDocument(header, questions, copy, width));
        for (int i = 1; i <= questions.count(); ++i)
            documents.push_back(questionDocument(header, questions, i, copy, width));
        if (copy == Copy::Teacher)
            documents.push_back(gridDocument(questions, width));
        const std::vector<Placement> placed = paginate(documents, pageHeight);
        pageCount = placed.empty() ? 1 : placed.back().page + 1;

        QPainter painter;
        if (painter.begin(&pdf)) {
            painter.scale(scale, scale);
            int page = 0;
            const auto footer = [&](int number) {
                const QRectF line(0, pageHeight + 8, width, FooterHeight - 8);
                // In layout pixels, as the painter is scaled from them to the PDF's dots.
                QFont font = painter.font();
                font.setPixelSize(12);
                painter.setFont(font);
                painter.setPen(Qt::darkGray);
                painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, header.paperName);
                painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter,
                                 QStringLiteral("Page %1 of %2").arg(number).arg(pageCount));
            };
            for (const Placement &p : placed) {
                while (page < p.page) {
                    footer(page + 1);
                    pdf.newPage();
                    ++page;
                }
                painter.save();
                painter.translate(0, p.y - p.top);
                const QRectF shown(0, p.top, width, p.bottom - p.top);
                painter.setClipRect(shown);
                p.document->drawContents(&painter, shown);
                painter.restore();
            }
            footer(page + 1);
            painted = painter.end();
        }
    }
    if (!painted || file.error() != QFileDevice::NoError || !file.flush()) {
        file.close();
        file.remove();
        return 0;
    }
    file.close();
    return pageCount;
}

QString printPaper(QWidget *parent, const papers::PaperRow &row, Copy copy, QPageSize::PageSizeId pageSize,
                   const exports::Options &options)
{
    exports::WaitCursor wait;
    const Header header = headerOf(row);
    const QString paperFile = paper::file(header.paperName);
    paper::QuestionTable questions;
    if (!paperFile.isEmpty())
        paper::loadQuestions(paperFile, questions);
    const QString name =
        header.paperName + (copy == Copy::Teacher ? QStringLiteral(" (teacher)") : QStringLiteral(" (student)"));
    QString path;
    if (!paperFile.isEmpty()) {
        path = exports::saveAndShow(
            parent, options, name, QStringLiteral("pdf"),
            [&](const QString &target) { return write(target, header, questions, copy, pageSize) > 0; },
            QStringLiteral("The test has been printed to a PDF file."), wait);
    }
    if (path.isEmpty()) {
        wait.release();
        const QString folder = options.temporaryFolder.isEmpty() ? QDir::tempPath() : options.temporaryFolder;
        prompt::inform(parent, QStringLiteral("The PDF file of the test could not be written in the folder %1.")
                                   .arg(QDir::toNativeSeparators(folder)));
    }
    return path;
}

} // namespace paperprint
