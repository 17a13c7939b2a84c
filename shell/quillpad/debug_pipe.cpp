#include "debug_pipe.h"

#include "framing/framing.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace quillpad {
namespace {

// Bytes from the pipe, or the end once the wake descriptor is signalled.
class WakeableSource final : public vantel::framing::ByteSource {
public:
    WakeableSource(int fd, int wake) : fd_(fd), wake_(wake) {}

    std::size_t Read(char* buffer, std::size_t size) override {
        for (;;) {
            std::array<pollfd, 2> waits{{{fd_, POLLIN, 0}, {wake_, POLLIN, 0}}};
            if (poll(waits.data(), waits.size(), -1) < 0) {
                if (errno == EINTR) continue;
                return 0;
            }
            if (waits[1].revents != 0) return 0;
            const ssize_t got = ::read(fd_, buffer, size);
            if (got < 0 && errno == EINTR) continue;
            return got > 0 ? static_cast<std::size_t>(got) : 0;
        }
    }
    bool Ready() override {
        pollfd wait{fd_, POLLIN, 0};
        return poll(&wait, 1, 0) > 0;
    }

private:
    int fd_;
    int wake_;
};

void Close(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

} // namespace

AdapterPipe::AdapterPipe(QObject* parent) : QObject(parent) {}

AdapterPipe::~AdapterPipe() {
    Stop();
}

bool AdapterPipe::Open(QString& error) {
    Stop();
    ++generation_;
    int ends[2] = {-1, -1};
    wake_ = eventfd(0, EFD_CLOEXEC);
    if (wake_ < 0 || pipe2(ends, O_CLOEXEC) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        CloseAll();
        return false;
    }
    read_ = ends[0];
    write_ = ends[1];
    return true;
}

std::function<void()> AdapterPipe::ChildSide() const {
    const int fd = write_;
    // Runs between fork and exec: only calls that are safe there.
    return [fd] {
        if (fd >= 0) dup2(fd, STDOUT_FILENO);
    };
}

void AdapterPipe::Begin() {
    Close(write_);
    if (read_ < 0 || reader_.joinable()) return;
    reader_ = std::thread(
        [this, fd = read_, wake = wake_, generation = generation_] { Read(fd, wake, generation); });
}

// The reader's thread: what it reads is queued to the owner's thread, and
// dropped there when the pipe is gone or was opened anew by then.
void AdapterPipe::Read(int fd, int wake, int generation) {
    const auto deliver = [this, generation](std::function<void()> emitting) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, emitting = std::move(emitting)] {
                if (generation == generation_) emitting();
            },
            Qt::QueuedConnection);
    };
    WakeableSource source(fd, wake);
    vantel::framing::FrameReader reader(source);
    std::string body;
    std::string why;
    for (;;) {
        const auto result = reader.Next(body, why);
        if (result == vantel::framing::FrameReader::Result::Message) {
            deliver([this, bytes = QByteArray::fromStdString(body)] { emit message(bytes); });
            continue;
        }
        if (!why.empty())
            deliver([this, text = QString::fromStdString(why)] { emit problem(text); });
        if (result == vantel::framing::FrameReader::Result::End) break;
    }
    deliver([this] { emit ended(); });
}

void AdapterPipe::Stop() {
    if (reader_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
        reader_.join();
    }
    CloseAll();
}

void AdapterPipe::CloseAll() {
    Close(read_);
    Close(write_);
    Close(wake_);
}

} // namespace quillpad
