#pragma once

#include <QString>

class QTextDocument;

/// A readable listing of a document's paragraphs, runs and pictures with the formatting the
/// RTF layer keeps; the "expected formats" of the golden files are such listings.
///
///     paragraph center li=720
///       text "Tom has " font="Arial" size=12
///       text "22" font="Arial" size=12 bold fg=#c00000
///       image png 16x8 shown=240x120
///
/// Lengths are in twips, sizes in points; adjacent runs of equal formatting are merged.
///
/// The Stored form lists what the document holds (a run without a font of its own shows
/// font=(default)); the Effective form lists what is shown (the default font's family, every
/// picture's shown size and a checksum of its pixels, not how it is encoded), for comparing a
/// document with the one read back from its RTF.
enum class DumpForm { Stored, Effective };
QString dumpDocument(const QTextDocument &document, DumpForm form = DumpForm::Stored);
