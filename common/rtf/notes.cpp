#include "notes.h"

#include <QTextBlock>
#include <QVariantMap>

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

} // namespace rtf
