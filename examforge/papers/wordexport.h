#pragma once

#include "exportfile.h"
#include "paperfile.h"
#include "papertable.h"

#include <QString>

class QWidget;
class WordProcessor;

/// "Export to Word": a paper as a printable word-processor document made from the template
/// sys/paper.dot. The template's header placeholders get the paper list's values, its
/// question block is repeated and filled once per question, and its answer line once per
/// question. The result is an RTF file in a fresh temporary folder, shown with the desktop's
/// default application; nothing is written into the data tree.
namespace wordexport {

/// The header values, as the paper list shows them.
struct Header
{
    QString paperName;
    QString author;
    QString testTime;
    QString questionCount;
    QString fullMark;
};

Header headerOf(const papers::PaperRow &row);

/// Fills a document opened from the template with the header, one question block per
/// question (with the question's RTF file and, when explanations is true, its explanation's,
/// both taken from the folder of the paper header.paperName) and one answer line per question.
/// Returns false when the template has no question block ("[QUESTION No]" ... "[OPTION]") or a
/// question's file cannot be inserted.
bool fill(WordProcessor &document, const Header &header, const paper::QuestionTable &questions,
          bool explanations);

using Options = exports::Options;

/// The whole export of the paper of a paper-table row, with its question and messages. The
/// paper becomes the session's current paper and its questions are loaded into the session's
/// question table. Returns the path of the document, or an empty string when the export
/// failed (the user was told, and no file was left behind).
QString exportPaper(QWidget *parent, const papers::PaperRow &row, const Options &options = {});

} // namespace wordexport
