// The switch of the interpreter's fast paths.
//
// The fast paths skip work and never change what a run does: integer steps
// done in place, kept pattern tables at match sites, pattern tables grown in
// place, the caches of concatenations and integer texts, remembered labels,
// skipped scan positions, direct assignment of plain variables and merged
// records of pending assignments. With them off, what remains is the
// step-by-step evaluation, so that the two can be checked against each
// other. The setting is part of each run's state, given when the run starts.
#pragma once

#include "data/values.h"

namespace vantel {

inline bool FastPaths() {
    return Data().fastPaths;
}

} // namespace vantel
