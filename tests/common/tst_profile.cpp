#include "ansicodec.h"
#include "profile.h"
#include "testsupport.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>

using namespace profile;

class TestProfile : public QObject
{
    Q_OBJECT

private slots:
    void init() { ansi::setCodePageForTesting(QStringLiteral("UTF-8")); }
    void cleanup() { ansi::setCodePageForTesting(QString()); }

    void missingFileGivesDefaultsAndFirstWriteCreatesIt()
    {
        TestDataRoot root;
        const QString file = root.file(QStringLiteral("sys/sys.cho"));
        root.write(QStringLiteral("sys/.keep"), {});
        QCOMPARE(readValue(file, QStringLiteral("ClassName"), QStringLiteral("ClassNameCount"), QStringLiteral("0")),
                 QStringLiteral("0"));
        QCOMPARE(int(readNumber(file, QStringLiteral("ClassName"), QStringLiteral("ClassNameCount"))), 0);
        QVERIFY(writeValue(file, QStringLiteral("ClassName"), QStringLiteral("ClassNameCount"), QStringLiteral("3")));
        QCOMPARE(root.read(QStringLiteral("sys/sys.cho")), QByteArray("[ClassName]\r\nClassNameCount=3\r\n"));
    }

    void writeIntoMissingFolderFails()
    {
        TestDataRoot root;
        QVERIFY(!writeValue(root.file(QStringLiteral("nofolder/x.cho")), QStringLiteral("s"), QStringLiteral("k"),
                            QStringLiteral("v")));
        QVERIFY(!root.exists(QStringLiteral("nofolder")));
    }

    void namesCompareWithoutCaseAndBlanks()
    {
        const Snapshot s = Snapshot::fromBytes("  [ ClassName ]  \r\n  ClassNameCount =  4  \r\n");
        QCOMPARE(s.value(QStringLiteral("classname"), QStringLiteral("ClassNamecount")), QStringLiteral("4"));
        QCOMPARE(s.value(QStringLiteral("CLASSNAME"), QStringLiteral("classnamecount")), QStringLiteral("4"));

        TestDataRoot root;
        const QString file = root.file(QStringLiteral("a.ini"));
        QVERIFY(writeValue(file, QStringLiteral("ClassName"), QStringLiteral("ClassNameCount"), QStringLiteral("1")));
        QVERIFY(writeValue(file, QStringLiteral("CLASSNAME"), QStringLiteral("ClassNamecount"), QStringLiteral("2")));
        QCOMPARE(root.read(QStringLiteral("a.ini")), QByteArray("[ClassName]\r\nClassNameCount=2\r\n"));
    }

    void firstMatchWins()
    {
        const Snapshot s = Snapshot::fromBytes("[a]\nk=1\nk=2\n[b]\nk=3\n[A]\nk=4\nj=5\n");
        QCOMPARE(s.value(QStringLiteral("a"), QStringLiteral("k")), QStringLiteral("1"));
        QCOMPARE(s.value(QStringLiteral("b"), QStringLiteral("k")), QStringLiteral("3"));
        // A second section of the same name is never looked at.
        QCOMPARE(s.value(QStringLiteral("a"), QStringLiteral("j"), QStringLiteral("none")), QStringLiteral("none"));
    }

    void linesThatAreNoEntries()
    {
        const QByteArray text = "stray=before any section\n"
                                "[s]\n"
                                "; k=commented\n"
                                "   ;x=1\n"
                                "no equals sign here\n"
                                "k=real\n"
                                "[t]junk after bracket\n"
                                "v = a=b=c \n"
                                "[unclosed\n"
                                "w=1\n";
        const Snapshot s = Snapshot::fromBytes(text);
        QCOMPARE(s.value(QStringLiteral("s"), QStringLiteral("k")), QStringLiteral("real"));
        QCOMPARE(s.value(QStringLiteral("s"), QStringLiteral("x"), QStringLiteral("d")), QStringLiteral("d"));
        QCOMPARE(s.value(QStringLiteral("s"), QStringLiteral("no equals sign here"), QStringLiteral("d")),
                 QStringLiteral("d"));
        QCOMPARE(s.value(QString(), QStringLiteral("stray"), QStringLiteral("d")), QStringLiteral("d"));
        QCOMPARE(s.value(QStringLiteral("t"), QStringLiteral("v")), QStringLiteral("a=b=c"));
        QCOMPARE(s.value(QStringLiteral("unclosed"), QStringLiteral("w")), QStringLiteral("1"));
    }

