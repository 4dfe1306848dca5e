#include "richtextbox.h"
#include "rtf/rtf.h"
#include "rtfdump.h"
#include "testsupport.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QVBoxLayout>

namespace {

const QByteArray Question =
    "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red192\\green0\\blue0;}"
    "\\pard\\f0\\fs24 What is \\b 25 + 17\\b0 ?\\par A. 42\\par}";

QTextCharFormat formatAt(RichTextBox &box, int position)
{
    QTextCursor cursor(box.document());
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

void select(RichTextBox &box, int from, int to)
{
    QTextCursor cursor(box.document());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    box.setTextCursor(cursor);
}

} // namespace

class TestRichTextBox : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        QApplication::clipboard()->clear();
        closeAllWindows();
    }

    void loadReplacesContentAndBindsTheFile()
    {
        TestDataRoot root;
        root.write(QStringLiteral("q.RTF"), Question);
        RichTextBox box;
        box.setPlainText(QStringLiteral("previous"));
        QSignalSpy changed(&box, &RichTextBox::contentChanged);
        QVERIFY(box.loadFile(root.file(QStringLiteral("q.RTF"))));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(box.fileName(), root.file(QStringLiteral("q.RTF")));
        QCOMPARE(box.plainText(), QStringLiteral("What is 25 + 17?\nA. 42"));
        QVERIFY(formatAt(box, 8).fontWeight() >= QFont::DemiBold);
        QVERIFY(!box.document()->isUndoAvailable()); // loading is no edit to undo
        QVERIFY(!box.document()->isModified());
        QCOMPARE(box.textCursor().position(), 0);
    }

    void failedLoadLeavesTheControlEmptyAndUnbound_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing file") << QStringLiteral("missing.RTF") << QByteArray();
        QTest::newRow("empty path") << QString() << QByteArray();
        QTest::newRow("plain text") << QStringLiteral("plain.RTF") << QByteArray("What is 25 + 17?\r\n");
        QTest::newRow("empty file") << QStringLiteral("empty.RTF") << QByteArray("");
        QTest::newRow("a folder") << QStringLiteral("folder") << QByteArray();
    }

    void failedLoadLeavesTheControlEmptyAndUnbound()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        TestDataRoot root;
        root.write(QStringLiteral("q.RTF"), Question);
        if (!content.isNull())
            root.write(file, content);
        if (file == QLatin1String("folder"))
            QDir(root.path()).mkdir(file);
        RichTextBox box;
        QVERIFY(box.loadFile(root.file(QStringLiteral("q.RTF"))));
        QSignalSpy changed(&box, &RichTextBox::contentChanged);
        QVERIFY(!box.loadFile(file.isEmpty() ? QString() : root.file(file)));
        QVERIFY(box.document()->isEmpty());
        QCOMPARE(box.plainText(), QString());
        QCOMPARE(box.fileName(), QString());
        QCOMPARE(changed.count(), 1);
    }

    void saveWritesRtfAndBinds()
    {
        TestDataRoot root;
        RichTextBox box;
        box.setHtml(QStringLiteral("<p>Plain <b>bold</b> <span style='color:#c00000'>red</span></p>"));
        const QString path = root.file(QStringLiteral("new.RTF"));
        root.write(QStringLiteral("new.RTF"), QByteArray(5000, 'x'));
        QVERIFY(box.saveFile(path));
        QCOMPARE(box.fileName(), path);
        QVERIFY(root.read(QStringLiteral("new.RTF")).startsWith("{\\rtf1"));
        RichTextBox other;
        QVERIFY(other.loadFile(path));
        QCOMPARE(dumpDocument(*other.document(), DumpForm::Effective),
                 dumpDocument(*box.document(), DumpForm::Effective));
        // A file that cannot be written leaves the binding alone.
        QVERIFY(!box.saveFile(root.file(QStringLiteral("no/such/folder/x.RTF"))));
        QVERIFY(!box.saveFile(QString()));
        QCOMPARE(box.fileName(), path);
    }

    void unbindingKeepsTheContent()
    {
        TestDataRoot root;
        root.write(QStringLiteral("q.RTF"), Question);
        RichTextBox box;
        QVERIFY(box.loadFile(root.file(QStringLiteral("q.RTF"))));
        box.setFileName(QString());
        QCOMPARE(box.fileName(), QString());
        QCOMPARE(box.plainText(), QStringLiteral("What is 25 + 17?\nA. 42"));
    }

    void contentChangesAreReported()
    {
        RichTextBox box;
        QSignalSpy changed(&box, &RichTextBox::contentChanged);
        QTest::keyClicks(&box, QStringLiteral("ab"));
        QCOMPARE(changed.count(), 2);
        box.clear();
        QCOMPARE(changed.count(), 3);
        select(box, 0, 0);
        box.setPlainText(QStringLiteral("xyz"));
        select(box, 0, 2);
        const int before = int(changed.count());
        box.setSelectionColor(Qt::red);
        QVERIFY(changed.count() > before);
    }

    void selectionLengthAndSetters()
    {
        RichTextBox box;
        box.setPlainText(QStringLiteral("one two three"));
        QCOMPARE(box.selectionLength(), 0);
        QSignalSpy selection(&box, &QTextEdit::selectionChanged);
        select(box, 8, 4); // backwards
        QCOMPARE(box.selectionLength(), 4);
        QVERIFY(selection.count() > 0);
        box.setSelectionFontName(QStringLiteral("Courier New"));
        box.setSelectionFontSize(40);
        box.setSelectionColor(QColor(0, 0, 255));
        const QTextCharFormat two = formatAt(box, 4);
        QCOMPARE(two.fontFamilies().toStringList(), QStringList{QStringLiteral("Courier New")});
        QCOMPARE(two.fontPointSize(), 40.0);
        QCOMPARE(two.foreground().color(), QColor(0, 0, 255));
        const QTextCharFormat one = formatAt(box, 0);
        QVERIFY(one.fontPointSize() != 40.0);
        QVERIFY(!one.hasProperty(QTextFormat::ForegroundBrush));
        QVERIFY(!formatAt(box, 8).hasProperty(QTextFormat::ForegroundBrush));
        // Size 5, the smallest the menus offer, survives a save.
        select(box, 0, 3);
        box.setSelectionFontSize(5);
        QTextDocument back;
        QVERIFY(rtf::read(rtf::write(*box.document()), back));
        QTextCursor cursor(&back);
        cursor.setPosition(1);
        QCOMPARE(cursor.charFormat().fontPointSize(), 5.0);
    }

    void focusAndMouseNotifications()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *box = new RichTextBox(&window);
        auto *other = new QLineEdit(&window);
        layout->addWidget(box);
        layout->addWidget(other);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QSignalSpy lost(box, &RichTextBox::focusLost);
        QSignalSpy released(box, &RichTextBox::mouseReleased);
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());
        other->setFocus();
        QTRY_COMPARE(lost.count(), 1);
        QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QTRY_COMPARE(released.count(), 1);
        QCOMPARE(released.at(0).at(0).value<Qt::MouseButton>(), Qt::LeftButton);
        QTest::mouseRelease(box->viewport(), Qt::RightButton, {}, QPoint(10, 10));
        QTRY_COMPARE(released.count(), 2);
        QCOMPARE(released.at(1).at(0).value<Qt::MouseButton>(), Qt::RightButton);
    }

    void cutCopyPasteUndoByKeys()
    {
        RichTextBox box;
        box.show();
        QApplication::setActiveWindow(&box);
        QVERIFY(QTest::qWaitForWindowActive(&box));
        QVERIFY(rtf::read(Question, *box.document()));
        select(box, 8, 15); // "25 + 17", bold
        QTest::keyClick(&box, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(QApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("text/rtf")));
        select(box, 0, 0);
        QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box.plainText(), QStringLiteral("25 + 17What is 25 + 17?\nA. 42"));
        QVERIFY(formatAt(box, 0).fontWeight() >= QFont::DemiBold);
        QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box.plainText(), QStringLiteral("What is 25 + 17?\nA. 42"));
        select(box, 0, 5);
        QTest::keyClick(&box, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(box.plainText(), QStringLiteral("is 25 + 17?\nA. 42"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("What "));
    }

    void pasteKeepsWhatAFileCanHold()
    {
        RichTextBox box;
        box.setPlainText(QStringLiteral("[]"));
        select(box, 1, 1);
        auto *mime = new QMimeData;
        mime->setHtml(QStringLiteral(
            "<b>bold</b><a href='http://x'>link</a><span style='font-variant:small-caps'>caps</span>"));
        QApplication::clipboard()->setMimeData(mime);
        box.paste();
        QCOMPARE(box.plainText(), QStringLiteral("[boldlinkcaps]"));
        QVERIFY(formatAt(box, 1).fontWeight() >= QFont::DemiBold);
        QVERIFY(!formatAt(box, 5).isAnchor()); // links are not kept
        QCOMPARE(formatAt(box, 9).fontCapitalization(), QFont::MixedCase);
        // The control shows exactly what a save and load gives back.
        QTextDocument back;
        QVERIFY(rtf::read(rtf::write(*box.document()), back));
        QCOMPARE(dumpDocument(back, DumpForm::Effective), dumpDocument(*box.document(), DumpForm::Effective));
    }

    void pastedNotesJoinTheNotesArea()
    {
        RichTextBox box;
        QVERIFY(rtf::read("{\\rtf1 Mine{\\super\\chftn}{\\footnote Old note.}\\par}", *box.document()));
        auto *mime = new QMimeData;
        mime->setData(QStringLiteral("text/rtf"), "{\\rtf1 Pasted{\\super\\chftn}{\\footnote New note.}\\par}");
        QApplication::clipboard()->setMimeData(mime);
        select(box, 0, 0);
        box.paste();
        // Both notes, each once and under one rule, both written as footnotes.
        QCOMPARE(box.plainText(), QStringLiteral("Pasted1\uFFFCMine1\uFFFC\n\n1 Old note.\n1 New note."));
        QTextDocument back;
        QVERIFY(rtf::read(rtf::write(*box.document()), back));
        QCOMPARE(back.toPlainText(), QStringLiteral("Pasted1\uFFFCMine2\uFFFC\n\n1 New note.\n2 Old note."));
    }

    void pastedPicturesAndRtfFromOtherPrograms()
    {
        RichTextBox box;
        QImage image(5, 3, QImage::Format_RGB32);
        image.fill(Qt::green);
        auto *mime = new QMimeData;
        mime->setImageData(image);
        QApplication::clipboard()->setMimeData(mime);
        QVERIFY(box.canPaste());
        box.paste();
        QCOMPARE(box.plainText(), QString(QChar::ObjectReplacementCharacter));
        QVERIFY2(dumpDocument(*box.document()).contains(QStringLiteral("image png 5x3")),
                 qPrintable(dumpDocument(*box.document())));

        auto *rtfMime = new QMimeData;
        rtfMime->setData(QStringLiteral("text/rtf"),
                         "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\i from a word processor\\par}");
        rtfMime->setText(QStringLiteral("plain fallback"));
        QApplication::clipboard()->setMimeData(rtfMime);
        box.paste();
        QVERIFY(box.plainText().endsWith(QStringLiteral("from a word processor")));
        QVERIFY(formatAt(box, 2).fontItalic());

        // Showing the picture does not change what is saved.
        const QByteArray before = rtf::write(*box.document());
        box.show();
        box.grab();
        QCOMPARE(rtf::write(*box.document()), before);

        // A saved and reloaded picture is still there.
        TestDataRoot root;
        QVERIFY(box.saveFile(root.file(QStringLiteral("p.RTF"))));
        RichTextBox other;
        QVERIFY(other.loadFile(root.file(QStringLiteral("p.RTF"))));
        QCOMPARE(dumpDocument(*other.document(), DumpForm::Effective),
                 dumpDocument(*box.document(), DumpForm::Effective));
    }
};

QTEST_MAIN(TestRichTextBox)
#include "tst_richtextbox.moc"
