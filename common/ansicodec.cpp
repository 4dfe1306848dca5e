#include "ansicodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <clocale>
#include <mutex>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <langinfo.h>
#endif

namespace ansi {
namespace {

QString systemCodePage()
{
#ifdef Q_OS_WIN
    return QStringLiteral("windows-%1").arg(GetACP());
#else
    // Qt sets the locale from the environment when the application object is made; a
    // program without one still gets the environment's codeset.
    static std::once_flag once;
    std::call_once(once, [] {
        if (const char *current = std::setlocale(LC_CTYPE, nullptr); !current || qstrcmp(current, "C") == 0)
            std::setlocale(LC_CTYPE, "");
    });
    const QString name = QString::fromLatin1(nl_langinfo(CODESET));
    if (name.isEmpty() || name == QLatin1String("ANSI_X3.4-1968") || name.compare(QLatin1String("ASCII"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("UTF-8");
    if (!QStringDecoder(name.toLatin1().constData()).isValid())
        return QStringLiteral("UTF-8");
    return name;
#endif
}

QString &overrideName()
{
    static QString name;
    return name;
}

} // namespace

QString codePageName()
{
    static const QString system = systemCodePage();
    return overrideName().isEmpty() ? system : overrideName();
}

bool setCodePageForTesting(const QString &name)
{
    if (!name.isEmpty() && !QStringDecoder(name.toLatin1().constData()).isValid())
        return false;
    overrideName() = name;
    return true;
}

QString decode(const QByteArray &bytes)
{
    QStringDecoder decoder(codePageName().toLatin1().constData());
    if (!decoder.isValid())
        return QString::fromUtf8(bytes);
    return decoder.decode(bytes);
}

QByteArray encode(const QString &text)
{
    QStringEncoder encoder(codePageName().toLatin1().constData());
    if (!encoder.isValid())
        return text.toUtf8();
    return encoder.encode(text);
}

QString cutToBytes(const QString &text, qsizetype maxBytes)
{
    const QByteArray whole = encode(text);
    if (whole.size() <= maxBytes)
        return text;
    QStringEncoder encoder(codePageName().toLatin1().constData());
    qsizetype bytes = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        // A surrogate pair is one character: keep it whole.
        const qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const qsizetype charBytes = encoder.isValid() ? QByteArray(encoder.encode(text.mid(i, len))).size()
                                                      : text.mid(i, len).toUtf8().size();
        if (bytes + charBytes > maxBytes)
            break;
        bytes += charBytes;
        i += len;
    }
    return text.left(i);
}

int windowsCodePage()
{
    const QString name = codePageName().toUpper();
    if (name.startsWith(QLatin1String("WINDOWS-")))
        return name.mid(8).toInt();
    if (name.startsWith(QLatin1String("CP")) && name.mid(2).toInt() > 0)
        return name.mid(2).toInt();
    if (name == QLatin1String("GBK") || name == QLatin1String("GB2312") || name == QLatin1String("GB18030"))
        return 936;
    if (name == QLatin1String("BIG5") || name == QLatin1String("BIG5-HKSCS"))
        return 950;
    if (name == QLatin1String("SHIFT_JIS") || name == QLatin1String("EUC-JP"))
        return 932;
    if (name == QLatin1String("EUC-KR"))
        return 949;
    if (name == QLatin1String("KOI8-R") || name == QLatin1String("ISO-8859-5"))
        return 1251;
    return 1252;
}

} // namespace ansi
