#include "editorfiles.h"

#include "paths.h"
#include "rtf/rtf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QSaveFile>
#include <QTextDocument>

namespace editorfiles {

namespace {

const QStringList RtfPattern = {QStringLiteral("*.rtf")};

} // namespace

QStringList clearRtf(const QString &folder)
{
    QStringList failed;
    for (const QString &name : paths::listFiles(folder, RtfPattern)) {
        const QString path = paths::join(folder, name);
        if (!QFile::remove(path))
            failed.append(QDir::toNativeSeparators(path));
    }
    return failed;
}

QStringList copyRtf(const QString &source, const QString &target)
{
    QStringList failed;
    for (const QString &name : paths::listFiles(source, RtfPattern)) {
        const QString to = paths::join(target, name);
        if (!copyFile(paths::join(source, name), to))
            failed.append(QDir::toNativeSeparators(to));
    }
    return failed;
}

bool copyFile(const QString &from, const QString &to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return false;
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

bool writeEmptyRtf(const QString &path, const QFont &font)
{
    QTextDocument empty;
    empty.setDefaultFont(font);
    return rtf::saveFile(path, empty);
}

QString answerKey(const std::array<bool, 7> &ticked)
{
    QString key;
    for (int k = 0; k < 7; ++k) {
        if (ticked[size_t(k)])
            key += QChar(u'1' + k);
    }
    return key;
}

QStringList junkFiles(const QStringList &names, const QList<paper::Question> &questions)
{
    QStringList junk;
    for (const QString &name : names) {
        bool kept = false;
        for (const paper::Question &q : questions) {
            if (q.questionFile.contains(name, Qt::CaseInsensitive) ||
                q.explainFile.contains(name, Qt::CaseInsensitive)) {
                kept = true;
                break;
            }
        }
        if (!kept)
            junk.append(name);
    }
    return junk;
}

QString gridText(const QString &plainText)
{
    QString line = plainText;
    for (QChar &c : line) {
        if (c == u'\n' || c == u'\r' || c == u'\t' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = u' ';
    }
    return line.trimmed();
}

QString numberCell(int number)
{
    return u' ' + QString::number(number);
}

} // namespace editorfiles
