#include "harness.h"

#include <dirent.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

// The linker routes the interpreter's fopen and fwrite calls here
// (-Wl,--wrap=fopen,--wrap=fwrite); __real_* are the library's own.
extern "C" {
std::FILE* __real_fopen(const char* path, const char* mode);
std::size_t __real_fwrite(const void* data, std::size_t size, std::size_t count, std::FILE* file);
std::FILE* __wrap_fopen(const char* path, const char* mode);
std::size_t __wrap_fwrite(const void* data, std::size_t size, std::size_t count, std::FILE* file);
}

namespace fuzz {

namespace {

struct Sandbox {
    bool active = false;
    std::string allowedA;
    std::string allowedB;
    std::size_t writeCap = 0;
    std::size_t written = 0;
};
Sandbox gSandbox;

} // namespace

const std::string& ScratchDir() {
    static const std::string dir = [] {
        struct stat info {};
        std::string base =
            (::stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode)) ? "/dev/shm" : "/tmp";
        std::string pattern = base + "/vantel-fuzz.XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        return pattern;
    }();
    return dir;
}

void ClearScratch() {
    DIR* dir = ::opendir(ScratchDir().c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        ::unlink((ScratchDir() + "/" + std::string(name)).c_str());
    }
    ::closedir(dir);
}

std::map<std::string, std::string> ScratchFiles() {
    std::map<std::string, std::string> files;
    DIR* dir = ::opendir(ScratchDir().c_str());
    if (dir == nullptr) return files;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") files[name] = ReadFile(ScratchDir() + "/" + name);
    }
    ::closedir(dir);
    return files;
}

void WriteFile(const std::string& path, std::string_view data) {
    std::FILE* f = __real_fopen(path.c_str(), "wb");
    Check(f != nullptr, "cannot create a scratch file");
    if (!data.empty()) Check(__real_fwrite(data.data(), 1, data.size(), f) == data.size(), "write");
    std::fclose(f);
}

std::string ReadFile(const std::string& path) {
    std::string content;
    std::FILE* f = __real_fopen(path.c_str(), "rb");
    if (f == nullptr) return content;
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        content.append(buffer, got);
    std::fclose(f);
    return content;
}

void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

// ---- The worker thread ----------------------------------------------------------------

namespace {

struct Worker {
    std::mutex lock;
    std::condition_variable changed;
    const std::function<void()>* job = nullptr;
    bool done = false;
};
// Never destroyed: the worker still waits on it while the process exits,
// and destroying a condition variable with a waiter blocks.
union Unending {
    Unending() : worker() {}
    ~Unending() {}
    Worker worker;
};
Unending gUnending;
Worker& gWorker = gUnending.worker;

void* WorkerLoop(void*) {
    for (;;) {
        std::unique_lock<std::mutex> hold(gWorker.lock);
        gWorker.changed.wait(hold, [] { return gWorker.job != nullptr; });
        const std::function<void()>* job = gWorker.job;
        hold.unlock();
        (*job)();
        hold.lock();
        gWorker.job = nullptr;
        gWorker.done = true;
        gWorker.changed.notify_all();
    }
}

bool StartWorker() {
    constexpr std::size_t kStackBytes = std::size_t{1} << 30;
    pthread_attr_t attributes;
    pthread_t thread;
    if (pthread_attr_init(&attributes) != 0 ||
        pthread_attr_setstacksize(&attributes, kStackBytes) != 0 ||
        pthread_create(&thread, &attributes, WorkerLoop, nullptr) != 0)
        return false;
    pthread_detach(thread);
    return true;
}

} // namespace

void RunOnBigStack(const std::function<void()>& job) {
    static const bool started = StartWorker();
    Check(started, "cannot start the worker thread");
    std::unique_lock<std::mutex> hold(gWorker.lock);
    gWorker.done = false;
    gWorker.job = &job;
    gWorker.changed.notify_all();
    gWorker.changed.wait(hold, [] { return gWorker.done; });
}

// ---- The sandbox -------------------------------------------------------------------

void BeginSandbox(std::string allowedA, std::string allowedB, std::size_t writeCap) {
    gSandbox.active = true;
    gSandbox.allowedA = std::move(allowedA);
    gSandbox.allowedB = std::move(allowedB);
    gSandbox.writeCap = writeCap;
    gSandbox.written = 0;
}

void EndSandbox() {
    gSandbox.active = false;
}

std::string MaskedListing(const std::string& listing) {
    std::string out;
    std::size_t start = 0;
    while (start < listing.size()) {
        std::size_t end = listing.find('\n', start);
        if (end == std::string::npos) end = listing.size();
        std::string_view line(listing.data() + start, end - start);
        if (line.starts_with(" COMPILATION TIME ") || line.starts_with(" EXECUTION TIME: "))
            line = line.substr(0, 17);
        out.append(line);
        out.push_back('\n');
        start = end + 1;
    }
    return out;
}

} // namespace fuzz

extern "C" std::FILE* __wrap_fopen(const char* path, const char* mode) {
    using fuzz::gSandbox;
    if (!gSandbox.active || path == nullptr || *path == '\0' || path == gSandbox.allowedA ||
        path == gSandbox.allowedB)
        return __real_fopen(path, mode);
    if (std::string_view(path).find('/') != std::string_view::npos) {
        errno = EACCES;
        return nullptr;
    }
    return __real_fopen((fuzz::ScratchDir() + "/" + path).c_str(), mode);
}

extern "C" std::size_t __wrap_fwrite(const void* data, std::size_t size, std::size_t count,
                                     std::FILE* file) {
    using fuzz::gSandbox;
    if (gSandbox.active) {
        const std::size_t bytes = size * count;
        if (bytes > gSandbox.writeCap - gSandbox.written) {
            errno = ENOSPC;
            return 0;
        }
        gSandbox.written += bytes;
    }
    return __real_fwrite(data, size, count, file);
}
