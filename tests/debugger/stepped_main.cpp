// vantel-stepped: runs a program as vantel does (same command line, same
// listing, files and exit status), but under the debug engine, stopped at
// every statement (and with VANTEL_STEP_MATCH=1 at every step of the
// matcher), with the program's state looked at in every way the engine
// offers at the stops: the calls under way, every scope and variable,
// patterns node by node, the match views, hovers and watches of every
// name shown, and console evaluations of plain names. The end-to-end
// suites run with it in place of vantel and must give vantel's results:
// however a run is stopped and looked at, it is the same run.
//
// With VANTEL_STEPPED_FREE=1 it only runs the program under the engine,
// stopping nowhere: what a debugged run costs between breakpoints
// (bench/debugged.sh measures it).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/values.h"
#include "debugger/engine.h"
#include "debugger/interpreter_thread.h"
#include "driver/run.h"
#include "executor/executor.h"

namespace {

using namespace vantel;
using namespace vantel::debugger;

bool Switched(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && std::string_view(value) == "1";
}

// Stops looked at in full: the first ones, then every 37th (long loops
// would take too long otherwise).
bool LookAt(long stop) {
    return stop < 400 || stop % 37 == 0;
}

class Stepper final : public Controller {
public:
    Stepper(bool stepMatches, bool free) : stepMatches_(stepMatches), free_(free) {}

    void Ready(Engine& engine, bool) override { engine.StopOnErrors(true); }

    Resume Stopped(Engine& engine, const StopInfo& stop) override {
        if (free_) return Resume::Continue;
        if (LookAt(stops_++)) LookAround(engine, stop);
        if (stop.reason == StopReason::Exception) return Resume::Continue;
        return stepMatches_ ? Resume::StepIn : Resume::StepInStatement;
    }

    Attention Attend(Engine&) override { return Attention::None; }
    void Listed(std::string_view, ListingPart) override {}

private:
    void LookAround(Engine& engine, const StopInfo& stop) {
        for (const FrameInfo& frame : engine.StackTrace()) {
            for (const ScopeInfo& scope : engine.Scopes(frame.id))
                Expand(engine, scope.reference, frame.id, 0);
        }
        (void)engine.Evaluate("&STNO", 1, EvaluationContext::Console);
        if (stop.inMatch) (void)engine.Evaluate("&STCOUNT", 1, EvaluationContext::Watch);
    }

    void Expand(Engine& engine, int reference, int frame, int depth) {
        if (reference == 0 || depth > 4) return;
        for (const VariableInfo& v : engine.Variables(reference)) {
            if (depth == 0) Probe(engine, v.name, frame);
            Expand(engine, v.reference, frame, depth + 1);
        }
    }

    // A hover and a watch of the name; a console evaluation of it when
    // reading it has no effect (a name that reads a line is left alone),
    // which must show what the watch shows (the innermost frame's view:
    // the console evaluates in the program's state now).
    void Probe(Engine& engine, const std::string& name, int frame) {
        (void)engine.Evaluate(name, frame, EvaluationContext::Hover);
        const Evaluation watched = engine.Evaluate(name, 1000, EvaluationContext::Watch);
        const StringItem* entry = FindString(name);
        if (entry == nullptr || !IsName(name) || ReadsOnUse(entry)) return;
        const Evaluation evaluated = engine.Evaluate(name, frame, EvaluationContext::Console);
        if (!evaluated.ok || evaluated.value != watched.value) {
            std::fprintf(stderr, "vantel-stepped: %s evaluates to %s (%s), its watch shows %s\n",
                         name.c_str(), evaluated.value.c_str(), evaluated.ok ? "ok" : "error",
                         watched.value.c_str());
            std::_Exit(99);
        }
    }

    // A name the translator reads as that one name (so nothing new is
    // entered): capitals, digits and periods after a capital, or a keyword.
    static bool IsName(std::string_view name) {
        if (!name.empty() && name[0] == '&') name.remove_prefix(1);
        if (name.empty() || name[0] < 'A' || name[0] > 'Z') return false;
        for (const char c : name)
            if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.')) return false;
        return true;
    }

public:
    long stops() const { return stops_; }

private:
    bool stepMatches_;
    bool free_;
    long stops_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 0; // as vantel: any other count runs nothing
    const bool free = Switched("VANTEL_STEPPED_FREE");
    Stepper stepper(Switched("VANTEL_STEP_MATCH"), free);
    Engine engine(stepper);
    int status = 2;
    {
        InterpreterThread thread([&] {
            std::string refusal;
            status = engine.Run(argv[1], SettingsFromEnvironment(), !free, refusal);
        });
        if (!thread.Started()) {
            std::fputs("vantel-stepped: cannot start its thread\n", stderr);
            return 2;
        }
    }
    // VANTEL_STEPPED_COUNT=1: how many stops there were, on standard error.
    if (Switched("VANTEL_STEPPED_COUNT")) std::fprintf(stderr, "stops: %ld\n", stepper.stops());
    return status & 0xFF;
}
