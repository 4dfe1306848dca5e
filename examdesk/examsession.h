#pragma once

#include "answerrecord.h"
#include "catalogue.h"

#include <QString>

#include <functional>

namespace examdesk {

/// What a successful login hands to the exam window, which keeps it for the rest of the run.
struct ExamSession
{
    QString 考试名称;          ///< paper name, as the paper list shows it
    QString 班级;              ///< class name, trimmed
    QString 学号;              ///< student number in canonical decimal form ("7" for a typed 007)
    QString 姓名;              ///< first name, trimmed
    QString 姓名LAST;          ///< last name, trimmed; may be empty
    QString 返回密码;          ///< what the password window handed back, trimmed
    bool 是否二次登录 = false; ///< this attempt resumes a broken-off one
    catalogue::ExtraTime extraTime; ///< the student's extra time, read at login

    /// The student's answer record.
    record::Id recordId() const { return {考试名称, 班级, 学号}; }
};

/// Opens the exam window for a logged-in student. The instructions window calls it from its
/// start button and closes itself afterwards, so the starter must show a window of its own.
using ExamStarter = std::function<void(const ExamSession &)>;

} // namespace examdesk
