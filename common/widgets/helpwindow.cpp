#include "helpwindow.h"

#include "paths.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

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
    resize(PreferredSize);
}

void HelpWindow::placeOnScreen()
{
    const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QScreen *screen = owner ? owner->screen() : this->screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    // Before the first show the frame is unknown: leave room for a title bar and borders.
    const QMargins frame = frameGeometry().size() != size()
                               ? QMargins(geometry().left() - frameGeometry().left(), geometry().top() - frameGeometry().top(),
                                          frameGeometry().right() - geometry().right(),
                                          frameGeometry().bottom() - geometry().bottom())
                               : QMargins(8, 36, 8, 8);
    const QSize inner = PreferredSize.boundedTo(available.size().shrunkBy(frame)).expandedTo(minimumSizeHint());
    resize(inner);
    QRect outer(QPoint(), inner.grownBy(frame));
    outer.moveCenter(owner && owner->isVisible() ? owner->frameGeometry().center() : available.center());
    outer.moveLeft(std::clamp(outer.left(), available.left(), std::max(available.left(), available.right() + 1 - outer.width())));
    outer.moveTop(std::clamp(outer.top(), available.top(), std::max(available.top(), available.bottom() + 1 - outer.height())));
    move(outer.topLeft()); // a window's position is that of its frame
}

void HelpWindow::keyPressEvent(QKeyEvent *event)
{
    // Escape closes it, as it closes every dialog of the programs.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
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
    if (!window->isVisible())
        window->placeOnScreen();
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
