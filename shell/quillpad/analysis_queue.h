#pragma once
// Analyses of editors' texts, made one at a time on a thread of the
// process's own, whose stack is deep enough for the translator's deepest
// nesting (the user-interface thread's is not, and must never wait for an
// analysis). Each editor is a client: a new request of a client replaces
// the one it has waiting, so a burst of typing costs one analysis, not one
// per keystroke. Clients take turns in the order they asked.

#include "analysis/source.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quillpad {

// A text with its analysis and card states made, as the editor's
// `revision` held it. Read-only from then on, on any thread.
struct AnalysedText {
    std::uint64_t revision = 0;
    vantel::analysis::Source source;
};

class AnalysisQueue {
public:
    // Called on the analysis thread; nullptr when the text could not be
    // analysed (memory ran out).
    using Done = std::function<void(std::uint64_t revision, std::shared_ptr<const AnalysedText>)>;

    // The process's queue: analyses share the translator's tables, so a
    // process makes one at a time.
    static AnalysisQueue& Shared();

    void Request(const void* client, std::uint64_t revision, std::string text, Done done);
    // Drops the client's waiting request, and waits for its running one to
    // end: no Done of the client is called after this returns.
    void Cancel(const void* client);

    ~AnalysisQueue();

private:
    AnalysisQueue();
    struct Inner;
    std::unique_ptr<Inner> inner_;
};

} // namespace quillpad
