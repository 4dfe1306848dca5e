#pragma once

#include "paperfile.h"
#include "questionformats.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QFont;
class QWidget;

/// The question editor's two plain-text commands: "Import questions..." (Aiken or GIFT
/// files into the test being edited) and "Export questions..." (the test's questions as
/// GIFT). Both work on the editor's working copies and its question table.
namespace questiontransfer {

/// The most questions a test holds: its count is a 16-bit number.
constexpr int MaxQuestions = 32767;

/// Why adding count questions (worth the default mark each) to table is refused: the count
/// or the full score would pass 32767. Empty when they fit.
QString limitProblem(const paper::QuestionTable &table, qsizetype count);

/// Writes each question's question file (its text and lettered choices) and explanation
/// file into folder under fresh names, as RTF in font and the Windows code page codePage,
/// and returns their records (answer key set, own mark empty: the default mark). All or
/// nothing: when a file cannot be written, or progress returns false (it is called with the
/// number of questions done), every file written so far is removed, failed names the file
/// that failed (empty when cancelled), and nothing is returned.
std::optional<QList<paper::Question>> writeQuestionFiles(const QString &folder,
                                                         const QList<questionformats::Question> &questions,
                                                         const QFont &font, int codePage, QStringList &failed,
                                                         const std::function<bool(int)> &progress = {});

/// The whole "Import questions..." command: asks for a file, reads it, shows what it found,
/// and on OK writes the questions' files into workFolder (in font's family, 12 points) and
/// appends them to table. Returns how many questions were appended (0 after Cancel or any
/// failure, with nothing written).
int importQuestions(QWidget *parent, const QString &workFolder, paper::QuestionTable &table,
                    const QFont &font);

/// The GIFT text of table's questions, read from their files in workFolder.
QByteArray giftOf(const QString &workFolder, const paper::QuestionTable &table, const QString &paperName,
                  questionformats::ExportReport *report = nullptr);

/// The whole "Export questions..." command: asks where to save, writes the GIFT file and
/// says what could not go over. Returns the path written, empty when nothing was.
QString exportQuestions(QWidget *parent, const QString &workFolder, const paper::QuestionTable &table,
                        const QString &paperName);

} // namespace questiontransfer
