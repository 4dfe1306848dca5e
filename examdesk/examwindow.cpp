#include "examwindow.h"
#include "ui_examwindow.h"

#include "examrules.h"
#include "files.h"
#include "helptextwindow.h"
#include "helpwindow.h"
#include "numbers.h"
#include "paths.h"
#include "profile.h"
#include "prompt.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QKeyEvent>
#include <QMouseEvent>

using examdesk::Choices;

namespace {

const QColor SelectedColour(255, 0, 0);
const QColor UnselectedColour(0, 192, 192);
const QColor KeyColour(0, 255, 0);
const QColor AnsweredColour(0, 255, 0);

// A file name from the paper file names a file in the paper folder and nothing else.
// A choice is a coloured plate with dark text, readable on each of its colours.
void paintChoice(QCheckBox *box, const QColor &colour)
{
    box->setStyleSheet(QStringLiteral("QCheckBox { background-color: %1; color: black; border-radius: 6px;"
                                      " padding: 4px 8px; }")
                           .arg(colour.name()));
}

} // namespace

ExamWindow::ExamWindow(examdesk::ExamSession session, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::网络考试>())
    , m_session(std::move(session))
    , Timer1(this)
    , Timer保存(this)
{
    ui->setupUi(this);
    help::setTopic(this, QStringLiteral("examdesk-exam"));

    m_choices = {ui->Op_XZ_1, ui->Op_XZ_2, ui->Op_XZ_3, ui->Op_XZ_4, ui->Op_XZ_5, ui->Op_XZ_6, ui->Op_XZ_7};
    m_selector = {ui->CmdQuestion_1,  ui->CmdQuestion_2,  ui->CmdQuestion_3,  ui->CmdQuestion_4,
                  ui->CmdQuestion_5,  ui->CmdQuestion_6,  ui->CmdQuestion_7,  ui->CmdQuestion_8,
                  ui->CmdQuestion_9,  ui->CmdQuestion_10, ui->CmdQuestion_11, ui->CmdQuestion_12,
                  ui->CmdQuestion_13, ui->CmdQuestion_14, ui->CmdQuestion_15, ui->CmdQuestion_16,
                  ui->CmdQuestion_17, ui->CmdQuestion_18, ui->CmdQuestion_19, ui->CmdQuestion_20};

    // Large, plain text for the question; the frames' bold titles must not reach it.
    QFont questionFont = ui->Rich题目->font();
    questionFont.setPointSizeF(questionFont.pointSizeF() * 1.3);
    questionFont.setBold(false);
    ui->Rich题目->setFont(questionFont);
    ui->Rich解题辅导->setFont(questionFont);

    QFont choiceFont = font();
    choiceFont.setPointSizeF(choiceFont.pointSizeF() * 1.2);
    choiceFont.setBold(true);
    for (int c = 1; c <= 7; ++c) {
        QCheckBox *box = m_choices[c - 1];
        box->setObjectName(QStringLiteral("Op_XZ(%1)").arg(c));
        box->setFont(choiceFont);
        box->setMinimumHeight(36);
        connect(box, &QCheckBox::clicked, this, [this, c] { choiceClicked(c); });
    }
    for (int i = 1; i <= examdesk::SelectorButtons; ++i) {
        QPushButton *button = m_selector[i - 1];
        button->setObjectName(QStringLiteral("CmdQuestion(%1)").arg(i));
        button->setVisible(false);
        // Hidden buttons keep their place, so the grid does not jump while scrolling.
        QSizePolicy policy = button->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        button->setSizePolicy(policy);
        connect(button, &QPushButton::clicked, this, [this, i] { selectorClicked(i); });
    }

    QFont timerFont = ui->Lab_TIMER->font();
    timerFont.setPointSizeF(timerFont.pointSizeF() * 2.2);
    timerFont.setBold(true);
    ui->Lab_TIMER->setFont(timerFont);
    ui->Lab_TIMER->setStyleSheet(QStringLiteral("color: rgb(20, 55, 120);"));
    QFont groupFont = ui->Fram_题目->font();
    groupFont.setPointSizeF(groupFont.pointSizeF() * 1.15);
    groupFont.setBold(true);
    for (QWidget *frame : {static_cast<QWidget *>(ui->Fram_题目), static_cast<QWidget *>(ui->FrmExplain)})
        frame->setFont(groupFont);

    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(1000);
    Timer1.setTimerType(Qt::PreciseTimer);
    connect(&Timer1, &QTimer::timeout, this, &ExamWindow::tick);
    Timer保存.setObjectName(QStringLiteral("Timer保存"));
    Timer保存.setInterval(SaveIntervalMs);
    connect(&Timer保存, &QTimer::timeout, this, &ExamWindow::submitProgress);
    m_answerSave.setObjectName(QStringLiteral("AnswerSave"));
    m_answerSave.setSingleShot(true);
    m_answerSave.setInterval(AnswerSaveMs);
    connect(&m_answerSave, &QTimer::timeout, this, &ExamWindow::submitProgress);
    m_textArrival.setObjectName(QStringLiteral("TextArrival"));
    m_textArrival.setInterval(200);
    connect(&m_textArrival, &QTimer::timeout, this, &ExamWindow::textArrivalTick);

    connect(ui->Command1, &QPushButton::clicked, this, &ExamWindow::previous);
    connect(ui->Command2, &QPushButton::clicked, this, &ExamWindow::next);
    connect(ui->Command3, &QPushButton::clicked, this, &ExamWindow::toggleKeyMode);
    connect(ui->Command5, &QPushButton::clicked, this, [this] { HelpTextWindow::showHelp(this); });
    connect(ui->Command6, &QPushButton::clicked, this, &ExamWindow::requestFinish);
    connect(ui->Check1, &QCheckBox::clicked, this, [this](bool on) { 自动下翻 = on ? 1 : 0; });
    connect(ui->VSlquestion, &QScrollBar::valueChanged, this, &ExamWindow::selectorScrolled);

    // Page keys, digits and letters work wherever the focus is in the window; the filter on
    // Previous and Next also sees their right clicks.
    const auto children = findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (child->focusPolicy() != Qt::NoFocus)
            child->installEventFilter(this);
    }

    m_monotonic.start();
    m_clock = [this] { return m_monotonic.elapsed(); };
    m_exit = [] { QCoreApplication::exit(0); };
}

