// Footnotes, endnotes and comments: read into the notes area, written back as notes at their
// anchors, and kept through edits of the text and of the notes.
#include "rtf/notes.h"
#include "rtf/rtf.h"

#include <QFile>
#include <QGuiApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextTable>

namespace {

// As Word writes them: a comment on a range, a footnote of two paragraphs, one with a mark of
// its own, an endnote; a picture in the second footnote.
const QByteArray Notes =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}}\r\n"
    "\\pard\\plain \\fs24 Anna read {\\*\\atrfstart 0}three books{\\*\\atrfend 0}{\\*\\atnid AL}"
    "{\\*\\atnauthor Ann Lee}{\\chatn }{\\*\\annotation{\\*\\atnref 0}{\\*\\atntime \\yr2024\\mo3\\dy4}"
    "\\pard\\plain \\fs20{\\chatn }Is it \\u19977?three?}"
    " in May{\\cs15\\super \\chftn {\\footnote \\pard\\plain \\fs20 {\\cs15\\super \\chftn } The month of "
    "\\b May\\b0 .\\par \\pard\\plain \\fs20 A second paragraph.}} and in June{\\super *}{\\footnote "
    "\\pard\\plain \\fs20 {\\super *} Custom mark {\\pict\\pngblip\\picw1\\pich1\\picwgoal300\\pichgoal300 "
    "89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de0000000c49444154789c63f8cf"
    "c0000003010100c9fe92ef0000000049454e44ae426082}.}.\\par\r\n"
    "How many?{\\cs15\\super \\chftn {\\footnote\\ftnalt \\pard\\plain \\fs20 {\\cs15\\super \\chftn } An "
    "endnote.}}\\par\r\n}";

struct NoteText
{
    rtf::NoteInfo info;
    QStringList paragraphs;
};

/// The notes area of doc: each note with its paragraphs' text.
QList<NoteText> notesOf(const QTextDocument &doc)
{
    QList<NoteText> notes;
    int last = -1;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const int id = block.blockFormat().intProperty(rtf::NoteIdProperty);
        if (!rtf::isNotesAreaBlock(block) || id == 0)
            continue;
        if (id != last)
            notes.append(
                {rtf::NoteInfo::fromVariant(block.blockFormat().property(rtf::NoteInfoProperty)), {}});
        last = id;
        notes.last().paragraphs << block.text();
    }
    return notes;
}

/// The body's text without the notes area.
QString bodyOf(const QTextDocument &doc)
{
    QStringList lines;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (!rtf::isNotesAreaBlock(block))
            lines << block.text();
    }
    return lines.join(u'\n');
}

/// How deep the tables around the first block holding text are, 0 outside tables.
int depthOf(const QTextDocument &doc, const QString &text)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (!block.text().contains(text))
            continue;
        int depth = 0;
        for (QTextFrame *frame = QTextCursor(block).currentFrame(); frame && frame != doc.rootFrame();
             frame = frame->parentFrame())
            depth += qobject_cast<QTextTable *>(frame) ? 1 : 0;
        return depth;
    }
    return -1;
}

QTextCursor find(QTextDocument &doc, const QString &text)
{
    const QTextCursor found = doc.find(text);
    if (found.isNull())
        qFatal("not found: %s", qPrintable(text));
    return found;
}

/// text with each "@" an anchor, as the document shows notes in the text.
QString anchored(const char16_t *text)
{
    return QString::fromUtf16(text).replace(u'@', QChar::ObjectReplacementCharacter);
}

QStringList list(std::initializer_list<const char16_t *> texts)
{
    QStringList result;
    for (const char16_t *text : texts)
        result << anchored(text);
    return result;
}

} // namespace

