#include "papermanagementdialog.h"
#include "ui_papermanagementdialog.h"

#include "ansicodec.h"
#include "catalogue.h"
#include "enterkey.h"
#include "helpwindow.h"
#include "names.h"
#include "numbers.h"
#include "paperfile.h"
#include "paperfolders.h"
#include "paths.h"
#include "printpaperdialog.h"
#include "profile.h"
#include "prompt.h"
#include "session.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStandardPaths>

#include <algorithm>

using papers::PaperRow;

namespace {

// A failure message names at most this many paths, so that it still fits on the screen.
constexpr int MaxPathsShown = 12;

} // namespace

PaperManagementDialog::PaperManagementDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::试卷管理>())
{
    ui->setupUi(this);
    help::setTopic(this, QStringLiteral("papers"));

    // Full score, question count and default mark belong to the question editor: shown here,
    // never written, so the boxes do not take typing that would be dropped.
    for (QLineEdit *box : {ui->Txt4, ui->Txt14, ui->TXT16}) {
        box->setReadOnly(true);
        QPalette palette = box->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        box->setPalette(palette);
    }
    // A profile value holds at most 255 bytes.
    for (QLineEdit *box : {ui->Txt15, ui->Txt重考密码, ui->Txt二次登录密码})
        box->setMaxLength(int(profile::MaxValueBytes));

    // The question editor and the Word export are other windows; they are wired when they
    // exist, and until then their buttons stay disabled.
    ui->Command1->setEnabled(false);
    ui->CmdToWORD->setEnabled(false);

    connect(ui->List1, &QListWidget::currentRowChanged, this, [this] { showSelected(); });
    connect(ui->List1, &QListWidget::itemDoubleClicked, this, [this] { editFromList(); });

    const auto number = [this](QLineEdit *box, int column) {
        connect(box, &QLineEdit::textChanged, this, [this, box, column] { numberEdited(box, column); });
    };
    number(ui->TXT3, papers::TestTimeColumn);
    number(ui->Txt10, papers::AGradeColumn);
    number(ui->Txt11, papers::BGradeColumn);
    number(ui->Txt12, papers::CGradeColumn);
    number(ui->Txt13, papers::DGradeColumn);

    const auto text = [this](QLineEdit *box, int column, bool trimmed) {
        connect(box, &QLineEdit::textChanged, this,
                [this, box, column, trimmed] { textEdited(box, column, trimmed); });
    };
    text(ui->Txt15, papers::AuthorColumn, true);
    connect(ui->TXT17, &QPlainTextEdit::textChanged, this, &PaperManagementDialog::commentEdited);
    text(ui->Txt重考密码, papers::RetestPasswordColumn, false);
    text(ui->Txt二次登录密码, papers::ReloginPasswordColumn, false);

    const auto flag = [this](QCheckBox *box, int column) {
        connect(box, &QCheckBox::toggled, this, [this, box, column] { flagToggled(box, column); });
    };
    flag(ui->Check2, papers::ExerciseModeColumn);
    flag(ui->Check4, papers::DisplayScoreColumn);
    flag(ui->Check5, papers::QuestionSortColumn);
    flag(ui->Check6, papers::OpenFlagColumn);

    connect(ui->Check1, &QCheckBox::toggled, this, [this] {
        passwordToggled(ui->Check1, ui->Txt重考密码, papers::RetestPasswordColumn,
                        paper::DefaultRetestPassword);
    });
    connect(ui->Check3, &QCheckBox::toggled, this, [this] {
        passwordToggled(ui->Check3, ui->Txt二次登录密码, papers::ReloginPasswordColumn,
                        paper::DefaultReloginPassword);
    });

    m_enterOrder = {ui->TXT17, ui->TXT3, ui->Txt15, ui->TXT16, ui->Txt10, ui->Txt11, ui->Txt12, ui->Txt13};
    for (QWidget *box : std::as_const(m_enterOrder))
        box->installEventFilter(this);

    // Enter belongs to the boxes (see keyPressEvent), so no button may take it as the default.
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);

    connect(ui->Command6, &QPushButton::clicked, this, &PaperManagementDialog::createPaper);
    connect(ui->Command7, &QPushButton::clicked, this, &PaperManagementDialog::deletePaper);
    connect(ui->Cmd上移, &QPushButton::clicked, this, [this] { movePaper(-1); });
    connect(ui->Cmd下移, &QPushButton::clicked, this, [this] { movePaper(1); });
    connect(ui->Cmd保存, &QPushButton::clicked, this, &PaperManagementDialog::saveAndReport);
    connect(ui->Command1, &QPushButton::clicked, this, &PaperManagementDialog::editFromList);
    connect(ui->Command3, &QPushButton::clicked, this, &PaperManagementDialog::saveAndClose);
    connect(ui->Command4, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->Command5, &QPushButton::clicked, this, [this] { help::showFor(this); });
    connect(ui->Cmd导出试卷, &QPushButton::clicked, this, &PaperManagementDialog::exportPaper);
    connect(ui->Cmd导入试卷, &QPushButton::clicked, this, &PaperManagementDialog::importPaper);
    connect(ui->CmdPrint, &QPushButton::clicked, this, &PaperManagementDialog::printPaper);
    connect(ui->CmdToWORD, &QPushButton::clicked, this, [this] {
        if (const PaperRow *row = selectedRow(); row && m_exportToWord)
            m_exportToWord(this, *row);
    });

    updateEnabled();
}