    void lineEndingsOfAllKinds()
    {
        const Snapshot s = Snapshot::fromBytes("[a]\rk=1\r\n\r\nj=2\nl=3");
        QCOMPARE(s.value(QStringLiteral("a"), QStringLiteral("k")), QStringLiteral("1"));
        QCOMPARE(s.value(QStringLiteral("a"), QStringLiteral("j")), QStringLiteral("2"));
        QCOMPARE(s.value(QStringLiteral("a"), QStringLiteral("l")), QStringLiteral("3"));
    }

    void quotesRemovedOnRead()
    {
        const Snapshot s = Snapshot::fromBytes("[q]\na=\"quoted\"\nb='single'\nc=\"mixed'\nd=\"\"\ne=\"\nf= \" in \" \n");
        QCOMPARE(s.value(QStringLiteral("q"), QStringLiteral("a")), QStringLiteral("quoted"));
        QCOMPARE(s.value(QStringLiteral("q"), QStringLiteral("b")), QStringLiteral("single"));
        QCOMPARE(s.value(QStringLiteral("q"), QStringLiteral("c")), QStringLiteral("\"mixed'"));
        QCOMPARE(s.value(QStringLiteral("q"), QStringLiteral("d"), QStringLiteral("default")), QString());
        QCOMPARE(s.value(QStringLiteral("q"), QStringLiteral("e")), QStringLiteral("\""));
        QCOMPARE(s.value(QStringLiteral("q"), QStringLiteral("f")), QStringLiteral(" in "));
        QVERIFY(s.contains(QStringLiteral("q"), QStringLiteral("d")));
        QVERIFY(!s.contains(QStringLiteral("q"), QStringLiteral("z")));
    }

    void replacementInPlaceKeepsEveryOtherByte()
    {
        TestDataRoot root;
        const QByteArray before = "; school settings\n"
                                  "[main]\n"
                                  "  Alpha = 1   \n"
                                  "Beta=2\r\n"
                                  "\n"
                                  "[other]\tcomment\r"
                                  "Beta=untouched\n";
        root.write(QStringLiteral("p.ini"), before);
        QVERIFY(writeValue(root.file(QStringLiteral("p.ini")), QStringLiteral("MAIN"), QStringLiteral("alpha"),
                           QStringLiteral("42")));
        QByteArray expected = before;
        expected.replace("  Alpha = 1   \n", "  Alpha =42\n");
        QCOMPARE(root.read(QStringLiteral("p.ini")), expected);
    }

    void newKeyGoesAfterTheLastEntryOfItsSection()
    {
        TestDataRoot root;
        root.write(QStringLiteral("p.ini"), "[a]\r\nk=1\r\n; note\r\n\r\n\r\n[b]\r\nk=2\r\n");
        QVERIFY(writeValue(root.file(QStringLiteral("p.ini")), QStringLiteral("a"), QStringLiteral("new"),
                           QStringLiteral("x")));
        QCOMPARE(root.read(QStringLiteral("p.ini")),
                 QByteArray("[a]\r\nk=1\r\n; note\r\nnew=x\r\n\r\n\r\n[b]\r\nk=2\r\n"));
        // An empty section gets the key right after its header.
        root.write(QStringLiteral("q.ini"), "[empty]\n[b]\nk=2");
        QVERIFY(writeValue(root.file(QStringLiteral("q.ini")), QStringLiteral("empty"), QStringLiteral("k"),
                           QStringLiteral("1")));
        QCOMPARE(root.read(QStringLiteral("q.ini")), QByteArray("[empty]\nk=1\r\n[b]\nk=2"));
        // A key added to an unterminated last line starts a line of its own.
        QVERIFY(writeValue(root.file(QStringLiteral("q.ini")), QStringLiteral("b"), QStringLiteral("j"),
                           QStringLiteral("3")));
        QCOMPARE(root.read(QStringLiteral("q.ini")), QByteArray("[empty]\nk=1\r\n[b]\nk=2\r\nj=3"));
    }

