#include "int16validator.h"

#include "numbers.h"

#include <cmath>

Int16Validator::Int16Validator(QObject *parent)
    : QValidator(parent)
{}

QValidator::State Int16Validator::validate(QString &input, int &) const
{
    const double value = numbers::leadingNumber(input);
    if (value != std::trunc(value) || !numbers::fitsInt16(value))
        return Invalid;
    return Acceptable;
}
