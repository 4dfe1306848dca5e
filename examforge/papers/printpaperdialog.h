#pragma once

#include "paperprint.h"

#include <QDialog>

#include <memory>

namespace Ui {
class PrintPaper;
}

/// Asks which copy of a paper to print, and on which paper size.
class PrintPaperDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit PrintPaperDialog(QWidget *parent = nullptr);
    ~PrintPaperDialog() override;

    paperprint::Copy copy() const;
    QPageSize::PageSizeId pageSize() const;

private:
    std::unique_ptr<Ui::PrintPaper> ui;
};