// The saver is destroyed first (declared last): it finishes its write while the window still is.
ExamWindow::~ExamWindow() = default;

void ExamWindow::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

void ExamWindow::setExit(Exit exit)
{
    m_exit = std::move(exit);
}

int ExamWindow::currentQuestion() const
{
    if (当前考题 < 1 || 当前考题 > m_order.size())
        return 0;
    const int q = m_order.at(当前考题 - 1);
    return q >= 1 && q <= m_questions.size() ? q : 0;
}

bool ExamWindow::readPaper()
{
    const QString paperName = m_session.考试名称.trimmed();
    m_paperFile = paper::file(paperName);
    // A test name that is no plain file name has no paper file (see paths::resolve), and its
    // copy would land outside the work folder.
    if (!是否在本地运行 && !m_paperFile.isEmpty()) {
        // Over a share the paper file is read once from a local copy.
        const QString copy = paths::join(本地临时文件夹, paperName + QStringLiteral(".cho"));
        QFile::remove(copy);
        if (QFile::copy(m_paperFile, copy))
            m_paperFile = copy;
    }
    // A paper that is there but does not read (a share away) would be sat, and finished, as
    // a test of no questions. One that is not there at all reads as empty, as it always has.
    QByteArray bytes;
    if (files::readPresent(m_paperFile, bytes, paths::dataRoot()) == files::Presence::Unreadable)
        return false;
    const profile::Snapshot file = profile::Snapshot::fromBytes(bytes);
    const QString main = QStringLiteral("main");
    考试总时间 = file.number(main, QStringLiteral("TESTtime"), QStringLiteral("0"));
    总分 = file.number(main, paper::FullMarkKey, QStringLiteral("0"));
    允许判题 = file.number(main, paper::ExerciseModeKey, QStringLiteral("0"));
    DISPLAY_SCORE = file.number(main, paper::DisplayScoreKey, QStringLiteral("0"));
    CHANGE_QUESTION_SORT = file.number(main, paper::ChangeQuestionSortKey, QStringLiteral("1"));
    paper::QuestionTable table;
    paper::loadQuestions(file, table);
    m_questions = table.questions;
    m_marking = scoring::marking(file);
    默认分值 = table.defaultMark;
    总题数 = table.count();
    return true;
}

