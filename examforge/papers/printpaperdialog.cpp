#include "printpaperdialog.h"
#include "ui_printpaperdialog.h"

#include <QPushButton>

PrintPaperDialog::PrintPaperDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::PrintPaper>())
{
    ui->setupUi(this);
    ui->ComboPaperSize->addItem(QStringLiteral("A4"), int(QPageSize::A4));
    ui->ComboPaperSize->addItem(QStringLiteral("Letter"), int(QPageSize::Letter));
    ui->ComboPaperSize->setCurrentIndex(ui->ComboPaperSize->findData(int(paperprint::systemPageSize())));
    connect(ui->CmdPrintOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->CmdPrintCancel, &QPushButton::clicked, this, &QDialog::reject);
    ui->OptStudentCopy->setFocus(Qt::OtherFocusReason);
}

PrintPaperDialog::~PrintPaperDialog() = default;

paperprint::Copy PrintPaperDialog::copy() const
{
    return ui->OptTeacherCopy->isChecked() ? paperprint::Copy::Teacher : paperprint::Copy::Student;
}

QPageSize::PageSizeId PrintPaperDialog::pageSize() const
{
    return QPageSize::PageSizeId(ui->ComboPaperSize->currentData().toInt());
}