class TestRtfNotes : public QObject
{
    Q_OBJECT

private slots:
    void notesAreShownAtTheEndUnderARule()
    {
        QTextDocument doc;
        QVERIFY(rtf::read(Notes, doc));
        QCOMPARE(bodyOf(doc), anchored(u"Anna read three books[AL1]@ in May1@ and in June*@.\nHow many?3@"));
        const QList<NoteText> notes = notesOf(doc);
        QCOMPARE(notes.size(), 4);
        // Footnotes and the endnote first, numbered as read; the comment after them.
        QCOMPARE(notes.at(0).info.kind, rtf::NoteKind::Footnote);
        QCOMPARE(notes.at(0).paragraphs, list({u"1 The month of May.", u"A second paragraph."}));
        QCOMPARE(notes.at(1).paragraphs, list({u"* Custom mark @."}));
        QCOMPARE(notes.at(2).info.kind, rtf::NoteKind::Endnote);
        QCOMPARE(notes.at(2).paragraphs, list({u"3 An endnote."}));
        const rtf::NoteInfo comment = notes.at(3).info;
        QCOMPARE(comment.kind, rtf::NoteKind::Comment);
        QCOMPARE(comment.initials, QStringLiteral("AL"));
        QCOMPARE(comment.author, QStringLiteral("Ann Lee"));
        QCOMPARE(comment.reference, QStringLiteral("0"));
        QCOMPARE(comment.kept, QList<QByteArray>({"{\\*\\atntime \\yr2024\\mo3\\dy4}"}));
        QCOMPARE(notes.at(3).paragraphs, list({u"[AL1] Ann Lee: Is it \u4E09three?"}));

        // The rule opens the notes area; the numbers are superscript, the comment's range marked.
        const QTextBlock rule = find(doc, QStringLiteral("A second")).block().previous().previous();
        QVERIFY(rule.blockFormat().hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth));
        QCOMPARE(rule.blockFormat().intProperty(rtf::NoteIdProperty), 0);
        QTextCursor number = find(doc, QStringLiteral("May1"));
        QCOMPARE(number.charFormat().verticalAlignment(), QTextCharFormat::AlignSuperScript);
        QCOMPARE(number.charFormat().stringProperty(rtf::NoteNumberProperty), QStringLiteral("1"));
        QCOMPARE(find(doc, QStringLiteral("books")).charFormat().stringProperty(rtf::CommentRangeProperty),
                 QStringLiteral("0"));
        QVERIFY(!find(doc, QStringLiteral("Anna")).charFormat().hasProperty(rtf::CommentRangeProperty));

