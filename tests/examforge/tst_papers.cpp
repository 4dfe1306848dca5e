#include "papermanagementdialog.h"
#include "testsupport.h"

#include <QTest>

class TestPapers : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }
};

QTEST_MAIN(TestPapers)
#include "tst_papers.moc"
