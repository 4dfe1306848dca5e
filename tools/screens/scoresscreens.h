#pragma once

#include "screenregistry.h"

namespace screens {

/// The scores window on a copy of the data root whose first class has sat the first paper.
void appendScores(QList<Entry> &entries);

} // namespace screens
