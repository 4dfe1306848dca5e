#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

class QWidget;

/// Every message box, input box, question and file, folder or colour choice of the programs
/// goes through the prompt service. The default service shows real modal dialogs; tests
/// install a ScriptedPrompts object that records each prompt and answers it.
namespace prompt {

enum class Buttons { Ok, OkCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

class Service
{
public:
    virtual ~Service();

    /// A message box. An empty caption shows the application's title.
    virtual Answer message(QWidget *parent, const QString &text, const QString &caption, Buttons buttons,
                           Answer defaultAnswer) = 0;
    /// An input box; nothing when cancelled.
    virtual std::optional<QString> input(QWidget *parent, const QString &label, const QString &caption,
                                         const QString &defaultText) = 0;
    /// A folder; empty when cancelled.
    virtual QString chooseFolder(QWidget *parent, const QString &title, const QString &startFolder) = 0;
    /// An existing file; empty when cancelled.
    virtual QString chooseFile(QWidget *parent, const QString &title, const QString &startFolder,
                               const QString &filter) = 0;
    /// A colour; nothing when cancelled.
    virtual std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial) = 0;
    /// A file to write, proposed as proposedPath; empty when cancelled. The dialog asks before
    /// an existing file is replaced.
    virtual QString chooseSaveFile(QWidget *parent, const QString &title, const QString &proposedPath,
                                   const QString &filter) = 0;
};

/// The service in use. Never null: the dialog service until another is installed.
Service &service();

/// Replaces the service in use; null restores the dialog service. Returns the previous one.
std::unique_ptr<Service> install(std::unique_ptr<Service> service);

/// The caption an empty caption stands for: the program's title (the application name
/// until setApplicationTitle() is called).
QString applicationTitle();
void setApplicationTitle(const QString &title);

// Shorthands over service().
void inform(QWidget *parent, const QString &text, const QString &caption = QString());
Answer ask(QWidget *parent, const QString &text, Buttons buttons, const QString &caption = QString(),
           Answer defaultAnswer = Answer::Ok);
std::optional<QString> input(QWidget *parent, const QString &label, const QString &caption,
                             const QString &defaultText = QString());

/// The dialog service: QMessageBox, QInputDialog, QFileDialog and QColorDialog.
class DialogService final : public Service
{
public:
    Answer message(QWidget *parent, const QString &text, const QString &caption, Buttons buttons,
                   Answer defaultAnswer) override;
    std::optional<QString> input(QWidget *parent, const QString &label, const QString &caption,
                                 const QString &defaultText) override;
    QString chooseFolder(QWidget *parent, const QString &title, const QString &startFolder) override;
    QString chooseFile(QWidget *parent, const QString &title, const QString &startFolder,
                       const QString &filter) override;
    std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial) override;
    QString chooseSaveFile(QWidget *parent, const QString &title, const QString &proposedPath,
                           const QString &filter) override;
};

/// A service for tests: records every prompt and answers from a queue.
///
/// With the queue empty a message gets its default answer, an input box, a file or folder
/// choice and a colour choice are cancelled.
class ScriptedPrompts final : public Service
{
public:
    enum class Kind { Message, Input, Folder, File, Color, SaveFile };

    struct Record
    {
        Kind kind;
        QString text;    ///< message text, input label or dialog title
        QString caption; ///< as shown, the application title standing in for an empty one
        Buttons buttons = Buttons::Ok;
        Answer defaultAnswer = Answer::Ok;
        QString defaultText;
    };

    /// Queues an answer: Answer for a message, QString for an input (a null QString cancels
    /// it), QString path for a folder, file or save-file choice, QColor for a colour (invalid cancels).
    void queue(const QVariant &answer) { m_answers.append(answer); }
    void queueAnswer(Answer a) { m_answers.append(QVariant::fromValue(static_cast<int>(a))); }

    const QList<Record> &records() const { return m_records; }
    QStringList texts() const;
    void clear()
    {
        m_records.clear();
        m_answers.clear();
    }
    qsizetype pendingAnswers() const { return m_answers.size(); }

    Answer message(QWidget *parent, const QString &text, const QString &caption, Buttons buttons,
                   Answer defaultAnswer) override;
    std::optional<QString> input(QWidget *parent, const QString &label, const QString &caption,
                                 const QString &defaultText) override;
    QString chooseFolder(QWidget *parent, const QString &title, const QString &startFolder) override;
    QString chooseFile(QWidget *parent, const QString &title, const QString &startFolder,
                       const QString &filter) override;
    std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial) override;
    QString chooseSaveFile(QWidget *parent, const QString &title, const QString &proposedPath,
                           const QString &filter) override;

private:
    std::optional<QVariant> next();
    QList<Record> m_records;
    QList<QVariant> m_answers;
};

/// Installs a ScriptedPrompts for the lifetime of the object (tests).
class ScopedScript final
{
public:
    ScopedScript();
    ~ScopedScript();
    ScopedScript(const ScopedScript &) = delete;
    ScopedScript &operator=(const ScopedScript &) = delete;
    ScriptedPrompts *operator->() const { return m_script; }
    ScriptedPrompts &operator*() const { return *m_script; }

private:
    ScriptedPrompts *m_script;
    std::unique_ptr<Service> m_previous;
};

} // namespace prompt
