#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <memory>

namespace Ui {
class SymbolPalette;
}

/// "Insert symbol...": the signs that mathematics and science questions need, in a grid that
/// the arrow keys move through; Enter, a double click or Insert takes the one chosen.
class SymbolPalette final : public QDialog
{
    Q_OBJECT

public:
    explicit SymbolPalette(QWidget *parent = nullptr);
    ~SymbolPalette() override;

    /// The symbols offered, in the order shown.
    static QStringList symbols();

    /// The symbol taken, empty until one is.
    QString chosen() const { return m_chosen; }

private:
    void take();

    std::unique_ptr<Ui::SymbolPalette> ui;
    QString m_chosen;
};
