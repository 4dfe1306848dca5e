// Speed of the scores window's refresh on a large class.
//
// Generates a data tree with a class of 300 students who have all finished a paper of 200
// questions, then times the window's refresh (reading, statistics, filling the lists and
// painting) and counts the files it opens. Opens are counted by the kernel (inotify watches
// on the data folders), so every open of the catalogue, the paper, a record or a folder
// listing shows, whoever in the program makes it.
//
// Prints "BENCH <name> <value> <unit>" lines.
#include "answerrecord.h"
#include "benchsupport.h"
#include "numbers.h"
#include "paths.h"
#include "profile.h"
#include "scoresdialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#ifdef Q_OS_LINUX
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace {

using bench::median;
using bench::report;

constexpr int Students = 300;
constexpr int Questions = 200;
const QString PaperName = QStringLiteral("Final");
const QString ClassName = QStringLiteral("Grade9");
const QString EmptyClass = QStringLiteral("Grade10"); // 300 numbers, nobody has logged in

void generate(const QString &root)
{
    QDir(root).mkpath(QStringLiteral("sys"));
    QDir(root).mkpath(QStringLiteral("SHIJUAN/") + PaperName);
    QDir(root).mkpath(QStringLiteral("CHENGJI/") + PaperName);
    profile::Batch cat(paths::join(root, QStringLiteral("sys/sys.cho")));
    cat.write(QStringLiteral("ClassName"), QStringLiteral("ClassNameCount"), QStringLiteral("2"));
    cat.write(QStringLiteral("ClassName"), QStringLiteral("1"), ClassName);
    cat.write(QStringLiteral("ClassName"), QStringLiteral("2"), EmptyClass);
    for (const QString &cls : {ClassName, EmptyClass}) {
        cat.write(QStringLiteral("ClassCount"), cls, QString::number(Students));
        cat.write(QStringLiteral("FirstNumber"), cls, QStringLiteral("1"));
        cat.write(QStringLiteral("LastNumber"), cls, QString::number(Students));
    }
    cat.write(QStringLiteral("TestName"), QStringLiteral("TestNameCount"), QStringLiteral("1"));
    cat.write(QStringLiteral("TestName"), QStringLiteral("1"), PaperName);
    cat.write(QStringLiteral("TestName"), PaperName, QStringLiteral("1"));
    cat.commit();

    // Keys of one, two or three ascending digits.
    unsigned seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7fff;
    };
    QList<qint16> keys;
    profile::Batch paperFile(paths::join(root, QStringLiteral("SHIJUAN/%1/%1.cho").arg(PaperName)));
    for (const auto &[key, value] :
         {std::pair{QStringLiteral("A_grade"), QStringLiteral("900")},
          {QStringLiteral("B_grade"), QStringLiteral("800")},
          {QStringLiteral("C_grade"), QStringLiteral("700")},
          {QStringLiteral("D_grade"), QStringLiteral("600")},
          {QStringLiteral("Question_conut"), numbers::signBlank(qint64(Questions))},
          {QStringLiteral("full_mark"), numbers::signBlank(qint64(Questions * 5))},
          {QStringLiteral("Mark"), QStringLiteral(" 5")}})
        paperFile.write(QStringLiteral("MAIN"), key, value);
    for (int j = 1; j <= Questions; ++j) {
        const int first = int(next() % 5) + 1;
        const qint16 key = qint16(j % 3 == 0 ? first * 10 + first + 1 : first);
        keys.append(key);
        const QString section = QString::number(j);
        paperFile.write(section, QStringLiteral("QUESTION"), QStringLiteral("%1.RTF").arg(1000 + j));
        paperFile.write(section, QStringLiteral("explain"), QStringLiteral("%1.RTF").arg(5000 + j));
        paperFile.write(section, QStringLiteral("answer"), QString::number(key));
        paperFile.write(section, QStringLiteral("mark"), QString());
    }
    paperFile.commit();

    // Each record as Examdesk leaves it after its last periodic save and the finish.
    for (int n = 1; n <= Students; ++n) {
        const QString number = QString::number(n);
        profile::Batch rec(
            paths::join(root, QStringLiteral("CHENGJI/%1/%2%3.cho").arg(PaperName, ClassName, number)));
        rec.write(ClassName, number, QStringLiteral("Student%1").arg(n));
        rec.write(ClassName, number + QStringLiteral("LAST"), QStringLiteral("Family%1").arg(n % 37));
        rec.write(ClassName, number + QStringLiteral("TIME1"), QStringLiteral("2026,03,02  09:00:00"));
        rec.write(ClassName, number + QStringLiteral("TIME"), QStringLiteral("00:05:00"));
        rec.write(ClassName, number + QStringLiteral("DangQian"), QString::number(Questions));
        int score = 0;
        QList<qint16> answers;
        for (int j = 1; j <= Questions; ++j) {
            const bool right = next() % 10 < 7;
            const qint16 code = right ? keys.at(j - 1) : qint16(next() % 7 + 1);
            answers.append(code);
            score += code == keys.at(j - 1) ? 5 : 0;
            rec.write(ClassName, number + QStringLiteral("DA%1").arg(j), QString::number(code));
        }
        for (int k = 1; k <= Questions; ++k)
            rec.write(ClassName, number + QStringLiteral("SX%1").arg(k), QString::number(k));
        rec.write(ClassName, number + QStringLiteral("TIME2"), numbers::hhmmss(60 + next() % 1200));
        rec.write(ClassName, number + QStringLiteral("DF"), numbers::signBlank(qint64(score)));
        rec.commit();
    }
}