    void newSectionGoesAtTheEnd()
    {
        TestDataRoot root;
        root.write(QStringLiteral("p.ini"), "[a]\r\nk=1\r\n\r\n");
        QVERIFY(writeValue(root.file(QStringLiteral("p.ini")), QStringLiteral("z"), QStringLiteral("k"),
                           QStringLiteral("v")));
        QCOMPARE(root.read(QStringLiteral("p.ini")), QByteArray("[a]\r\nk=1\r\n\r\n[z]\r\nk=v\r\n"));
        root.write(QStringLiteral("q.ini"), "[a]\nk=1");
        QVERIFY(writeValue(root.file(QStringLiteral("q.ini")), QStringLiteral("z"), QStringLiteral("k"),
                           QStringLiteral("v")));
        QCOMPARE(root.read(QStringLiteral("q.ini")), QByteArray("[a]\nk=1\r\n[z]\r\nk=v\r\n"));
    }

    void lineBreaksInAValueNeverBreakTheFile()
    {
        TestDataRoot root;
        const QString file = root.file(QStringLiteral("p.ini"));
        QVERIFY(writeValue(file, QStringLiteral("s"), QStringLiteral("about"),
                           QStringLiteral("line one\r\n[evil]\nk=2") + QChar(0) + QStringLiteral("end")));
        QVERIFY(writeValue(file, QStringLiteral("s"), QStringLiteral("after"), QStringLiteral("ok")));
        const Snapshot s(file);
        QCOMPARE(s.value(QStringLiteral("s"), QStringLiteral("about")), QStringLiteral("line one  [evil] k=2 end"));
        QCOMPARE(s.value(QStringLiteral("s"), QStringLiteral("after")), QStringLiteral("ok"));
        QVERIFY(!s.contains(QStringLiteral("evil"), QStringLiteral("k")));
    }

    void storedFormIsWhatAReadReturns()
    {
        TestDataRoot root;
        const QString file = root.file(QStringLiteral("p.ini"));
        const QStringList values = {QStringLiteral("plain"), QStringLiteral(" padded "), QStringLiteral("\"quoted\""),
                                    QStringLiteral("a") + QChar(0) + QStringLiteral("b"), QString(300, u'x'),
                                    QStringLiteral("line\nbreak")};
        for (const QString &v : values) {
            QVERIFY(writeValue(file, QStringLiteral("s"), QStringLiteral("k"), v));
            QCOMPARE(storedForm(v), readValue(file, QStringLiteral("s"), QStringLiteral("k")));
        }
        QCOMPARE(storedForm(QStringLiteral("plain")), QStringLiteral("plain"));
    }

    void longValuesAreCutAt255Bytes()
    {
        TestDataRoot root;
        const QString file = root.file(QStringLiteral("p.ini"));
        const QString ascii(300, u'x');
        QVERIFY(writeValue(file, QStringLiteral("s"), QStringLiteral("k"), ascii));
        QCOMPARE(readValue(file, QStringLiteral("s"), QStringLiteral("k")), QString(255, u'x'));
        // The whole value stays stored.
        QVERIFY(root.read(QStringLiteral("p.ini")).contains(QByteArray(300, 'x')));
    }

    void gbkValueCutWithoutHalfACharacter()
    {
        QVERIFY(ansi::setCodePageForTesting(QStringLiteral("GBK")));
        TestDataRoot root;
        const QString file = root.file(QStringLiteral("p.ini"));
        const QString chinese(150, QChar(0x4E2D)); // 中, two bytes each: 300 bytes
        QVERIFY(writeValue(file, QStringLiteral("班级"), QStringLiteral("名称"), chinese));
        QCOMPARE(root.read(QStringLiteral("p.ini")).size(), qsizetype(8 + 5 + 300 + 2));
        QCOMPARE(readValue(file, QStringLiteral("班级"), QStringLiteral("名称")), QString(127, QChar(0x4E2D)));
        QVERIFY(writeValue(file, QStringLiteral("班级"), QStringLiteral("odd"), u'a' + chinese));
        QCOMPARE(readValue(file, QStringLiteral("班级"), QStringLiteral("odd")), u'a' + QString(127, QChar(0x4E2D)));
        // A trail byte that equals ']' never cuts a Chinese section name.
        const QString name = QString(QChar(0x9A5D)) + QStringLiteral("x"); // a GBK pair ending in 0x5D
        if (ansi::encode(name).contains(']')) {
            QVERIFY(writeValue(file, name, QStringLiteral("k"), QStringLiteral("v")));
            QCOMPARE(readValue(file, name, QStringLiteral("k")), QStringLiteral("v"));
        }
    }