bool ExamWindow::askToRetryRead(const QString &text)
{
    const prompt::Answer again = prompt::ask(
        this, text + QStringLiteral("\n\nClick OK to try again, or Cancel to leave the test; the answers saved so far are kept."),
        prompt::Buttons::OkCancel, QString(), prompt::Answer::Ok);
    if (again == prompt::Answer::Ok)
        return true;
    m_finishing = true;
    QTimer::singleShot(0, this, &ExamWindow::leave);
    return false;
}

void ExamWindow::load()
{
    m_loaded = true;
    鼠标右击翻页数 = 5;
    自动下翻 = 0;
    正在判题 = 0;
    是否在本地运行 = paths::runningLocally();
    if (!是否在本地运行) {
        本地临时文件夹 = paths::workFolder(QStringLiteral("examdesk"));
        if (本地临时文件夹.isEmpty()) {
            // No local folder to copy into: read the paper where it lies.
            是否在本地运行 = true;
        } else {
            for (const QString &name : paths::listFiles(本地临时文件夹, {QStringLiteral("*.rtf"), QStringLiteral("*.part")}))
                QFile::remove(paths::join(本地临时文件夹, name));
        }
    }
    while (!readPaper()) {
        if (!askToRetryRead(QStringLiteral("The test paper can't be read now: is the network down?")))
            return;
    }
    ui->Command3->setVisible(允许判题 == 1);

    const record::Id id = m_session.recordId();
    m_saver = std::make_unique<record::Saver>(
        id, this, [this](quint64 submission, bool written) { saveDone(submission, written); });
    const qint64 fullSeconds = examdesk::limitSeconds(考试总时间, m_session.extraTime);
    if (m_session.是否二次登录) {
        // Resumed from nothing, the attempt's first save would overwrite the saved answers.
        std::optional<record::Progress> read;
        while (!(read = record::tryResume(id, 总题数, fullSeconds))) {
            if (!askToRetryRead(QStringLiteral("The answer record of this test can't be read now: is the network down?")))
                return;
        }
        const record::Progress &saved = *read;
        m_order = saved.order;
        m_answers = saved.answers;
        当前考题 = saved.position;
        m_secondsAtStart = saved.secondsLeft * 1000;
    } else {
        m_order = examdesk::newAttemptOrder(总题数, CHANGE_QUESTION_SORT, paper::randomGenerator());
        m_answers = QList<qint16>(总题数, 0);
        当前考题 = 1;
        m_secondsAtStart = fullSeconds * 1000;
        m_started = QDateTime::currentDateTime();
        m_startPending = true;
    }
    showTime();

    ui->VSlquestion->setMaximum(examdesk::selectorMaximum(总题数));
    ui->VSlquestion->setValue(0);
    selectorScrolled(0);
    ui->FrmSelQuestion->setTitle(QStringLiteral("Select question") +
                                 QStringLiteral("          Questions total:") + QString::number(总题数));
    for (QCheckBox *box : m_choices)
        box->setEnabled(总题数 > 0);

    startPrefetch();
    showQuestion();
    setWindowTitle(
        QStringList{m_session.班级, m_session.学号, m_session.姓名, m_session.姓名LAST}.join(u' '));

    // A new attempt is in the record, with an order a relogin can resume, before anything
    // else happens; should that fail, the periodic save keeps trying.
    if (m_startPending)
        saveProgress();
    else
        Timer保存.start(SaveIntervalMs);
    startCountdown();
    m_choices[0]->setFocus();
}

QString ExamWindow::localCopy(const QString &fileName, bool *pending)
{
    *pending = false;
    if (是否在本地运行) {
        // An empty path: the name would lead out of the paper folder, so nothing is read.
        return paper::rtfPath(m_session.考试名称, fileName);
    }
    // Over a share only the prefetch thread touches the share; the window reads its copies.
    const QString name = fileName.trimmed();
    if (!paths::isPlainName(name) || !m_prefetch)
        return {};
    const QString target = paths::join(本地临时文件夹, name);
    switch (m_prefetch->waitFor(target, TextWaitMs)) {
    case PaperPrefetch::Status::Copied:
        return target;
    case PaperPrefetch::Status::Missing:
        return {};
    case PaperPrefetch::Status::Pending:
        break;
    }
    *pending = true;
    if (!m_textArrival.isActive())
        m_textArrival.start();
    return {};
}

