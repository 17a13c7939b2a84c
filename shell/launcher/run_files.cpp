#include "run_files.h"

namespace harbex {

namespace {

// Position of the last '.' that is not the first character, or npos.
std::size_t ExtensionDot(const std::string& path) {
    std::size_t dot = path.rfind('.');
    return dot == 0 ? std::string::npos : dot;
}

} // namespace

std::string SourceBase(const std::string& sourcePath) {
    std::size_t dot = ExtensionDot(sourcePath);
    if (dot == std::string::npos) return sourcePath + ".";
    return sourcePath.substr(0, dot + 1);
}

FullRunFiles FullRunFilesFor(const std::string& sourcePath) {
    const std::string base = SourceBase(sourcePath);
    return {base + "lst", base + "out", base + "err"};
}

std::string SubsetListingFor(const std::string& sourcePath) {
    if (ExtensionDot(sourcePath) == std::string::npos) return std::string(kNoExtensionListing);
    return SourceBase(sourcePath) + "lst";
}

std::string ProcessorCommand(const std::string& processorDir, bool subsetMode,
                             const std::string& sourcePath) {
    std::string command = processorDir;
    if (subsetMode) {
        command.append(kSubsetProgram).append(" ");
    } else {
        command.append(kFullProgram).append(" -r -l ").append(kInterpreterListing).append(" ");
    }
    return command + sourcePath;
}

std::string_view EditorSwitch(bool largerFont, bool smallerFont) {
    if (largerFont) return " /L ";
    if (smallerFont) return " /S ";
    return "";
}

std::string EditSourceCommand(const std::string& editorCommand, bool largerFont, bool smallerFont,
                              const std::string& sourcePath) {
    std::string command = editorCommand;
    command.append(EditorSwitch(largerFont, smallerFont));
    return command + sourcePath;
}

std::string EditListingCommand(const std::string& editorCommand, bool largerFont, bool smallerFont,
                               const std::string& listingPath) {
    std::string command = editorCommand;
    command.append(EditorSwitch(largerFont, smallerFont)).append(" -r ");
    return command + listingPath + " ";
}

} // namespace harbex
