#include <string_view>

#include "data/diagnostics.h"
#include "data/limits.h"
#include "data/textfile.h"
#include "translator/scanner.h"

namespace vantel {

TranslatorState gScan;

void ResetScanner() {
    gScan = TranslatorState{};
}

namespace {

constexpr char kFormFeed = '\f';

bool StartsWith(std::string_view text, std::string_view word) {
    return text.substr(0, word.size()) == word;
}

void ObeyControlCard(std::string_view card) {
    const std::string_view word = card.substr(1);
    if (StartsWith(word, "LIST"))
        gScan.listingOn = true;
    else if (StartsWith(word, "UNLIST"))
        gScan.listingOn = false;
    else if (StartsWith(word, "EJECT"))
        ListingLine(std::string_view(&kFormFeed, 1));
    else if (StartsWith(word, "DEBUG"))
        gRun.debug = true;
}

void ListCard() {
    const bool unnumbered = gScan.cardType == '*' || gScan.cardType == '-';
    std::string line = unnumbered ? "    " : RightAligned(std::to_string(gScan.statementNumber), 4);
    line += "    ";
    line += gScan.card;
    ListingLine(line);
}

[[noreturn]] void ProgramHasNoEnd() {
    ReportError("PROGRAM HAS NO END.");
    EndRun(10);
}

bool IsContinuation(char type) {
    return type == '.' || type == '+';
}

} // namespace

void ReadCards() {
    static std::string line;
    gScan.position = 0;
    gScan.cardType = '*';
    while (gScan.cardType == '*' || gScan.cardType == '-') {
        if (!Source().ReadLine(line)) ProgramHasNoEnd();
        gScan.card.assign(line, 0, std::min<std::size_t>(line.size(), kCardWidth));
        if (gScan.card.size() < static_cast<std::size_t>(kCardWidth)) gScan.card.push_back(' ');
        gScan.cardType = gScan.card[0];
        if (!IsContinuation(gScan.cardType) && gScan.cardType != '-' && gScan.cardType != '*')
            ++gScan.statementNumber;
        if (gScan.listingOn) ListCard();
        if (gScan.cardType == '-') ObeyControlCard(gScan.card);
    }
}

bool SourceExhausted() {
    return Source().AtEnd();
}

void NextChar() {
    const int length = static_cast<int>(gScan.card.size());
    if (gScan.position < length) {
        ++gScan.position;
        gScan.current = gScan.card[static_cast<std::size_t>(gScan.position - 1)];
        return;
    }
    if (gScan.endSeen) {
        if (gScan.current == '%') ProgramHasNoEnd();
        gScan.current = gScan.current == '#' ? '%' : '#';
        return;
    }
    ReadCards();
    if (IsContinuation(gScan.cardType)) {
        gScan.current = ' ';
        gScan.position = 1;
    } else {
        gScan.current = '#';
    }
}

} // namespace vantel