PaperManagementDialog::~PaperManagementDialog() = default;

void PaperManagementDialog::printPaper()
{
    const PaperRow *row = selectedRow();
    if (!row)
        return;
    PrintPaperDialog choice(this);
    if (choice.exec() != QDialog::Accepted)
        return;
    paperprint::printPaper(this, *row, choice.copy(), choice.pageSize(), m_printOptions);
}

void PaperManagementDialog::setWordExporter(WordExporter exporter)
{
    m_exportToWord = std::move(exporter);
    updateEnabled();
}

void PaperManagementDialog::setQuestionEditor(EditorOpener opener)
{
    m_openEditor = std::move(opener);
    updateEnabled();
}

void PaperManagementDialog::showEvent(QShowEvent *event)
{
    // Each opening starts from what is on disk; a restore from the task bar is no opening.
    if (!event->spontaneous()) {
        reload();
        ui->List1->setFocus();
    }
    QDialog::showEvent(event);
}

bool PaperManagementDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const qsizetype at = m_enterOrder.indexOf(qobject_cast<QWidget *>(watched));
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && at >= 0) {
            if (at + 1 < m_enterOrder.size())
                m_enterOrder.at(at + 1)->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PaperManagementDialog::keyPressEvent(QKeyEvent *event)
{
    // Enter in the other controls must not save or create anything unasked; on a focused
    // button it presses that button.
    if (!enterkey::pressFocusedButton(this, event))
        QDialog::keyPressEvent(event);
}

void PaperManagementDialog::reload()
{
    m_created.clear();
    m_deleted.clear();
    m_rows = papers::load();
    fillList(0);
}

PaperRow *PaperManagementDialog::selectedRow()
{
    const int index = ui->List1->currentRow();
    if (index < 0 || index >= m_rows.size())
        return nullptr;
    return &m_rows[index];
}

QStringList PaperManagementDialog::listedNames() const
{
    QStringList names;
    for (const PaperRow &row : m_rows)
        names.append(row[papers::NameColumn].trimmed());
    return names;
}

void PaperManagementDialog::fillList(int index)
{
    {
        const QSignalBlocker block(ui->List1);
        ui->List1->clear();
        for (const PaperRow &row : std::as_const(m_rows))
            ui->List1->addItem(row[papers::NameColumn]);
    }
    selectIndex(index);
}

void PaperManagementDialog::selectIndex(int index)
{
    {
        const QSignalBlocker block(ui->List1);
        ui->List1->setCurrentRow(index >= 0 && index < ui->List1->count() ? index : -1);
    }
    showSelected();
}

void PaperManagementDialog::showSelected()
{
    PaperRow *row = selectedRow();
    updateEnabled();
    if (!row) {
        examforge::session().currentPaperName.clear();
        m_filling = true;
        for (QLineEdit *box : {ui->TXT3, ui->Txt4, ui->Txt14, ui->Txt15, ui->TXT16, ui->Txt10, ui->Txt11,
                               ui->Txt12, ui->Txt13, ui->Txt重考密码, ui->Txt二次登录密码})
            box->clear();
        ui->TXT17->clear();
        for (QCheckBox *box : {ui->Check1, ui->Check2, ui->Check3, ui->Check4, ui->Check5, ui->Check6})
            box->setChecked(false);
        m_filling = false;
        return;
    }
    examforge::session().currentPaperName = ui->List1->currentItem()->text().trimmed();

    // The boxes write back into the row as they change, so show a copy.
    const PaperRow values = *row;
    m_filling = true;
    const auto showNumber = [this, &values](QLineEdit *box, int column) {
        box->setText(values[column]);
        numberEdited(box, column);
    };
    showNumber(ui->TXT3, papers::TestTimeColumn);
    ui->Txt4->setText(values[papers::FullMarkColumn]);
    ui->Txt14->setText(values[papers::QuestionCountColumn]);
    ui->Txt15->setText(values[papers::AuthorColumn]);
    ui->TXT16->setText(values[papers::DefaultMarkColumn]);
    showNumber(ui->Txt10, papers::AGradeColumn);
    showNumber(ui->Txt11, papers::BGradeColumn);
    showNumber(ui->Txt12, papers::CGradeColumn);
    showNumber(ui->Txt13, papers::DGradeColumn);
    ui->TXT17->setPlainText(values[papers::CommentColumn]);

    const auto showPassword = [&values](QCheckBox *check, QLineEdit *box, int column) {
        const QString password = values[column];
        check->setChecked(!password.isEmpty());
        box->setText(password);
        box->setEnabled(!password.isEmpty());
    };
    showPassword(ui->Check1, ui->Txt重考密码, papers::RetestPasswordColumn);
    showPassword(ui->Check3, ui->Txt二次登录密码, papers::ReloginPasswordColumn);

    // A flag counts as set only when it reads as 1; the row then holds what the box shows.
    const auto showFlag = [this, &values](QCheckBox *box, int column) {
        box->setChecked(catalogue::isSet(values[column]));
        flagToggled(box, column);
    };
    showFlag(ui->Check2, papers::ExerciseModeColumn);
    showFlag(ui->Check4, papers::DisplayScoreColumn);
    showFlag(ui->Check5, papers::QuestionSortColumn);
    showFlag(ui->Check6, papers::OpenFlagColumn);
    m_filling = false;
}

void PaperManagementDialog::updateEnabled()
{
    const bool selected = ui->List1->currentRow() >= 0 && ui->List1->currentRow() < m_rows.size();
    ui->CmdToWORD->setEnabled(selected && m_exportToWord);
    ui->CmdPrint->setEnabled(selected);
    for (QWidget *w : std::initializer_list<QWidget *>{
             ui->Command7, ui->Cmd上移, ui->Cmd下移, ui->Cmd导出试卷, ui->Check6, ui->TXT3,  ui->Txt4,
             ui->Txt14,    ui->TXT16,   ui->Txt10,   ui->Txt11,       ui->Txt12,  ui->Txt13, ui->Txt15,
             ui->TXT17,    ui->Check2,  ui->Check4,  ui->Check5,      ui->Check1, ui->Check3})
        w->setEnabled(selected);
    if (!selected) {
        ui->Txt重考密码->setEnabled(false);
        ui->Txt二次登录密码->setEnabled(false);
    }
    ui->Command1->setEnabled(selected && m_openEditor);
}

void PaperManagementDialog::numberEdited(QLineEdit *box, int column)
{
    PaperRow *row = selectedRow();
    if (!row)
        return;
    QString value = numbers::leadingNumberText(box->text());
    const double number = numbers::leadingNumber(value);
    if (!numbers::fitsInt16(number)) {
        // Typing past what the paper file's readers can hold is refused; a stored value
        // that is too large shows as the nearest one they read.
        value = m_filling ? numbers::plain(numbers::toInt16(number)) : (*row)[column];
    }
    if (box->text() != value) {
        const QSignalBlocker block(box);
        const int cursor = box->cursorPosition();
        box->setText(value);
        box->setCursorPosition(std::min(cursor, int(value.size())));
    }
    (*row)[column] = value.trimmed();
}

void PaperManagementDialog::textEdited(QLineEdit *box, int column, bool trimmed)
{
    PaperRow *row = selectedRow();
    if (!row)
        return;
    QString value = box->text();
    if (ansi::encode(value).size() > profile::MaxValueBytes) {
        // Refuse what the profile value cannot hold rather than lose it on the next reading.
        value = ansi::cutToBytes(value, profile::MaxValueBytes);
        const QSignalBlocker block(box);
        box->setText(value);
    }
    (*row)[column] = trimmed ? value.trimmed() : value;
}

void PaperManagementDialog::commentEdited()
{
    PaperRow *row = selectedRow();
    if (!row)
        return;
    QString value = ui->TXT17->toPlainText();
    if (ansi::encode(value).size() > profile::MaxValueBytes) {
        value = ansi::cutToBytes(value, profile::MaxValueBytes);
        const QSignalBlocker block(ui->TXT17);
        ui->TXT17->setPlainText(value);
        ui->TXT17->moveCursor(QTextCursor::End);
    }
    // The comment is one profile line: a line break (pasted in) is stored as a blank.
    value.replace(u'\n', u' ');
    (*row)[papers::CommentColumn] = value.trimmed();
}

void PaperManagementDialog::flagToggled(QCheckBox *box, int column)
{
    if (PaperRow *row = selectedRow())
        (*row)[column] = box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

void PaperManagementDialog::passwordToggled(QCheckBox *box, QLineEdit *passwordBox, int column,
                                            const QString &defaultPassword)
{
    // Showing a paper ticks the box for its stored password, which must stay as it is.
    if (m_filling)
        return;
    PaperRow *row = selectedRow();
    if (!row)
        return;
    if (box->isChecked()) {
        (*row)[column] = defaultPassword;
        passwordBox->setText(defaultPassword);
        passwordBox->setEnabled(true);
    } else {
        (*row)[column].clear();
        passwordBox->clear();
        passwordBox->setEnabled(false);
    }
}

void PaperManagementDialog::createPaper()
{
    const std::optional<QString> answer = prompt::input(
        this, QStringLiteral("Please input the name of new test. "), QStringLiteral("Input test name"));
    const QString name = answer ? answer->trimmed() : QString();
    if (name.isEmpty()) {
        selectIndex(int(m_rows.size()) - 1);
        return;
    }
    const QStringList listed = listedNames();
    if (listed.contains(name)) {
        prompt::inform(this, QStringLiteral("The papername already exists,input another name!"));
        return;
    }
    if (const QString problem = names::problem(names::Kind::Paper, name, listed); !problem.isEmpty()) {
        prompt::inform(this, problem);
        return;
    }
    m_rows.append(papers::newPaperRow(name));
    ui->List1->addItem(name);
    m_created.append(name);
    selectIndex(int(m_rows.size()) - 1);
}

void PaperManagementDialog::deletePaper()
{
    const int index = ui->List1->currentRow();
    if (index < 0 || index >= m_rows.size())
        return;
    if (m_rows.size() == 1) {
        prompt::inform(this, QStringLiteral("Not allow to delete the paper!"));
        return;
    }
    if (prompt::ask(this, QStringLiteral("Will you delete all data of the present paper?"),
                    prompt::Buttons::OkCancel, QStringLiteral("Manage paper")) != prompt::Answer::Ok)
        return;
    m_deleted.append(m_rows.at(index)[papers::NameColumn].trimmed());
    m_rows.removeAt(index);
    fillList(0);
    prompt::inform(this, QStringLiteral("The present paper had been deleted!"));
}

void PaperManagementDialog::movePaper(int step)
{
    const int from = ui->List1->currentRow();
    const int to = from + step;
    if (from < 0 || from >= m_rows.size() || to < 0 || to >= m_rows.size())
        return;
    m_rows.swapItemsAt(from, to);
    {
        const QSignalBlocker block(ui->List1);
        ui->List1->item(from)->setText(m_rows.at(from)[papers::NameColumn]);
        ui->List1->item(to)->setText(m_rows.at(to)[papers::NameColumn]);
    }
    selectIndex(to);
}

void PaperManagementDialog::reportFailures(const QString &what, const QStringList &paths)
{
    QStringList shown = paths.mid(0, MaxPathsShown);
    if (paths.size() > MaxPathsShown)
        shown.append(QStringLiteral("... and %1 more").arg(paths.size() - MaxPathsShown));
    prompt::inform(this, what + QStringLiteral("\n\n") + shown.join(u'\n'));
}

bool PaperManagementDialog::saveChanges()
{
    const QStringList failed = papers::save(m_rows, m_deleted, m_created);
    if (failed.isEmpty())
        return true;
    reportFailures(
        QStringLiteral("Not everything could be saved. These files or folders could not be made, emptied, "
                       "removed or written (check that they are not read-only, in use or holding "
                       "folders of their own, then save again):"),
        failed);
    return false;
}

void PaperManagementDialog::saveAndReport()
{
    if (saveChanges())
        prompt::inform(this, QStringLiteral("Save completed!"));
}

void PaperManagementDialog::saveAndClose()
{
    // On a failure the window stays open, so that the changes are not lost with it.
    if (saveChanges())
        accept();
}

void PaperManagementDialog::editFromList()
{
    if (m_openEditor)
        editSelectedTest(m_openEditor);
}

bool PaperManagementDialog::editSelectedTest(const EditorOpener &openEditor)
{
    if (!selectedRow() || !openEditor)
        return false;
    const int index = ui->List1->currentRow();
    if (!saveChanges())
        return false;
    const QString name = ui->List1->currentItem()->text().trimmed();
    examforge::session().currentPaperName = name;
    openEditor(this);

    if (index < m_rows.size()) {
        const profile::Snapshot file(paper::file(name));
        PaperRow &row = m_rows[index];
        row[papers::QuestionCountColumn] =
            file.value(paper::MainSection, paper::QuestionCountKey, QStringLiteral("0")).trimmed();
        row[papers::FullMarkColumn] = numbers::leadingNumberText(
            file.value(paper::MainSection, paper::FullMarkKey, QStringLiteral("0")));
        row[papers::DefaultMarkColumn] =
            numbers::leadingNumberText(file.value(paper::MainSection, paper::MarkKey, QStringLiteral("0")));
    }
    selectIndex(index);
    return true;
}

void PaperManagementDialog::exportPaper()
{
    const PaperRow *row = selectedRow();
    if (!row)
        return;
    const QString name = (*row)[papers::NameColumn].trimmed();
    // A name from a hand-edited catalogue may hold path characters, which would lead the copy
    // out of the chosen folder.
    if (!paths::isPlainName(name)) {
        prompt::inform(
            this,
            QStringLiteral("The test \"%1\" cannot be exported: a folder cannot have this name.").arg(name));
        return;
    }
    const QString chosen =
        prompt::service().chooseFolder(this, QStringLiteral("Output paper to ..."),
                                       QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    if (chosen.isEmpty())
        return;
    const QString target = paths::join(chosen, name);
    QStringList failed = paperfolders::makeFolder(target);
    if (failed.isEmpty())
        failed = paperfolders::copyFiles(paper::folder(name), target);
    if (failed.isEmpty())
        prompt::inform(this, QStringLiteral("Output paper had completed!"));
    else
        reportFailures(
            QStringLiteral("The test was not exported completely. These files or folders could not be "
                           "made or written:"),
            failed);
}

void PaperManagementDialog::importPaper()
{
    const QString chosen =
        prompt::service().chooseFile(this, QStringLiteral("Please select a test file "), paths::dataRoot(),
                                     QStringLiteral("CHO Files (*.CHO)"));
    if (chosen.isEmpty())
        return;
    const QFileInfo file(chosen);
    const qsizetype end = file.fileName().indexOf(QLatin1String(".cho"), 0, Qt::CaseInsensitive);
    if (end < 0) {
        prompt::inform(this, QStringLiteral("\"%1\" is not a test file: a test is imported from its file "
                                            "<test name>.cho, and this name has no \".cho\".")
                                 .arg(file.fileName()));
        return;
    }
    // A file on a share may be gone since it was chosen: importing nothing is no import.
    if (!file.isFile()) {
        prompt::inform(this, QStringLiteral("The test file\n%1\ncannot be read. Nothing was imported.")
                                 .arg(QDir::toNativeSeparators(file.absoluteFilePath())));
        return;
    }
    const QString name = file.fileName().left(end).trimmed();
    const QString source = file.absolutePath();

    const QStringList listed = listedNames();
    for (const QString &other : listed) {
        if (other.compare(name, Qt::CaseInsensitive) == 0) {
            prompt::inform(this, QStringLiteral("The paper name already exists ,input another name!"));
            return;
        }
    }
    if (const QString problem = names::problem(names::Kind::Paper, name, listed); !problem.isEmpty()) {
        prompt::inform(this, problem);
        return;
    }

    // Emptying a folder the files are about to be copied from would destroy them: the source
    // folder is never emptied.
    const QString paperFolder = paths::paperFolder(name);
    QStringList failed = paperfolders::prepareFolder(paths::scoreFolder(name), source) +
                         paperfolders::prepareFolder(paperFolder, source);
    if (!QFileInfo(paperFolder).isDir()) {
        reportFailures(QStringLiteral("The test could not be imported. These folders could not be made:"),
                       failed);
        return;
    }
    failed += paperfolders::copyFiles(source, paperFolder);

    PaperRow row;
    row[papers::NameColumn] = name;
    row[papers::OpenFlagColumn] = QStringLiteral("1");
    papers::readSettings(row);
    m_rows.append(row);
    ui->List1->addItem(name);
    selectIndex(int(m_rows.size()) - 1);

    if (failed.isEmpty())
        prompt::inform(this, QStringLiteral("Input paper had completed!"));
    else
        reportFailures(
            QStringLiteral("The test was imported, but not completely. These files or folders could not "
                           "be emptied or written:"),
            failed);
}
