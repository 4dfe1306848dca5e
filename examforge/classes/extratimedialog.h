#pragma once

#include "catalogue.h"

#include <QDialog>

#include <memory>

namespace Ui {
class ExtraTimeDialog;
}

/// "Extra time": every student number of one class with a time factor (1.0 to 3.0) and extra
/// minutes (0 to 240), which Examdesk applies to every paper's limit at login. OK checks every
/// entry before anything is written, lowers what the countdown could not hold (saying so)
/// and writes all changes as one batch; Cancel writes nothing.
class ExtraTimeDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit ExtraTimeDialog(const catalogue::ClassRecord &cls, QWidget *parent = nullptr);
    ~ExtraTimeDialog() override;

private:
    void save();

    std::unique_ptr<Ui::ExtraTimeDialog> ui;
    catalogue::ClassRecord m_class;
    QMap<int, catalogue::ExtraTime> m_stored;
};
