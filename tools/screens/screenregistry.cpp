#include "screenregistry.h"

#include "mainwindow.h"
#include "papermanagementdialog.h"
#include "prompt.h"
#include "splashwindow.h"
#include "startup.h"

namespace screens {

const QList<Entry> &entries()
{
    static const QList<Entry> list = [] {
        prompt::setApplicationTitle(QStringLiteral("Examora"));
        QList<Entry> l;
        l.append({QStringLiteral("examforge-splash"), [] { return static_cast<QWidget *>(new SplashWindow); }, {}});
        l.append({QStringLiteral("examforge-main"), [] {
                      auto *w = new MainWindow;
                      w->setWindowTitle(QStringLiteral("Examora 5.0"));
                      return static_cast<QWidget *>(w);
                  }, {}});
        l.append({QStringLiteral("examforge-papers"), [] { return static_cast<QWidget *>(new PaperManagementDialog); }, {}});
        return l;
    }();
    return list;
}

} // namespace screens
