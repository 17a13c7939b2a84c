// What the latency benchmarks share: the program they change, 500
// statements in the shape of the examples (labels, gotos, a defined
// function and its calls, patterns and literals), and their figures.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace vantel::bench {

using Clock = std::chrono::steady_clock;

inline double Since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Times in milliseconds, printed as their median, 90th percentile and maximum.
struct Figures {
    std::vector<double> ms;
    void Print(const char* what, const char* unit = "changes") {
        std::sort(ms.begin(), ms.end());
        std::printf("%-46s median %7.2f ms   p90 %7.2f ms   max %7.2f ms   (%zu %s)\n", what,
                    ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.back(), ms.size(), unit);
    }
};

inline std::string LatencyProgram() {
    std::string text = "* 500 statements for the latency benchmark.\n"
                       " DEFINE('TWICE(N)T', 'TWICE')                   :(MAIN)\n"
                       "TWICE T = N + N\n"
                       " TWICE = T                                      :(RETURN)\n"
                       "MAIN I = 0\n";
    for (int i = 5; i <= 500; ++i) {
        const std::string n = std::to_string(i);
        switch (i % 5) {
        case 0:
            text += "L" + n + " I = LT(I, " + n + ") I + 1                :F(L" + n + "X)\n";
            break;
        case 1:
            text += " WORD = BREAK('abc') SPAN('def') . W" + std::to_string(i % 7) + "\n";
            break;
        case 2:
            text += " OUTPUT = TWICE(I) ' and ' SIZE('text" + n + "')\n";
            break;
        case 3:
            text += " LINE 'x' ARBNO('y' | 'z') = 'v'                :S(L" + std::to_string(i - 3) +
                    ")\n";
            break;
        default:
            text += "L" + std::to_string(i - 4) + "X &ANCHOR = REMDR(I, 2)\n";
            break;
        }
    }
    return text + "END\n";
}

} // namespace vantel::bench
