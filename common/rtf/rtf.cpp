#include "rtf.h"

#include "ansicodec.h"
#include "documentsink.h"
#include "reader.h"
#include "writer.h"

#include <QFile>
#include <QSaveFile>
#include <QTextDocument>

namespace rtf {
namespace {

bool readWholeFile(const QString &path, QByteArray &bytes)
{
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

} // namespace

bool isRtf(QByteArrayView data)
{
    return Reader::isRtf(data);
}

bool read(QByteArrayView data, QTextDocument &doc)
{
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false); // also drops the history of the old content
    doc.clear();
    bool ok = false;
    {
        DocumentSink sink(doc);
        ok = Reader::read(data, sink);
    }
    doc.setUndoRedoEnabled(undo);
    doc.setModified(false);
    return ok;
}

QByteArray write(const QTextDocument &doc)
{
    return writeDocument(doc, ansi::windowsCodePage());
}

QByteArray write(const QTextDocument &doc, int windowsCodePage)
{
    return writeDocument(doc, windowsCodePage);
}

bool loadFile(const QString &path, QTextDocument &doc)
{
    QByteArray bytes;
    if (!readWholeFile(path, bytes)) {
        read(QByteArrayView(), doc);
        return false;
    }
    return read(bytes, doc);
}

bool saveFile(const QString &path, const QTextDocument &doc)
{
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = write(doc);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString plainText(QByteArrayView data)
{
    PlainTextSink sink;
    if (!Reader::read(data, sink))
        return {};
    return sink.result();
}

QString plainTextOfFile(const QString &path)
{
    QByteArray bytes;
    if (!readWholeFile(path, bytes))
        return {};
    return plainText(bytes);
}

} // namespace rtf
