#include "symbolpalette.h"
#include "ui_symbolpalette.h"

#include <QListWidgetItem>
#include <QPushButton>

namespace {

struct Symbol
{
    char16_t code;
    const char *name;
};

// Grouped as a teacher looks for them: relations, operations, fractions and powers, Greek
// letters, arrows and geometry, sets and logic, units.
constexpr Symbol Symbols[] = {
    {u'\u2264', "less than or equal to"}, {u'\u2265', "greater than or equal to"}, {u'\u2260', "not equal to"},
    {u'\u2248', "almost equal to"}, {u'\u2261', "identical to"}, {u'\u221d', "proportional to"},
    {u'\u00b1', "plus-minus"}, {u'\u2213', "minus-plus"}, {u'\u00d7', "multiplication"}, {u'\u00f7', "division"},
    {u'\u00b7', "middle dot"}, {u'\u2212', "minus"}, {u'\u221a', "square root"}, {u'\u221b', "cube root"},
    {u'\u221e', "infinity"}, {u'\u2211', "sum"}, {u'\u220f', "product"}, {u'\u222b', "integral"},
    {u'\u2202', "partial derivative"}, {u'\u2206', "increment"}, {u'\u00b0', "degree"}, {u'\u2032', "prime"},
    {u'\u2033', "double prime"}, {u'\u2030', "per mille"}, {u'\u00b2', "superscript two"},
    {u'\u00b3', "superscript three"}, {u'\u00b9', "superscript one"}, {u'\u2070', "superscript zero"},
    {u'\u207f', "superscript n"}, {u'\u2080', "subscript zero"}, {u'\u2081', "subscript one"},
    {u'\u2082', "subscript two"}, {u'\u2083', "subscript three"}, {u'\u00bd', "one half"},
    {u'\u2153', "one third"}, {u'\u00bc', "one quarter"}, {u'\u00be', "three quarters"},
    {u'\u03b1', "alpha"}, {u'\u03b2', "beta"}, {u'\u03b3', "gamma"}, {u'\u03b4', "delta"}, {u'\u0394', "capital delta"},
    {u'\u03b5', "epsilon"}, {u'\u03b7', "eta"}, {u'\u03b8', "theta"}, {u'\u03bb', "lambda"}, {u'\u03bc', "mu"},
    {u'\u03c0', "pi"}, {u'\u03c1', "rho"}, {u'\u03c3', "sigma"}, {u'\u03a3', "capital sigma"}, {u'\u03c4', "tau"},
    {u'\u03c6', "phi"}, {u'\u03c9', "omega"}, {u'\u03a9', "capital omega"}, {u'\u2192', "right arrow"},
    {u'\u2190', "left arrow"}, {u'\u2194', "left-right arrow"}, {u'\u21d2', "implies"}, {u'\u21d4', "if and only if"},
    {u'\u2191', "up arrow"}, {u'\u2193', "down arrow"}, {u'\u21cc', "equilibrium"}, {u'\u2220', "angle"},
    {u'\u22a5', "perpendicular"}, {u'\u2225', "parallel"}, {u'\u25b3', "triangle"}, {u'\u2245', "congruent"},
    {u'\u223c', "similar"}, {u'\u2299', "circle with dot"}, {u'\u2208', "element of"}, {u'\u2209', "not an element of"},
    {u'\u2282', "subset of"}, {u'\u2286', "subset of or equal to"}, {u'\u222a', "union"}, {u'\u2229', "intersection"},
    {u'\u2205', "empty set"}, {u'\u2200', "for all"}, {u'\u2203', "there exists"}, {u'\u00ac', "not"},
    {u'\u2227', "and"}, {u'\u2228', "or"}, {u'\u2234', "therefore"}, {u'\u2235', "because"}, {u'\u2103', "degree Celsius"},
    {u'\u00b5', "micro"}, {u'\u212b', "angstrom"}, {u'\u2026', "ellipsis"},
};

} // namespace

SymbolPalette::SymbolPalette(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::SymbolPalette>())
{
    ui->setupUi(this);
    QFont big = ui->ListSymbols->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    ui->ListSymbols->setFont(big);
    for (const Symbol &symbol : Symbols) {
        auto *item = new QListWidgetItem(QString(QChar(symbol.code)), ui->ListSymbols);
        item->setTextAlignment(Qt::AlignCenter);
        const QString code = QStringLiteral("%1").arg(uint(symbol.code), 4, 16, QLatin1Char('0')).toUpper();
        item->setToolTip(QStringLiteral("%1 (U+%2)").arg(QLatin1String(symbol.name), code));
    }
    ui->ListSymbols->setCurrentRow(0);
    connect(ui->ListSymbols, &QListWidget::itemActivated, this, [this] { take(); });
    connect(ui->CmdInsertSymbol, &QPushButton::clicked, this, &SymbolPalette::take);
    connect(ui->CmdCloseSymbols, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->ListSymbols, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        ui->LabelSymbolName->setText(item ? item->toolTip() : QString());
    });
    ui->LabelSymbolName->setText(ui->ListSymbols->currentItem()->toolTip());
    ui->ListSymbols->setFocus(Qt::OtherFocusReason);
}

SymbolPalette::~SymbolPalette() = default;

QStringList SymbolPalette::symbols()
{
    QStringList list;
    for (const Symbol &symbol : Symbols)
        list.append(QString(QChar(symbol.code)));
    return list;
}

void SymbolPalette::take()
{
    if (const QListWidgetItem *item = ui->ListSymbols->currentItem()) {
        m_chosen = item->text();
        accept();
    }
}