void ExamWindow::startPrefetch()
{
    if (是否在本地运行)
        return;
    // In the order the student goes through the paper from here, then the part before.
    QList<PaperPrefetch::File> files;
    QSet<QString> listed;
    const QString paperName = m_session.考试名称;
    const auto add = [&](const QString &fileName) {
        const QString name = fileName.trimmed();
        if (!paths::isPlainName(name) || listed.contains(name))
            return;
        listed.insert(name);
        files.append({[paperName, name] { return paper::rtfPath(paperName, name); }, paths::join(本地临时文件夹, name)});
    };
    const int n = int(m_order.size());
    for (int k = 0; k < n; ++k) {
        const int q = m_order.at((当前考题 - 1 + k) % n);
        if (q < 1 || q > m_questions.size())
            continue;
        add(m_questions.at(q - 1).questionFile);
        if (允许判题 == 1)
            add(m_questions.at(q - 1).explainFile);
    }
    m_prefetch = std::make_unique<PaperPrefetch>(std::move(files));
}

void ExamWindow::showQuestionText()
{
    const int q = currentQuestion();
    bool &pending = m_questionPending;
    const QString rtf = q ? localCopy(m_questions.at(q - 1).questionFile, &pending) : QString();
    if (pending)
        ui->Rich题目->setPlainText(QStringLiteral("This question is still being read from the shared folder..."));
    else if (rtf.isEmpty() || !ui->Rich题目->loadFile(rtf))
        ui->Rich题目->clear(); // never the previous question's text
}

void ExamWindow::showExplainText()
{
    const int q = currentQuestion();
    bool &pending = m_explainPending;
    const QString explain = q ? localCopy(m_questions.at(q - 1).explainFile, &pending) : QString();
    if (pending)
        ui->Rich解题辅导->setPlainText(QStringLiteral("This explanation is still being read from the shared folder..."));
    else if (explain.isEmpty() || !ui->Rich解题辅导->loadFile(explain))
        ui->Rich解题辅导->clear();
}

void ExamWindow::textArrivalTick()
{
    const int q = currentQuestion();
    const auto stillPending = [this](const QString &fileName) {
        return m_prefetch &&
               m_prefetch->status(paths::join(本地临时文件夹, fileName.trimmed())) == PaperPrefetch::Status::Pending;
    };
    if (!q || m_finishing) {
        m_textArrival.stop();
        return;
    }
    const paper::Question &question = m_questions.at(q - 1);
    if (m_questionPending && !stillPending(question.questionFile))
        showQuestionText();
    if (m_explainPending && !stillPending(question.explainFile) && 正在判题 == 1)
        showExplainText();
    if (!m_questionPending && (!m_explainPending || 正在判题 != 1))
        m_textArrival.stop();
}

void ExamWindow::showQuestion()
{
    const int value = examdesk::selectorValueFor(ui->VSlquestion->value(), 当前考题);
    ui->VSlquestion->setValue(value);

    const int q = currentQuestion();
    m_textArrival.stop();
    m_explainPending = false;
    showQuestionText();

    setChoiceColours(q);

    QString markText = q ? m_questions.at(q - 1).mark : QString();
    if (markText.isEmpty())
        markText = QString::number(默认分值);
    ui->LabTEMP->setText(markText);
    ui->Fram_题目->setTitle(QStringLiteral("Question No:") + numbers::signBlank(qint64(当前考题)) +
                            QStringLiteral("    Mark:") + markText);

    if (正在判题 == 1 && q) {
        ui->FrmExplain->setTitle(QStringLiteral("Explain"));
        ui->FrmExplain->show();
        showExplainText();
        showKey(q);
    } else {
        ui->FrmExplain->hide();
    }

    // Moving away from an end makes its button usable again.
    if (当前考题 > 1)
        ui->Command1->setEnabled(true);
    if (当前考题 < 总题数)
        ui->Command2->setEnabled(true);
}

