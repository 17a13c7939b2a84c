#pragma once
// Where the shell finds its programs, its option file and its folders.

#include <optional>
#include <string>

namespace harbex {

// Folder and file name buffers of the start-up queries hold this many bytes:
// a current folder this long or longer is not used.
inline constexpr std::size_t kFolderBufferSize = 500;
// The option file's name in the configuration folder.
inline constexpr char kOptionFileName[] = "SNOBOL.ini";

// The path of the running executable (empty when it cannot be found).
std::string ExecutablePath();

// The executable's folder with its trailing separator (empty without one).
std::string ProgramDirOf(const std::string& executablePath);

// The process's current folder, or none when it cannot be had.
std::optional<std::string> CurrentFolder();

// How the editor and the processors are found.
struct ToolPaths {
    std::string editorCommand; // editor path followed by one blank, or empty
    std::string processorDir;  // put in front of a processor's name
};

// With a usable current folder the tools are looked for in the program
// folder; otherwise in "./" and without an editor.
ToolPaths ChooseToolPaths(const std::string& programDir,
                          const std::optional<std::string>& currentFolder);

// The option file: the configuration folder ($XDG_CONFIG_HOME, else
// $HOME/.config) + "/SNOBOL.ini", or "/SNOBOL.ini" when neither is set.
std::string OptionFilePath(const char* xdgConfigHome, const char* home);
std::string OptionFilePath();

// The default of the remembered folder: the home folder with a trailing "/".
std::string DefaultCurrentDir(const char* home);

// The folder of a chosen source, with its trailing separator; without a
// separator (other than a last character), the path's first character.
std::string ChosenFolder(const std::string& sourcePath);

} // namespace harbex
