#pragma once

#include "examsession.h"
#include "testsupport.h"

#include <QByteArray>
#include <QStringList>

/// The RTF text of a question or explanation file that shows one line.
inline QByteArray rtfLine(const QString &text)
{
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 " + text.toLatin1() + "\\par}";
}

/// Paper Unit3 of n questions: question i is q<i>.RTF showing "Question i", its explanation
/// e<i>.RTF showing "Explain i"; keys[i - 1] and marks[i - 1] as given (empty when missing).
/// main is added to section MAIN. The score folder is made too.
inline void writeExamPaper(const TestDataRoot &root, int n, const QByteArray &main,
                           const QStringList &keys = {}, const QStringList &marks = {})
{
    QByteArray file = "[MAIN]\r\n" + main + "Question_conut= " + QByteArray::number(n) + "\r\nMark= 5\r\n";
    for (int i = 1; i <= n; ++i) {
        const QByteArray number = QByteArray::number(i);
        file += "[" + number + "]\r\nQUESTION=q" + number + ".RTF\r\nexplain=e" + number +
                ".RTF\r\nanswer=" + keys.value(i - 1).toLatin1() +
                "\r\nmark=" + marks.value(i - 1).toLatin1() + "\r\n";
        root.write(QStringLiteral("SHIJUAN/Unit3/q%1.RTF").arg(i),
                   rtfLine(QStringLiteral("Question %1").arg(i)));
        root.write(QStringLiteral("SHIJUAN/Unit3/e%1.RTF").arg(i),
                   rtfLine(QStringLiteral("Explain %1").arg(i)));
    }
    root.write(QStringLiteral("SHIJUAN/Unit3/Unit3.cho"), file);
    root.write(QStringLiteral("CHENGJI/Unit3/.keep"), {});
}

/// Student 7 of Grade2A, Ann Lee, sitting Unit3.
inline examdesk::ExamSession examSession(bool resume = false)
{
    examdesk::ExamSession s;
    s.考试名称 = QStringLiteral("Unit3");
    s.班级 = QStringLiteral("Grade2A");
    s.学号 = QStringLiteral("7");
    s.姓名 = QStringLiteral("Ann");
    s.姓名LAST = QStringLiteral("Lee");
    s.是否二次登录 = resume;
    return s;
}