void ExamWindow::showKey(int q)
{
    const QString key = m_questions.at(q - 1).answer;
    if (numbers::leadingNumber(key) == 0) {
        ui->Fram_题目->setTitle(ui->Fram_题目->title() +
                                QStringLiteral("   Correct answer key isn't setted."));
        return;
    }
    ui->Fram_题目->setTitle(ui->Fram_题目->title() + QStringLiteral("   Correct answer key:") + key);
    for (int c = 1; c <= 7; ++c) {
        const bool inKey = key.contains(QChar(u'0' + c));
        paintChoice(m_choices[c - 1], inKey ? KeyColour : UnselectedColour);
    }
    showVerdict(q);
}

void ExamWindow::showVerdict(int q)
{
    const QString key = m_questions.at(q - 1).answer;
    if (numbers::leadingNumber(key) == 0)
        return;
    const qint16 answer = m_answers.at(q - 1);
    QString verdict;
    if (examdesk::answerMatches(key, answer))
        verdict = QStringLiteral("   Your answer is correct!");
    else if (answer != 0)
        verdict = QStringLiteral("   Your answer is uncorrect!");
    else
        verdict = QStringLiteral("   You haven't answered!");
    ui->FrmExplain->setTitle(QStringLiteral("Explain") + verdict);
}

void ExamWindow::setChoiceColours(int q)
{
    const Choices chosen = q ? examdesk::choicesOf(m_answers.at(q - 1)) : 0;
    for (int c = 1; c <= 7; ++c) {
        QCheckBox *box = m_choices[c - 1];
        const bool on = chosen & (1u << (c - 1));
        box->setChecked(on);
        paintChoice(box, on ? SelectedColour : UnselectedColour);
    }
}

void ExamWindow::choiceClicked(int choice)
{
    const int q = currentQuestion();
    QCheckBox *box = m_choices[choice - 1];
    if (!q || m_finishing) {
        box->setChecked(false);
        return;
    }
    Choices chosen = 0;
    for (int c = 1; c <= 7; ++c) {
        if (m_choices[c - 1]->isChecked())
            chosen |= 1u << (c - 1);
    }
    const std::optional<qint16> code = examdesk::answerCode(chosen);
    if (!code) {
        // The answer code holds at most five digits below 32768: this tick cannot be stored.
        box->setChecked(false);
        prompt::inform(this, QStringLiteral("Too many answer choices are marked: this one can't be added."));
        return;
    }
    paintChoice(box, box->isChecked() ? SelectedColour : UnselectedColour);
    m_answers[q - 1] = *code;
    answerChanged();
    const int button = 当前考题 - ui->VSlquestion->value();
    if (button >= 1 && button <= examdesk::SelectorButtons)
        colourSelectorButton(m_selector[button - 1], *code);
    if (正在判题 == 1)
        showVerdict(q); // the verdict follows the new answer
    if (自动下翻 == 1)
        next();
}

bool ExamWindow::toggleChoice(int choice)
{
    QCheckBox *box = m_choices[choice - 1];
    if (!box->isEnabled())
        return false;
    box->click();
    return true;
}

void ExamWindow::moveTo(int position)
{
    if (position < 1 || position > 总题数)
        return;
    const qint16 before = 当前考题;
    当前考题 = qint16(position);
    showQuestion();
    positionChanged(before);
}

void ExamWindow::next()
{
    if (当前考题 >= 总题数) {
        ui->Command2->setEnabled(false);
        return;
    }
    ++当前考题;
    ui->Command1->setEnabled(true);
    showQuestion();
    positionChanged(qint16(当前考题 - 1));
}

void ExamWindow::previous()
{
    if (当前考题 <= 1) {
        ui->Command1->setEnabled(false);
        return;
    }
    --当前考题;
    ui->Command2->setEnabled(true);
    showQuestion();
    positionChanged(qint16(当前考题 + 1));
}

void ExamWindow::jumpForward()
{
    const qint16 before = 当前考题;
    if (当前考题 + 鼠标右击翻页数 > 总题数) {
        当前考题 = qMax<qint16>(1, 总题数);
        ui->Command2->setEnabled(false);
    } else {
        当前考题 = qint16(当前考题 + 鼠标右击翻页数);
    }
    ui->Command1->setEnabled(true);
    showQuestion();
    positionChanged(before);
}

