// Fuzz target: random sessions with the debug adapter, in-process.
//
// The input chooses a program (one of a few that call functions, match with
// ARB, ARBNO and alternatives, read data, fail and loop, or text from the
// input itself) and drives a session with it: every request with arguments
// well or badly formed, in any order, steps of every kind, breakpoints
// with conditions and hit counts, evaluations and new values, pauses,
// terminate and disconnect, bodies that are no JSON and byte streams through
// the framing. Beyond "no crash, no sanitizer report, no hang": every
// message the adapter sends is a DAP object with seq counting up, each
// request gets exactly one response, and a session that changed nothing
// (no evaluation, no new value, no condition, no early end) leaves the
// listing and exit status of the same program run without a debugger.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "dap/session.h"
#include "driver/run.h"
#include "framing/framing.h"
#include "harness.h"

namespace {

using Json = vantel::dap::Json;

constexpr std::int32_t kStatementCap = 3000;
constexpr std::int64_t kMatchStepCap = 200'000;
constexpr std::size_t kWriteCap = std::size_t{4} << 20;
constexpr int kCloseSeconds = 20;

constexpr std::array<const char*, 5> kPrograms{
    // Calls, FRETURN, a computed goto.
    "        DEFINE('FACT(N)', 'FACT')\n"
    "        DEFINE('ODD(N)', 'ODD')\n"
    "        X = FACT(5)\n"
    "        OUTPUT = ODD(X) 'odd'       :F($'EVEN')\n"
    "        :(DONE)\n"
    "EVEN    OUTPUT = 'even'\n"
    "DONE    &CODE = 3                   :(END)\n"
    "FACT    FACT = LE(N, 1) 1           :S(RETURN)\n"
    "        FACT = N * FACT(N - 1)      :(RETURN)\n"
    "ODD     EQ(REMDR(N, 2), 1)          :S(RETURN)F(FRETURN)\n"
    "END\n",
    // Matches of every kind.
    "        X = 'ABC'\n"
    "        X 'A' ARB . MIDDLE 'C'\n"
    "        'AAB' ARBNO('A' | 'X') $ R 'B'\n"
    "        &ANCHOR = 0\n"
    "        'XBY' ('A' | 'B' @C | 'X') . Z = 'Q' :F(END)\n"
    "        Y = 'KEY=VALUE'\n"
    "        Y BREAK('=') . K '=' REM\n"
    "        Y SPAN('A-Z') LEN(1) TAB(5) RTAB(1) RPOS(0)\n"
    "        OUTPUT = MIDDLE R Z C K\n"
    "END\n",
    // Data lines, &TRACE and &FTRACE, a dump.
    "        &TRACE = 5\n"
    "        &FTRACE = 5\n"
    "        &DUMP = 1\n"
    "LOOP    LINE = INPUT                :F(DONE)\n"
    "        OUTPUT = SIZE(LINE) ' ' LINE :(LOOP)\n"
    "DONE    OUTPUT = 'done'\n"
    "END\n"
    "first\n"
    "second line\n",
    // A run-time error in a function.
    "        DEFINE('F1(A)', 'F1')\n"
    "        OUTPUT = F1(0)\n"
    "F1      F1 = 10 / A                 :(RETURN)\n"
    "END\n",
    // Endless.
    "LOOP    I = I + 1\n"
    "        'AAAAAAAAAAAAAAAAAAAA' ARB ARB ARB ARB 'B' :(LOOP)\n"
    "END\n",
};

constexpr std::array<const char*, 8> kExpressions{"X",     "N + 1", "&STCOUNT", "FACT(3)",
                                                  "INPUT", "1 / 0", "LEN(",     "'A' | ARBNO('B')"};
constexpr std::array<const char*, 6> kNames{"X", "N", "&TRIM", "&STNO", "OUTPUT", "FACT"};
constexpr std::array<const char*, 5> kHits{"2", ">= 2", "% 3", "< 0", "x"};
constexpr std::array<const char*, 5> kContexts{"repl", "hover", "watch", "variables", "clipboard"};
constexpr std::array<const char*, 4> kGranularities{"statement", "line", "instruction", "step"};

// What the adapter sent, checked as it comes.
struct Transcript {
    std::mutex mutex;
    long long lastSeq = 0;
    std::map<long long, int> answers; // request seq: responses seen
    bool exited = false;
    int exitCode = -1;
    bool terminated = false;

