#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QTextFormat>

class QTextDocument;

namespace rtf {

/// Groups of a file that are not shown but written back as they were read (headers and
/// footers): a QList<QByteArray> of raw RTF groups in the document's root frame format, which
/// QTextDocument::clone() keeps.
inline constexpr int KeptGroupsProperty = QTextFormat::UserProperty + 0x770;

/// Most groups and bytes one document keeps; what lies beyond is dropped, as before.
inline constexpr int MaxKeptGroups = 64;
inline constexpr qsizetype MaxKeptBytes = 4 * 1024 * 1024;

QList<QByteArray> keptGroups(const QTextDocument &document);
void setKeptGroups(QTextDocument &document, const QList<QByteArray> &groups);

/// True when raw is exactly one group, "{" to its own "}", so that it can be written back into
/// a file without unbalancing it.
bool isWholeGroup(QByteArrayView raw);

} // namespace rtf