/// Counts the files opened below the data root while it lives (Linux only).
class OpenCounter
{
public:
    explicit OpenCounter(const QString &root)
    {
#ifdef Q_OS_LINUX
        m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        const QStringList folders = {QStringLiteral("sys"), QStringLiteral("SHIJUAN"),
                                     QStringLiteral("SHIJUAN/") + PaperName, QStringLiteral("CHENGJI"),
                                     QStringLiteral("CHENGJI/") + PaperName};
        for (const QString &folder : folders) {
            // Closes are watched too: two opens of one file then never merge into one event.
            const int wd = inotify_add_watch(m_fd, QFile::encodeName(paths::join(root, folder)).constData(),
                                             IN_OPEN | IN_CLOSE);
            m_folders.insert(wd, folder);
        }
#else
        Q_UNUSED(root);
#endif
    }
    ~OpenCounter()
    {
#ifdef Q_OS_LINUX
        if (m_fd >= 0)
            close(m_fd);
#endif
    }
    bool works() const
    {
        return m_fd >= 0;
    }

    /// Opens since the last call, by kind.
    QHash<QString, int> take()
    {
        QHash<QString, int> counts;
#ifdef Q_OS_LINUX
        alignas(inotify_event) char buffer[64 * 1024];
        for (;;) {
            const ssize_t got = read(m_fd, buffer, sizeof buffer);
            if (got <= 0)
                break;
            for (ssize_t at = 0; at < got;) {
                const auto *e = reinterpret_cast<const inotify_event *>(buffer + at);
                at += ssize_t(sizeof(inotify_event) + e->len);
                // Events of a folder on its own watch (no name) are counted on its parent's.
                if (!(e->mask & IN_OPEN) || e->len == 0)
                    continue;
                const QString folder = m_folders.value(e->wd);
                if (e->mask & IN_ISDIR)
                    ++counts[QStringLiteral("folder listings")];
                else if (folder == QLatin1String("sys"))
                    ++counts[QStringLiteral("catalogue")];
                else if (folder.startsWith(QLatin1String("SHIJUAN")))
                    ++counts[QStringLiteral("paper")];
                else
                    ++counts[QStringLiteral("records")];
                ++counts[QStringLiteral("all")];
            }
        }
#endif
        return counts;
    }

private:
    int m_fd = -1;
    QHash<int, QString> m_folders;
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QElapsedTimer clock;
    clock.start();
    generate(dir.path());
    std::printf("data tree: %d records of %d questions, made in %.0f ms\n", Students, Questions,
                double(clock.elapsed()));
    paths::setProgramFolderForTesting(dir.path());

    ScoresDialog window;
    window.show(); // the first refresh
    QApplication::processEvents();
    if (window.report().students.size() != Students || window.report().totals.scored != Students) {
        std::fprintf(stderr, "the refresh did not read the generated class\n");
        return 1;
    }

    OpenCounter opens(dir.path());
    const auto refreshOnce = [&window] {
        QElapsedTimer t;
        t.start();
        window.refresh();
        QApplication::processEvents(); // layout and painting belong to what the teacher waits for
        return double(t.nsecsElapsed()) / 1e6;
    };

    std::vector<double> times;
    opens.take();
    times.push_back(refreshOnce());
    const QHash<QString, int> counted = opens.take();
    for (int i = 0; i < 9; ++i)
        times.push_back(refreshOnce());
    report("scores_refresh_300x200_median", median(times), "ms");
    report("scores_refresh_300x200_max", *std::max_element(times.begin(), times.end()), "ms");

    std::vector<double> reads;
    for (int i = 0; i < 10; ++i) {
        QElapsedTimer t;
        t.start();
        const scores::Report r = scores::loadReport(PaperName, ClassName);
        reads.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    report("scores_read_report_300x200_median", median(reads), "ms");

    if (opens.works()) {
        report("scores_refresh_opens_total", counted.value(QStringLiteral("all")), "opens");
        report("scores_refresh_opens_records", counted.value(QStringLiteral("records")), "opens");
        report("scores_refresh_opens_catalogue", counted.value(QStringLiteral("catalogue")), "opens");
        report("scores_refresh_opens_paper", counted.value(QStringLiteral("paper")), "opens");
        report("scores_refresh_folder_listings", counted.value(QStringLiteral("folder listings")), "opens");
    }

    // The same class size before anybody has logged in: no record exists.
    auto *classes = window.findChild<QComboBox *>(QStringLiteral("Combo2"));
    classes->setCurrentIndex(1);
    QApplication::processEvents();
    opens.take();
    const double empty = refreshOnce();
    const QHash<QString, int> emptyOpens = opens.take();
    report("scores_refresh_300_without_records", empty, "ms");
    if (opens.works())
        report("scores_refresh_without_records_opens_total", emptyOpens.value(QStringLiteral("all")),
               "opens");
    return 0;
}
