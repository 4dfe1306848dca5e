#include "questioneditordialog.h"
#include "ui_questioneditordialog.h"

#include "catalogue.h"
#include "editorfiles.h"
#include "helpwindow.h"
#include "numbers.h"
#include "paths.h"
#include "prompt.h"
#include "richtextbox.h"
#include "richtextcommands.h"
#include "rtf/rtf.h"
#include "session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QToolBar>
#include <QValidator>

#include <algorithm>

namespace {

const QColor HighlightColour(0, 192, 192);
const QColor TickedColour(192, 0, 0);
const QColor UntickedColour(192, 255, 255);

// Column widths of the grid: 800 and 10000 twips at 15 twips a pixel.
constexpr int NumberColumnWidth = 800 / 15;
constexpr int QuestionColumnWidth = 10000 / 15;

constexpr int MaxQuestions = 32767;

/// A mark box takes any text; only a number that would not fit 16 bits once rounded is refused,
/// so a keystroke that would overflow is dropped.
class MarkValidator final : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        return numbers::fitsInt16(numbers::leadingNumber(input)) ? Acceptable : Invalid;
    }
};

} // namespace

QuestionEditorDialog::QuestionEditorDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::编辑试卷>())
{
    ui->setupUi(this);
    help::setTopic(this, QStringLiteral("editor"));
    setMinimumSize(760, 600);

    m_answers = {nullptr,       ui->Chk答案_1, ui->Chk答案_2, ui->Chk答案_3,
                 ui->Chk答案_4, ui->Chk答案_5, ui->Chk答案_6, ui->Chk答案_7};
    for (int k = 1; k <= 7; ++k) {
        QCheckBox *box = m_answers[size_t(k)];
        box->setObjectName(QStringLiteral("Chk答案(%1)").arg(k));
        answerToggled(k);
        connect(box, &QCheckBox::toggled, this, [this, k] { answerToggled(k); });
        // clicked comes from the mouse and the keyboard, never from showing a question.
        connect(box, &QCheckBox::clicked, this, &QuestionEditorDialog::answerClicked);
    }
    m_unsaved = false;

    QTableWidget *grid = ui->Grid试卷;
    grid->setColumnCount(2);
    grid->setHorizontalHeaderLabels({QStringLiteral(" No."), QStringLiteral(" Question")});
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setColumnWidth(0, NumberColumnWidth);
    grid->setColumnWidth(1, QuestionColumnWidth);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The shown question is marked by its row colour; a selection colour would hide it.
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setWordWrap(false);
    grid->setTabKeyNavigation(false);
    grid->installEventFilter(this);
    connect(grid, &QTableWidget::currentCellChanged, this, [this](int row, int, int previousRow, int) {
        if (!m_selecting && row != previousRow && row >= 0 && row + 1 != m_highlighted)
            showQuestion(row + 1);
    });
    connect(grid, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (row + 1 != m_highlighted)
            showQuestion(row + 1);
    });

    auto *edit = new QMenu(this);
    edit->setObjectName(QStringLiteral("Edit"));
    const auto editItem = [edit](const QString &name, const QString &caption) {
        QAction *action = edit->addAction(caption);
        action->setObjectName(name);
        return action;
    };
    connect(editItem(QStringLiteral("edit_Insert_blank"), QStringLiteral("Insert blank")),
            &QAction::triggered, this, &QuestionEditorDialog::insertQuestion);
    connect(editItem(QStringLiteral("edit_up"), QStringLiteral("Move up")), &QAction::triggered, this,
            [this] { moveQuestion(-1); });
    connect(editItem(QStringLiteral("edit_down"), QStringLiteral("Move down")), &QAction::triggered, this,
            [this] { moveQuestion(1); });
    connect(editItem(QStringLiteral("edit_Delete"), QStringLiteral("Delete  ")), &QAction::triggered, this,
            &QuestionEditorDialog::deleteQuestion);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this, [this, grid, edit](const QPoint &pos) {
        // The commands act on the row under the mouse, as a teacher expects.
        const int row = grid->rowAt(pos.y());
        if (row >= 0 && row + 1 != currentQuestion())
            grid->setCurrentCell(row, std::max(0, grid->currentColumn()));
        edit->popup(grid->viewport()->mapToGlobal(pos));
    });

    for (RichTextBox *editor : {ui->RichTextBox1, ui->RichTextBox2, ui->Rich题库试题})
        editor->setTabChangesFocus(true);
    ui->Rich题库试题->setReadOnly(true);
    connect(ui->RichTextBox1, &RichTextBox::contentChanged, this, &QuestionEditorDialog::questionTextChanged);
    connect(ui->RichTextBox2, &RichTextBox::contentChanged, this, [this] { m_unsaved = true; });
    connect(ui->RichTextBox1, &RichTextBox::focusLost, this,
            [this] { storeEditor(ui->RichTextBox1, Report::Once); });
    connect(ui->RichTextBox2, &RichTextBox::focusLost, this,
            [this] { storeEditor(ui->RichTextBox2, Report::Once); });

    const QStringList families = QFontDatabase::families();
    RichTextCommands::Names question{QStringLiteral("MenuRich"), QStringLiteral("mnucut"),
                                     QStringLiteral("mnucopy"),  QStringLiteral("mnupaste"),
                                     QStringLiteral("mnuundo"),  QStringLiteral("mnuFontName"),
                                     QStringLiteral("字体列表"), QStringLiteral("MNUFontSize"),
                                     QStringLiteral("字号列表"), QStringLiteral("MNU颜色"),
                                     QStringLiteral("mnu"),      QStringLiteral("ToolRich")};
    m_questionCommands = new RichTextCommands(ui->RichTextBox1, this, question, families);
    RichTextCommands::Names explanation{
        QStringLiteral("menuRich2"),        QStringLiteral("mnurich2cut"),   QStringLiteral("mnurich2copy"),
        QStringLiteral("mnurich2paste"),    QStringLiteral("mnurich2undo"),  QStringLiteral("MNURICH2FontNAME"),
        QStringLiteral("字体列表2"),        QStringLiteral("MNURICH2FontSize"), QStringLiteral("字号列表2"),
        QStringLiteral("mnurich2颜色"),     QStringLiteral("mnurich2"),      QStringLiteral("ToolRich2")};
    m_explainCommands = new RichTextCommands(ui->RichTextBox2, this, explanation, families);
    // Each editor's formatting bar stands right above it.
    ui->questionLayout->insertWidget(ui->questionLayout->indexOf(ui->RichTextBox1), m_questionCommands->toolBar());
    ui->questionLayout->insertWidget(ui->questionLayout->indexOf(ui->RichTextBox2), m_explainCommands->toolBar());

    for (QLineEdit *box : {ui->Text分值, ui->Text设置默认分值}) {
        box->setValidator(new MarkValidator(box));
        box->setMaxLength(24);
    }
    connect(ui->Text分值, &QLineEdit::textEdited, this, &QuestionEditorDialog::markEdited);
    connect(ui->Chk使用默认分值, &QCheckBox::toggled, this, &QuestionEditorDialog::useDefaultToggled);
    connect(ui->Text设置默认分值, &QLineEdit::textChanged, this, &QuestionEditorDialog::defaultMarkChanged);

    ui->Fra题库->hide();
    ui->Combo1->setEditable(false);
    ui->List题库试题->installEventFilter(this);
    ui->List题库试题->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->List题库试题->setTextElideMode(Qt::ElideRight);
    connect(ui->Cmd显示题库, &QPushButton::clicked, this, &QuestionEditorDialog::toggleBank);
    connect(ui->Combo1, &QComboBox::currentIndexChanged, this, &QuestionEditorDialog::chooseBankPaper);
    connect(ui->List题库试题, &QListWidget::currentRowChanged, this,
            &QuestionEditorDialog::previewBankQuestion);
    connect(ui->List题库试题, &QListWidget::itemDoubleClicked, this, &QuestionEditorDialog::importFromBank);
    connect(ui->Cmd导入考题, &QPushButton::clicked, this, &QuestionEditorDialog::importFromBank);

    // Enter belongs to the text editors; no button may take it and close the window by surprise.
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);
    connect(ui->Cmd上一题, &QPushButton::clicked, this, &QuestionEditorDialog::previous);
    connect(ui->Cmd下一题, &QPushButton::clicked, this, &QuestionEditorDialog::next);
    connect(ui->Cmd_Insert, &QPushButton::clicked, this, &QuestionEditorDialog::insertQuestion);
    connect(ui->Cmd_Delete, &QPushButton::clicked, this, &QuestionEditorDialog::deleteQuestion);
    connect(ui->Cmd上移, &QPushButton::clicked, this, [this] { moveQuestion(-1); });
    connect(ui->Cmd下移, &QPushButton::clicked, this, [this] { moveQuestion(1); });
    connect(ui->Cmd_ok, &QPushButton::clicked, this, &QuestionEditorDialog::saveAndClose);
    connect(ui->Cmd_Cancel, &QPushButton::clicked, this, &QuestionEditorDialog::reject);
    connect(ui->CMD_HELP, &QPushButton::clicked, this, [this] { help::showFor(this); });

    setEditingEnabled(false);
}

