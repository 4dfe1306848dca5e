#include "helpwindow.h"

#include "paths.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_browser(new QTextBrowser(this))
    , m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(tr("Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    m_browser->setOpenExternalLinks(true);
    m_status->setObjectName(QStringLiteral("HelpStatus"));
    m_status->setWordWrap(true);
    m_status->hide();
    auto *close = new QPushButton(tr("Close"), this);
    close->setObjectName(QStringLiteral("HelpClose"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_browser, 1);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(640, 520);
}

void HelpWindow::showTopic(const QString &topic)
{
    m_topic = topic;
    const QString file = paths::join(paths::helpFolder(), topic + QStringLiteral(".html"));
    m_found = QFileInfo(file).isFile();
    if (m_found) {
        m_status->hide();
        m_browser->setSearchPaths({paths::helpFolder()});
        m_browser->setSource(QUrl::fromLocalFile(file));
    } else {
        m_browser->clear();
        m_status->setText(tr("The help page for this window could not be found:\n%1").arg(QDir::toNativeSeparators(file)));
        m_status->show();
    }
}

namespace help {
namespace {

class F1Filter final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F1) {
            QWidget *target = QApplication::activeModalWidget();
            if (!target)
                target = QApplication::activeWindow();
            if (!target)
                target = qobject_cast<QWidget *>(watched);
            if (target && qobject_cast<HelpWindow *>(target->window()) == nullptr) {
                showFor(QApplication::focusWidget() && QApplication::focusWidget()->window() == target->window()
                            ? QApplication::focusWidget()
                            : target);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void setTopic(QWidget *window, const QString &topic)
{
    window->setProperty(TopicProperty, topic);
}

QString topicFor(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        const QVariant topic = w->property(TopicProperty);
        if (topic.isValid() && !topic.toString().isEmpty())
            return topic.toString();
    }
    return QStringLiteral("index");
}

HelpWindow *showFor(QWidget *widget)
{
    QWidget *owner = widget ? widget->window() : nullptr;
    const QString topic = topicFor(widget);
    HelpWindow *window = owner ? owner->findChild<HelpWindow *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!window)
        window = new HelpWindow(owner);
    window->showTopic(topic);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void installF1Handler()
{
    static F1Filter *filter = nullptr;
    if (!filter && qApp) {
        filter = new F1Filter(qApp);
        qApp->installEventFilter(filter);
    }
}

} // namespace help
