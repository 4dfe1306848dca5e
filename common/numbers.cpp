#include "numbers.h"

#include <QList>

#include <cmath>
#include <limits>

namespace numbers {

double leadingNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    double value = 0;
    bool seenPoint = false;
    double scale = 1;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            const int digit = c.unicode() - u'0';
            if (seenPoint) {
                scale /= 10;
                value += digit * scale;
            } else {
                value = value * 10 + digit;
            }
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!std::isfinite(value))
        value = std::numeric_limits<double>::max();
    return negative ? -value : value;
}

qint16 toInt16(double value)
{
    if (std::isnan(value))
        return 0;
    const double rounded = std::nearbyint(value); // the default rounding mode ties to even
    if (rounded >= 32767)
        return 32767;
    if (rounded <= -32768)
        return -32768;
    return static_cast<qint16>(rounded);
}

qint16 readInt16(QStringView text)
{
    return toInt16(leadingNumber(text));
}

bool fitsInt16(double value)
{
    const double rounded = std::nearbyint(value);
    return rounded >= -32768 && rounded <= 32767;
}

QString leadingNumberText(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    QString sign;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        if (text[i] == u'-')
            sign = QStringLiteral("-");
        ++i;
    }
    QString intPart;
    QString fraction;
    bool seenPoint = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9')
            (seenPoint ? fraction : intPart).append(c);
        else if (c == u'.' && !seenPoint)
            seenPoint = true;
        else
            break;
    }
    while (intPart.size() > 1 && intPart.startsWith(u'0'))
        intPart.remove(0, 1);
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    if (intPart.isEmpty())
        intPart = QStringLiteral("0");
    QString result = intPart;
    if (!fraction.isEmpty())
        result += u'.' + fraction;
    if (result == QLatin1String("0"))
        return result;
    return sign + result;
}

QString plain(long long value)
{
    return QString::number(value);
}

QString signBlank(long long value)
{
    return value < 0 ? QString::number(value) : u' ' + QString::number(value);
}

QString signBlank(double value)
{
    QString text = QString::number(value, 'g', 15);
    return value < 0 ? text : u' ' + text;
}

QString hhmmss(qint64 seconds)
{
    if (seconds < 0)
        seconds = 0;
    const qint64 h = seconds / 3600;
    const qint64 m = (seconds / 60) % 60;
    const qint64 s = seconds % 60;
    return QStringLiteral("%1:%2:%3")
        .arg(h, 2, 10, QLatin1Char('0'))
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(s, 2, 10, QLatin1Char('0'));
}

std::optional<qint64> parseHhmmss(QStringView text)
{
    const QStringView t = text.trimmed();
    const auto parts = t.split(u':');
    if (parts.size() != 3)
        return std::nullopt;
    qint64 values[3] = {};
    for (int k = 0; k < 3; ++k) {
        bool ok = false;
        values[k] = parts[k].toLongLong(&ok);
        if (!ok || values[k] < 0 || parts[k].isEmpty())
            return std::nullopt;
    }
    if (values[1] > 59 || values[2] > 59)
        return std::nullopt;
    return values[0] * 3600 + values[1] * 60 + values[2];
}

} // namespace numbers