        // The footnote's picture is a resource of the document like any other.
        QTextCursor after = find(doc, QStringLiteral("Custom mark "));
        after.setPosition(after.selectionEnd() + 1);
        QVERIFY(after.charFormat().isImageFormat());
        QVERIFY(doc.resource(QTextDocument::ImageResource, QUrl(after.charFormat().toImageFormat().name()))
                    .isValid());
        QCOMPARE(rtf::plainText(Notes), doc.toPlainText());
    }

    void notesAreWrittenAsNotesAtTheirAnchors()
    {
        QTextDocument doc;
        QVERIFY(rtf::read(Notes, doc));
        const QByteArray written = rtf::write(doc, 1252);
        QVERIFY(written.contains("{\\super\\chftn}{\\footnote\\pard"));
        QVERIFY(written.contains("{\\footnote\\ftnalt\\pard"));
        QVERIFY(written.contains("{\\*\\atrfstart 0}"));
        QVERIFY(
            written.contains("{\\*\\atrfend 0}{\\*\\atnid AL}{\\*\\atnauthor Ann Lee}\\chatn{\\*\\annotation"
                             "{\\*\\atnref 0}{\\*\\atntime \\yr2024\\mo3\\dy4}\\pard"));
        // The notes area and the labels the reader added are not text of the file.
        QCOMPARE(written.count("The month of"), 1);
        QCOMPARE(written.count("An endnote."), 1);
        QVERIFY(!written.contains("[AL1]"));
        QVERIFY(!written.contains("Ann Lee:"));
        QVERIFY(written.indexOf("The month of") < written.indexOf(" and in June"));

        QTextDocument back;
        QVERIFY(rtf::read(written, back));
        QCOMPARE(back.toPlainText(), doc.toPlainText());
        QCOMPARE(rtf::write(back, 1252), written);
    }

    void aFootnoteInANestedCellKeepsBoth()
    {
        // Word's form: the footnote at its anchor inside a cell of a table in a cell.
        const QByteArray data =
            "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times New Roman;}}\r\n"
            "\\pard\\intbl Outer\\cell\\pard\\intbl Above\\par\r\n"
            "\\pard\\intbl\\itap2 Inner{\\cs15\\super\\chftn{\\footnote\\pard\\plain{\\cs15\\super\\chftn} In the "
            "cell.}} text\\nestcell\\pard\\intbl\\itap2 Two\\nestcell{\\*\\nesttableprops\\trowd\\cellx1000"
            "\\cellx2000\\nestrow}{\\nonesttables\\par}\r\n"
            "\\pard\\intbl After\\cell\\trowd\\cellx3000\\cellx6000\\row\\pard Tail\\par}";
        QTextDocument doc;
        QVERIFY(rtf::read(data, doc));
        QCOMPARE(depthOf(doc, QStringLiteral("Inner")), 2);
        QCOMPARE(depthOf(doc, QStringLiteral("After")), 1);
        QCOMPARE(depthOf(doc, QStringLiteral("Tail")), 0);
        QCOMPARE(find(doc, QStringLiteral("Inner")).block().text(), anchored(u"Inner1@ text"));
        QList<NoteText> notes = notesOf(doc);
        QCOMPARE(notes.size(), 1);
        QCOMPARE(notes.at(0).paragraphs, list({u"1 In the cell."}));
        QCOMPARE(depthOf(doc, QStringLiteral("In the cell.")), 0);

        const QByteArray written = rtf::write(doc, 1252);
        // The note is written inside the nested cell, the notes area nowhere as text.
        const qsizetype note = written.indexOf("{\\footnote");
        QVERIFY(note > written.indexOf("\\itap2 Inner"));
        QVERIFY(note < written.indexOf("text\\nestcell"));
        QCOMPARE(written.count("In the cell."), 1);
        QCOMPARE(written.count("\\nestrow}{\\nonesttables\\par}"), 1);
        QCOMPARE(written.count("\\row"), 1);

        QTextDocument back;
        QVERIFY(rtf::read(written, back));
        QCOMPARE(back.toPlainText(), doc.toPlainText());
        QCOMPARE(depthOf(back, QStringLiteral("Inner")), 2);
        QCOMPARE(depthOf(back, QStringLiteral("Two")), 2);
        notes = notesOf(back);
        QCOMPARE(notes.size(), 1);
        QCOMPARE(notes.at(0).paragraphs, list({u"1 In the cell."}));
        QCOMPARE(rtf::write(back, 1252), written);
        QCOMPARE(rtf::plainText(written), back.toPlainText());
    }

    void anEditOfTheTextKeepsTheNotes()
    {
        QTextDocument doc;
        QVERIFY(rtf::read(Notes, doc));
        const QList<NoteText> before = notesOf(doc);
        QTextCursor cursor(&doc);
        cursor.insertText(QStringLiteral("Read: "));
        find(doc, QStringLiteral("How many?")).insertText(QStringLiteral("How many books?"));
        cursor = find(doc, QStringLiteral("How many books?"));
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.insertBlock();
        cursor.insertText(QStringLiteral("A new paragraph."));

        QTextDocument back;
        QVERIFY(rtf::read(rtf::write(doc, 1252), back));
        QCOMPARE(bodyOf(back), anchored(u"Read: Anna read three books[AL1]@ in May1@ and in June*@.\n"
                                        u"How many books?3@\nA new paragraph."));
        const QList<NoteText> after = notesOf(back);
        QCOMPARE(after.size(), before.size());
        for (qsizetype i = 0; i < after.size(); ++i) {
            QCOMPARE(after.at(i).paragraphs, before.at(i).paragraphs);
            QCOMPARE(after.at(i).info, before.at(i).info);
        }
    }

    void anEditInTheNotesIsKept()
    {
        QTextDocument doc;
        QVERIFY(rtf::read(Notes, doc));
        // Typed right after the comment's label and after a footnote's number: both take their
        // format, and must still be written as text.
        QTextCursor cursor = find(doc, QStringLiteral("Ann Lee: "));
        cursor.clearSelection();
        cursor.insertText(QStringLiteral("Yes. "));
        cursor = find(doc, QStringLiteral("3 An endnote."));
        cursor.setPosition(cursor.selectionStart() + 1);
        cursor.insertText(QStringLiteral("b"));
        // A new paragraph inside a footnote belongs to it.
        cursor = find(doc, QStringLiteral("A second paragraph."));
        cursor.clearSelection();
        cursor.insertBlock();
        cursor.insertText(QStringLiteral("A third one."));

        QTextDocument back;
        QVERIFY(rtf::read(rtf::write(doc, 1252), back));
        const QList<NoteText> notes = notesOf(back);
        QCOMPARE(notes.size(), 4);
        QCOMPARE(notes.at(0).paragraphs,
                 list({u"1 The month of May.", u"A second paragraph.", u"A third one."}));
        QCOMPARE(notes.at(2).paragraphs, list({u"3b An endnote."}));
        QCOMPARE(notes.at(3).paragraphs, list({u"[AL1] Ann Lee: Yes. Is it \u4E09three?"}));
    }

    void textJoinedToTheRuleIsKept()
    {
        QTextDocument doc;
        QVERIFY(rtf::read(Notes, doc));
        // Backspace at the start of the first note joins its paragraph to the rule.
        QTextCursor cursor = find(doc, QStringLiteral("1 The month"));
        cursor.setPosition(cursor.selectionStart());
        cursor.deletePreviousChar();
        QTextDocument back;
        QVERIFY(rtf::read(rtf::write(doc, 1252), back));
        QVERIFY(back.toPlainText().contains(QStringLiteral("The month of May.")));
        QVERIFY(back.toPlainText().contains(QStringLiteral("A second paragraph.")));
    }

    void notesWithoutAnchorOrTextAreNotLost()
    {
        QTextDocument doc;
        QVERIFY(rtf::read(Notes, doc));
        // The first footnote's anchor goes with the text around it: the note moves to the end.
        QTextCursor cursor = find(doc, anchored(u"May1@"));
        cursor.removeSelectedText();
        // The endnote's paragraphs are deleted: it is gone, its anchor writes nothing.
        cursor = find(doc, QStringLiteral("3 An endnote."));
        cursor.movePosition(QTextCursor::StartOfBlock);
        cursor.movePosition(QTextCursor::PreviousCharacter);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();

        const QByteArray written = rtf::write(doc, 1252);
        QCOMPARE(written.count("The month of"), 1);
        QVERIFY(!written.contains("An endnote"));
        QTextDocument back;
        QVERIFY(rtf::read(written, back));
        QStringList texts;
        for (const NoteText &note : notesOf(back))
            texts << note.paragraphs.join(u'|');
        QCOMPARE(texts, list({u"* Custom mark @.", u"2 The month of May.|A second paragraph.",
                              u"[AL1] Ann Lee: Is it \u4E09three?"}));
    }

    void pastedNotesJoinTheNotesArea()
    {
        QTextDocument doc;
        QVERIFY(rtf::read(Notes, doc));
        QTextDocument pasted;
        QVERIFY(rtf::read("{\\rtf1 X{\\super\\chftn}{\\footnote P}Y\\par}", pasted));
        QTextCursor cursor(&doc);
        rtf::insertWithNotes(cursor, pasted);
        // One rule, the pasted note after the others, its anchor where it was pasted.
        int rules = 0;
        for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
            rules += block.blockFormat().hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth) ? 1 : 0;
        QCOMPARE(rules, 1);
        QCOMPARE(notesOf(doc).last().paragraphs, list({u"1 P"}));
        QVERIFY(bodyOf(doc).startsWith(anchored(u"X1@YAnna read")));

        QTextDocument back;
        QVERIFY(rtf::read(rtf::write(doc, 1252), back));
        QStringList texts;
        for (const NoteText &note : notesOf(back))
            texts << note.paragraphs.join(u'|');
        QCOMPARE(texts, list({u"1 P", u"2 The month of May.|A second paragraph.", u"* Custom mark @.",
                              u"4 An endnote.", u"[AL1] Ann Lee: Is it \u4E09three?"}));
    }

    void aDocumentWithoutNotesHasNoNotesArea()
    {
        QTextDocument doc;
        QVERIFY(rtf::read("{\\rtf1 Plain {\\super\\chftn} text.\\par}", doc));
        QCOMPARE(doc.blockCount(), 1);
        QCOMPARE(doc.toPlainText(), QStringLiteral("Plain 1 text."));
        QVERIFY(!rtf::write(doc, 1252).contains("footnote"));
    }
};

QTEST_MAIN(TestRtfNotes)
#include "tst_rtfnotes.moc"
