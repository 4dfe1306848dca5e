// The question editor's formatting commands, pictures and symbols, through the menus, the
// tool bars and the keyboard, and what of them the saved RTF keeps.
#include "tst_editorsupport.h"

#include "pictureinsert.h"
#include "prompt.h"
#include "symbolpalette.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextImageFormat>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

using namespace Qt::StringLiterals;
using namespace editortest;

namespace {

QAction *action(const Editor &e, const QString &name)
{
    auto *a = e.d.findChild<QAction *>(name);
    if (!a)
        qFatal("no action %s", qPrintable(name));
    return a;
}

/// Selects characters [from, to) of an editor.
void selectRange(RichTextBox *editor, int from, int to)
{
    QTextCursor cursor(editor->document());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
}

QTextCharFormat formatAt(RichTextBox *editor, int position)
{
    QTextCursor cursor(editor->document());
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

/// The pictures of a document: their shown sizes and resource bytes.
struct Picture
{
    QSizeF size;
    QByteArray data;
};
QList<Picture> picturesOf(const QTextDocument &document)
{
    QList<Picture> list;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!f.isImageFormat())
                continue;
            const QTextImageFormat image = f.toImageFormat();
            const QVariant resource = document.resource(QTextDocument::ImageResource, QUrl(image.name()));
            list.append({QSizeF(image.width(), image.height()), resource.toByteArray()});
        }
    }
    return list;
}