    void Take(std::string_view body) {
        const Json m = Json::parse(body, nullptr, false);
        fuzz::Check(m.is_object(), "the adapter sent a body that is not a JSON object");
        const std::lock_guard lock(mutex);
        fuzz::Check(m.contains("seq") && m["seq"].is_number_integer() &&
                        m["seq"].get<long long>() == lastSeq + 1,
                    "the adapter's seq does not count up by one");
        lastSeq = m["seq"].get<long long>();
        const std::string type = m.value("type", "");
        fuzz::Check(type == "response" || type == "event", "a message that is neither");
        if (type == "response") {
            fuzz::Check(m.contains("request_seq") && m.contains("success") && m.contains("command"),
                        "a response without request_seq, success or command");
            ++answers[m["request_seq"].get<long long>()];
        } else if (m.value("event", "") == "exited") {
            exited = true;
            exitCode = m["body"]["exitCode"].get<int>();
        }
    }
};

class Driver {
public:
    Driver(FuzzedDataProvider& data, vantel::dap::Session& session, const std::string& program)
        : data_(data), session_(session), program_(program) {}

    void Request(const std::string& command, Json arguments) {
        const long long seq = ++seq_;
        sent_.push_back(seq);
        Json message{{"seq", seq}, {"type", "request"}, {"command", command}};
        if (!data_.ConsumeBool() || data_.ConsumeBool())
            message["arguments"] = std::move(arguments);
        session_.Receive(message.dump(-1, ' ', false, Json::error_handler_t::replace));
    }

    // One step of the session; false once it is over.
    bool Step() {
        switch (data_.ConsumeIntegralInRange(0, 21)) {
        case 0:
            Request("initialize", {{"linesStartAt1", data_.ConsumeIntegralInRange(0, 5) != 0}});
            break;
        case 1:
            Request("launch", {{"program",
                                data_.ConsumeIntegralInRange(0, 7) != 0 ? program_ : "nothing.sno"},
                               {"stopOnEntry", data_.ConsumeBool()},
                               {"noDebug", data_.ConsumeIntegralInRange(0, 7) == 0}});
            break;
        case 2:
            SetBreakpoints();
            break;
        case 3:
            Request("setExceptionBreakpoints",
                    {{"filters",
                      data_.ConsumeBool() ? Json::array({"runtime-errors"}) : Json::array()}});
            break;
        case 4:
            Request("configurationDone", Json::object());
            break;
        case 5:
            Request("stackTrace", {{"threadId", 1},
                                   {"startFrame", data_.ConsumeIntegralInRange(-1, 3)},
                                   {"levels", data_.ConsumeIntegralInRange(-1, 3)}});
            break;
        case 6:
            Request("scopes", {{"frameId", data_.ConsumeIntegralInRange(-1, 5)}});
            break;
        case 7:
            Request("variables", {{"variablesReference", data_.ConsumeIntegralInRange(-1, 40)}});
            break;
        case 8:
            changed_ = true;
            Request("setVariable", {{"variablesReference", data_.ConsumeIntegralInRange(0, 12)},
                                    {"name", Pick(kNames)},
                                    {"value", Text(kExpressions)}});
            break;
        case 9: {
            const std::string context = Pick(kContexts);
            if (context != "hover" && context != "watch") changed_ = true;
            Request("evaluate", {{"expression", Text(kExpressions)},
                                 {"frameId", data_.ConsumeIntegralInRange(0, 4)},
                                 {"context", context}});
            break;
        }
        case 10:
            Request("continue", {{"threadId", 1}});
            break;
        case 11:
            Request("next", {{"threadId", 1}});
            break;
        case 12:
            Request("stepIn", {{"threadId", 1}, {"granularity", Pick(kGranularities)}});
            break;
        case 13:
            Request("stepOut", {{"threadId", 1}});
            break;
        case 14:
            Request("pause", {{"threadId", 1}});
            break;
        case 15:
            Request("exceptionInfo", {{"threadId", 1}});
            break;
        case 16:
            Request("threads", Json::object());
            break;
        case 17:
            changed_ = true;
            Request("terminate", Json::object());
            break;
        case 18:
            changed_ = true;
            Request("disconnect", Json::object());
            return false;
        case 19:
            session_.Receive(data_.ConsumeRandomLengthString(64));
            break;
        case 20: {
            // Bytes through the framing, as the program's reader takes them.
            const std::string bytes = data_.ConsumeRandomLengthString(128);
            vantel::framing::TextSource source(bytes, 1 + data_.ConsumeIntegralInRange(0, 16));
            vantel::framing::FrameReader reader(source);
            std::string body, problem;
            for (int i = 0; i < 8; ++i) {
                const auto r = reader.Next(body, problem);
                if (r == vantel::framing::FrameReader::Result::End) break;
                if (r == vantel::framing::FrameReader::Result::Skipped)
                    session_.Problem(problem);
                else
                    session_.Receive(body);
            }
            break;
        }
        default:
            Request(data_.ConsumeRandomLengthString(12), Json::object());
            break;
        }
        return data_.remaining_bytes() > 0;
    }

