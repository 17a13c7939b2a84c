#include "run_files.h"

#include <QDir>
#include <QFileInfo>

namespace quillpad {

QString ListingPathFor(const QString& source, const QString& workingFolder) {
    const qsizetype dot = source.lastIndexOf('.');
    if (dot <= 0) return QDir(workingFolder).filePath("SNOBOL4.out");
    return source.left(dot) + ".lst";
}

QString SourceOfListing(const QString& listing) {
    const QFileInfo info(listing);
    const QString base = info.completeBaseName();
    const QDir folder = info.absoluteDir();
    for (const char* extension : {"sno", "SNO", "spt", "sbl", "kev", "cbl"}) {
        const QString candidate = folder.filePath(base + "." + extension);
        if (QFileInfo(candidate).isFile()) return candidate;
    }
    const QStringList others = folder.entryList({base + ".*"}, QDir::Files, QDir::Name);
    for (const QString& other : others) {
        const QString suffix = QFileInfo(other).suffix().toLower();
        if (suffix != "lst" && suffix != "out" && suffix != "err" &&
            QFileInfo(other).completeBaseName() == base) {
            return folder.filePath(other);
        }
    }
    return {};
}

} // namespace quillpad