QuestionEditorDialog::~QuestionEditorDialog()
{
    if (m_opened)
        editorfiles::clearRtf(m_openedWorkFolder);
}

QString QuestionEditorDialog::workFolder() const
{
    return m_workFolder.isEmpty() ? paths::workFolder(QStringLiteral("examforge")) : m_workFolder;
}

paper::QuestionTable &QuestionEditorDialog::table() const
{
    return examforge::session().questions;
}

int QuestionEditorDialog::currentQuestion() const
{
    const int row = ui->Grid试卷->currentRow();
    return row >= 0 && row < table().questions.size() ? row + 1 : 0;
}

QString QuestionEditorDialog::workPath(const QString &fileName) const
{
    const QString name = fileName.trimmed();
    if (name.isEmpty())
        return {};
    return paths::resolve(m_openedWorkFolder, {name});
}

QString QuestionEditorDialog::bankFile(const QString &fileName) const
{
    return paper::rtfPath(m_bankPaper, fileName);
}

void QuestionEditorDialog::reportFailure(const QString &text, const QStringList &paths)
{
    prompt::inform(this, text + QStringLiteral("\n\n") + paths.join(u'\n'));
}

void QuestionEditorDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous() || m_opened)
        return;
    m_opened = openPaper();
    if (!m_opened) {
        // Without its working copies the window cannot edit anything.
        QMetaObject::invokeMethod(
            this, [this] { done(Rejected); }, Qt::QueuedConnection);
        return;
    }
    if (table().count() < 1)
        insertQuestion();
    else {
        selectRow(1);
        showQuestion(1);
    }
    ui->RichTextBox1->setFocus(Qt::OtherFocusReason);
}