QString writeImage(const QTemporaryDir &dir, const QString &name, const QSize &size, const char *format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const QString path = dir.filePath(name);
    if (!image.save(path, format))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace

class TestEditorFormat : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_root = std::make_unique<TestDataRoot>();
        writeCatalogue(*m_root, {u"Maths"_s});
        writePaper(*m_root, u"Maths"_s, simpleQuestions(2));
    }
    void cleanup()
    {
        closeAllWindows();
        m_root.reset();
    }

    // Bold, italic, underline, superscript and subscript toggle on the selection from the
    // menu and from the keyboard, show their state where the cursor stands, act on one
    // editor only, and survive the save.
    void formattingTogglesAndIsSaved()
    {
        Editor e(u"Maths"_s);
        RichTextBox *q = e.question();
        QCOMPARE(q->plainText(), u"Question 1"_s);

        selectRange(q, 0, 8); // "Question"
        action(e, u"mnuBold"_s)->trigger();
        QVERIFY(formatAt(q, 0).fontWeight() >= QFont::Bold);
        QVERIFY(formatAt(q, 9).fontWeight() < QFont::DemiBold);
        QVERIFY(action(e, u"mnuBold"_s)->isChecked());
        QVERIFY(!action(e, u"mnurich2Bold"_s)->isChecked());

        // The keyboard: the shortcuts work while the editor has the focus.
        q->setFocus();
        QTRY_VERIFY(q->hasFocus());
        selectRange(q, 9, 10); // "1"
        QTest::keyClick(q, Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(formatAt(q, 9).verticalAlignment(), QTextCharFormat::AlignSubScript);
        QTest::keyClick(q, Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(formatAt(q, 9).verticalAlignment(), QTextCharFormat::AlignSuperScript);
        QVERIFY(action(e, u"mnuSuperscript"_s)->isChecked());
        QVERIFY(!action(e, u"mnuSubscript"_s)->isChecked());
        selectRange(q, 0, 4);
        QTest::keyClick(q, Qt::Key_I, Qt::ControlModifier);
        QTest::keyClick(q, Qt::Key_U, Qt::ControlModifier);
        QVERIFY(formatAt(q, 0).fontItalic());
        QVERIFY(formatAt(q, 0).fontUnderline());
        // Pressed again, bold comes off.
        QTest::keyClick(q, Qt::Key_B, Qt::ControlModifier);
        QVERIFY(formatAt(q, 0).fontWeight() < QFont::DemiBold);
        QVERIFY(formatAt(q, 5).fontWeight() >= QFont::Bold);

        // The state follows the cursor.
        QTextCursor cursor(q->document());
        cursor.setPosition(7);
        q->setTextCursor(cursor);
        QVERIFY(action(e, u"mnuBold"_s)->isChecked());
        QVERIFY(!action(e, u"mnuItalic"_s)->isChecked());
        cursor.setPosition(2);
        q->setTextCursor(cursor);
        QVERIFY(!action(e, u"mnuBold"_s)->isChecked());
        QVERIFY(action(e, u"mnuItalic"_s)->isChecked());

        // The other editor is untouched.
        for (QTextBlock b = e.explanation()->document()->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                QVERIFY(it.fragment().charFormat().fontWeight() < QFont::DemiBold);

        // The tool bar's size box sets the size of the selection.
        auto *size = e.get<QComboBox>(u"ToolRichSize"_s);
        selectRange(q, 0, 4);
        const int index = size->findData(20);
        size->setCurrentIndex(index);
        emit size->activated(index);
        QCOMPARE(formatAt(q, 0).fontPointSize(), 20.0);

        e.click(u"Cmd_ok"_s);
        QTextDocument saved;
        QVERIFY(rtf::loadFile(m_root->file(u"SHIJUAN/Maths/q1.RTF"_s), saved));
        QTextCursor read(&saved);
        read.setPosition(1);
        QVERIFY(read.charFormat().fontItalic());
        QVERIFY(read.charFormat().fontUnderline());
        QCOMPARE(read.charFormat().fontPointSize(), 20.0);
        read.setPosition(6);
        QVERIFY(read.charFormat().fontWeight() >= QFont::DemiBold);
        read.setPosition(10);
        QCOMPARE(read.charFormat().verticalAlignment(), QTextCharFormat::AlignSuperScript);
    }

    // Both editors have their tool bar right above them, with the formatting commands.
    void toolBarsStandAboveTheirEditors()
    {
        Editor e(u"Maths"_s);
        auto *bar = e.get<QToolBar>(u"ToolRich"_s);
        auto *bar2 = e.get<QToolBar>(u"ToolRich2"_s);
        QVERIFY(bar->isVisible() && bar2->isVisible());
        QVERIFY(bar->geometry().bottom() < e.question()->geometry().top());
        QVERIFY(bar2->geometry().bottom() < e.explanation()->geometry().top());
        QVERIFY(bar->geometry().top() > e.get(u"labelQuestion"_s)->geometry().top());
        QVERIFY(bar->actions().contains(action(e, u"mnuBold"_s)));
        QVERIFY(bar2->actions().contains(action(e, u"mnurich2Subscript"_s)));
        // The menu keeps its items in their order, the new ones after the colour.
        const QList<QAction *> items = e.get<QMenu>(u"MenuRich"_s)->actions();
        const auto at = [&](const QString &name) { return items.indexOf(action(e, name)); };
        QVERIFY(at(u"mnuundo"_s) < at(u"MNU颜色"_s));
        QVERIFY(at(u"MNU颜色"_s) < at(u"mnuBold"_s));
        QVERIFY(at(u"mnuSubscript"_s) < at(u"mnuPicture"_s));
    }

    // Pictures from files: a wide one is scaled to the editor, a photograph stays a JPEG, an
    // SVG is drawn; what is not a picture is refused with a message. Each reads back from
    // the saved file at its size.
    void picturesAreInsertedScaledAndSaved()
    {
        QTemporaryDir files;
        const QString wide = writeImage(files, u"wide.png"_s, QSize(3000, 600), "PNG");
        const QString photo = writeImage(files, u"photo.jpg"_s, QSize(120, 80), "JPEG");
        const QString svg = files.filePath(u"shape.svg"_s);
        {
            QFile f(svg);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("<svg xmlns='http://www.w3.org/2000/svg' width='90' height='60'>"
                    "<circle cx='45' cy='30' r='25' fill='red'/></svg>");
        }
        const QString junk = files.filePath(u"notes.png"_s);
        {
            QFile f(junk);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("this is not a picture at all");
        }

        Editor e(u"Maths"_s);
        RichTextBox *q = e.question();
        q->moveCursor(QTextCursor::End);
        const int room = pictures::widthFor(*q);
        prompt::ScopedScript script;
        script->queue(wide);
        script->queue(photo);
        script->queue(svg);
        script->queue(junk);
        for (int i = 0; i < 4; ++i)
            action(e, u"mnuPicture"_s)->trigger();
        QCOMPARE(script->records().size(), 5);
        QVERIFY(script->records().last().text.contains(u"notes.png"_s));
        QVERIFY(script->records().last().text.contains(u"not a picture"_s));

        const QList<Picture> inserted = picturesOf(*q->document());
        QCOMPARE(inserted.size(), 3);
        QVERIFY(room > 300);
        QCOMPARE(inserted[0].size.width(), double(room));
        QCOMPARE(inserted[0].size.height(), double(600 * room / 3000));
        QVERIFY(inserted[0].data.startsWith("\x89PNG"));
        QCOMPARE(inserted[1].size, QSizeF(120, 80));
        QVERIFY(inserted[1].data.startsWith("\xff\xd8"));
        QCOMPARE(inserted[2].size, QSizeF(90, 60));
        QVERIFY(inserted[2].data.startsWith("\x89PNG"));
        const QImage drawn = QImage::fromData(inserted[2].data);
        QCOMPARE(drawn.pixelColor(45, 30), QColor(Qt::red));

        e.click(u"Cmd_ok"_s);
        QTextDocument saved;
        QVERIFY(rtf::loadFile(m_root->file(u"SHIJUAN/Maths/q1.RTF"_s), saved));
        const QList<Picture> read = picturesOf(saved);
        QCOMPARE(read.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(read[i].size.toSize(), inserted[i].size.toSize());
            QCOMPARE(QImage::fromData(read[i].data).size(), QImage::fromData(inserted[i].data).size());
        }
    }

    // A photograph of 50 megapixels is read at the editor's width, not whole.
    void hugePictureIsReadScaled()
    {
        QTemporaryDir files;
        const QString big = writeImage(files, u"big.jpg"_s, QSize(8660, 5780), "JPEG");
        QString error;
        const auto picture = pictures::prepare(big, 600, &error);
        QVERIFY2(picture, qPrintable(error));
        QCOMPARE(picture->shownSize, QSize(600, 400));
        QVERIFY(!pictures::prepare(files.filePath(u"missing.png"_s), 600, &error));
        QVERIFY(error.contains(u"missing.png"_s));
    }

    // The palette is used by keyboard and inserts at the cursor; every symbol survives the
    // RTF round trip in the code pages teachers' machines use.
    void symbolsInsertAndSurviveEveryCodePage()
    {
        Editor e(u"Maths"_s);
        RichTextBox *q = e.question();
        q->moveCursor(QTextCursor::End);
        QTimer::singleShot(0, this, [] {
            auto *palette = qobject_cast<SymbolPalette *>(QApplication::activeModalWidget());
            QVERIFY(palette);
            auto *list = palette->findChild<QListWidget *>(u"ListSymbols"_s);
            QTest::keyClick(list, Qt::Key_Right);
            QTest::keyClick(list, Qt::Key_Right);
            QTest::keyClick(list, Qt::Key_Return);
        });
        action(e, u"mnuSymbol"_s)->trigger();
        QCOMPARE(q->plainText(), u"Question 1"_s + SymbolPalette::symbols().at(2));

        const QString all = SymbolPalette::symbols().join(QString());
        QTextDocument document;
        QTextCursor(&document).insertText(all);
        for (int codePage : {1252, 936, 950, 932, 949, 1251, 1250}) {
            QTextDocument back;
            QVERIFY(rtf::read(rtf::write(document, codePage), back));
            QCOMPARE(back.toPlainText(), all);
        }
    }

private:
    std::unique_ptr<TestDataRoot> m_root;
};

QTEST_MAIN(TestEditorFormat)
#include "tst_editorformat.moc"
