#pragma once

#include <QValidator>

/// A validator for boxes that hold a 16-bit whole number.
///
/// It refuses any text whose leading number (see numbers::leadingNumber) is not a whole number
/// within -32768..32767, so a keystroke or a paste that would overflow is dropped and the box
/// keeps its last valid text. Everything else is accepted as typed, including text without a
/// number: the box's owner decides what such text stands for.
class Int16Validator final : public QValidator
{
    Q_OBJECT

public:
    explicit Int16Validator(QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;
};
