#include "wordexport.h"

#include "numbers.h"
#include "paths.h"
#include "prompt.h"
#include "session.h"
#include "wordprocessor.h"

#include <QDir>

namespace wordexport {
namespace {

const QString QuestionNumber = QStringLiteral("[QUESTION No]");
const QString Mark = QStringLiteral("[MARK]");
const QString QuestionText = QStringLiteral("[QUESTION]");
const QString BlockEnd = QStringLiteral("[OPTION]");
const QString AnswerNumber = QStringLiteral("[ANSWER No]");
const QString AnswerKey = QStringLiteral("[OP]");

const QString Failed = QStringLiteral("The function will be operated with WORD.");

/// Pastes the copied block count times; the first paste replaces the selected original. With
/// no question at all the block goes, so that no unfilled placeholder is left.
void repeat(WordProcessor &document, int count)
{
    if (count <= 0) {
        document.typeText(QString());
        return;
    }
    for (int i = 0; i < count; ++i)
        document.paste();
}

} // namespace

Header headerOf(const papers::PaperRow &row)
{
    return {row[papers::NameColumn].trimmed(), row[papers::AuthorColumn], row[papers::TestTimeColumn],
            row[papers::QuestionCountColumn], row[papers::FullMarkColumn]};
}

bool fill(WordProcessor &document, const Header &header, const paper::QuestionTable &questions,
          bool explanations)
{
    // A placeholder that a school took out of its template is left out.
    const std::pair<QString, QString> fields[] = {
        {QStringLiteral("[PAPER NAME]"), header.paperName},
        {QStringLiteral("[AUTHOR]"), header.author},
        {QStringLiteral("[TESTTIME]"), header.testTime},
        {QStringLiteral("[QUESTION_COUNT]"), header.questionCount},
        {QStringLiteral("[FULLMARK]"), header.fullMark},
    };
    for (const auto &[placeholder, value] : fields) {
        document.goToStart();
        if (document.find(placeholder))
            document.typeText(value);
    }

    // The question block: whole paragraphs from "[QUESTION No]" to "[OPTION]".
    document.goToStart();
    if (!document.find(QuestionNumber))
        return false;
    const WordProcessor::Range first = document.paragraphRange();
    document.home();
    if (!document.find(BlockEnd))
        return false;
    const WordProcessor::Range last = document.paragraphRange();
    document.select({first.start, last.end});
    document.copy();
    const int count = questions.count();
    repeat(document, count);

    // Each search goes on from where the last one ended, so copy i is filled with question i.
    document.goToStart();
    for (int i = 1; i <= count; ++i) {
        const paper::Question &q = questions.questions.at(i - 1);
        document.home();
        if (document.find(QuestionNumber))
            document.typeText(numbers::signBlank(qint64(i)));
        document.home();
        if (document.find(Mark))
            document.typeText(q.mark.isEmpty() ? numbers::signBlank(qint64(questions.defaultMark)) : q.mark);
        document.home();
        if (!document.find(QuestionText))
            continue;
        const QString questionFile = q.questionFile.trimmed();
        if (!questionFile.isEmpty() && !document.insertFile(paper::rtfPath(header.paperName, questionFile)))
            return false;
        const QString explainFile = q.explainFile.trimmed();
        if (explanations && !explainFile.isEmpty() &&
            !document.insertFile(paper::rtfPath(header.paperName, explainFile)))
            return false;
    }

    // The answer key, one line per question; a template without one gets none.
    document.goToStart();
    if (document.find(AnswerNumber)) {
        document.select(document.paragraphRange());
        document.copy();
        repeat(document, count);
        document.goToStart();
        for (int i = 1; i <= count; ++i) {
            const QString &key = questions.questions.at(i - 1).answer;
            document.home();
            if (document.find(AnswerNumber))
                document.typeText(numbers::signBlank(qint64(i)));
            document.home();
            if (document.find(AnswerKey))
                document.typeText(key.isEmpty() ? QStringLiteral("[no answer]") : key);
        }
    }
    document.goToStart();
    return true;
}

QString exportPaper(QWidget *parent, const papers::PaperRow &row, const Options &options)
{
    const bool explanations =
        prompt::ask(parent, QStringLiteral("Will you export the test included explains for answer?"),
                    prompt::Buttons::YesNo, QString(), prompt::Answer::Yes) == prompt::Answer::Yes;

    // A long paper takes a moment to fill.
    exports::WaitCursor wait;
    const Header header = headerOf(row);
    examforge::Session &session = examforge::session();
    session.currentPaperName = header.paperName;
    // A name the data tree cannot hold has no paper file: that is a failure, not an empty paper.
    const QString paperFile = paper::file(header.paperName);
    paper::loadQuestions(paperFile, session.questions);

    WordProcessor document;
    QString path;
    if (!paperFile.isEmpty() && document.open(paths::sysFile(QStringLiteral("paper.dot"))) &&
        fill(document, header, session.questions, explanations)) {
        path = exports::saveAndShow(
            parent, options, header.paperName, QStringLiteral("rtf"),
            [&document](const QString &target) { return document.saveAs(target); },
            QStringLiteral("The test has been exported!"), wait);
    }
    if (path.isEmpty()) {
        wait.release();
        prompt::inform(parent, Failed);
    }
    return path;
}

} // namespace wordexport