bool QuestionEditorDialog::openPaper()
{
    m_paperName = examforge::session().currentPaperName.trimmed();
    if (m_paperName.isEmpty()) {
        prompt::inform(this, QStringLiteral("No test is selected, so there is nothing to edit."));
        return false;
    }
    // A name from a hand-edited catalogue may hold path characters: no folder of the data tree
    // has it (see paths::resolve), and nothing may be written where it would lead.
    if (paper::folder(m_paperName).isEmpty()) {
        prompt::inform(this,
                       QStringLiteral("The test \"%1\" cannot be edited: a folder cannot have this name.")
                           .arg(m_paperName));
        return false;
    }
    const QString work = workFolder();
    if (work.isEmpty() || !QDir().mkpath(work)) {
        reportFailure(
            QStringLiteral("The work folder for the questions could not be made, so the test cannot "
                           "be edited:"),
            {QDir::toNativeSeparators(work.isEmpty() ? QStringLiteral("KORVEX") : work)});
        return false;
    }
    m_openedWorkFolder = work;
    m_unsaved = false;
    m_reportedFailures.clear();

    QStringList failed = editorfiles::clearRtf(work);
    if (failed.isEmpty())
        failed = editorfiles::copyRtfFresh(paper::folder(m_paperName), work);
    if (!failed.isEmpty()) {
        editorfiles::clearRtf(work);
        reportFailure(QStringLiteral("The files of the test could not be copied into the work folder, so the "
                                     "test cannot be edited. Check that these files can be written:"),
                      failed);
        return false;
    }

    setWindowTitle(QStringLiteral("Edit paper --") + m_paperName);
    paper::loadQuestions(paper::file(m_paperName), table());
    fillGrid();
    ui->Text设置默认分值->setText(numbers::plain(table().defaultMark));
    return true;
}

