#include "questionformats.h"

#include "ansicodec.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace questionformats {
namespace {

QString letter(int index)
{
    return QString(QChar(u'A' + index));
}

/// Lines of text with any of CRLF, LF or CR as line end.
QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

bool isComment(const QString &line)
{
    return line.trimmed().startsWith(QStringLiteral("//"));
}

/// "A." "A)" and the full-width forms Chinese teachers type ("A．" "A）" "A、"); an ASCII
/// mark must be followed by a blank, so that "A.M." stays text.
const QRegularExpression &choicePattern()
{
    static const QRegularExpression re(
        QStringLiteral("^([A-Z])(?:[.)][ \\t]+|[.)]$|\\s*[\\x{FF0E}\\x{FF09}\\x{3001}]\\s*)(.*)$"));
    return re;
}

const QRegularExpression &answerPattern()
{
    static const QRegularExpression re(QStringLiteral("^ANSWER\\s*[:\\x{FF1A}]\\s*(.*)$"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

QString tooLong(const QString &what)
{
    return QStringLiteral(
               "The %1 is longer than %2 characters; a blank line or a closing brace may be missing.")
        .arg(what)
        .arg(MaxTextLength);
}

QString tooManyChoices(int count)
{
    return QStringLiteral(
               "Skipped: the question has %1 choices, but a test question can have at most %2 (A to G).")
        .arg(count)
        .arg(MaxChoices);
}

// Aiken ---------------------------------------------------------------------------------------

struct AikenQuestion
{
    int line = 0;
    QStringList text;
    QStringList choices;
    bool broken = false;
};

/// The answer letters of "ANSWER: B" (also "B, D" for several), as key digits; nothing when a
/// letter names no choice.
std::optional<QString> aikenKey(const QString &value, int choiceCount, QString &why)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,;\\x{3001}\\x{FF0C}]+"));
    const QStringList parts = value.split(separators, Qt::SkipEmptyParts);
    if (parts.isEmpty()) {
        why = QStringLiteral("The ANSWER line names no choice.");
        return std::nullopt;
    }
    std::array<bool, 26> right{};
    for (const QString &p : parts) {
        const QString l = p.toUpper();
        // "B." and "B)" as some banks write it.
        const QString bare = l.size() == 2 && (l.at(1) == u'.' || l.at(1) == u')') ? l.left(1) : l;
        if (bare.size() != 1 || bare.at(0) < u'A' || bare.at(0) > u'Z') {
            why = QStringLiteral("The ANSWER line names \"%1\", which is no choice letter.").arg(p);
            return std::nullopt;
        }
        const int index = bare.at(0).unicode() - u'A';
        if (index >= choiceCount) {
            why = QStringLiteral("The ANSWER line names %1, but the question has choices A to %2 only.")
                      .arg(bare, letter(choiceCount - 1));
            return std::nullopt;
        }
        right[size_t(index)] = true;
    }
    QString key;
    for (int i = 0; i < 26; ++i) {
        if (right[size_t(i)])
            key += QString::number(i + 1);
    }
    return key;
}

// GIFT ----------------------------------------------------------------------------------------

/// Offsets of the unescaped character c in text from pos on; -1 when none.
qsizetype findUnescaped(const QString &text, QChar c, qsizetype pos = 0)
{
    for (qsizetype i = pos; i < text.size(); ++i) {
        if (text.at(i) == u'\\') {
            ++i;
            continue;
        }
        if (text.at(i) == c)
            return i;
    }
    return -1;
}

qsizetype findUnescaped(const QString &text, const QString &what, qsizetype pos = 0)
{
    for (qsizetype i = pos; i < text.size(); ++i) {
        if (text.at(i) == u'\\') {
            ++i;
            continue;
        }
        if (QStringView(text).mid(i).startsWith(what))
            return i;
    }
    return -1;
}

/// A "{" that opens GIFT answers: followed by "=", "~", "#", "}", T or F, or the line's end.
/// "{1, 2}" in a question's text opens none.
bool opensAnswerBlock(const QString &line)
{
    // Scanned by hand: a pattern matched at each brace of a long line would cost its whole
    // length every time.
    const auto skipBlanks = [&line](qsizetype at) {
        while (at < line.size() && line.at(at).isSpace())
            ++at;
        return at;
    };
    for (qsizetype open = findUnescaped(line, u'{'); open >= 0; open = findUnescaped(line, u'{', open + 1)) {
        const qsizetype next = skipBlanks(open + 1);
        if (next == line.size() || QStringLiteral("=~#}").contains(line.at(next)))
            return true;
        qsizetype end = next;
        while (end < line.size() && end - next < 6 && line.at(end).isLetter())
            ++end;
        const QString word = line.mid(next, end - next).toUpper();
        const qsizetype after = skipBlanks(end);
        if ((word == u"T" || word == u"TRUE" || word == u"F" || word == u"FALSE") && after < line.size() &&
            (line.at(after) == u'#' || line.at(after) == u'}'))
            return true;
    }
    return false;
}

QString unescapeGift(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\\' && i + 1 < text.size()) {
            const QChar n = text.at(i + 1);
            if (n == u'n') {
                out += u'\n';
                ++i;
                continue;
            }
            if (QStringLiteral("~=#{}:\\").contains(n)) {
                out += n;
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

/// The text of an "[html]" question: tags dropped, paragraphs and line breaks kept, the
/// common entities decoded.
QString htmlToText(const QString &html)
{
    QString text = html;
    static const QRegularExpression breaks(QStringLiteral("<\\s*(br|/p|/div|/li)[^>]*>"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    text.replace(breaks, QStringLiteral("\n"));
    text.remove(tags);
    static const QRegularExpression numeric(QStringLiteral("&#(x?)([0-9A-Fa-f]+);"));
    QString decoded;
    qsizetype last = 0;
    for (auto it = numeric.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        decoded += QStringView(text).mid(last, m.capturedStart() - last);
        bool ok = false;
        const uint code = m.captured(2).toUInt(&ok, m.captured(1).isEmpty() ? 10 : 16);
        if (ok && code > 0 && code <= 0x10FFFF)
            decoded += QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
        last = m.capturedEnd();
    }
    decoded += QStringView(text).mid(last);
    decoded.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
    decoded.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    decoded.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    decoded.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    decoded.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    decoded.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    QStringList lines = splitLines(decoded);
    for (QString &l : lines)
        l = l.trimmed();
    while (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines.join(u'\n').trimmed();
}

/// A question's text: escapes resolved, each line trimmed.
QString giftText(const QString &raw, bool html)
{
    QString text = unescapeGift(raw.simplified().isEmpty() ? QString() : raw);
    if (html)
        return htmlToText(text);
    QStringList lines = text.split(u'\n');
    for (QString &l : lines)
        l = l.simplified();
    return lines.join(u'\n').trimmed();
}

struct GiftAnswer
{
    QChar marker;
    double weight = 0;
    QString text;
    bool feedback = false;
};

/// One blank-line separated block of a GIFT file: its text and the file line of each of
/// its characters' lines.
struct GiftBlock
{
    QString text;
    QList<qsizetype> lineStarts; ///< offset in text where each line starts
    QList<int> lineNumbers;      ///< file line of each line

    int lineAt(qsizetype offset) const
    {
        const auto it = std::upper_bound(lineStarts.cbegin(), lineStarts.cend(), offset);
        const qsizetype index = std::max<qsizetype>(0, (it - lineStarts.cbegin()) - 1);
        return lineNumbers.value(index, lineNumbers.value(0));
    }
};

void readGiftBlock(const GiftBlock &block, ReadResult &result)
{
    const int first = block.lineNumbers.constFirst();
    const auto problem = [&](int line, Problem::Kind kind, const QString &why) {
        result.problems.append({line, kind, why});
    };
    QString text = block.text;
    qsizetype pos = 0;
    while (pos < text.size() && text.at(pos).isSpace())
        ++pos;

    // "::title::" names the question in the other system; the paper has no place for it.
    if (QStringView(text).mid(pos).startsWith(u"::")) {
        const qsizetype end = findUnescaped(text, QStringLiteral("::"), pos + 2);
        if (end < 0) {
            problem(first, Problem::Unreadable,
                    QStringLiteral("The title \"::\" is never closed by \"::\"."));
            return;
        }
        pos = end + 2;
    }
    while (pos < text.size() && text.at(pos).isSpace())
        ++pos;
    bool html = false;
    static const QRegularExpression formatMarker(QStringLiteral("^\\[(html|moodle|plain|markdown)\\]"),
                                                 QRegularExpression::CaseInsensitiveOption);
    const auto marker = formatMarker.match(QStringView(text).mid(pos));
    if (marker.hasMatch()) {
        html = marker.captured(1).compare(QStringLiteral("html"), Qt::CaseInsensitive) == 0;
        pos += marker.capturedLength();
    }

    const qsizetype open = findUnescaped(text, u'{', pos);
    if (open < 0) {
        problem(first, Problem::Skipped,
                QStringLiteral("Skipped: a text without an answer block \"{...}\" is no question."));
        return;
    }
    const qsizetype close = findUnescaped(text, u'}', open + 1);
    const qsizetype nested = findUnescaped(text, u'{', open + 1);
    if (close < 0) {
        problem(block.lineAt(open), Problem::Unreadable,
                QStringLiteral("The answer block \"{\" opened in this line is never closed by \"}\"."));
        return;
    }
    if (nested >= 0 && nested < close) {
        problem(block.lineAt(nested), Problem::Unreadable,
                QStringLiteral("A second \"{\" inside an answer block; write \\{ for a brace in a text."));
        return;
    }
    const QString after = text.mid(close + 1);
    if (findUnescaped(after, u'{') >= 0) {
        problem(first, Problem::Skipped,
                QStringLiteral("Skipped: a question with several answer blocks (embedded answers)."));
        return;
    }
    const QString before = text.mid(pos, open - pos);
    QString question;
    if (after.trimmed().isEmpty())
        question = giftText(before, html);
    else // "missing word": the answers fill the gap in the sentence
        question = giftText(before.trimmed() + QStringLiteral(" _____ ") + after.trimmed(), html);

    QString body = text.mid(open + 1, close - open - 1);
    QString explanation;
    const qsizetype general = findUnescaped(body, QStringLiteral("####"));
    if (general >= 0) {
        explanation = giftText(body.mid(general + 4), html);
        body = body.left(general);
    }
    const QString trimmed = body.trimmed();
    if (trimmed.isEmpty()) {
        problem(first, Problem::Skipped, QStringLiteral("Skipped: an essay question (empty answer block)."));
        return;
    }
    if (trimmed.startsWith(u'#')) {
        problem(first, Problem::Skipped, QStringLiteral("Skipped: a numerical question."));
        return;
    }

    Question q;
    q.line = first;
    q.text = question;
    q.explanation = explanation;

    static const QRegularExpression trueFalse(QStringLiteral("^(T|TRUE|F|FALSE)\\s*(#.*)?$"),
                                              QRegularExpression::CaseInsensitiveOption |
                                                  QRegularExpression::DotMatchesEverythingOption);
    const auto tf = trueFalse.match(trimmed);
    if (tf.hasMatch()) {
        q.choices = {QStringLiteral("True"), QStringLiteral("False")};
        q.answer = tf.captured(1).at(0).toUpper() == u'T' ? QStringLiteral("1") : QStringLiteral("2");
    } else {
        QList<GiftAnswer> answers;
        qsizetype i = 0;
        while (i < body.size() && body.at(i).isSpace())
            ++i;
        if (i < body.size() && body.at(i) != u'=' && body.at(i) != u'~') {
            problem(block.lineAt(open + 1 + i), Problem::Unreadable,
                    QStringLiteral("The answer block does not start with \"=\" (right) or \"~\" (wrong)."));
            return;
        }
        for (; i < body.size(); ++i) {
            const QChar c = body.at(i);
            if (c == u'\\') {
                if (!answers.isEmpty())
                    answers.last().text += QStringView(body).mid(i, 2);
                ++i;
                continue;
            }
            if (c == u'=' || c == u'~') {
                answers.append({c, c == u'=' ? 100.0 : 0.0, {}, false});
                continue;
            }
            answers.last().text += c;
        }
        bool feedback = false;
        for (int k = 0; k < answers.size(); ++k) {
            GiftAnswer &a = answers[k];
            static const QRegularExpression weight(QStringLiteral("^\\s*%(-?[0-9]+(?:[.,][0-9]+)?)%"));
            const auto w = weight.match(a.text);
            if (w.hasMatch()) {
                a.weight = w.captured(1).replace(u',', u'.').toDouble();
                a.text = a.text.mid(w.capturedLength());
            }
            if (findUnescaped(a.text, QStringLiteral("->")) >= 0) {
                problem(first, Problem::Skipped, QStringLiteral("Skipped: a matching question."));
                return;
            }
            const qsizetype hash = findUnescaped(a.text, u'#');
            if (hash >= 0) {
                feedback = true;
                a.text = a.text.left(hash);
            }
            a.text = giftText(a.text, html);
            if (a.text.isEmpty()) {
                problem(first, Problem::Unreadable,
                        QStringLiteral("Answer %1 of the question is empty.").arg(k + 1));
                return;
            }
        }
        const bool anyWrong = std::any_of(answers.cbegin(), answers.cend(),
                                          [](const GiftAnswer &a) { return a.marker == u'~'; });
        if (!anyWrong) {
            problem(
                first, Problem::Skipped,
                QStringLiteral("Skipped: a short-answer question (only \"=\" answers, no \"~\" choices)."));
            return;
        }
        if (answers.size() > MaxChoices) {
            problem(first, Problem::Skipped, tooManyChoices(int(answers.size())));
            return;
        }
        const auto full = [](const GiftAnswer &a) { return a.weight >= 99.99; };
        const int fullCount = int(std::count_if(answers.cbegin(), answers.cend(), full));
        QStringList partial;
        for (int k = 0; k < answers.size(); ++k) {
            const GiftAnswer &a = answers.at(k);
            q.choices.append(a.text);
            const bool right = fullCount > 0 ? full(a) : a.weight > 0;
            if (right)
                q.answer += QString::number(k + 1);
            else if (a.weight > 0)
                partial.append(QStringLiteral("%1 (%2%)").arg(letter(k), QString::number(a.weight)));
        }
        if (q.answer.isEmpty()) {
            problem(first, Problem::Skipped, QStringLiteral("Skipped: the question has no right answer."));
            return;
        }
        if (!partial.isEmpty())
            problem(
                first, Problem::Note,
                QStringLiteral("Partial credit of choice %1 is dropped: only the full-credit answer counts.")
                    .arg(partial.join(QStringLiteral(", "))));
        if (fullCount > 1)
            problem(first, Problem::Note,
                    QStringLiteral("%1 choices give full credit: the student must now tick all of them.")
                        .arg(fullCount));
        if (fullCount == 0 && q.answer.size() > 1)
            problem(first, Problem::Note,
                    QStringLiteral("Choices %1 share the credit: the student must tick all of them to score.")
                        .arg(QStringList([&] {
                                 QStringList l;
                                 for (QChar d : std::as_const(q.answer))
                                     l.append(letter(d.unicode() - u'1'));
                                 return l;
                             }())
                                 .join(QStringLiteral(", "))));
        if (feedback)
            problem(first, Problem::Note, QStringLiteral("The feedback of single answers is not kept."));
    }
    if (q.text.size() > MaxTextLength) {
        problem(first, Problem::Unreadable, tooLong(QStringLiteral("question")));
        return;
    }
    if (q.explanation.size() > MaxTextLength) {
        problem(first, Problem::Unreadable, tooLong(QStringLiteral("general feedback")));
        return;
    }
    if (q.text.isEmpty())
        problem(first, Problem::Note, QStringLiteral("The question has no text, only choices."));
    result.questions.append(q);
}

void sortProblems(ReadResult &result)
{
    std::stable_sort(result.problems.begin(), result.problems.end(),
                     [](const Problem &a, const Problem &b) { return a.line < b.line; });
}

} // namespace

QString decode(const QByteArray &bytes, QString &encoding, QString &error)
{
    error.clear();
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        encoding = QStringLiteral("UTF-8");
        QStringDecoder d(QStringDecoder::Utf8);
        const QString text = d.decode(bytes.mid(3));
        if (d.hasError()) {
            error = QStringLiteral("The file says it is UTF-8 text, but it holds bytes that are not.");
            return {};
        }
        return text;
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        encoding = QStringLiteral("UTF-16");
        QStringDecoder d(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        const QString text = d.decode(bytes.mid(2));
        if (d.hasError() || text.contains(QChar(0))) {
            error = QStringLiteral("The file says it is UTF-16 text, but it holds bytes that are not.");
            return {};
        }
        return text;
    }
    qsizetype controls = 0;
    for (const char c : bytes) {
        const uchar u = uchar(c);
        if (u == 0) {
            error = QStringLiteral("This is not a text file: it holds NUL bytes, as programs, pictures and "
                                   "word-processor documents do. Save the questions as plain text first.");
            return {};
        }
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r' && u != '\f' && u != 0x0b && u != 0x1a)
            ++controls;
    }
    if (controls > std::max<qsizetype>(8, bytes.size() / 1000)) {
        error = QStringLiteral("This is not a text file: it holds control characters that no text holds. "
                               "Save the questions as plain text first.");
        return {};
    }
    {
        QStringDecoder d(QStringDecoder::Utf8);
        const QString text = d.decode(bytes);
        if (!d.hasError()) {
            encoding = QStringLiteral("UTF-8");
            return text;
        }
    }
    encoding = ansi::codePageName();
    QStringDecoder d(encoding.toLatin1().constData());
    if (!d.isValid() || encoding.compare(QStringLiteral("UTF-8"), Qt::CaseInsensitive) == 0) {
        error =
            QStringLiteral("The file is not UTF-8 text, and this computer's code page (%1) cannot read it "
                           "either. Save the file as UTF-8 and import it again.")
                .arg(encoding);
        return {};
    }
    const QString text = d.decode(bytes);
    if (d.hasError() || text.contains(QChar::ReplacementCharacter)) {
        error =
            QStringLiteral("The file is neither UTF-8 text nor text in this computer's code page (%1). Save "
                           "the file as UTF-8 and import it again.")
                .arg(encoding);
        return {};
    }
    return text;
}

Format detect(const QString &text)
{
    int gift = 0;
    int aiken = 0;
    for (const QString &line : splitLines(text)) {
        const QString t = line.trimmed();
        if (t.startsWith(QStringLiteral("//")))
            continue;
        if (answerPattern().match(t).hasMatch())
            ++aiken;
        else if (t.startsWith(QStringLiteral("::")) || opensAnswerBlock(t))
            ++gift;
    }
    if (gift == 0 && aiken == 0)
        return Format::Unknown;
    return gift > aiken ? Format::Gift : Format::Aiken;
}

ReadResult readAiken(const QString &text)
{
    ReadResult result;
    result.format = Format::Aiken;
    const QStringList lines = splitLines(text);
    std::optional<AikenQuestion> q;
    // A blank line after the choices: what follows is the next question, not a broken line.
    bool gap = false;
    const auto problem = [&](int line, Problem::Kind kind, const QString &why) {
        result.problems.append({line, kind, why});
    };
    const auto noAnswer = [&] {
        if (q && !q->broken)
            problem(q->line, Problem::Unreadable,
                    QStringLiteral("The question that starts here has no \"ANSWER:\" line."));
        q.reset();
    };
    // answerAhead[i]: an ANSWER line comes from line i on before the next blank line. Then a
    // stray line belongs to the question before it. Worked out once, backwards, so that no
    // file makes the reading slow.
    QList<bool> answerAhead(lines.size() + 1, false);
    for (qsizetype j = lines.size() - 1; j >= 0; --j) {
        const QString t = lines.at(j).trimmed();
        answerAhead[j] = !t.isEmpty() && (answerPattern().match(t).hasMatch() || answerAhead[j + 1]);
    }

    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int lineNo = int(i + 1);
        const QString t = lines.at(i).trimmed();
        if (t.isEmpty()) {
            gap = q && !q->choices.isEmpty();
            continue;
        }
        const auto answer = answerPattern().match(t);
        if (answer.hasMatch()) {
            if (!q) {
                problem(lineNo, Problem::Unreadable,
                        QStringLiteral("An \"ANSWER:\" line without a question before it."));
                continue;
            }
            AikenQuestion done = *q;
            q.reset();
            if (done.broken)
                continue;
            if (done.choices.isEmpty()) {
                problem(done.line, Problem::Unreadable,
                        QStringLiteral("The question has no choices (lines \"A. ...\", \"B. ...\") before "
                                       "its ANSWER line."));
                continue;
            }
            if (done.choices.size() > MaxChoices) {
                problem(done.line, Problem::Skipped, tooManyChoices(int(done.choices.size())));
                continue;
            }
            QString why;
            const auto key = aikenKey(answer.captured(1), int(done.choices.size()), why);
            if (!key) {
                problem(lineNo, Problem::Unreadable, why);
                continue;
            }
            Question out;
            out.line = done.line;
            out.text = done.text.join(u'\n');
            out.choices = done.choices;
            out.answer = *key;
            if (out.text.size() > MaxTextLength) {
                problem(done.line, Problem::Unreadable, tooLong(QStringLiteral("question")));
                continue;
            }
            result.questions.append(out);
            continue;
        }
        const auto choice = choicePattern().match(t);
        if (q && choice.hasMatch()) {
            const int index = choice.captured(1).at(0).unicode() - u'A';
            const int expected = int(q->choices.size());
            if (index == expected) {
                const QString choiceText = choice.captured(2).trimmed();
                if (choiceText.isEmpty() && !q->broken) {
                    problem(lineNo, Problem::Unreadable,
                            QStringLiteral("Choice %1 has no text.").arg(letter(index)));
                    q->broken = true;
                }
                q->choices.append(choiceText);
                gap = false;
                continue;
            }
            if (expected > 0) {
                if (!q->broken)
                    problem(lineNo, Problem::Unreadable,
                            QStringLiteral("Choice %1 was expected here, not %2.")
                                .arg(letter(expected), letter(index)));
                q->broken = true;
                continue;
            }
            // "I. Read the text" before any choice is part of the question.
        }
        if (!q) {
            if (choice.hasMatch() && choice.captured(1) == u"A") {
                problem(lineNo, Problem::Unreadable,
                        QStringLiteral("A choice without a question before it."));
                q = AikenQuestion{lineNo, {}, {}, true};
                continue;
            }
            q = AikenQuestion{lineNo, {t}, {}, false};
            continue;
        }
        if (q->choices.isEmpty()) {
            q->text.append(t);
            continue;
        }
        if (!gap && answerAhead[i + 1]) {
            if (!q->broken)
                problem(lineNo, Problem::Unreadable,
                        QStringLiteral("This line is neither a choice (a letter, a dot and a blank) nor the "
                                       "\"ANSWER:\" line."));
            q->broken = true;
            continue;
        }
        noAnswer();
        q = AikenQuestion{lineNo, {t}, {}, false};
    }
    noAnswer();
    sortProblems(result);
    return result;
}

ReadResult readGift(const QString &text)
{
    ReadResult result;
    result.format = Format::Gift;
    const QStringList lines = splitLines(text);
    GiftBlock block;
    const auto flush = [&] {
        if (!block.text.trimmed().isEmpty())
            readGiftBlock(block, result);
        block = GiftBlock();
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (line.trimmed().isEmpty()) {
            flush();
            continue;
        }
        if (isComment(line))
            continue;
        // Categories sort questions in the other system; the paper has none.
        if (line.trimmed().startsWith(QStringLiteral("$CATEGORY:"), Qt::CaseInsensitive))
            continue;
        if (!block.text.isEmpty())
            block.text += u'\n';
        block.lineStarts.append(block.text.size());
        block.lineNumbers.append(int(i + 1));
        block.text += line;
        if (block.text.size() > 4 * MaxTextLength) {
            result.problems.append(
                {block.lineNumbers.constFirst(), Problem::Unreadable, tooLong(QStringLiteral("question"))});
            // Skip to the next blank line.
            while (i + 1 < lines.size() && !lines.at(i + 1).trimmed().isEmpty())
                ++i;
            block = GiftBlock();
        }
    }
    flush();
    sortProblems(result);
    return result;
}

ReadResult read(const QByteArray &bytes)
{
    ReadResult result;
    QString encoding;
    QString error;
    QString text = decode(bytes, encoding, error);
    // A stray control character would travel into the question's RTF file.
    for (QChar &c : text) {
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
            c = u' ';
    }
    if (!error.isEmpty()) {
        result.error = error;
        return result;
    }
    switch (detect(text)) {
    case Format::Aiken:
        result = readAiken(text);
        break;
    case Format::Gift:
        result = readGift(text);
        break;
    case Format::Unknown:
        result.error = text.trimmed().isEmpty()
                           ? QStringLiteral("The file is empty.")
                           : QStringLiteral("No question in the Aiken form (\"ANSWER: B\" lines) or the GIFT "
                                            "form (\"{=right ~wrong}\") was found in this file.");
        break;
    }
    result.encoding = encoding;
    return result;
}

ReadResult readFile(const QString &path)
{
    ReadResult result;
    const QFileInfo info(path);
    if (!info.isFile()) {
        result.error = QStringLiteral("The file cannot be found.");
        return result;
    }
    if (info.size() > MaxFileBytes) {
        result.error =
            QStringLiteral("The file is %1 MB, far more than any question bank; files of more than %2 MB "
                           "are not read. Split it into smaller files.")
                .arg(QString::number(double(info.size()) / (1024 * 1024), 'f', 0))
                .arg(MaxFileBytes / (1024 * 1024));
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("The file cannot be read: %1").arg(file.errorString());
        return result;
    }
    // A file that grows while it is read is cut at the limit rather than read without end.
    const QByteArray bytes = file.read(MaxFileBytes + 1);
    if (bytes.size() > MaxFileBytes) {
        result.error = QStringLiteral("The file is larger than %1 MB; it is not read.")
                           .arg(MaxFileBytes / (1024 * 1024));
        return result;
    }
    return read(bytes);
}

QString paperText(const Question &question)
{
    QStringList lines;
    if (!question.text.isEmpty())
        lines.append(question.text);
    lines.append(QString());
    for (int k = 0; k < question.choices.size(); ++k)
        lines.append(letter(k) + QStringLiteral(". ") + question.choices.at(k));
    return lines.join(u'\n');
}

void fillDocument(QTextDocument &doc, const QString &text, const QFont &font)
{
    doc.clear();
    doc.setDefaultFont(font);
    if (text.isEmpty())
        return;
    QTextCursor cursor(&doc);
    QTextCharFormat format;
    format.setFont(font);
    cursor.setCharFormat(format);
    cursor.insertText(text);
}

bool splitChoices(const QString &plainText, QString &question, QStringList &choices)
{
    QStringList lines = plainText.split(u'\n');
    for (QString &l : lines)
        l = l.trimmed();
    // From the last line back: G, F, ... down to A, blank lines between them allowed.
    QStringList found;
    int expected = -1;
    for (qsizetype j = lines.size() - 1; j >= 0; --j) {
        if (lines.at(j).isEmpty())
            continue;
        const auto m = choicePattern().match(lines.at(j));
        if (!m.hasMatch())
            return false;
        const int index = m.captured(1).at(0).unicode() - u'A';
        if (expected >= 0 && index != expected)
            return false;
        if (expected < 0 && index >= MaxChoices)
            return false;
        found.prepend(m.captured(2).trimmed());
        if (index == 0) {
            choices = found;
            question = lines.mid(0, j).join(u'\n').trimmed();
            return true;
        }
        expected = index - 1;
    }
    return false;
}

QString escapeGift(const QString &text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (QStringLiteral("~=#{}:\\").contains(c))
            out += u'\\';
        if (c == u'\n') {
            out += QStringLiteral("\\n");
            continue;
        }
        if (c == u'\r')
            continue;
        out += c;
    }
    return out;
}

QByteArray writeGift(const QList<ExportQuestion> &questions, const QString &titlePrefix, ExportReport *report)
{
    ExportReport local;
    ExportReport &r = report ? *report : local;
    r = ExportReport();
    const QString picture = QStringLiteral("[picture]");
    const auto withPictures = [&](QString text, bool &had) {
        had = had || text.contains(QChar::ObjectReplacementCharacter);
        return text.replace(QChar::ObjectReplacementCharacter, picture);
    };
    QStringList out;
    out.append(QStringLiteral("// %1: %2 questions").arg(titlePrefix).arg(questions.size()));
    out.append(QString());
    for (int i = 0; i < questions.size(); ++i) {
        const ExportQuestion &q = questions.at(i);
        bool hadPicture = false;
        const QString plain = withPictures(q.plainText, hadPicture);
        const QString explanation = withPictures(q.explanation, hadPicture).trimmed();
        if (hadPicture) {
            ++r.pictures;
            out.append(
                QStringLiteral("// Question %1 has pictures, which GIFT cannot hold; each is written as %2.")
                    .arg(i + 1)
                    .arg(picture));
        }
        QString stem;
        QStringList choices;
        bool split = splitChoices(plain, stem, choices);
        for (const QChar d : q.answer) {
            if (d.unicode() < u'1' || d.unicode() - u'0' > choices.size())
                split = false;
        }
        const QString title =
            QStringLiteral("::%1::").arg(escapeGift(QStringLiteral("%1 %2").arg(titlePrefix).arg(i + 1)));
        if (!split) {
            r.withoutChoices.append(i + 1);
            out.append(
                QStringLiteral("// Question %1: its choices could not be told apart in the text, so it is "
                               "written as text only (answer key: %2).")
                    .arg(i + 1)
                    .arg(q.answer.isEmpty() ? QStringLiteral("none") : q.answer));
            out.append(title + u' ' + escapeGift(plain.trimmed()) + QStringLiteral(" {"));
            if (!explanation.isEmpty())
                out.append(QStringLiteral("\t####") + escapeGift(explanation));
            out.append(QStringLiteral("}"));
            out.append(QString());
            continue;
        }
        const qsizetype rightCount = q.answer.size();
        if (rightCount == 0)
            out.append(QStringLiteral("// Question %1 has no answer key.").arg(i + 1));
        out.append(title + u' ' + escapeGift(stem) + QStringLiteral(" {"));
        for (int k = 0; k < choices.size(); ++k) {
            const bool right = q.answer.contains(QChar(u'1' + k));
            QString mark;
            if (rightCount <= 1)
                mark = right ? QStringLiteral("=") : QStringLiteral("~");
            else if (right)
                mark = QStringLiteral("~%") + QString::number(100.0 / double(rightCount), 'g', 7) + u'%';
            else
                mark = QStringLiteral("~%-100%");
            out.append(u'\t' + mark + escapeGift(choices.at(k)));
        }
        if (!explanation.isEmpty())
            out.append(QStringLiteral("\t####") + escapeGift(explanation));
        out.append(QStringLiteral("}"));
        out.append(QString());
    }
    return out.join(QStringLiteral("\r\n")).toUtf8();
}

} // namespace questionformats
