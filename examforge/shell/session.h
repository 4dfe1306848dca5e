#pragma once

#include "paperfile.h"

#include <QString>

/// The values the authoring program keeps for its whole run: set once by start-up, or by
/// the window that owns them, and read by the others.
namespace examforge {

struct Session
{
    /// "Examora", or the Chinese product title when the language file says "Chinese".
    QString applicationTitle;
    /// The paper that the question editor and the exports work on.
    QString currentPaperName;
    /// The questions of that paper, as last loaded or edited.
    paper::QuestionTable questions;
};

/// The program's one session.
Session &session();

} // namespace examforge
