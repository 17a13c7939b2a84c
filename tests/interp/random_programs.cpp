#include "random_programs.h"

#include <array>
#include <string_view>

namespace vantel::test {

namespace {

template <std::size_t N>
std::string_view Pick(std::mt19937& random, const std::array<std::string_view, N>& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, N - 1)(random)];
}

bool Chance(std::mt19937& random, int percent) {
    return std::uniform_int_distribution<int>(1, 100)(random) <= percent;
}

constexpr std::array<std::string_view, 8> kLabels{"L1", "L2", "LOOP", "done",
                                                  "F1", "G",  "END",  "S"};
constexpr std::array<std::string_view, 24> kPieces{"X",
                                                   "y.z",
                                                   "N + 1",
                                                   "N - 1",
                                                   "N -1",
                                                   "LEN(2)",
                                                   "SIZE(X)",
                                                   "DUPL('ab', 3)",
                                                   "G(1, 2)",
                                                   "F1(X)",
                                                   "'a;b'",
                                                   "\"it's\"",
                                                   "''",
                                                   "&TRIM",
                                                   "&STNO",
                                                   "&NOPE",
                                                   "$X",
                                                   "(X Y)",
                                                   "ANY('abc') | 'q'",
                                                   "LT(1,2,3)",
                                                   "@P",
                                                   "'unterminated",
                                                   "X . Y",
                                                   "((1)"};
constexpr std::array<std::string_view, 8> kGotos{
    ":(L1)", ":S(LOOP)F(done)", ":F(L2)", ":(RETURN)", ":S(END)", ":($X)", ":(NOWHERE)", ":S(L1"};
constexpr std::array<std::string_view, 8> kOddCards{"* a comment", "-LIST",    "-UNLIST", "-EJECT",
                                                    "-DEBUG",      "-UNKNOWN", "",        " "};
constexpr std::array<std::string_view, 6> kOddBytes{
    "\t", std::string_view("\0", 1), "\r", "#", "\xe9", ";"};

std::string Statement(std::mt19937& random) {
    std::string card;
    if (Chance(random, 40)) card += Pick(random, kLabels);
    card += ' ';
    const int form = std::uniform_int_distribution<int>(0, 4)(random);
    if (form == 0)
        card.append(Pick(random, kPieces)).append(" = ").append(Pick(random, kPieces));
    else if (form == 1)
        card.append(Pick(random, kPieces)).append(" ").append(Pick(random, kPieces));
    else if (form == 2)
        card.append(" DEFINE('G(A,B)T', 'G')");
    else if (form == 3)
        card.append(Pick(random, kPieces)).append(" ").append(Pick(random, kPieces)).append(" = ");
    else
        card.append(Pick(random, kPieces));
    if (Chance(random, 40)) card.append("   ").append(Pick(random, kGotos));
    if (Chance(random, 5))
        card.insert(std::uniform_int_distribution<std::size_t>(0, card.size())(random),
                    Pick(random, kOddBytes));
    if (Chance(random, 3)) card.append(170, 'W');
    return card;
}

} // namespace

std::string RandomProgram(std::mt19937& random) {
    std::string text;
    const std::string_view end = Chance(random, 50) ? "\r\n" : "\n";
    const int cards = std::uniform_int_distribution<int>(0, 30)(random);
    for (int i = 0; i < cards; ++i) {
        if (Chance(random, 15))
            text += Pick(random, kOddCards);
        else if (Chance(random, 10))
            text.append("+ ").append(Pick(random, kPieces));
        else
            text += Statement(random);
        text += end;
    }
    if (Chance(random, 85)) text.append("END").append(Chance(random, 30) ? " L1" : "").append(end);
    if (Chance(random, 30)) text.append("data line").append(end).append("more");
    return text;
}

} // namespace vantel::test
