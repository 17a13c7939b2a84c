#pragma once
// The files and programs of a run of vantel from quillpad: where the
// programs are, the listing that vantel writes for a source, and the other
// way round, the source of a listing.

#include <QString>
#include <QStringList>

namespace quillpad {

// Where quillpad finds vantel and its own window program: the folder of
// the running program, unless tests put stand-ins elsewhere.
void SetProgramFolder(const QString& folder);
QString ProgramFolder();

// As vantel names it (harbex::ListingNameFor), with "SNOBOL4.out" in
// `workingFolder`, the folder vantel runs in.
QString ListingPathFor(const QString& source, const QString& workingFolder);

// The source of `listing` ("/w/prog.lst"): a file beside it with the same
// base and the first existing of the usual extensions, else any other
// extension that is no listing or run file; empty when there is none.
QString SourceOfListing(const QString& listing);

} // namespace quillpad