void ExamWindow::jumpBack()
{
    const qint16 before = 当前考题;
    if (当前考题 > 鼠标右击翻页数) {
        当前考题 = qint16(当前考题 - 鼠标右击翻页数);
    } else {
        当前考题 = 1;
        ui->Command1->setEnabled(false);
    }
    ui->Command2->setEnabled(true);
    showQuestion();
    positionChanged(before);
}

void ExamWindow::toggleKeyMode()
{
    if (正在判题 == 0) {
        ui->Command3->setText(QStringLiteral("&Continue test"));
        正在判题 = 1;
        stopCountdown();
    } else {
        ui->Command3->setText(QStringLiteral("Display &key"));
        正在判题 = 0;
        startCountdown();
    }
    showQuestion();
}

void ExamWindow::colourSelectorButton(QPushButton *button, qint16 answer)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button,
                     answer >= 1 ? AnsweredColour : QApplication::palette().color(QPalette::Button));
    button->setPalette(palette);
}

void ExamWindow::selectorScrolled(int value)
{
    for (int i = 1; i <= examdesk::SelectorButtons; ++i) {
        QPushButton *button = m_selector[i - 1];
        const int position = i + value;
        button->setText(QString::number(position));
        if (position <= 总题数) {
            const int q = m_order.value(position - 1);
            colourSelectorButton(button, q >= 1 ? m_answers.value(q - 1) : qint16(0));
            button->show();
        } else {
            button->hide();
        }
    }
}

void ExamWindow::selectorClicked(int button)
{
    moveTo(button + ui->VSlquestion->value());
}

qint64 ExamWindow::secondsLeft() const
{
    qint64 ms = m_secondsAtStart;
    if (m_counting)
        ms -= m_clock() - m_clockAtStart;
    // To the nearest second, so that a tick arriving a little early still shows the new second.
    return qMax<qint64>(0, (ms + 500) / 1000);
}

void ExamWindow::showTime()
{
    ui->Lab_TIMER->setText(numbers::hhmmss(secondsLeft()));
}

void ExamWindow::startCountdown()
{
    m_clockAtStart = m_clock();
    m_counting = true;
    Timer1.start();
}

void ExamWindow::stopCountdown()
{
    qint64 ms = m_secondsAtStart;
    if (m_counting)
        ms -= m_clock() - m_clockAtStart;
    m_secondsAtStart = ms;
    m_counting = false;
    Timer1.stop();
    showTime();
}

void ExamWindow::tick()
{
    if (!m_loaded || m_finishing)
        return;
    showTime();
    if (secondsLeft() == 0)
        finish(true);
}

quint64 ExamWindow::submitProgress()
{
    if (!m_loaded || !m_saver)
        return 0;
    m_answerSave.stop();
    const record::Progress progress{secondsLeft(), 当前考题, m_answers, m_order};
    ++m_savesSubmitted;
    return m_saver->submitProgress(progress, m_startPending ? std::optional<QDateTime>(m_started) : std::nullopt);
}

void ExamWindow::answerChanged()
{
    // Not restarted by further changes: a student who keeps clicking is still saved each second.
    if (!m_answerSave.isActive())
        m_answerSave.start();
}

void ExamWindow::positionChanged(qint16 before)
{
    if (当前考题 != before && !m_finishing)
        submitProgress();
}

void ExamWindow::saveDone(quint64 submission, bool written)
{
    if (submission < m_lastOutcome)
        return; // news of an older save
    m_lastOutcome = submission;
    if (written)
        m_startPending = false;
    if (!m_finishing)
        Timer保存.start(written ? SaveIntervalMs : SaveRetryMs);
}

bool ExamWindow::saveProgress()
{
    if (!m_loaded || m_finishing)
        return false;
    const quint64 submission = submitProgress();
    const bool written = m_saver->wait(submission, SaveHoldMs);
    saveDone(submission, written);
    return written;
}

void ExamWindow::requestFinish()
{
    if (m_finishing)
        return;
    const prompt::Answer answer = prompt::ask(this, QStringLiteral("Will you finsh the test really?"),
                                              prompt::Buttons::YesNo, QString(), prompt::Answer::No);
    // The time may have run out while the question was open.
    if (answer == prompt::Answer::Yes && !m_finishing)
        finish(false);
}

