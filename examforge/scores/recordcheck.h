#pragma once

#include "scoring.h"

#include <QString>

namespace record {
struct Result;
}

/// Whether a finished answer record agrees with itself and with its paper: the stored score
/// against the answers scored afresh, the question order, the time left. A record that does
/// not agree was damaged or edited by hand; the teacher is told, nothing is changed.
namespace scores {

enum class CheckKind
{
    Agrees,     ///< nothing to say (also every record that is not finished)
    KeyChanged, ///< the paper's keys or marks changed since the record was scored
    Mismatch    ///< the record does not agree with itself or with the paper
};

struct Check
{
    CheckKind kind = CheckKind::Agrees;
    QString text; ///< one line per finding, empty when the record agrees
};

/// What a record is checked against.
struct CheckRules
{
    scoring::Marking marking;
    QString digest;          ///< scoring::digest(marking)
    qint64 limitSeconds = 0; ///< the test time (with the student's extra time)
};

/// Checks one record. Only finished records (TIME2 present) are checked. The score is
/// compared with the answers scored under rules.marking; when they differ and the record
/// carries a digest other than the paper's, the keys changed and a regrade mends it.
Check checkRecord(const record::Result &result, const CheckRules &rules);

} // namespace scores
