#pragma once

#include "liveroom.h"

#include <QDialog>

#include <functional>
#include <memory>

class QTimer;

namespace Ui {
class LiveView;
}

/// "Testing now": for one paper and class, who is sitting the test, how far they are and
/// when their machine last saved; a student without a save for two minutes stands out, since
/// their machine has probably stopped. Reads the records every 10 seconds while shown and on
/// "Refresh"; writes nothing.
class LiveView final : public QDialog
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    explicit LiveView(QWidget *parent = nullptr);
    ~LiveView() override;

    /// The paper and class to watch; reads them at once when the window is shown.
    void setTarget(const QString &paper, const QString &className);
    /// Replaces the clock the ages are measured with (tests).
    void setClock(Clock clock);

    void refresh();
    const live::Room &room() const { return m_room; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    std::unique_ptr<Ui::LiveView> ui;
    QTimer *m_timer;
    Clock m_clock;
    QString m_paper;
    QString m_className;
    live::Room m_room;
};