    // A value cut inside a character (by another program, or a damaged file) must not swallow
    // the first character of the next line, which may be a key or a section name.
    void eachLineDecodesOnItsOwn_data()
    {
        QTest::addColumn<QString>("codePage");
        QTest::addColumn<QByteArray>("halfCharacter");
        QTest::newRow("GBK") << QStringLiteral("GBK") << QByteArray("\xD6");
        QTest::newRow("UTF-8") << QStringLiteral("UTF-8") << QByteArray("\xE4\xB8");
    }

    void eachLineDecodesOnItsOwn()
    {
        QFETCH(QString, codePage);
        QFETCH(QByteArray, halfCharacter);
        QVERIFY(ansi::setCodePageForTesting(codePage));
        const QString key = QStringLiteral("名字");
        const QString section = QStringLiteral("二班");
        const QByteArray cut = QByteArray(255 - halfCharacter.size(), 'a') + halfCharacter;
        const QByteArray bytes = "[s]\r\nlong=" + cut + "\r\n" + ansi::encode(key) + "=1\r\n" + "other=" + cut + "\r\n["
                                 + ansi::encode(section) + "]\r\n" + ansi::encode(key) + "=2\r\n";
        TestDataRoot root;
        root.write(QStringLiteral("p.ini"), bytes);
        const QString file = root.file(QStringLiteral("p.ini"));
        QCOMPARE(readValue(file, QStringLiteral("s"), key), QStringLiteral("1"));
        QCOMPARE(readValue(file, section, key), QStringLiteral("2"));
        QCOMPARE(readValue(file, QStringLiteral("s"), QStringLiteral("long")), QString(255 - halfCharacter.size(), u'a'));
        const Snapshot snapshot(file);
        QCOMPARE(snapshot.value(QStringLiteral("s"), key), QStringLiteral("1"));
        QCOMPARE(snapshot.value(section, key), QStringLiteral("2"));
        // A write finds the key too, instead of adding a second one.
        QVERIFY(writeValue(file, section, key, QStringLiteral("3")));
        QCOMPARE(root.read(QStringLiteral("p.ini")), QByteArray(bytes).replace(bytes.size() - 3, 1, "3"));
    }

    // Whatever rule trims names, it must be the same on writing and reading: a name that ends in
    // another kind of space is a name of its own, not the name without it.
    void namesAreTrimmedAlikeOnWriteAndRead()
    {
        TestDataRoot root;
        const QString file = root.file(QStringLiteral("t.ini"));
        const QStringList tails = {QStringLiteral("\u3000"), QStringLiteral("\v"), QStringLiteral("\f"),
                                   QStringLiteral("\u00A0")};
        QVERIFY(writeValue(file, QStringLiteral("s"), QStringLiteral("名"), QStringLiteral("plain")));
        for (const QString &tail : tails) {
            QVERIFY(writeValue(file, QStringLiteral("s") + tail, QStringLiteral("名") + tail, tail + u'v'));
            QCOMPARE(readValue(file, QStringLiteral("s") + tail, QStringLiteral("名") + tail), tail + u'v');
            QCOMPARE(Snapshot(file).value(QStringLiteral("s") + tail, QStringLiteral("名") + tail), tail + u'v');
        }
        QCOMPARE(readValue(file, QStringLiteral("s"), QStringLiteral("名")), QStringLiteral("plain"));
        // Blanks and tabs around a name are no part of it, on both sides.
        QVERIFY(writeValue(file, QStringLiteral(" \ts "), QStringLiteral("\t名 "), QStringLiteral("again")));
        QCOMPARE(readValue(file, QStringLiteral("s"), QStringLiteral("名")), QStringLiteral("again"));
        QCOMPARE(storedForm(QStringLiteral(" \tx\u3000")), QStringLiteral("x\u3000"));
        QCOMPARE(readValue(file, QStringLiteral("s"), QStringLiteral("名")), storedForm(QStringLiteral("again")));
        QVERIFY(!root.read(QStringLiteral("t.ini")).contains(" \ts"));
    }

