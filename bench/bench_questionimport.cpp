// Speed of "Import questions..." on a bank of 10,000 Aiken questions: reading the file, writing
// the 20,000 RTF files into the work folder, and GIFT written back from them. Prints
// "BENCH <name> <value> <unit>" lines.
#include "paperfile.h"
#include "questionformats.h"
#include "questiontransfer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFont>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr int Questions = 10000;
    QByteArray bank;
    for (int i = 1; i <= Questions; ++i)
        bank += "Question " + QByteArray::number(i) +
                ": Tom has 34 stickers and gives 12 to Ann. How many?\n"
                "A. 22\nB. 46\nC. 12\nD. 20\nANSWER: A\n\n";

    QElapsedTimer timer;
    timer.start();
    const questionformats::ReadResult result = questionformats::read(bank);
    const double readMs = timer.nsecsElapsed() / 1e6;
    if (result.questions.size() != Questions) {
        std::fprintf(stderr, "the bank was not read\n");
        return 1;
    }

    QTemporaryDir work;
    QStringList failed;
    timer.restart();
    const auto records = questiontransfer::writeQuestionFiles(
        work.path(), result.questions, QFont(QStringLiteral("Arial"), 12), 1252, failed);
    const double writeMs = timer.nsecsElapsed() / 1e6;
    if (!records) {
        std::fprintf(stderr, "the files were not written\n");
        return 1;
    }

    paper::QuestionTable table;
    table.questions = *records;
    timer.restart();
    const QByteArray gift = questiontransfer::giftOf(work.path(), table, QStringLiteral("Bench"));
    const double giftMs = timer.nsecsElapsed() / 1e6;
    if (gift.isEmpty())
        return 1;

    std::printf("BENCH import_read_10000_aiken %.1f ms\n", readMs);
    std::printf("BENCH import_write_10000_questions %.1f ms\n", writeMs);
    std::printf("BENCH export_gift_10000_questions %.1f ms\n", giftMs);
    return 0;
}
