#include "csvexport.h"

#include "exportfile.h"
#include "files.h"
#include "prompt.h"

#include <QDir>
#include <QStandardPaths>

namespace csvexport {

QString field(const QString &text, bool isText)
{
    QString value = text;
    if (isText && !value.isEmpty() && QStringLiteral("=+-@\t\r").contains(value.at(0)))
        value.prepend(u'\'');
    const bool quote = value.contains(u',') || value.contains(u'"') || value.contains(u'\n') ||
                       value.contains(u'\r') ||
                       (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!quote)
        return value;
    value.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + value + u'"';
}

QByteArray csv(const scores::Report &report)
{
    QStringList lines;
    QStringList heading = {QStringLiteral("Number"),    QStringLiteral("First name"),
                           QStringLiteral("Last name"), QStringLiteral("Score"),
                           QStringLiteral("Rank"),      QStringLiteral("Time left"),
                           QStringLiteral("Finished")};
    for (int j = 1; j <= report.questionCount; ++j)
        heading.append(QStringLiteral("Q%1").arg(j));
    lines.append(heading.join(u','));
    for (const scores::StudentRow &s : report.students) {
        const bool scored = s.scoreValue.has_value();
        QStringList row = {field(s.number, false),
                           field(s.firstName, true),
                           field(s.lastName, true),
                           field(scored ? s.score : QString(), false),
                           field(scored ? s.rank : QString(), false),
                           field(s.timeLeft, true),
                           s.timeLeft.isEmpty() ? QStringLiteral("no") : QStringLiteral("yes")};
        for (int j = 1; j <= report.questionCount; ++j)
            row.append(scored ? QString::number(s.answers.value(j - 1)) : QString());
        lines.append(row.join(u','));
    }
    return "\xEF\xBB\xBF" + (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

QString fileName(const scores::Report &report)
{
    return exports::fileName(report.paper + u'_' + report.className, QStringLiteral("csv"));
}

QString exportReport(QWidget *parent, const scores::Report &report)
{
    const QString proposed =
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(fileName(report));
    const QString path = prompt::service().chooseSaveFile(parent, QStringLiteral("Export CSV"), proposed,
                                                          QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return {};
    if (!files::writeAtomically(path, csv(report))) {
        prompt::inform(parent,
                       QStringLiteral("The scores were not exported: this file could not be written. Check "
                                      "that it can be written and is not open in another program:\n\n%1")
                           .arg(QDir::toNativeSeparators(path)));
        return {};
    }
    prompt::inform(parent, QStringLiteral("The scores of %1 students were written to\n\n%2")
                               .arg(report.students.size())
                               .arg(QDir::toNativeSeparators(path)));
    return path;
}

} // namespace csvexport