    // A single read scans the bytes; a snapshot and a write parse the file. All three must find
    // the same entry, however many lookups the snapshot makes (it starts indexing after a few).
    void singleReadsAndSnapshotsAgree()
    {
        const QByteArray bytes = "\xEF\xBB\xBF"
                                 "top=1\r\n[A]\nk=1\rK=2\n Kelvin = 3 \n[a]\nk=4\n[b]\n;k=5\nk\n\tk\t=\t'6'\t\n"
                                 "[B]\nk=7\n[\xC3\x9F]\nk=8\n[\xE2\x84\xAA]\nk=9\n[]\nk=10\n[  unclosed\nk=11";
        TestDataRoot root;
        root.write(QStringLiteral("x.ini"), bytes);
        const QString file = root.file(QStringLiteral("x.ini"));
        const QList<std::pair<QString, QString>> lookups = {
            {QStringLiteral("a"), QStringLiteral("K")},        {QStringLiteral("A"), QStringLiteral("kelvin")},
            {QStringLiteral("b"), QStringLiteral("k")},        {QStringLiteral("b"), QStringLiteral("none")},
            {QStringLiteral(""), QStringLiteral("top")},       {QStringLiteral("\u00DF"), QStringLiteral("K")},
            {QStringLiteral("k"), QStringLiteral("k")},        {QStringLiteral(""), QStringLiteral("k")},
            {QStringLiteral("unclosed"), QStringLiteral("k")}, {QStringLiteral("\u212A"), QStringLiteral("k")},
            {QStringLiteral("A"), QStringLiteral("\u212A")},
        };
        const QStringList expected = {QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("6"), QStringLiteral("-"),
                                      QStringLiteral("-"), QStringLiteral("8"), QStringLiteral("9"), QStringLiteral("10"),
                                      QStringLiteral("11"), QStringLiteral("9"), QStringLiteral("1")};
        const Snapshot snapshot(file);
        for (int round = 0; round < 2; ++round) {
            for (qsizetype i = 0; i < lookups.size(); ++i) {
                const auto &[section, key] = lookups.at(i);
                QCOMPARE(readValue(file, section, key, QStringLiteral("-")), expected.at(i));
                QCOMPARE(snapshot.value(section, key, QStringLiteral("-")), expected.at(i));
            }
        }
        // A write replaces exactly the entry the reads found.
        QVERIFY(writeValue(file, QStringLiteral("A"), QStringLiteral("KELVIN"), QStringLiteral("x")));
        QCOMPARE(root.read(QStringLiteral("x.ini")), QByteArray(bytes).replace(" Kelvin = 3 ", " Kelvin =x"));
        QVERIFY(writeValue(file, QStringLiteral("unclosed"), QStringLiteral("new"), QStringLiteral("y")));
        QVERIFY(root.read(QStringLiteral("x.ini")).endsWith("k=11\r\nnew=y"));
    }

    void batchAppliesInOrderAsOneReplace()
    {
        TestDataRoot root;
        const QString file = root.file(QStringLiteral("r.cho"));
        root.write(QStringLiteral("r.cho"), "[c]\r\nold=1\r\n");
        Batch batch(file);
        batch.write(QStringLiteral("c"), QStringLiteral("12TIME"), QStringLiteral("0:29:45"));
        batch.write(QStringLiteral("c"), QStringLiteral("old"), QStringLiteral("2"));
        batch.write(QStringLiteral("c"), QStringLiteral("12TIME"), QStringLiteral("0:29:00"));
        batch.write(QStringLiteral("d"), QStringLiteral("x"), QStringLiteral("y"));
        QCOMPARE(root.read(QStringLiteral("r.cho")), QByteArray("[c]\r\nold=1\r\n")); // nothing before commit
        QVERIFY(batch.commit());
        QCOMPARE(batch.size(), qsizetype(0));
        QCOMPARE(root.read(QStringLiteral("r.cho")), QByteArray("[c]\r\nold=2\r\n12TIME=0:29:00\r\n[d]\r\nx=y\r\n"));
    }

