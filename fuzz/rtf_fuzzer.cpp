// Feeds any bytes to the RTF reader, then checks what it built: the plain-text path agrees with
// the document, and the document written and read back has the same text and writes the same
// bytes again. Any difference aborts, so the fuzzer reports it like a crash. Input that is not
// RTF is also drawn as each kind of picture, so broken metafiles and bitmaps reach the checks
// before the picture libraries directly.
#include "rtf/picturerender.h"
#include "rtf/rtf.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "rtf_fuzzer: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Image decoders complain about every broken picture; that is expected here.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    static QGuiApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    // Most mutations would lose the header; give them one so the reader's inside is reached.
    if (!rtf::isRtf(input)) {
        rtf::PictureData picture;
        picture.bytes = input;
        picture.goalWidth = 1 + int(size % 4000);
        picture.goalHeight = 1 + int((size / 7) % 3000);
        for (const auto type : {rtf::PictureType::Wmf, rtf::PictureType::Emf, rtf::PictureType::Dib,
                                rtf::PictureType::Bitmap, rtf::PictureType::Png}) {
            picture.type = type;
            picture.width = int(size % 300);
            picture.height = int(size % 200);
            picture.bitsPerPixel = size % 2 ? 1 : 24;
            check(rtf::renderPicture(picture).resource.isValid(), "a picture without an image");
        }
        input.prepend("{\\rtf1 ");
    }

    QTextDocument doc;
    check(rtf::read(input, doc), "input with a header not read");
    const QString text = doc.toPlainText();
    check(rtf::plainText(input) == text, "plain-text path differs from the document");

    const QByteArray written = rtf::write(doc, 1252);
    QTextDocument back;
    check(rtf::read(written, back), "own output not read");
    check(back.toPlainText() == text, "text changed by writing and reading back");
    check(rtf::write(back, 1252) == written, "writing again gave other bytes");
    return 0;
}
