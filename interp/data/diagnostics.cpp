#include "data/diagnostics.h"

#include <cstdio>

#include "data/pattern_table.h"
#include "data/textfile.h"
#include "data/values.h"

namespace vantel {

RunState& RunInfo() {
    return Data().run;
}

namespace {

void CloseEverything() {
    CloseSource();
    CloseAssociations();
    CloseListing();
}

} // namespace

void ListMessage(std::string_view message) {
    ListingNewLine();
    ListingNewLine();
    std::string line = "--- ";
    line.append(message);
    line.append(" ---");
    ListingLine(line);
}

void ReportError(std::string_view message) {
    if (RunInfo().translating && RunInfo().translationMessage != nullptr)
        RunInfo().translationMessage(message);
    else
        ListMessage(message);
    RunInfo().errorFlag = true;
    if (RunInfo().translating) {
        ++RunInfo().errorCount;
        return;
    }
    ListingLine("--- ERROR OCCURRED ON STATEMENT " + IntegerText(KeywordValue(KeywordIndex::StNo)) +
                " ---");
    TerminationReport();
}

void TerminationReport() {
    ListingLine(" EXECUTION HAS TERMINATED.");
    ListingLine(" EXECUTION TIME: " +
                std::to_string(ElapsedMs(RunInfo().startTime, TimeOfDayMs())) + " milliseconds.");
    ListingLine(" NUMBER OF STATEMENTS EXECUTED: " +
                IntegerText(KeywordValue(KeywordIndex::StCount)));
    if (KeywordValue(KeywordIndex::Dump) != 0) DumpVariables();
    const int status = RunInfo().errorFlag ? 0 : KeywordValue(KeywordIndex::Code);
    EndRun(status);
}

void EndRun(int status) {
    CloseEverything();
    throw RunEnd{status};
}

// ---- Dump of variables -------------------------------------------------------------

namespace {

void DumpPatternComponents(const PatternTable& table) {
    ListingLine("  Pattern components");
    ListingLine("       #      Routine Subsequent Alternate Extra");
    for (int i = 1; i <= table.count; ++i) {
        const PatternNode& n = table.node(i);
        ListingLine(RightAligned(std::to_string(i), 8) + RightAligned(RoutineName(n.routine), 12) +
                    RightAligned(std::to_string(n.subsequent), 8) +
                    RightAligned(std::to_string(n.alternate), 10) +
                    RightAligned(std::to_string(n.extra), 9));
    }
}

void DumpEntryValue(const Value& v) {
    switch (v.kind()) {
    case Kind::Integer:
        ListingLine(IntegerText(v.integer()));
        break;
    case Kind::String:
        ListingLine(std::string("\"").append(v.string()->name).append("\""));
        break;
    case Kind::Pattern:
        ListingWrite("PATTERN");
        if (v.pattern() == nullptr)
            ListingLine(" Nil Pattern.");
        else {
            DumpPatternComponents(*v.pattern());
            ListingNewLine();
        }
        break;
    case Kind::Keyword:
        if (v.keyword().index != KeywordIndex::Alphabet)
            ListingWrite(IntegerText(KeywordValue(v.keyword().index)));
        ListingNewLine();
        break;
    case Kind::File:
        ListingLine(v.file()->input ? "Input file" : "Output file");
        break;
    case Kind::Null:
        ListingNewLine();
        break;
    }
}

} // namespace

void DumpVariables() {
    ListingLine(" DUMP OF VARIABLES ");
    for (int i = 2; i <= StringCount(); ++i) {
        const StringItem* entry = StringAt(i);
        if (!entry->value.IsNull()) {
            ListingWrite(std::string("  ").append(entry->name).append(" = "));
            DumpEntryValue(entry->value);
        } else if (RunInfo().debug) {
            ListingLine(std::string("  \"").append(entry->name).append("\""));
        }
    }
    ListingLine(" END of DUMP OF VARIABLES ");
}

} // namespace vantel
