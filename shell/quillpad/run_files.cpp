#include "run_files.h"

#include "fileinfo/run_names.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace quillpad {
namespace {

QString& ProgramFolderSetting() {
    static QString folder;
    return folder;
}

} // namespace

void SetProgramFolder(const QString& folder) {
    ProgramFolderSetting() = folder;
}

QString ProgramFolder() {
    const QString& folder = ProgramFolderSetting();
    return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}

QString ListingPathFor(const QString& source, const QString& workingFolder) {
    const std::string listing = harbex::ListingNameFor(QFile::encodeName(source).toStdString());
    return QDir(workingFolder).filePath(QFile::decodeName(QByteArray::fromStdString(listing)));
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
