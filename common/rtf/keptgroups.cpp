#include "keptgroups.h"

#include "tokenizer.h"

#include <QTextDocument>
#include <QTextFrame>

namespace rtf {

QList<QByteArray> keptGroups(const QTextDocument &document)
{
    return document.rootFrame()->frameFormat().property(KeptGroupsProperty).value<QList<QByteArray>>();
}

void setKeptGroups(QTextDocument &document, const QList<QByteArray> &groups)
{
    QTextFrameFormat format = document.rootFrame()->frameFormat();
    if (groups.isEmpty())
        format.clearProperty(KeptGroupsProperty);
    else
        format.setProperty(KeptGroupsProperty, QVariant::fromValue(groups));
    document.rootFrame()->setFrameFormat(format);
}

bool isWholeGroup(QByteArrayView raw)
{
    if (!raw.startsWith('{'))
        return false;
    Tokenizer tokens(raw);
    int level = 0;
    for (;;) {
        const Token token = tokens.next();
        if (token.type == Token::Type::End)
            return false;
        if (token.type == Token::Type::GroupOpen) {
            ++level;
        } else if (token.type == Token::Type::GroupClose) {
            if (--level == 0)
                return tokens.position() == raw.size();
        }
    }
}

} // namespace rtf
