#pragma once

#include "answerrecord.h"
#include "examsession.h"
#include "scoring.h"
#include "paperfile.h"
#include "paperprefetch.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QPushButton;

namespace Ui {
class 网络考试;
}

/// The exam: one question at a time with its seven answer choices, the countdown, the
/// question selector, the key and explanation in exercise mode, the periodic save of the
/// student's progress and the finish, which scores the attempt and ends the program.
class ExamWindow final : public QWidget
{
    Q_OBJECT

public:
    /// Milliseconds of a monotonic clock; the countdown follows it.
    using Clock = std::function<qint64()>;
    /// Ends the program after the finish.
    using Exit = std::function<void()>;

    explicit ExamWindow(examdesk::ExamSession session, QWidget *parent = nullptr);
    ~ExamWindow() override;

    /// Replaces the clock (tests); call before the window is shown.
    void setClock(Clock clock);
    /// Replaces what ends the program (default: QCoreApplication::exit(0)).
    void setExit(Exit exit);

    /// Loads the paper, fixes the order (new attempt) or restores it (resume), writes the
    /// start of a new attempt and starts the countdown. Done on the first show.
    void load();

    // Handlers of the two timers, public so that tests can run them directly.
    /// Countdown: shows the time left; at zero the test finishes without asking.
    void tick();
    /// Periodic save of time, position, answer codes and order as one batch, written in the
    /// background; waits at most SaveHoldMs for it. A save that fails is tried again after a
    /// few seconds. Returns whether it was written within that time.
    bool saveProgress();

    /// Asks "Will you finsh the test really?" and finishes on Yes.
    void requestFinish();

    // What the attempt holds, for tests and the finish.
    qint16 position() const { return 当前考题; }
    qint16 questionCount() const { return 总题数; }
    const QList<qint16> &answers() const { return m_answers; }
    const QList<qint16> &order() const { return m_order; }
    qint64 secondsLeft() const;
    bool keyMode() const { return 正在判题 == 1; }
    bool finished() const { return m_finishing; }

    /// Retry interval of a periodic save that failed.
    static constexpr int SaveRetryMs = 5000;
    static constexpr int SaveIntervalMs = 60000;
    /// A changed answer is saved at most this long after the change.
    static constexpr int AnswerSaveMs = 1000;
    /// The longest a save holds the window.
    static constexpr int SaveHoldMs = 400;
    /// How long the finish waits for its write before the student is asked what to do.
    static constexpr int FinishWaitMs = 8000;
    /// How long a question may wait for its file from the share before it shows that it is
    /// still on its way (the window must not freeze on a slow share).
    static constexpr int TextWaitMs = 200;

    /// Saves handed to the background writer, and what it did with them (bench, share check).
    int savesSubmitted() const { return m_savesSubmitted; }
    const record::Saver *saver() const { return m_saver.get(); }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// False when the paper file cannot be read now (a share away).
    bool readPaper();
    /// Asks whether to try again what cannot be read now; on Cancel the window closes
    /// without writing anything. Returns whether to try again.
    bool askToRetryRead(const QString &text);
    void startPrefetch();
    /// Where the window reads fileName from; empty when there is nothing to show. pending
    /// is set when the copy from the share is still on its way.
    QString localCopy(const QString &fileName, bool *pending);
    void showQuestion();
    void showQuestionText();
    void showExplainText();
    void textArrivalTick();
    void showKey(int question);
    void showVerdict(int question);
    void setChoiceColours(int question);
    void choiceClicked(int choice);
    bool toggleChoice(int choice);
    void moveTo(int position);
    void next();
    void previous();
    void jumpForward();
    void jumpBack();
    void toggleKeyMode();
    void selectorScrolled(int value);
    void selectorClicked(int button);
    void colourSelectorButton(QPushButton *button, qint16 answer);
    void showTime();
    void startCountdown();
    void stopCountdown();
    void finish(bool timeOut);
    bool writeFinish(const QString &timeLeft, qint16 mark);
    quint64 submitProgress();
    void answerChanged();
    void positionChanged(qint16 before);
    void saveDone(quint64 submission, bool written);
    void clearWorkFolder();
    /// Ends the window's test: the work folder emptied, the window closed, the program told.
    void leave();
    bool handleKey(QKeyEvent *event);
    int currentQuestion() const;

    std::unique_ptr<Ui::网络考试> ui;
    examdesk::ExamSession m_session;
    std::array<QCheckBox *, 7> m_choices{};
    std::array<QPushButton *, 20> m_selector{};
    QTimer Timer1;
    QTimer Timer保存;
    QTimer m_answerSave;
    std::unique_ptr<record::Saver> m_saver;
    quint64 m_lastOutcome = 0;
    int m_savesSubmitted = 0;
    Clock m_clock;
    Exit m_exit;
    QElapsedTimer m_monotonic;

    // Settings of the paper.
    qint16 考试总时间 = 0;
    qint16 总题数 = 0;
    qint16 默认分值 = 0;
    qint16 总分 = 0;
    qint16 允许判题 = 0;
    qint16 DISPLAY_SCORE = 0;
    qint16 CHANGE_QUESTION_SORT = 1;
    QList<paper::Question> m_questions;
    scoring::Marking m_marking; ///< keys, marks and void questions the finish scores with
    std::unique_ptr<PaperPrefetch> m_prefetch;
    QTimer m_textArrival; ///< polls for the shown question's file while it is on its way
    bool m_questionPending = false;
    bool m_explainPending = false;

    // State of the attempt. answers[i - 1] is the code of question i, order[k - 1] the
    // question shown at position k.
    QList<qint16> m_answers;
    QList<qint16> m_order;
    qint16 当前考题 = 1;
    qint16 正在判题 = 0;
    qint16 自动下翻 = 0;
    qint16 鼠标右击翻页数 = 5;
    qint16 总得分 = 0;
    bool 是否在本地运行 = true;
    QString 本地临时文件夹;
    QString m_paperFile; // the paper file read: the original, or its copy in the work folder

    // Countdown: seconds left when it was last started or stopped, and the clock then.
    qint64 m_secondsAtStart = 0;
    qint64 m_clockAtStart = 0;
    bool m_counting = false;

    bool m_loaded = false;
    bool m_startPending = false; // the start of a new attempt is not yet in the record
    QDateTime m_started;
    bool m_finishing = false;
};

namespace examdesk {

/// Opens the exam window for a logged-in student (not modally; it deletes itself when
/// closed) and returns it.
ExamWindow *showExamWindow(const ExamSession &session);

} // namespace examdesk
