#include "shell_paths.h"

#include "run_files.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace harbex {

namespace {

bool IsSet(const char* value) {
    return value != nullptr && *value != '\0';
}

std::string WithSeparator(std::string folder) {
    if (folder.empty() || folder.back() != kPathSeparator) folder += kPathSeparator;
    return folder;
}

} // namespace

std::string ExecutablePath() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

std::string ProgramDirOf(const std::string& executablePath) {
    std::size_t last = executablePath.rfind(kPathSeparator);
    return last == std::string::npos ? std::string() : executablePath.substr(0, last + 1);
}

std::optional<std::string> CurrentFolder() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::current_path(error);
    if (error) return std::nullopt;
    return path.string();
}

ToolPaths ChooseToolPaths(const std::string& programDir,
                          const std::optional<std::string>& currentFolder) {
    // The root folder "/" is a usable folder here, so one character suffices.
    if (!currentFolder || currentFolder->empty() || currentFolder->size() >= kFolderBufferSize) {
        return {std::string(), std::string(".") + kPathSeparator};
    }
    const std::string folder = WithSeparator(programDir);
    return {folder + std::string(kEditorProgram) + " ", folder};
}

std::string OptionFilePath(const char* xdgConfigHome, const char* home) {
    if (IsSet(xdgConfigHome)) return WithSeparator(xdgConfigHome) + kOptionFileName;
    if (IsSet(home)) return WithSeparator(std::string(home) + "/.config") + kOptionFileName;
    return std::string(1, kPathSeparator) + kOptionFileName;
}

std::string OptionFilePath() {
    return OptionFilePath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

std::string DefaultCurrentDir(const char* home) {
    return IsSet(home) ? WithSeparator(home) : std::string(1, kPathSeparator);
}

std::string ChosenFolder(const std::string& sourcePath) {
    if (sourcePath.size() < 2) return sourcePath.substr(0, 1);
    std::size_t last = sourcePath.rfind(kPathSeparator, sourcePath.size() - 2);
    if (last == std::string::npos) return sourcePath.substr(0, 1);
    return sourcePath.substr(0, last + 1);
}

} // namespace harbex
