#pragma once

#include "examsession.h"

#include <QString>

class StudentLoginWindow;

/// The start-up procedure of the student's program.
namespace examdesk {

/// The program's title, shown on every message box without a caption of its own.
QString applicationTitle();

/// Start-up after the single-copy check: the login window, loaded and shown (it deletes itself
/// when closed). Nothing when there is no paper or no class to sit; the reason has then been
/// shown. startExam is what the instructions window's start button calls.
StudentLoginWindow *startUp(ExamStarter startExam);

/// The whole program: refuses a second copy with a message, starts up and runs the event loop.
int run();

} // namespace examdesk
