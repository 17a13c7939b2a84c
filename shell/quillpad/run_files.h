#pragma once
// The files of a run of vantel from quillpad: the listing that vantel
// writes for a source, and the other way round, the source of a listing.

#include <QString>
#include <QStringList>

namespace quillpad {

// As vantel names it: the last '.' of the path after its first character
// and what follows become ".lst"; a path without one gets "SNOBOL4.out" in
// `workingFolder`, the folder vantel runs in.
QString ListingPathFor(const QString& source, const QString& workingFolder);

// The source of `listing` ("/w/prog.lst"): a file beside it with the same
// base and the first existing of the usual extensions, else any other
// extension that is no listing or run file; empty when there is none.
QString SourceOfListing(const QString& listing);

} // namespace quillpad
