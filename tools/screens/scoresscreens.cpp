#include "scoresscreens.h"

#include "answerrecord.h"
#include "catalogue.h"
#include "numbers.h"
#include "paperfile.h"
#include "paths.h"
#include "profile.h"
#include "itemanalysiswindow.h"
#include "scorereport.h"
#include "scoresdialog.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QTableView>
#include <QTemporaryDir>

namespace screens {
namespace {

/// Copies the data tree (sys, SHIJUAN, CHENGJI) of one root into another.
void copyTree(const QString &from, const QString &to)
{
    for (const QString &top : {QStringLiteral("sys"), QStringLiteral("SHIJUAN"), QStringLiteral("CHENGJI")}) {
        const QString source = paths::resolve(from, {top});
        QDirIterator it(source, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            const QString target = paths::join(paths::join(to, top), QDir(source).relativeFilePath(file));
            QDir().mkpath(QFileInfo(target).absolutePath());
            QFile::copy(file, target);
        }
    }
}

/// Records for the first class on the first paper: most students finished, two broken off, the
/// last ones absent. Answers follow a fixed pattern, so every picture is the same.
void sitFirstPaper()
{
    const QStringList papers = catalogue::paperNames();
    const QStringList classes = catalogue::classNames();
    if (papers.isEmpty() || classes.isEmpty())
        return;
    const QString paperName = papers.first();
    const catalogue::ClassRecord cls = catalogue::loadClass(classes.first());
    paper::QuestionTable table;
    paper::loadQuestions(paper::file(paperName), table);
    QDir().mkpath(paths::scoreFolder(paperName));

    static const char *const First[] = {"Ann",   "Ben",  "Chloe", "David", "Emma", "Finn", "Grace",  "Harry",
                                        "Isla",  "Jack", "Kate",  "Leo",   "Mia",  "Noah", "Olivia", "Paul",
                                        "Quinn", "Ruby", "Sam",   "Tara",  "Umar", "Vera", "Will",   "Xena"};
    static const char *const Last[] = {"Lee", "Brook", "Moss", "Hart", "Reed", "Shaw", "Wells", "Ford"};
    const int count = cls.last - cls.first + 1;
    unsigned seed = 7;
    for (int i = 0; i < count - 2; ++i) {
        const record::Id id{paperName, cls.name, QString::number(cls.first + i)};
        record::identify(id, QLatin1String(First[i % 24]), QLatin1String(Last[(i * 5) % 8]));
        record::stampStart(id, QDateTime(QDate(2026, 3, 2), QTime(9, 0, i % 60)));
        QList<qint16> answers;
        QList<qint16> order;
        double score = 0;
        for (int q = 0; q < table.questions.size(); ++q) {
            const paper::Question &question = table.questions.at(q);
            seed = seed * 1103515245u + 12345u;
            const bool right = (seed >> 16) % 10 < 7;
            const qint16 key = numbers::readInt16(question.answer);
            // A wrong answer is never the key by chance, so every score agrees with its answers.
            qint16 wrong = qint16((seed >> 20) % 4 + 1);
            if (wrong == key)
                wrong = qint16(wrong % 4 + 1);
            answers.append(right ? key : wrong);
            order.append(qint16(q + 1));
            if (right)
                score += question.mark.isEmpty() ? table.defaultMark : numbers::leadingNumber(question.mark);
        }
        const qint64 left = 60 + (seed >> 8) % 900;
        record::saveProgress(id, {left + 30, 1, answers, order});
        if (i < count - 4)
            record::finish(id, numbers::hhmmss(left), answers, numbers::toInt16(score));
    }
}

} // namespace

void appendScores(QList<Entry> &l)
{
    static QString original;
    l.append({QStringLiteral("examforge-scores"),
              [] {
                  static QTemporaryDir filled;
                  original = paths::programFolder();
                  copyTree(paths::dataRoot(), filled.path());
                  paths::setProgramFolderForTesting(filled.path());
                  sitFirstPaper();
                  return static_cast<QWidget *>(new ScoresDialog);
              },
              [](QWidget *w) {
                  // A student and a question chosen, as a teacher looks at them.
                  w->findChild<QListWidget *>(QStringLiteral("List1"))->setCurrentRow(2);
                  w->findChild<QListWidget *>(QStringLiteral("List5"))->setCurrentRow(0);
                  paths::setProgramFolderForTesting(original);
              }});
    l.append({QStringLiteral("examforge-itemanalysis"),
              [] {
                  static QTemporaryDir filled;
                  original = paths::programFolder();
                  copyTree(paths::dataRoot(), filled.path());
                  paths::setProgramFolderForTesting(filled.path());
                  sitFirstPaper();
                  const QStringList papers = catalogue::paperNames();
                  const QStringList classes = catalogue::classNames();
                  if (papers.isEmpty() || classes.isEmpty())
                      return static_cast<QWidget *>(nullptr);
                  return static_cast<QWidget *>(
                      new ItemAnalysisWindow(scores::loadReport(papers.first(), classes.first())));
              },
              [](QWidget *w) {
                  auto *table = w->findChild<QTableView *>(QStringLiteral("TblItems"));
                  table->selectRow(1);
                  paths::setProgramFolderForTesting(original);
              }});
}

} // namespace screens
