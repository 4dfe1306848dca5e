#include "prompt.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace prompt {
namespace {

std::unique_ptr<Service> &current()
{
    static std::unique_ptr<Service> s = std::make_unique<DialogService>();
    return s;
}

QString captionOrTitle(const QString &caption)
{
    return caption.isEmpty() ? applicationTitle() : caption;
}

} // namespace

Service::~Service() = default;

Service &service()
{
    return *current();
}

std::unique_ptr<Service> install(std::unique_ptr<Service> replacement)
{
    if (!replacement)
        replacement = std::make_unique<DialogService>();
    return std::exchange(current(), std::move(replacement));
}

QString &titleStore()
{
    static QString title;
    return title;
}

QString applicationTitle()
{
    return titleStore().isEmpty() ? QCoreApplication::applicationName() : titleStore();
}

void setApplicationTitle(const QString &title)
{
    titleStore() = title;
}

void inform(QWidget *parent, const QString &text, const QString &caption)
{
    service().message(parent, text, caption, Buttons::Ok, Answer::Ok);
}

Answer ask(QWidget *parent, const QString &text, Buttons buttons, const QString &caption, Answer defaultAnswer)
{
    return service().message(parent, text, caption, buttons, defaultAnswer);
}

std::optional<QString> input(QWidget *parent, const QString &label, const QString &caption,
                             const QString &defaultText)
{
    return service().input(parent, label, caption, defaultText);
}

Answer DialogService::message(QWidget *parent, const QString &text, const QString &caption, Buttons buttons,
                              Answer defaultAnswer)
{
    QMessageBox box(parent);
    box.setWindowTitle(captionOrTitle(caption));
    box.setText(text);
    QMessageBox::StandardButtons standard = QMessageBox::Ok;
    if (buttons == Buttons::OkCancel)
        standard = QMessageBox::Ok | QMessageBox::Cancel;
    else if (buttons == Buttons::YesNo)
        standard = QMessageBox::Yes | QMessageBox::No;
    box.setStandardButtons(standard);
    box.setIcon(buttons == Buttons::Ok ? QMessageBox::Information : QMessageBox::Question);
    const auto toStandard = [](Answer a) {
        switch (a) {
        case Answer::Ok:
            return QMessageBox::Ok;
        case Answer::Cancel:
            return QMessageBox::Cancel;
        case Answer::Yes:
            return QMessageBox::Yes;
        case Answer::No:
            return QMessageBox::No;
        }
        return QMessageBox::Ok;
    };
    if (box.button(toStandard(defaultAnswer)))
        box.setDefaultButton(toStandard(defaultAnswer));
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        // Escape or the close box: the negative answer of the box.
        return buttons == Buttons::YesNo ? Answer::No : (buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel);
    }
}

std::optional<QString> DialogService::input(QWidget *parent, const QString &label, const QString &caption,
                                            const QString &defaultText)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(captionOrTitle(caption));
    dialog.setLabelText(label);
    dialog.setTextValue(defaultText);
    dialog.setInputMode(QInputDialog::TextInput);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

QString DialogService::chooseFolder(QWidget *parent, const QString &title, const QString &startFolder)
{
    return QFileDialog::getExistingDirectory(parent, title, startFolder, QFileDialog::ShowDirsOnly);
}

QString DialogService::chooseFile(QWidget *parent, const QString &title, const QString &startFolder,
                                  const QString &filter)
{
    QFileDialog dialog(parent, title, startFolder, filter);
    // Qt's own dialog matches the filter without regard to case ("*.CHO" also shows Unit3.cho);
    // a native one may not.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString DialogService::chooseSaveFile(QWidget *parent, const QString &title, const QString &proposedPath,
                                      const QString &filter)
{
    QFileDialog dialog(parent, title, proposedPath, filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile(proposedPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

std::optional<QColor> DialogService::chooseColor(QWidget *parent, const QColor &initial)
{
    for (int i = 0; i < QColorDialog::customCount(); ++i)
        QColorDialog::setCustomColor(i, Qt::black);
    const QColor chosen = QColorDialog::getColor(initial.isValid() ? initial : QColor(Qt::black), parent);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

QStringList ScriptedPrompts::texts() const
{
    QStringList result;
    for (const Record &r : m_records)
        result.append(r.text);
    return result;
}

std::optional<QVariant> ScriptedPrompts::next()
{
    if (m_answers.isEmpty())
        return std::nullopt;
    return m_answers.takeFirst();
}

Answer ScriptedPrompts::message(QWidget *, const QString &text, const QString &caption, Buttons buttons,
                                Answer defaultAnswer)
{
    m_records.append({Kind::Message, text, captionOrTitle(caption), buttons, defaultAnswer, {}});
    const auto answer = next();
    if (!answer)
        return buttons == Buttons::Ok ? Answer::Ok : defaultAnswer;
    return static_cast<Answer>(answer->toInt());
}

std::optional<QString> ScriptedPrompts::input(QWidget *, const QString &label, const QString &caption,
                                              const QString &defaultText)
{
    m_records.append({Kind::Input, label, captionOrTitle(caption), Buttons::OkCancel, Answer::Ok, defaultText});
    const auto answer = next();
    if (!answer || answer->isNull() || answer->toString().isNull())
        return std::nullopt;
    return answer->toString();
}

QString ScriptedPrompts::chooseFolder(QWidget *, const QString &title, const QString &startFolder)
{
    m_records.append({Kind::Folder, title, {}, Buttons::OkCancel, Answer::Ok, startFolder});
    const auto answer = next();
    return answer ? answer->toString() : QString();
}

QString ScriptedPrompts::chooseFile(QWidget *, const QString &title, const QString &startFolder,
                                    const QString &filter)
{
    m_records.append({Kind::File, title, filter, Buttons::OkCancel, Answer::Ok, startFolder});
    const auto answer = next();
    return answer ? answer->toString() : QString();
}

QString ScriptedPrompts::chooseSaveFile(QWidget *, const QString &title, const QString &proposedPath,
                                        const QString &filter)
{
    m_records.append({Kind::SaveFile, title, filter, Buttons::OkCancel, Answer::Ok, proposedPath});
    const auto answer = next();
    return answer ? answer->toString() : QString();
}

std::optional<QColor> ScriptedPrompts::chooseColor(QWidget *, const QColor &initial)
{
    m_records.append({Kind::Color, {}, {}, Buttons::OkCancel, Answer::Ok, initial.name()});
    const auto answer = next();
    if (!answer)
        return std::nullopt;
    const QColor c = answer->value<QColor>();
    if (!c.isValid())
        return std::nullopt;
    return c;
}

ScopedScript::ScopedScript()
{
    auto script = std::make_unique<ScriptedPrompts>();
    m_script = script.get();
    m_previous = install(std::move(script));
}

ScopedScript::~ScopedScript()
{
    install(std::move(m_previous));
}

} // namespace prompt
