#pragma once

#include "questionformats.h"

#include <QDialog>

#include <memory>

namespace Ui {
class QuestionImport;
}

/// "Import questions": what reading a question file found, before anything is added: the
/// file's form and encoding, how many questions, the first of them as the test will show
/// them, and every line that could not be read, every question skipped and every change
/// made, each with its line number. OK adds the questions; Cancel adds nothing.
class QuestionImportDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit QuestionImportDialog(QWidget *parent = nullptr);
    ~QuestionImportDialog() override;

    /// Shows what was read from fileName. refusal, when not empty, tells why the questions
    /// cannot be added (the test would grow beyond its limits); OK is then disabled, as it is
    /// when no question was found.
    void setResult(const QString &fileName, const questionformats::ReadResult &result,
                   const QString &refusal);

    /// How many questions the preview shows in full.
    static constexpr int PreviewCount = 5;

private:
    std::unique_ptr<Ui::QuestionImport> ui;
};
