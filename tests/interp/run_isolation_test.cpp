// A run sees nothing of the runs before it in the same process: program B
// run after program A gives what B gives alone, in this process and in a
// process of its own. Each A leaves behind what a shared table would carry
// over (keywords, files, strings, functions, labels, the statement limit,
// the DEBUG setting); each B shows it if it did.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "harness.h"

namespace vantel {

namespace {

// B run by the vantel program in a process of its own, from the source
// path the in-process runs use, with the listing masked alike.
std::string RunInOwnProcess(const std::string& source, int* status) {
    const std::string path = test::ScratchPath("run.sno");
    std::ofstream(path, std::ios::binary) << source;
    const std::string command = std::string("'") + VANTEL_PROGRAM + "' '" + path + "'";
    const int raw = std::system(command.c_str());
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(test::ScratchPath("run.lst"), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    static const std::regex timing(" (COMPILATION TIME|EXECUTION TIME:) -?[0-9]+ ");
    return std::regex_replace(text.str(), timing, " $1 N ");
}

std::string Names(int from, int to) {
    std::string source;
    for (int i = from; i <= to; ++i)
        source += " N" + std::to_string(i) + " = " + std::to_string(i) + "\n";
    return source;
}

// Defines `count` functions PREFIX1.. (each doubling its argument), which
// together with the definitions before them must fit the function table.
std::string Functions(int count, const std::string& prefix) {
    std::string source;
    for (int i = 1; i <= count; ++i) {
        const std::string name = prefix + std::to_string(i);
        source += " DEFINE('" + name + "(X)', '" + name + "')\n";
    }
    source += " :(DEFINED)\n";
    for (int i = 1; i <= count; ++i) {
        const std::string name = prefix + std::to_string(i);
        source += name + " " + name + " = X * 2 :(RETURN)\n";
    }
    return source + "DEFINED\n";
}

struct Pair {
    const char* what;
    std::string first;
    std::string second;
};

TEST(RunIsolation, ASecondProgramRunsAsItWouldAlone) {
    const std::string fileA = test::ScratchPath("isolation_a.txt");
    const Pair pairs[] = {
        {"keywords", " &TRIM = 1\n &ANCHOR = 0\n &CODE = 7\n &DUMP = 1\n &TRACE = 5\nEND\n",
         " OUTPUT = &TRIM ',' &ANCHOR ',' &CODE ',' &DUMP ',' &TRACE ',' &STLIMIT\n"
         " SUBJ = 'XABC'\n SUBJ 'ABC' :F(DONE)\n OUTPUT = 'UNANCHORED'\nDONE\nEND\n"},
        {"statement limit", " &STLIMIT = 3\nEND\n",
         " I = 0\nL I = LT(I, 20) I + 1 :S(L)\n OUTPUT = I ' ' &STCOUNT\nEND\n"},
        {"files and associations",
         " OUTPUT('FO', '" + fileA + "')\n INPUT('GI', '" + fileA + "')\n FO = 'LINE'\nEND\n",
         " FO = 'KEPT'\n OUTPUT = FO\n OUTPUT = GI\n GI :F(DONE)\n OUTPUT = 'READ G'\nDONE\nEND\n"},
        {"string table", " &DUMP = 0\n" + Names(1, 2400) + "END\n",
         " &DUMP = 1\n" + Names(3000, 3300) + " OUTPUT = N1 N3000\nEND\n"},
        {"functions", Functions(10, "A") + "END\n",
         Functions(1, "B") + " OUTPUT = A1(3) B1(4)\nEND\n"},
        {"labels", "L OUTPUT = 'A'\n X = 'L'\n :($X)\nEND\n",
         " X = 'L'\n OUTPUT = 'B' :($X)\nEND\n"},
        {"DEBUG card and errors", "-DEBUG\n X = (\n Y = 'UNUSED'\nEND\n",
         " &DUMP = 1\n Z = 'Z'\n OUTPUT = Z\nEND\n"},
    };
    for (const Pair& pair : pairs) {
        int aloneStatus = -1, afterStatus = -1, ownStatus = -1;
        const std::string alone = test::RunProgram(pair.second, &aloneStatus);
        EXPECT_NE(alone.find("Execution begins..."), std::string::npos) << pair.what << alone;
        test::RunProgram(pair.first);
        const std::string after = test::RunProgram(pair.second, &afterStatus);
        const std::string own = RunInOwnProcess(pair.second, &ownStatus);
        EXPECT_EQ(after, alone) << pair.what;
        EXPECT_EQ(afterStatus, aloneStatus) << pair.what;
        EXPECT_EQ(own, alone) << pair.what;
        EXPECT_EQ(ownStatus, aloneStatus) << pair.what;
    }
}

} // namespace
} // namespace vantel