    void utf8ByteOrderMarkIsNoPartOfTheFirstName()
    {
        TestDataRoot root;
        root.write(QStringLiteral("Language.txt"), "\xEF\xBB\xBF[info]\r\nLanguage=English\r\n");
        QCOMPARE(readValue(root.file(QStringLiteral("Language.txt")), QStringLiteral("info"), QStringLiteral("Language")),
                 QStringLiteral("English"));
        QVERIFY(writeValue(root.file(QStringLiteral("Language.txt")), QStringLiteral("info"), QStringLiteral("Language"),
                           QStringLiteral("Chinese")));
        QCOMPARE(root.read(QStringLiteral("Language.txt")), QByteArray("\xEF\xBB\xBF[info]\r\nLanguage=Chinese\r\n"));
    }

    void removingASectionKeepsTheOthers()
    {
        TestDataRoot root;
        const QString file = root.file(QStringLiteral("r.cho"));
        root.write(QStringLiteral("r.cho"), "[Grade1]\r\n12=Ann\r\n[Grade11]\r\n2=Bob\r\n[grade1]\r\n12DF= 5\r\n");
        QVERIFY(removeSection(file, QStringLiteral("GRADE1")));
        QCOMPARE(root.read(QStringLiteral("r.cho")), QByteArray("[Grade11]\r\n2=Bob\r\n"));
        QVERIFY(removeSection(file, QStringLiteral("nothing")));
        QVERIFY(removeSection(file, QStringLiteral("Grade11")));
        QVERIFY(!root.exists(QStringLiteral("r.cho")));
        QVERIFY(removeSection(file, QStringLiteral("Grade11"))); // no file: nothing to do
    }

    void fourWritersLoseNoKey()
    {
        TestDataRoot root;
        const QString file = root.file(QStringLiteral("shared.cho"));
        QList<QProcess *> writers;
        for (int w = 0; w < 4; ++w) {
            auto *p = new QProcess(this);
            p->start(QStringLiteral(PROFILE_WRITER), {file, QStringLiteral("w%1_").arg(w), QStringLiteral("250")});
            writers.append(p);
        }
        for (QProcess *p : writers) {
            QVERIFY(p->waitForFinished(60000));
            QCOMPARE(p->exitCode(), 0);
            delete p;
        }
        const Snapshot s(file);
        for (int w = 0; w < 4; ++w) {
            for (int i = 1; i <= 250; ++i)
                QCOMPARE(s.value(QStringLiteral("keys"), QStringLiteral("w%1_%2").arg(w).arg(i)), QString::number(i));
        }
    }

    void killedWriterNeverTearsTheFile()
    {
        TestDataRoot root;
        const QString file = root.file(QStringLiteral("record.cho"));
        auto *random = QRandomGenerator::global();
        QList<int> ackedPerRound;
        for (int round = 0; round < 50; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(PROFILE_WRITER), {file, QStringLiteral("r%1_").arg(round), QStringLiteral("100000")});
            QVERIFY(writer.waitForStarted());
            QTest::qSleep(int(random->bounded(5, 40)));
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished(5000));
            int acked = 0;
            for (const QByteArray &line : writer.readAllStandardOutput().split('\n')) {
                if (line.startsWith("ack "))
                    acked = line.mid(4).toInt();
            }
            const QByteArray bytes = root.read(QStringLiteral("record.cho"));
            QVERIFY(bytes.isEmpty() || bytes.startsWith("[keys]\r\n"));
            QVERIFY2(bytes.isEmpty() || bytes.endsWith("\r\n"), "the file ends in the middle of a line");
            ackedPerRound.append(acked);
            // Every acknowledged write of this and of all earlier rounds is there.
            const Snapshot s = Snapshot::fromBytes(bytes);
            for (int r = 0; r <= round; ++r) {
                for (int i = 1; i <= ackedPerRound.at(r); ++i)
                    QCOMPARE(s.value(QStringLiteral("keys"), QStringLiteral("r%1_%2").arg(r).arg(i)), QString::number(i));
            }
        }
        int total = 0;
        for (int a : ackedPerRound)
            total += a;
        QVERIFY2(total > 0, "no writer got far enough to acknowledge a write");
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
