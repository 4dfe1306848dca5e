#include "editorfiles.h"

#include "files.h"

#include "paths.h"
#include "rtf/rtf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QTextDocument>

namespace editorfiles {

namespace {

const QStringList RtfPattern = {QStringLiteral("*.rtf")};

} // namespace

bool isWorkCopyName(const QString &name)
{
    // What listFiles(folder, RtfPattern) lists: ordinary, not hidden, ending in .rtf.
    const QString n = name.trimmed();
    return paths::isPlainName(n) && !n.startsWith(u'.') && n.endsWith(QLatin1String(".rtf"), Qt::CaseInsensitive);
}

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

QStringList copyRtfFresh(const QString &source, const QString &target)
{
    QStringList failed;
    for (const QString &name : paths::listFiles(source, RtfPattern)) {
        const QString to = paths::join(target, name);
        // A plain write: QFile::copy goes through a temporary file and a rename for every file,
        // which makes opening a large paper slow.
        QByteArray bytes;
        QFile out(to);
        if (!files::read(paths::join(source, name), bytes) ||
            !out.open(QIODevice::WriteOnly | QIODevice::NewOnly) || out.write(bytes) != bytes.size() ||
            !out.flush())
            failed.append(QDir::toNativeSeparators(to));
    }
    return failed;
}

bool copyFile(const QString &from, const QString &to)
{
    QByteArray bytes;
    if (!files::read(from, bytes))
        return false;
    // Most files of a paper come back unchanged; rewriting them all would make saving slow.
    QByteArray existing;
    if (QFileInfo(to).isFile() && files::read(to, existing) && existing == bytes)
        return true;
    return files::writeAtomically(to, bytes);
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
        if (c == u'\n' || c == u'\r' || c == u'\t' || c == QChar::ParagraphSeparator ||
            c == QChar::LineSeparator)
            c = u' ';
    }
    return line.trimmed();
}

} // namespace editorfiles
