#include "questiontransfer.h"

#include "ansicodec.h"
#include "exportfile.h"
#include "files.h"
#include "numbers.h"
#include "paths.h"
#include "prompt.h"
#include "questionimportdialog.h"
#include "rtf/rtf.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QTextDocument>

namespace questiontransfer {
namespace {

/// Imported questions are set in 12 points, as the demo paper's questions are: the editor's own
/// default size is a window font, small for a question on the exam screen.
constexpr int QuestionPointSize = 12;

/// Below this many questions the files are written before a progress window could show.
constexpr int ProgressFrom = 200;

QString startFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

bool writeNew(const QString &path, const QByteArray &bytes)
{
    // The names are fresh, so nothing is replaced and no temporary file is needed.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    const bool ok = file.write(bytes) == bytes.size();
    file.close();
    return ok && file.error() == QFileDevice::NoError;
}

} // namespace

QString limitProblem(const paper::QuestionTable &table, qsizetype count)
{
    const qsizetype total = table.questions.size() + count;
    if (total > MaxQuestions)
        return QStringLiteral(
                   "The test holds %1 questions; with these %2 it would hold %3, but a test can hold at "
                   "most %4. Import fewer questions.")
            .arg(table.questions.size())
            .arg(count)
            .arg(total)
            .arg(MaxQuestions);
    const double score =
        paper::fullScoreExact(table.questions, table.defaultMark) + double(count) * double(table.defaultMark);
    if (!numbers::fitsInt16(score))
        return QStringLiteral(
                   "At the default mark of %1 points a question, the test would be worth %2 points, but "
                   "a test can be worth at most 32767. Lower the default mark first, or import fewer "
                   "questions.")
            .arg(table.defaultMark)
            .arg(numbers::plain((long long)score));
    return {};
}

std::optional<QList<paper::Question>> writeQuestionFiles(const QString &folder,
                                                         const QList<questionformats::Question> &questions,
                                                         const QFont &font, int codePage, QStringList &failed,
                                                         const std::function<bool(int)> &progress)
{
    failed.clear();
    const QStringList names = paper::newRtfNames(folder, int(questions.size()) * 2);
    QStringList written;
    const auto undo = [&] {
        for (const QString &path : std::as_const(written))
            QFile::remove(path);
    };
    QList<paper::Question> records;
    records.reserve(questions.size());
    QTextDocument doc;
    for (qsizetype i = 0; i < questions.size(); ++i) {
        const questionformats::Question &q = questions.at(i);
        const QString questionName = names.at(2 * i);
        const QString explainName = names.at(2 * i + 1);
        for (const auto &[name, text] : {std::pair{questionName, questionformats::paperText(q)},
                                         std::pair{explainName, q.explanation}}) {
            const QString path = paths::join(folder, name);
            questionformats::fillDocument(doc, text, font);
            if (!writeNew(path, rtf::write(doc, codePage))) {
                QFile::remove(path);
                undo();
                failed = {QDir::toNativeSeparators(path)};
                return std::nullopt;
            }
            written.append(path);
        }
        records.append({questionName, explainName, q.answer, QString()});
        if (progress && !progress(int(i + 1))) {
            undo();
            return std::nullopt;
        }
    }
    return records;
}

int importQuestions(QWidget *parent, const QString &workFolder, paper::QuestionTable &table,
                    const QFont &font)
{
    const QString path =
        prompt::service().chooseFile(parent, QStringLiteral("Import questions"), startFolder(),
                                     QStringLiteral("Question files (*.txt *.gift);;All files (*)"));
    if (path.isEmpty())
        return 0;
    questionformats::ReadResult result;
    {
        exports::WaitCursor wait;
        result = questionformats::readFile(path);
    }
    if (!result.error.isEmpty()) {
        prompt::inform(parent, QStringLiteral("No question was added from\n\n%1\n\n%2")
                                   .arg(QDir::toNativeSeparators(path), result.error));
        return 0;
    }
    QuestionImportDialog preview(parent);
    preview.setResult(path, result, limitProblem(table, result.questions.size()));
    if (preview.exec() != QDialog::Accepted || result.questions.isEmpty())
        return 0;

    const int count = int(result.questions.size());
    std::unique_ptr<QProgressDialog> bar;
    if (count >= ProgressFrom) {
        bar = std::make_unique<QProgressDialog>(QStringLiteral("Writing the questions..."),
                                                QStringLiteral("Cancel"), 0, count, parent);
        bar->setWindowModality(Qt::WindowModal);
        bar->setMinimumDuration(500);
    }
    QStringList failed;
    QFont questionFont = font;
    questionFont.setPointSize(QuestionPointSize);
    const auto records = questiontransfer::writeQuestionFiles(
        workFolder, result.questions, questionFont, ansi::windowsCodePage(), failed, [&bar](int done) {
            if (!bar)
                return true;
            if (done % 50 == 0)
                bar->setValue(done);
            return !bar->wasCanceled();
        });
    bar.reset();
    if (!records) {
        if (!failed.isEmpty())
            prompt::inform(parent,
                           QStringLiteral("No question was added: this file could not be written. Check "
                                          "that the work folder can be written:\n\n%1")
                               .arg(failed.join(u'\n')));
        return 0;
    }
    table.questions.append(*records);
    return count;
}

QByteArray giftOf(const QString &workFolder, const paper::QuestionTable &table, const QString &paperName,
                  questionformats::ExportReport *report)
{
    QList<questionformats::ExportQuestion> questions;
    questions.reserve(table.questions.size());
    const auto textOf = [&](const QString &name) {
        const QString file = name.trimmed();
        return file.isEmpty() ? QString() : rtf::plainTextOfFile(paths::resolve(workFolder, {file}));
    };
    for (const paper::Question &q : table.questions)
        questions.append({textOf(q.questionFile), q.answer.trimmed(), textOf(q.explainFile)});
    return questionformats::writeGift(questions, paperName, report);
}

QString exportQuestions(QWidget *parent, const QString &workFolder, const paper::QuestionTable &table,
                        const QString &paperName)
{
    const QString proposed =
        QDir(startFolder()).filePath(exports::fileName(paperName, QStringLiteral("txt")));
    const QString path =
        prompt::service().chooseSaveFile(parent, QStringLiteral("Export questions"), proposed,
                                         QStringLiteral("GIFT files (*.txt *.gift);;All files (*)"));
    if (path.isEmpty())
        return {};
    questionformats::ExportReport report;
    QByteArray gift;
    {
        exports::WaitCursor wait;
        gift = giftOf(workFolder, table, paperName, &report);
    }
    if (!files::writeAtomically(path, gift)) {
        prompt::inform(parent,
                       QStringLiteral("The questions were not exported: this file could not be written. "
                                      "Check that it can be written:\n\n%1")
                           .arg(QDir::toNativeSeparators(path)));
        return {};
    }
    QString done =
        (table.questions.size() == 1
             ? QStringLiteral("1 question was written as GIFT to\n\n%1")
             : QStringLiteral("%1 questions were written as GIFT to\n\n%2").arg(table.questions.size()))
            .arg(QDir::toNativeSeparators(path));
    if (report.pictures > 0)
        done += QStringLiteral("\n\n%1 questions have pictures, which GIFT cannot hold: each is written as "
                               "\"[picture]\".")
                    .arg(report.pictures);
    if (!report.withoutChoices.isEmpty()) {
        QStringList numbers;
        for (int n : std::as_const(report.withoutChoices))
            numbers.append(QString::number(n));
        done += QStringLiteral("\n\nIn questions %1 the choices could not be told apart (lines \"A. ...\", "
                               "\"B. ...\" at the end of the text), so they are written as text only.")
                    .arg(numbers.join(QStringLiteral(", ")));
    }
    prompt::inform(parent, done);
    return path;
}

} // namespace questiontransfer
