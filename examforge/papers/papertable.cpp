#include "papertable.h"

#include "catalogue.h"
#include "paperfile.h"
#include "paperfolders.h"
#include "paths.h"
#include "profile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace papers {

QString keyOf(int column)
{
    switch (column) {
    case TestTimeColumn:
        return paper::TestTimeKey;
    case FullMarkColumn:
        return paper::FullMarkKey;
    case ExerciseModeColumn:
        return paper::ExerciseModeKey;
    case RetestPasswordColumn:
        return paper::RetestPasswordKey;
    case ReloginPasswordColumn:
        return paper::ReloginPasswordKey;
    case DisplayScoreColumn:
        return paper::DisplayScoreKey;
    case QuestionSortColumn:
        return paper::ChangeQuestionSortKey;
    case AGradeColumn:
        return paper::AGradeKey;
    case BGradeColumn:
        return paper::BGradeKey;
    case CGradeColumn:
        return paper::CGradeKey;
    case DGradeColumn:
        return paper::DGradeKey;
    case QuestionCountColumn:
        return paper::QuestionCountKey;
    case AuthorColumn:
        return paper::AuthorKey;
    case DefaultMarkColumn:
        return paper::MarkKey;
    case CommentColumn:
        return paper::AboutTestKey;
    default:
        return {};
    }
}

const QList<int> &savedColumns()
{
    // The settings this window owns, in the order they are written; full score, question
    // count and default mark belong to the question editor.
    static const QList<int> columns = [] {
        QList<int> result;
        for (const QString &key : paper::managementKeys()) {
            for (int column = TestTimeColumn; column <= CommentColumn; ++column) {
                if (keyOf(column) == key)
                    result.append(column);
            }
        }
        return result;
    }();
    return columns;
}

PaperRow newPaperRow(const QString &name)
{
    PaperRow row;
    row[NameColumn] = name;
    row[OpenFlagColumn] = QStringLiteral("1");
    row[TestTimeColumn] = QStringLiteral("30");
    row[ExerciseModeColumn] = QStringLiteral("0");
    row[RetestPasswordColumn] = paper::DefaultRetestPassword;
    row[ReloginPasswordColumn] = paper::DefaultReloginPassword;
    row[DisplayScoreColumn] = QStringLiteral("1");
    row[QuestionSortColumn] = QStringLiteral("1");
    row[AGradeColumn] = QStringLiteral("90");
    row[BGradeColumn] = QStringLiteral("80");
    row[CGradeColumn] = QStringLiteral("70");
    row[DGradeColumn] = QStringLiteral("60");
    row[DefaultMarkColumn] = QStringLiteral("5");
    row[CommentColumn] = name;
    return row;
}

void readSettings(PaperRow &row)
{
    const profile::Snapshot file(paper::file(row[NameColumn]));
    for (int column = TestTimeColumn; column <= ColumnCount; ++column)
        row[column] = file.value(paper::MainSection, keyOf(column), QStringLiteral("0")).trimmed();
}

QList<PaperRow> load()
{
    QList<PaperRow> rows;
    const QList<catalogue::PaperEntry> entries = catalogue::loadPapers(QStringLiteral("0"));
    rows.reserve(entries.size());
    for (const catalogue::PaperEntry &entry : entries) {
        PaperRow row;
        row[NameColumn] = entry.name.trimmed();
        row[OpenFlagColumn] = entry.openFlag.trimmed();
        readSettings(row);
        rows.append(row);
    }
    return rows;
}

namespace {

bool isListed(const QList<PaperRow> &rows, const QString &name)
{
    for (const PaperRow &row : rows) {
        if (row[NameColumn].trimmed().compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

/// Where a folder of SHIJUAN or CHENGJI named so would lie: a name with path characters (from
/// a hand-edited catalogue) has no folder in the data tree, and the message names where it
/// would have led.
QString outsideTree(const QString &base, const QString &name)
{
    return QDir::toNativeSeparators(QDir::cleanPath(paths::join(paths::join(paths::dataRoot(), base), name)));
}

} // namespace

QStringList save(const QList<PaperRow> &rows, QStringList &deleted, QStringList &created)
{
    QStringList failed;

    // Folders are found without regard to letter case, so a deleted paper whose name is
    // listed again (in any case) shares its folders with the listed one and must keep them.
    QStringList deletedLeft;
    for (const QString &name : std::as_const(deleted)) {
        if (isListed(rows, name))
            continue;
        if (!paths::isPlainName(name)) {
            failed.append(outsideTree(QStringLiteral("CHENGJI"), name));
            deletedLeft.append(name);
            continue;
        }
        const QStringList problems = paperfolders::removeFolder(paths::scoreFolder(name)) +
                                     paperfolders::removeFolder(paths::paperFolder(name));
        if (!problems.isEmpty()) {
            failed += problems;
            deletedLeft.append(name);
        }
    }
    deleted = deletedLeft;

    QStringList createdLeft;
    for (const QString &name : std::as_const(created)) {
        if (!isListed(rows, name))
            continue;
        const QStringList problems = paperfolders::prepareFolder(paths::scoreFolder(name)) +
                                     paperfolders::prepareFolder(paths::paperFolder(name));
        if (!problems.isEmpty()) {
            failed += problems;
            createdLeft.append(name);
        }
    }
    created = createdLeft;

    QList<catalogue::PaperEntry> entries;
    entries.reserve(rows.size());
    for (const PaperRow &row : rows)
        entries.append({row[NameColumn].trimmed(), row[OpenFlagColumn].trimmed()});
    if (!catalogue::savePaperList(entries))
        failed.append(shown(catalogue::path()));

    // A name listed more than once (a damaged catalogue may list thousands) has one file: only
    // its last row is written, which leaves the file as writing every row would.
    QHash<QString, qsizetype> lastRow;
    for (qsizetype i = 0; i < rows.size(); ++i)
        lastRow.insert(rows.at(i)[NameColumn].trimmed(), i);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const PaperRow &row = rows.at(i);
        const QString name = row[NameColumn].trimmed();
        if (lastRow.value(name) != i)
            continue;
        // A listed paper whose folder has gone (or never came with an old data tree) gets
        // it back, so that its settings are not lost.
        const QString folder = paper::folder(name);
        if (!QFileInfo(folder).isDir()) {
            if (!paperfolders::isDataTreeFolder(folder)) {
                failed.append(folder.isEmpty() ? outsideTree(QStringLiteral("SHIJUAN"), name)
                                               : shown(paper::file(name)));
                continue;
            }
            const QStringList problems = paperfolders::makeFolder(folder);
            if (!problems.isEmpty()) {
                failed += problems;
                continue;
            }
        }
        const QString file = paper::file(name);
        profile::Batch batch(file);
        for (const int column : savedColumns())
            batch.write(paper::MainSection, keyOf(column), row[column].trimmed());
        if (!batch.commit())
            failed.append(shown(file));
    }
    return failed;
}

} // namespace papers