    const std::vector<long long>& sent() const { return sent_; }
    bool changed() const { return changed_; }

private:
    template <std::size_t N> std::string Pick(const std::array<const char*, N>& list) {
        return list[data_.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
    }
    template <std::size_t N> std::string Text(const std::array<const char*, N>& list) {
        return data_.ConsumeBool() ? Pick(list) : data_.ConsumeRandomLengthString(24);
    }

    void SetBreakpoints() {
        Json list = Json::array();
        const int count = data_.ConsumeIntegralInRange(0, 4);
        for (int i = 0; i < count; ++i) {
            Json b{{"line", data_.ConsumeIntegralInRange(-1, 14)}};
            if (data_.ConsumeIntegralInRange(0, 3) == 0) {
                changed_ = true; // a condition may do anything
                b["condition"] = Text(kExpressions);
            }
            if (data_.ConsumeIntegralInRange(0, 3) == 0) b["hitCondition"] = Pick(kHits);
            list.push_back(std::move(b));
        }
        Request("setBreakpoints",
                {{"source",
                  {{"path", data_.ConsumeIntegralInRange(0, 7) != 0 ? program_ : "other.sno"}}},
                 {"breakpoints", std::move(list)}});
    }

    FuzzedDataProvider& data_;
    vantel::dap::Session& session_;
    std::string program_;
    long long seq_ = 0;
    std::vector<long long> sent_;
    bool changed_ = false;
};

vantel::RunSettings Capped() {
    vantel::RunSettings settings;
    settings.caps.statements = kStatementCap;
    settings.caps.matchSteps = kMatchStepCap;
    return settings;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    fuzz::ClearScratch();
    const std::size_t choice = data.ConsumeIntegralInRange<std::size_t>(0, kPrograms.size());
    const std::string text =
        choice < kPrograms.size() ? kPrograms[choice] : data.ConsumeRandomLengthString(512);
    const std::string program = fuzz::ScratchDir() + "/program.sno";
    fuzz::WriteFile(program, text);
    fuzz::BeginSandbox(program, fuzz::ScratchDir() + "/program.lst", kWriteCap);

    Transcript transcript;
    std::vector<long long> sent;
    bool changed = false;
    {
        vantel::dap::Session session(
            [&transcript](std::string_view body) {
                transcript.Take(body);
                return true;
            },
            Capped());
        Driver driver(data, session, program);
        while (data.remaining_bytes() > 0 && driver.Step()) {
        }
        fuzz::Check(session.Close(kCloseSeconds), "the run did not end when the client went away");
        sent = driver.sent();
        changed = driver.changed();
    }
    for (const long long seq : sent)
        fuzz::Check(transcript.answers[seq] == 1, "a request was not answered exactly once");

    // A run that went to its end, changed by nothing the client did, is
    // vantel's run.
    if (transcript.exited && !changed) {
        const std::string debugged =
            fuzz::MaskedListing(fuzz::ReadFile(fuzz::ScratchDir() + "/program.lst"));
        fuzz::ClearScratch();
        fuzz::WriteFile(program, text);
        int status = 0;
        fuzz::RunOnBigStack([&] {
            const char* arguments[] = {program.c_str()};
            status = vantel::RunVantel(1, arguments, Capped());
        });
        fuzz::Check(fuzz::MaskedListing(fuzz::ReadFile(fuzz::ScratchDir() + "/program.lst")) ==
                        debugged,
                    "the debugged run's listing is not vantel's");
        fuzz::Check(status == transcript.exitCode, "the debugged run's status is not vantel's");
    }
    fuzz::EndSandbox();
    return 0;
}
