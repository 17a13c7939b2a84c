#include <string_view>

#include "data/diagnostics.h"
#include "data/limits.h"
#include "data/textfile.h"
#include "translator/scanner.h"

namespace vantel {

namespace {

constexpr char kFormFeed = '\f';

bool StartsWith(std::string_view text, std::string_view word) {
    return text.substr(0, word.size()) == word;
}

void ObeyControlCard(std::string_view card) {
    const std::string_view word = card.substr(1);
    if (StartsWith(word, "LIST"))
        Scan().listingOn = true;
    else if (StartsWith(word, "UNLIST"))
        Scan().listingOn = false;
    else if (StartsWith(word, "EJECT"))
        ListingLine(std::string_view(&kFormFeed, 1));
    else if (StartsWith(word, "DEBUG"))
        RunInfo().debug = true;
}

void ListCard() {
    const bool unnumbered = Scan().cardType == '*' || Scan().cardType == '-';
    std::string line =
        unnumbered ? "    " : RightAligned(std::to_string(Scan().statementNumber), 4);
    line += "    ";
    line += Scan().card;
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
    // Scratch, reused by every card and run; nothing is kept in it.
    static std::string line;
    Scan().position = 0;
    Scan().cardType = '*';
    while (Scan().cardType == '*' || Scan().cardType == '-') {
        if (!Source().ReadLine(line)) ProgramHasNoEnd();
        ++Scan().cardLine;
        Scan().card.assign(line, 0, std::min<std::size_t>(line.size(), kCardWidth));
        if (Scan().card.size() < static_cast<std::size_t>(kCardWidth)) Scan().card.push_back(' ');
        Scan().cardType = Scan().card[0];
        Translation().cardTypes.push_back(Scan().cardType);
        if (!IsContinuation(Scan().cardType) && Scan().cardType != '-' && Scan().cardType != '*')
            ++Scan().statementNumber;
        if (Scan().listingOn) ListCard();
        if (Scan().cardType == '-') ObeyControlCard(Scan().card);
    }
}

bool SourceExhausted() {
    return Source().AtEnd();
}

void NextChar() {
    const int length = static_cast<int>(Scan().card.size());
    if (Scan().position < length) {
        ++Scan().position;
        Scan().current = Scan().card[static_cast<std::size_t>(Scan().position - 1)];
        return;
    }
    if (Scan().endSeen) {
        if (Scan().current == '%') ProgramHasNoEnd();
        Scan().current = Scan().current == '#' ? '%' : '#';
        return;
    }
    ReadCards();
    if (IsContinuation(Scan().cardType)) {
        Scan().current = ' ';
        Scan().position = 1;
    } else {
        Scan().current = '#';
    }
}

} // namespace vantel