bool ExamWindow::writeFinish(const QString &timeLeft, qint16 mark)
{
    // The start of the attempt goes first when no save has carried it yet.
    if (m_startPending)
        submitProgress();
    // The one place the finish batch is made.
    const record::Finish batch{timeLeft, m_answers, mark, scoring::digest(m_marking)};
    for (;;) {
        const quint64 submission = m_saver->submitFinish(batch);
        // The window keeps painting while the write is under way; the exam takes no input now.
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            if (m_saver->wait(submission, 50))
                return true;
            if (m_saver->outcomeKnown(submission) || waited.elapsed() >= FinishWaitMs)
                break;
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        const prompt::Answer again = prompt::ask(
            this,
            QStringLiteral("Your answers can't be saved: the answer record of this test can't be written.\n"
                           "Please tell your teacher.\n\n"
                           "Click OK to try again, or Cancel to end the test without saving."),
            prompt::Buttons::OkCancel, QString(), prompt::Answer::Ok);
        if (again != prompt::Answer::Ok)
            return false;
    }
}

void ExamWindow::finish(bool timeOut)
{
    if (m_finishing)
        return;
    m_finishing = true;
    Timer保存.stop();
    m_answerSave.stop();
    stopCountdown();
    if (timeOut)
        ui->Lab_TIMER->setText(numbers::hhmmss(0));

    总得分 = examdesk::score(m_questions, m_answers, 默认分值, m_marking.voided, m_marking.rule);
    const bool saved = writeFinish(ui->Lab_TIMER->text().trimmed(), 总得分);
    prompt::inform(this, examdesk::finishMessage(DISPLAY_SCORE == 1, 总分, 总得分, saved));
    leave();
}

void ExamWindow::leave()
{
    m_prefetch.reset();
    if (!是否在本地运行)
        clearWorkFolder();
    close();
    if (m_exit)
        m_exit();
}

void ExamWindow::clearWorkFolder()
{
    if (本地临时文件夹.isEmpty())
        return;
    for (const QString &pattern : {QStringLiteral("*.rtf"), QStringLiteral("*.cho"), QStringLiteral("*.part")}) {
        for (const QString &name : paths::listFiles(本地临时文件夹, {pattern}))
            QFile::remove(paths::join(本地临时文件夹, name));
    }
}

void ExamWindow::showEvent(QShowEvent *event)
{
    if (!m_loaded)
        load();
    QWidget::showEvent(event);
}

void ExamWindow::closeEvent(QCloseEvent *event)
{
    if (!m_loaded || m_finishing) {
        event->accept();
        return;
    }
    // The finish closes the window itself; from inside this event that close is the one under way.
    requestFinish();
    event->setAccepted(m_finishing);
}

bool ExamWindow::handleKey(QKeyEvent *event)
{
    if (!m_loaded || m_finishing)
        return false;
    switch (event->key()) {
    case Qt::Key_PageUp:
        previous();
        return true;
    case Qt::Key_PageDown:
        next();
        return true;
    default:
        break;
    }
    if (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))
        return false;
    const int key = event->key();
    if (key >= Qt::Key_1 && key <= Qt::Key_7)
        return toggleChoice(key - Qt::Key_1 + 1);
    if (key >= Qt::Key_A && key <= Qt::Key_G)
        return toggleChoice(key - Qt::Key_A + 1);
    return false;
}

void ExamWindow::keyPressEvent(QKeyEvent *event)
{
    if (handleKey(event))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

bool ExamWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && handleKey(static_cast<QKeyEvent *>(event)))
        return true;
    if (event->type() == QEvent::MouseButtonRelease && (watched == ui->Command1 || watched == ui->Command2)) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        auto *button = static_cast<QPushButton *>(watched);
        if (mouse->button() == Qt::RightButton && button->isEnabled() &&
            button->rect().contains(mouse->position().toPoint())) {
            if (watched == ui->Command2)
                jumpForward();
            else
                jumpBack();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

namespace examdesk {

ExamWindow *showExamWindow(const ExamSession &session)
{
    auto *window = new ExamWindow(session);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}

} // namespace examdesk
