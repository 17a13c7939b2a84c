#pragma once
// Helpers shared by the shell's tests: temporary folders, files and scripts.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace harbex::test {

// A fresh folder under the system's temporary folder, removed at the end.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "harbex-XXXXXX").string();
        const char* made = mkdtemp(pattern.data());
        path_ = made != nullptr ? made : pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

// Writes a shell script and makes it executable.
inline void WriteScript(const std::string& path, const std::string& body) {
    WriteFile(path, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
}

// Polls until the file exists (a child writes it) or the time is up.
inline bool WaitForFile(const std::string& path, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!Exists(path)) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// A stand-in editor: records its process id and arguments, one per line,
// into `record`, then stays open like an editor would.
inline void WriteRecordingEditor(const std::string& path, const std::string& record) {
    WriteScript(path, "{ echo \"pid $$\"; for a in \"$@\"; do echo \"arg $a\"; done; } > '" +
                          record + ".part' && mv '" + record + ".part' '" + record +
                          "'\nexec sleep 60\n");
}

// The arguments recorded by the stand-in editor, joined by "|".
inline std::string RecordedArguments(const std::string& record) {
    std::istringstream in(ReadFile(record));
    std::string line, joined;
    while (std::getline(in, line)) {
        if (line.rfind("arg ", 0) == 0) joined.append(joined.empty() ? "" : "|").append(line, 4);
    }
    return joined;
}

inline int RecordedPid(const std::string& record) {
    std::istringstream in(ReadFile(record));
    std::string word;
    int pid = 0;
    in >> word >> pid;
    return pid;
}

} // namespace harbex::test

namespace harbex::test {

// The number of descriptors this process has open.
inline int OpenDescriptors() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++count;
    }
    return count - 1; // the iterator's own
}

// The processes whose parent is this one, zombies included.
inline int ChildProcesses() {
    const std::string self = std::to_string(getpid());
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        // The fields after the command's closing parenthesis: state, parent.
        const std::string stat = ReadFile(entry.path().string() + "/stat");
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream fields(stat.substr(close + 1));
        std::string state, parent;
        fields >> state >> parent;
        if (parent == self) ++count;
    }
    return count;
}

} // namespace harbex::test
