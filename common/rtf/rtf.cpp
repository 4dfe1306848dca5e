#include "rtf.h"

#include "ansicodec.h"
#include "documentsink.h"
#include "files.h"
#include "reader.h"
#include "writer.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

namespace rtf {
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
    if (!files::read(path, bytes)) {
        read(QByteArrayView(), doc);
        return false;
    }
    return read(bytes, doc);
}

bool saveFile(const QString &path, const QTextDocument &doc)
{
    return !path.isEmpty() && files::writeAtomically(path, write(doc));
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
    if (!files::read(path, bytes))
        return {};
    return plainText(bytes);
}

void copyPictures(const QTextDocument &listed, const QTextDocument &source, QTextDocument &target)
{
    for (QTextBlock block = listed.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QUrl name(format.toImageFormat().name());
            const QVariant picture = source.resource(QTextDocument::ImageResource, name);
            if (picture.isValid())
                target.addResource(QTextDocument::ImageResource, name, picture);
        }
    }
}

} // namespace rtf