void QuestionEditorDialog::done(int result)
{
    const bool opened = m_opened;
    m_opened = false;
    // Nothing may be written into the work folder once it is being cleared.
    ui->RichTextBox1->setFileName({});
    ui->RichTextBox2->setFileName({});
    QDialog::done(result);
    if (opened)
        editorfiles::clearRtf(m_openedWorkFolder);
}

void QuestionEditorDialog::reject()
{
    if (m_unsaved &&
        prompt::ask(this, QStringLiteral("Will you went to exit without save?"), prompt::Buttons::YesNo,
                    QString(), prompt::Answer::No) != prompt::Answer::Yes)
        return;
    QDialog::reject();
}

bool QuestionEditorDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->Grid试卷 && event->type() == QEvent::FocusIn)
        storeEditors(Report::Once);
    if (watched == ui->List题库试题 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            importFromBank();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// The grid ------------------------------------------------------------------------------------

void QuestionEditorDialog::fillGrid()
{
    QTableWidget *grid = ui->Grid试卷;
    const QList<paper::Question> &questions = table().questions;
    m_selecting = true;
    grid->setUpdatesEnabled(false);
    grid->clearContents();
    grid->setRowCount(int(questions.size()));
    for (int i = 0; i < questions.size(); ++i)
        setGridRow(i + 1,
                   editorfiles::gridText(rtf::plainTextOfFile(workPath(questions.at(i).questionFile))));
    grid->setUpdatesEnabled(true);
    m_selecting = false;
    m_highlighted = 0;
}

void QuestionEditorDialog::setGridRow(int row, const QString &text)
{
    QTableWidget *grid = ui->Grid试卷;
    auto *number = new QTableWidgetItem(numbers::signBlank(qint64(row)));
    auto *question = new QTableWidgetItem(text);
    question->setToolTip(text);
    grid->setItem(row - 1, 0, number);
    grid->setItem(row - 1, 1, question);
}

void QuestionEditorDialog::selectRow(int r)
{
    QTableWidget *grid = ui->Grid试卷;
    m_selecting = true;
    if (r < 1)
        grid->setCurrentCell(-1, -1);
    else {
        grid->setCurrentCell(r - 1, std::max(0, grid->currentColumn()));
        grid->scrollToItem(grid->item(r - 1, 0));
    }
    m_selecting = false;
}

void QuestionEditorDialog::setHighlight(int r, bool on)
{
    QTableWidget *grid = ui->Grid试卷;
    for (int column = 0; column < 2; ++column) {
        if (QTableWidgetItem *item = grid->item(r - 1, column))
            item->setData(Qt::BackgroundRole, on ? QVariant(HighlightColour) : QVariant());
    }
}

void QuestionEditorDialog::setCaption(const QString &scoreLabel)
{
    const double total = paper::fullScoreExact(table().questions, table().defaultMark);
    ui->Frame考题->setTitle(QStringLiteral("No.%1  Total:%2   %3%4")
                                .arg(currentQuestion())
                                .arg(table().count())
                                .arg(scoreLabel, numbers::plain((long long)total)));
}

void QuestionEditorDialog::setEditingEnabled(bool enabled)
{
    for (QWidget *w : std::initializer_list<QWidget *>{ui->RichTextBox1, ui->RichTextBox2, ui->Text分值,
                                                       ui->Chk使用默认分值})
        w->setEnabled(enabled);
    for (int k = 1; k <= 7; ++k)
        m_answers[size_t(k)]->setEnabled(enabled);
}

// Showing a question ------------------------------------------------------------------------

void QuestionEditorDialog::showQuestion(int r)
{
    if (r < 1 || r > table().count())
        return;
    // The texts on screen go to their files before another question replaces them.
    if (!storeEditors(Report::Always)) {
        selectRow(m_highlighted);
        return;
    }
    if (m_highlighted >= 1 && m_highlighted <= ui->Grid试卷->rowCount() && m_highlighted != r)
        setHighlight(m_highlighted, false);
    m_highlighted = r;
    setHighlight(r, true);

    paper::Question &q = table().questions[r - 1];
    // A question without a usable file name gets one, so that what the teacher types is kept.
    if (!editorfiles::isWorkCopyName(q.questionFile) || !editorfiles::isWorkCopyName(q.explainFile)) {
        const auto [questionName, explainName] = newFileNames();
        if (!editorfiles::isWorkCopyName(q.questionFile))
            q.questionFile = questionName;
        if (!editorfiles::isWorkCopyName(q.explainFile))
            q.explainFile = explainName;
        m_unsaved = true;
    }
    setEditingEnabled(true);
    loadEditor(ui->RichTextBox1, q.questionFile);
    loadEditor(ui->RichTextBox2, q.explainFile);

    const QString answer = table().questions.at(r - 1).answer;
    for (int k = 1; k <= 7; ++k)
        m_answers[size_t(k)]->setChecked(answer.contains(QChar(u'0' + k)));

    setCaption(QStringLiteral("Full Score:"));

    const QString mark = table().questions.at(r - 1).mark.trimmed();
    const bool useDefault = mark.isEmpty();
    ui->Text分值->setText(useDefault ? numbers::plain(table().defaultMark) : mark);
    {
        const QSignalBlocker blocker(ui->Chk使用默认分值);
        ui->Chk使用默认分值->setChecked(useDefault);
    }
    useDefaultToggled(useDefault);
}

void QuestionEditorDialog::showNothing()
{
    m_highlighted = 0;
    for (RichTextBox *editor : {ui->RichTextBox1, ui->RichTextBox2}) {
        editor->setFileName({});
        editor->clear();
    }
    for (int k = 1; k <= 7; ++k)
        m_answers[size_t(k)]->setChecked(false);
    {
        const QSignalBlocker blocker(ui->Chk使用默认分值);
        ui->Chk使用默认分值->setChecked(false);
    }
    ui->Text分值->clear();
    ui->Frame考题->setTitle(QStringLiteral("Question"));
    setEditingEnabled(false);
}

void QuestionEditorDialog::loadEditor(RichTextBox *editor, const QString &fileName)
{
    const QString path = workPath(fileName);
    if (!editor->loadFile(path))
        editor->setFileName(path);
}

bool QuestionEditorDialog::storeEditors(Report report)
{
    const bool question = storeEditor(ui->RichTextBox1, report);
    const bool explanation = storeEditor(ui->RichTextBox2, report);
    return question && explanation;
}

bool QuestionEditorDialog::storeEditor(RichTextBox *editor, Report report)
{
    const QString path = editor->fileName();
    if (!m_opened || path.isEmpty())
        return true;
    // An unchanged text is on disk already; an unreadable file is not replaced by an empty one
    // unless the teacher writes something.
    if ((!editor->document()->isModified() && QFileInfo::exists(path)) || editor->saveFile(path)) {
        m_reportedFailures.remove(path);
        return true;
    }
    if (report == Report::Once && m_reportedFailures.contains(path))
        return false;
    m_reportedFailures.insert(path);
    const QString text =
        QStringLiteral("This text could not be saved, so it stays in the editor. Check that the "
                       "work folder can be written; the text is saved again when you leave the "
                       "editor.");
    const QStringList paths = {QDir::toNativeSeparators(path)};
    if (report == Report::Always)
        reportFailure(text, paths);
    else // from a focus change: the message waits until the focus has settled
        QMetaObject::invokeMethod(
            this, [this, text, paths] { reportFailure(text, paths); }, Qt::QueuedConnection);
    return false;
}

std::pair<QString, QString> QuestionEditorDialog::newFileNames() const
{
    const QString question = paper::newRtfName(m_openedWorkFolder);
    return {question, paper::newRtfName(m_openedWorkFolder, QStringLiteral("RTF"), {question})};
}

bool QuestionEditorDialog::roomForAnotherQuestion()
{
    if (table().count() < MaxQuestions)
        return true;
    prompt::inform(this, QStringLiteral("A test can hold at most %1 questions.").arg(MaxQuestions));
    return false;
}

// Edits of the shown question -----------------------------------------------------------------

void QuestionEditorDialog::answerToggled(int k)
{
    QCheckBox *box = m_answers[size_t(k)];
    const bool ticked = box->isChecked();
    // White on the dark red of a ticked box stays readable.
    box->setStyleSheet(
        QStringLiteral("QCheckBox { background-color: %1; color: %2; padding: 2px 6px 2px 4px; }")
            .arg((ticked ? TickedColour : UntickedColour).name(),
                 ticked ? QStringLiteral("white") : QStringLiteral("black")));
    m_unsaved = true;
}

void QuestionEditorDialog::answerClicked()
{
    if (m_highlighted < 1)
        return;
    std::array<bool, 7> ticked{};
    for (int k = 1; k <= 7; ++k)
        ticked[size_t(k - 1)] = m_answers[size_t(k)]->isChecked();
    table().questions[m_highlighted - 1].answer = editorfiles::answerKey(ticked);
    m_unsaved = true;
}

void QuestionEditorDialog::markEdited(const QString &text)
{
    if (m_highlighted >= 1)
        table().questions[m_highlighted - 1].mark = text.trimmed();
    m_unsaved = true;
}

void QuestionEditorDialog::useDefaultToggled(bool on)
{
    if (on) {
        ui->Text分值->setText(u' ' + numbers::plain(table().defaultMark));
        if (m_highlighted >= 1)
            table().questions[m_highlighted - 1].mark.clear();
    } else if (m_highlighted >= 1) {
        table().questions[m_highlighted - 1].mark = ui->Text分值->text().trimmed();
    }
    ui->Text分值->setReadOnly(on);
    m_unsaved = true;
}

void QuestionEditorDialog::defaultMarkChanged(const QString &text)
{
    table().defaultMark = numbers::readInt16(text);
    if (ui->Chk使用默认分值->isChecked())
        ui->Text分值->setText(u' ' + numbers::plain(table().defaultMark));
    setCaption(QStringLiteral("Full mark:"));
    m_unsaved = true;
}

void QuestionEditorDialog::questionTextChanged()
{
    m_unsaved = true;
    if (m_highlighted < 1)
        return;
    if (QTableWidgetItem *item = ui->Grid试卷->item(m_highlighted - 1, 1)) {
        const QString text = editorfiles::gridText(ui->RichTextBox1->plainText());
        item->setText(text);
        item->setToolTip(text);
    }
}

// Commands ------------------------------------------------------------------------------------

void QuestionEditorDialog::previous()
{
    const int r = currentQuestion();
    if (r > 1) {
        selectRow(r - 1);
        showQuestion(r - 1);
    }
}

void QuestionEditorDialog::next()
{
    const int r = currentQuestion();
    if (r < table().count()) {
        selectRow(r + 1);
        showQuestion(r + 1);
    } else {
        insertQuestion();
    }
}

void QuestionEditorDialog::insertQuestion()
{
    if (!m_opened || !roomForAnotherQuestion() || !storeEditors(Report::Always))
        return;
    QList<paper::Question> &questions = table().questions;
    const int p = currentQuestion() + 1;
    const auto [questionName, explainName] = newFileNames();
    // "Insert blank": both files exist from the start, as empty documents.
    const QFont font = ui->RichTextBox1->document()->defaultFont();
    QStringList failed;
    for (const QString &name : {questionName, explainName}) {
        const QString path = paths::join(m_openedWorkFolder, name);
        if (!editorfiles::writeEmptyRtf(path, font))
            failed.append(QDir::toNativeSeparators(path));
    }
    if (!failed.isEmpty()) {
        QFile::remove(paths::join(m_openedWorkFolder, questionName));
        QFile::remove(paths::join(m_openedWorkFolder, explainName));
        reportFailure(
            QStringLiteral("No question was inserted: its files could not be written. Check that the "
                           "work folder can be written:"),
            failed);
        return;
    }
    const QString mark = p >= 2 ? questions.at(p - 2).mark : QString();
    questions.insert(p - 1, {questionName, explainName, QString(), mark});
    fillGrid();
    selectRow(p);
    showQuestion(p);
    if (ui->RichTextBox1->isVisible())
        ui->RichTextBox1->setFocus(Qt::OtherFocusReason);
    m_unsaved = true;
}

void QuestionEditorDialog::deleteQuestion()
{
    if (!m_opened)
        return;
    const int r = std::max(1, currentQuestion());
    if (table().count() == 1) {
        prompt::inform(this, QStringLiteral("Not allow to delete the question!"));
        return;
    }
    if (!storeEditors(Report::Always))
        return;
    table().questions.removeAt(r - 1);
    fillGrid();
    m_unsaved = true;
    if (r > 1) {
        selectRow(r - 1);
        showQuestion(r - 1);
    } else {
        // The deleted question's texts must not stay editable: what was typed there would go
        // into files that saving deletes.
        selectRow(0);
        showNothing();
    }
}

void QuestionEditorDialog::moveQuestion(int step)
{
    const int r = currentQuestion();
    const int target = r + step;
    if (!m_opened || r < 1 || target < 1 || target > table().count())
        return;
    if (!storeEditors(Report::Always))
        return;
    table().questions.swapItemsAt(r - 1, target - 1);
    QTableWidget *grid = ui->Grid试卷;
    const QString text = grid->item(r - 1, 1)->text();
    grid->item(r - 1, 1)->setText(grid->item(target - 1, 1)->text());
    grid->item(target - 1, 1)->setText(text);
    grid->item(r - 1, 1)->setToolTip(grid->item(r - 1, 1)->text());
    grid->item(target - 1, 1)->setToolTip(text);
    m_unsaved = true;
    // The highlight and the caption follow the moved question.
    selectRow(target);
    showQuestion(target);
}

void QuestionEditorDialog::saveAndClose()
{
    if (!m_opened || !storeEditors(Report::Always))
        return;
    paper::QuestionTable &t = table();
    const double total = paper::fullScoreExact(t.questions, t.defaultMark);
    if (!numbers::fitsInt16(total)) {
        prompt::inform(
            this, QStringLiteral("The full score of this test would be %1 points, but a test can hold at "
                                 "most 32767. Lower the marks or the default mark and press OK again. "
                                 "Nothing was saved.")
                      .arg(numbers::plain((long long)total)));
        return;
    }
    t.fullScore = qint16(total);

    // The files go first: a paper file never names a file that is not in the folder yet.
    const QString folder = paper::folder(m_paperName);
    QStringList failed;
    if (!QDir().mkpath(folder))
        failed.append(QDir::toNativeSeparators(folder));
    else
        failed = editorfiles::copyRtf(m_openedWorkFolder, folder);
    if (!failed.isEmpty()) {
        reportFailure(
            QStringLiteral("The questions were not saved: these files could not be written into the "
                           "test's folder. Check that they can be written and press OK again:"),
            failed);
        return;
    }
    const QString file = paper::file(m_paperName);
    if (!paper::saveQuestions(file, t)) {
        reportFailure(
            QStringLiteral("The questions were not saved: the test's file could not be written. Check "
                           "that it can be written and press OK again:"),
            {QDir::toNativeSeparators(file)});
        return;
    }
    // A file that cannot be deleted is only left over; the next save tries again.
    for (const QString &junk :
         editorfiles::junkFiles(paths::listFiles(folder, {QStringLiteral("*.rtf")}), t.questions))
        QFile::remove(paths::join(folder, junk));
    m_unsaved = false;
    accept();
}

// The question bank ---------------------------------------------------------------------------

void QuestionEditorDialog::toggleBank()
{
    const bool showBank = ui->Fra题库->isHidden();
    if (showBank)
        storeEditors(Report::Always);
    ui->Fra题库->setVisible(showBank);
    ui->Frame考题->setVisible(!showBank);
    ui->Cmd显示题库->setText(showBank ? QStringLiteral("Question &Bank Hidden")
                                      : QStringLiteral("Question &Bank Visible"));
    loadBankPapers();
}

void QuestionEditorDialog::loadBankPapers()
{
    const QStringList names = catalogue::paperNames();
    {
        const QSignalBlocker blocker(ui->Combo1);
        ui->Combo1->clear();
        ui->Combo1->addItems(names);
        ui->Combo1->setCurrentIndex(names.isEmpty() ? -1 : 0);
    }
    chooseBankPaper();
}

void QuestionEditorDialog::chooseBankPaper()
{
    m_bankPaper = ui->Combo1->currentIndex() < 0 ? QString() : ui->Combo1->currentText().trimmed();
    m_bank.clear();
    if (!m_bankPaper.isEmpty()) {
        paper::QuestionTable bank;
        paper::loadQuestions(paper::file(m_bankPaper), bank);
        m_bank = bank.questions;
    }
    QListWidget *list = ui->List题库试题;
    {
        const QSignalBlocker blocker(list);
        list->clear();
        for (const paper::Question &q : std::as_const(m_bank)) {
            auto *item =
                new QListWidgetItem(editorfiles::gridText(rtf::plainTextOfFile(bankFile(q.questionFile))));
            item->setToolTip(item->text());
            list->addItem(item);
        }
        list->setCurrentRow(-1);
    }
    // Nothing is selected, yet the preview shows the last question, as the list filling left it.
    previewBankQuestion(int(m_bank.size()) - 1);
}

void QuestionEditorDialog::previewBankQuestion(int row)
{
    RichTextBox *preview = ui->Rich题库试题;
    if (row < 0 || row >= m_bank.size()) {
        preview->clear();
        preview->setFileName({});
        return;
    }
    preview->loadFile(bankFile(m_bank.at(row).questionFile));
}

void QuestionEditorDialog::importFromBank()
{
    QListWidget *list = ui->List题库试题;
    if (!m_opened || list->count() == 0 || m_bank.isEmpty())
        return;
    if (list->currentRow() < 0)
        list->setCurrentRow(0);
    const int s = list->currentRow() + 1;
    const int bankCount = int(m_bank.size());
    const paper::Question from = m_bank.at(s - 1);

    const QString name = from.questionFile.trimmed();
    if (!name.isEmpty()) {
        for (const paper::Question &q : std::as_const(table().questions)) {
            if (q.questionFile.trimmed().compare(name, Qt::CaseInsensitive) != 0)
                continue;
            if (prompt::ask(this,
                            QStringLiteral("The question already exists!\nwill you add the same question?"),
                            prompt::Buttons::OkCancel) != prompt::Answer::Ok) {
                if (s < bankCount)
                    list->setCurrentRow(s);
                list->setFocus(Qt::OtherFocusReason);
                return;
            }
            break;
        }
    }
    if (!roomForAnotherQuestion())
        return;

    const auto [questionName, explainName] = newFileNames();
    const QFont font = ui->RichTextBox1->document()->defaultFont();
    QStringList failed;
    // A bank file that is missing comes over as an empty document.
    const auto bring = [&](const QString &field, const QString &newName) {
        const QString source = bankFile(field);
        const QString target = paths::join(m_openedWorkFolder, newName);
        const bool ok = !source.isEmpty() && QFileInfo(source).isFile()
                            ? editorfiles::copyFile(source, target)
                            : editorfiles::writeEmptyRtf(target, font);
        if (!ok)
            failed.append(QDir::toNativeSeparators(source.isEmpty() ? target : source));
    };
    bring(from.questionFile, questionName);
    bring(from.explainFile, explainName);
    if (!failed.isEmpty()) {
        QFile::remove(paths::join(m_openedWorkFolder, questionName));
        QFile::remove(paths::join(m_openedWorkFolder, explainName));
        reportFailure(
            QStringLiteral("The question was not taken over: these files could not be copied into the "
                           "work folder. Check that they can be read and that the work folder can be "
                           "written:"),
            failed);
        return;
    }

    table().questions.append({questionName, explainName, from.answer, from.mark});
    const int count = table().count();
    QTableWidget *grid = ui->Grid试卷;
    grid->setRowCount(count);
    setGridRow(count, list->item(s - 1)->text());
    // The new question becomes the grid's current row; the question being edited stays shown.
    selectRow(count);

    if (s < bankCount)
        list->setCurrentRow(s);
    list->setFocus(Qt::OtherFocusReason);
    m_unsaved = true;
}
