#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "helpwindow.h"
#include "imagecommand.h"
#include "pictures.h"

#include <QCoreApplication>
#include <QDialog>
#include <QMouseEvent>

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::主窗体>())
{
    ui->setupUi(this);
    help::setTopic(this, QStringLiteral("main"));

    ui->Img蓝色->setPixmap(pictures::commandTemplate(false));
    ui->Img黄色->setPixmap(pictures::commandTemplate(true));
    ui->Image1->setPixmap(pictures::emblem(180));
    ui->Image2->setPixmap(pictures::background(size()));
    ui->Image2->installEventFilter(this);

    QFont titleFont = ui->titleLabel->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    ui->titleLabel->setFont(titleFont);
    ui->titleLabel->setStyleSheet(QStringLiteral("color: rgb(20, 55, 120);"));

    m_pictures = {nullptr,       ui->Imgcmd_1, ui->Imgcmd_2, ui->Imgcmd_3,
                  ui->Imgcmd_4, ui->Imgcmd_5, ui->Imgcmd_6, ui->Imgcmd_7};
    m_labels = {ui->Label1_0, ui->Label1_1, ui->Label1_2, ui->Label1_3, ui->Label1_4, ui->Label1_5, ui->Label1_6};

    QFont captionFont = ui->Label1_0->font();
    captionFont.setPointSizeF(captionFont.pointSizeF() * 1.25);
    captionFont.setBold(true);
    for (int k = 1; k <= CommandCount; ++k) {
        ImageCommand *picture = m_pictures[k];
        picture->setObjectName(QStringLiteral("Imgcmd(%1)").arg(k));
        picture->setPicture(ui->Img蓝色->pixmap());
        picture->setTag(QStringLiteral("1"));
        connect(picture, &ImageCommand::hovered, this, [this, k] { highlight(k); });
        connect(picture, &ImageCommand::clicked, this, [this, k] { runCommand(k); });
    }
    for (int j = 0; j < CommandCount; ++j) {
        QLabel *label = m_labels[j];
        label->setObjectName(QStringLiteral("Label1(%1)").arg(j));
        label->setFont(captionFont);
        label->setMouseTracking(true);
        label->installEventFilter(this);
    }
    // The keyboard visits the commands from top to bottom.
    for (int k = 1; k < CommandCount; ++k)
        setTabOrder(m_pictures[k], m_pictures[k + 1]);
    updateEnabled();
}

MainWindow::~MainWindow() = default;

void MainWindow::setCommandWindow(Command command, WindowFactory factory)
{
    m_factories[command] = std::move(factory);
    updateEnabled();
}

void MainWindow::updateEnabled()
{
    for (int k = Papers; k <= Password; ++k) {
        const bool available = static_cast<bool>(m_factories[k]);
        m_pictures[k]->setEnabled(available);
        m_labels[labelIndexFor(k)]->setEnabled(available);
    }
}

ImageCommand *MainWindow::commandPicture(int pictureIndex) const
{
    return pictureIndex >= 1 && pictureIndex <= CommandCount ? m_pictures[pictureIndex] : nullptr;
}

QLabel *MainWindow::commandLabel(int pictureIndex) const
{
    return pictureIndex >= 1 && pictureIndex <= CommandCount ? m_labels[labelIndexFor(pictureIndex)] : nullptr;
}

void MainWindow::runCommand(int k)
{
    if (k == Help) {
        help::showFor(this);
        return;
    }
    if (k == Quit) {
        quitNow();
        return;
    }
    if (k < Papers || k > Password || !m_factories[k])
        return;
    if (!m_windows[k])
        m_windows[k] = m_factories[k](this);
    if (m_windows[k]) {
        m_windows[k]->setWindowModality(Qt::ApplicationModal);
        m_windows[k]->exec();
    }
}

void MainWindow::highlight(int k)
{
    if (k >= 1 && k <= CommandCount && m_pictures[k]->tag() != QLatin1String("2")) {
        m_pictures[k]->setPicture(ui->Img黄色->pixmap());
        m_pictures[k]->setTag(QStringLiteral("2"));
    }
    for (int other = 1; other <= CommandCount; ++other) {
        if (other != k && m_pictures[other]->tag() == QLatin1String("2")) {
            m_pictures[other]->setPicture(ui->Img蓝色->pixmap());
            m_pictures[other]->setTag(QStringLiteral("1"));
        }
    }
}

void MainWindow::quitNow()
{
    QCoreApplication::exit(0);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->Image2 && event->type() == QEvent::MouseMove) {
        highlight(0);
    } else if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        for (int j = 0; j < CommandCount; ++j) {
            if (watched == m_labels[j] && mouse->button() == Qt::LeftButton && m_labels[j]->isEnabled()
                && m_labels[j]->rect().contains(mouse->position().toPoint())) {
                runCommand(j == 0 ? Quit : j);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    ui->Image2->setPixmap(pictures::background(ui->Image2->size()));
    QWidget::resizeEvent(event);
}
