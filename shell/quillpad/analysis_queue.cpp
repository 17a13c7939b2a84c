#include "analysis_queue.h"

#include <pthread.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>

namespace quillpad {

struct AnalysisQueue::Inner {
    struct Job {
        const void* client;
        std::uint64_t revision;
        std::string text;
        Done done;
    };

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Job> waiting; // at most one per client
    const void* running = nullptr;
    bool stopping = false;
    bool started = false;
    pthread_t thread{};

    void Serve() {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return stopping || !waiting.empty(); });
            if (stopping) return;
            Job job = std::move(waiting.front());
            waiting.pop_front();
            running = job.client;
            lock.unlock();
            Run(job);
            lock.lock();
            running = nullptr;
            changed.notify_all();
        }
    }

    static void Run(Job& job) {
        std::shared_ptr<AnalysedText> result;
        try {
            result = std::make_shared<AnalysedText>(
                AnalysedText{job.revision, vantel::analysis::Source(std::move(job.text))});
            result->source.Prepare();
        } catch (const std::exception&) {
            result.reset();
        }
        job.done(job.revision, std::move(result));
    }
};

AnalysisQueue& AnalysisQueue::Shared() {
    static AnalysisQueue queue;
    return queue;
}

AnalysisQueue::AnalysisQueue() : inner_(std::make_unique<Inner>()) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return;
    auto entry = [](void* inner) -> void* {
        static_cast<Inner*>(inner)->Serve();
        return nullptr;
    };
    inner_->started =
        pthread_attr_setstacksize(&attributes, vantel::analysis::kAnalysisStackBytes) == 0 &&
        pthread_create(&inner_->thread, &attributes, entry, inner_.get()) == 0;
    pthread_attr_destroy(&attributes);
}

AnalysisQueue::~AnalysisQueue() {
    {
        const std::lock_guard lock(inner_->mutex);
        inner_->stopping = true;
    }
    inner_->changed.notify_all();
    if (inner_->started) pthread_join(inner_->thread, nullptr);
}

void AnalysisQueue::Request(const void* client, std::uint64_t revision, std::string text,
                            Done done) {
    if (!inner_->started) { // no thread with a stack deep enough: no analysis
        done(revision, nullptr);
        return;
    }
    {
        const std::lock_guard lock(inner_->mutex);
        Inner::Job job{client, revision, std::move(text), std::move(done)};
        auto& waiting = inner_->waiting;
        const auto same =
            std::find_if(waiting.begin(), waiting.end(),
                         [client](const Inner::Job& j) { return j.client == client; });
        if (same != waiting.end())
            *same = std::move(job);
        else
            waiting.push_back(std::move(job));
    }
    inner_->changed.notify_all();
}

void AnalysisQueue::Cancel(const void* client) {
    std::unique_lock lock(inner_->mutex);
    std::erase_if(inner_->waiting, [client](const Inner::Job& j) { return j.client == client; });
    inner_->changed.wait(lock, [this, client] { return inner_->running != client; });
}

} // namespace quillpad
