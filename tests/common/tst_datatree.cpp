#include "datatree.h"
#include "testsupport.h"

#include <QFile>
#include <QTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray TwoOpenTests = "[TestName]\r\nTestNameCount=3\r\n1=Unit3\r\n2=Unit9\r\n3=Closed\r\n"
                                "Unit3=1\r\nUnit9=1\r\nClosed=0\r\n";

void writeTest(const TestDataRoot &root, const QString &name)
{
    root.write(u"SHIJUAN/%1/%1.cho"_s.arg(name), "[MAIN]\r\nTESTTIME=30\r\n");
    root.write(u"CHENGJI/%1/.keep"_s.arg(name), {});
}

} // namespace

class TestDataTree : public QObject
{
    Q_OBJECT

private slots:
    void anEmptyFolderIsANewSchool()
    {
        TestDataRoot root;
        QVERIFY(datatree::checkForTeacher().ok());
        QVERIFY(datatree::checkForStudent().ok());
        // The write test leaves nothing behind.
        QCOMPARE(QDir(root.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{});
    }

    void testsWithoutTheCatalogueAreAHalfCopiedTree()
    {
        TestDataRoot root;
        writeTest(root, u"Unit3"_s);
        for (const datatree::Finding &f : {datatree::checkForTeacher(), datatree::checkForStudent()}) {
            QVERIFY(f.fatal);
            QVERIFY(f.message.contains(QDir::toNativeSeparators(root.file(u"SHIJUAN"_s))));
            QVERIFY(f.message.contains(QDir::toNativeSeparators(root.file(u"CHENGJI"_s))));
            QVERIFY(f.message.contains(QDir::toNativeSeparators(root.file(u"sys/sys.cho"_s))));
        }
        // Empty folders hold nothing a save could wipe: a new school that made them early.
        TestDataRoot empty;
        QVERIFY(QDir().mkpath(empty.file(u"SHIJUAN"_s)) && QDir().mkpath(empty.file(u"CHENGJI"_s)));
        QVERIFY(datatree::checkForTeacher().ok());
    }

    void missingTestsAreNamedAndTheRestGoesOn()
    {
        TestDataRoot root;
        root.write(u"sys/sys.cho"_s, TwoOpenTests);
        writeTest(root, u"Unit3"_s);
        const datatree::Finding teacher = datatree::checkForTeacher();
        QVERIFY(!teacher.fatal);
        QVERIFY(teacher.message.contains(QDir::toNativeSeparators(root.file(u"SHIJUAN/Unit9"_s))));
        QVERIFY(teacher.message.contains(QDir::toNativeSeparators(root.file(u"SHIJUAN/Closed"_s))));
        const datatree::Finding student = datatree::checkForStudent();
        QVERIFY(!student.fatal);
        QVERIFY(student.message.contains(QDir::toNativeSeparators(root.file(u"SHIJUAN/Unit9"_s))));
        // Students never see a closed test, so it is not theirs to report.
        QVERIFY(!student.message.contains(u"Closed"_s));

        // With no open test left that takes answers, the student's program cannot go on.
        QVERIFY(QFile::remove(root.file(u"CHENGJI/Unit3/.keep"_s)));
        QVERIFY(QDir().rmdir(root.file(u"CHENGJI/Unit3"_s)));
        const datatree::Finding none = datatree::checkForStudent();
        QVERIFY(none.fatal);
        QVERIFY(none.message.contains(QDir::toNativeSeparators(root.file(u"CHENGJI/Unit3"_s))));
    }

    void foldersThatTakeNoFilesStopBothPrograms()
    {
        TestDataRoot root;
        root.write(u"sys/sys.cho"_s, "[TestName]\r\nTestNameCount=1\r\n1=Unit3\r\nUnit3=1\r\n");
        root.write(u"SHIJUAN/Unit3/Unit3.cho"_s, "[MAIN]\r\n");
        // A file where the results folder should be: nothing can be written into it.
        root.write(u"CHENGJI"_s, "not a folder");
        const datatree::Finding teacher = datatree::checkForTeacher();
        QVERIFY(teacher.fatal);
        QVERIFY(teacher.message.contains(QDir::toNativeSeparators(root.file(u"CHENGJI"_s))));
        const datatree::Finding student = datatree::checkForStudent();
        QVERIFY(student.fatal);
        QVERIFY(student.message.contains(QDir::toNativeSeparators(root.file(u"CHENGJI"_s))));
    }

    void aReadOnlyResultsFolder()
    {
#ifdef Q_OS_UNIX
        if (geteuid() == 0)
            QSKIP("the superuser writes into read-only folders");
#endif
        TestDataRoot root;
        root.write(u"sys/sys.cho"_s, "[TestName]\r\nTestNameCount=1\r\n1=Unit3\r\nUnit3=1\r\n");
        writeTest(root, u"Unit3"_s);
        const QString results = root.file(u"CHENGJI/Unit3"_s);
        QVERIFY(QFile::setPermissions(results, QFile::ReadOwner | QFile::ExeOwner));
        const datatree::Finding student = datatree::checkForStudent();
        QFile::setPermissions(results, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(student.fatal);
        QVERIFY(student.message.contains(QDir::toNativeSeparators(results)));
    }
};

QTEST_MAIN(TestDataTree)
#include "tst_datatree.moc"
