#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

/// The number rules shared by both programs.
///
/// Numbers are stored as decimal text. A value is read as its leading number; counts, flags,
/// marks, scores and student numbers are then narrowed to 16 bits, halves going to the even
/// neighbour. Nothing here ever fails: out-of-range values are clamped.
namespace numbers {

/// The leading decimal number of a text: blanks are skipped, then an optional sign, digits
/// and one decimal point are taken; the rest is ignored. No number gives 0.
double leadingNumber(QStringView text);

/// Rounds to the nearest integer, halves to the even neighbour, and clamps to -32768..32767.
qint16 toInt16(double value);

/// leadingNumber() followed by toInt16().
qint16 readInt16(QStringView text);

/// True when the value fits 16 bits after rounding (used by boxes that refuse what they cannot hold).
bool fitsInt16(double value);

/// The leading number as decimal text without blanks: "85a" gives "85", "" gives "0",
/// "2.5x" gives "2.5".
QString leadingNumberText(QStringView text);

/// Decimal text without blanks or leading zeros.
QString plain(long long value);

/// The form that reserves a sign position: " 12" for 12, "-3" for -3.
QString signBlank(long long value);

/// A double in the sign-blank form with all its decimals (" 20", " 33.3333333333333", "-1.5").
QString signBlank(double value);

/// Seconds as "hh:mm:ss"; negative values give 00:00:00, hours may exceed 99.
QString hhmmss(qint64 seconds);

/// Parses "h:mm:ss" or "hh:mm:ss" (blanks around allowed); nothing when the text is no time.
std::optional<qint64> parseHhmmss(QStringView text);

} // namespace numbers
