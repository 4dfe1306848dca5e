#include "notes.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QVariantMap>

#include <memory>

namespace rtf {

QString NoteInfo::shownInitials() const
{
    if (!initials.trimmed().isEmpty())
        return initials.trimmed();
    QString fromName;
    for (const QString &part : author.split(u' ', Qt::SkipEmptyParts)) {
        if (part.at(0).isLetterOrNumber() && fromName.size() < 4)
            fromName += part.at(0).toUpper();
    }
    return fromName.isEmpty() ? QStringLiteral("C") : fromName;
}

QString NoteInfo::commentMarker() const
{
    return u'[' + shownInitials() + QString::number(number) + u']';
}

QString NoteInfo::label() const
{
    if (!isComment())
        return QString::number(number) + u' ';
    const QString name = author.trimmed();
    return commentMarker() + (name.isEmpty() ? QStringLiteral(" ") : u' ' + name + QStringLiteral(": "));
}

QVariant NoteInfo::toVariant() const
{
    QVariantMap map;
    map.insert(QStringLiteral("kind"), int(kind));
    map.insert(QStringLiteral("number"), number);
    map.insert(QStringLiteral("initials"), initials);
    map.insert(QStringLiteral("author"), author);
    map.insert(QStringLiteral("reference"), reference);
    QVariantList keptGroups;
    for (const QByteArray &group : kept)
        keptGroups.append(group);
    map.insert(QStringLiteral("kept"), keptGroups);
    return map;
}

NoteInfo NoteInfo::fromVariant(const QVariant &value)
{
    const QVariantMap map = value.toMap();
    NoteInfo info;
    const int kind = map.value(QStringLiteral("kind")).toInt();
    info.kind = kind == int(NoteKind::Endnote)   ? NoteKind::Endnote
                : kind == int(NoteKind::Comment) ? NoteKind::Comment
                                                 : NoteKind::Footnote;
    info.number = map.value(QStringLiteral("number")).toInt();
    info.initials = map.value(QStringLiteral("initials")).toString();
    info.author = map.value(QStringLiteral("author")).toString();
    info.reference = map.value(QStringLiteral("reference")).toString();
    for (const QVariant &group : map.value(QStringLiteral("kept")).toList())
        info.kept.append(group.toByteArray());
    return info;
}

bool isNotesAreaBlock(const QTextBlock &block)
{
    return block.blockFormat().boolProperty(NotesAreaProperty);
}

namespace {

int largestNoteId(const QTextDocument &document)
{
    int largest = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        largest = std::max(largest, block.blockFormat().intProperty(NoteIdProperty));
    return largest;
}

/// Moves every note id of document up by offset, anchors and notes alike.
void renumber(QTextDocument &document, int offset)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        if (const int id = format.intProperty(NoteIdProperty); id > 0) {
            format.setProperty(NoteIdProperty, id + offset);
            QTextCursor(block).setBlockFormat(format);
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat anchor = fragment.charFormat();
            if (anchor.objectType() != NoteAnchorObject)
                continue;
            anchor.setProperty(NoteIdProperty, anchor.intProperty(NoteIdProperty) + offset);
            QTextCursor cursor(&document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(anchor);
        }
    }
}

} // namespace

void insertWithNotes(QTextCursor &cursor, const QTextDocument &source)
{
    QTextBlock firstNote;
    for (auto it = source.rootFrame()->begin(); !it.atEnd(); ++it) {
        if (!it.currentFrame() && isNotesAreaBlock(it.currentBlock())) {
            firstNote = it.currentBlock();
            break;
        }
    }
    if (!firstNote.isValid()) {
        cursor.insertFragment(QTextDocumentFragment(&source));
        return;
    }
    QTextDocument &target = *cursor.document();
    const std::unique_ptr<QTextDocument> copy(source.clone());
    if (const int offset = largestNoteId(target); offset > 0)
        renumber(*copy, offset);
    const int notesStart = firstNote.position();
    QTextCursor body(copy.get());
    body.setPosition(notesStart - 1, QTextCursor::KeepAnchor);
    cursor.insertFragment(body.selection());

    QTextCursor end(&target);
    end.movePosition(QTextCursor::End);
    const bool hasNotes = isNotesAreaBlock(end.block());
    for (QTextBlock block = copy->findBlock(notesStart); block.isValid(); block = block.next()) {
        if (!isNotesAreaBlock(block) || (hasNotes && block.blockFormat().intProperty(NoteIdProperty) == 0))
            continue;
        end.insertBlock(block.blockFormat(), block.charFormat());
        for (auto it = block.begin(); !it.atEnd(); ++it)
            end.insertText(it.fragment().text(), it.fragment().charFormat());
    }
}

} // namespace rtf
