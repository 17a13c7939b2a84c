#include <string_view>

#include "data/diagnostics.h"
#include "data/limits.h"
#include "data/textfile.h"
#include "translator/scanner.h"
#include "translator/source_text.h"

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
    Translation().places.everyStatementParsed = false;
    ReportError("PROGRAM HAS NO END.");
    EndRun(10);
}

bool IsContinuation(char type) {
    return type == '.' || type == '+';
}

bool ReadTextLine(TextCards& cards, std::string& line) {
    line.clear();
    if (cards.next >= cards.text.size()) return false;
    line.assign(LineAt(cards.text, cards.next));
    return true;
}

bool ReadLine(std::string& line) {
    auto& cards = Translation().textCards;
    return cards ? ReadTextLine(*cards, line) : Source().ReadLine(line);
}

// The place of a marker: just after the card it ends.
SourcePlace AfterCard() {
    return {Scan().cardLine, static_cast<int>(Scan().card.size()) + 1};
}

} // namespace

std::string_view LineAt(std::string_view text, std::size_t& offset) {
    const std::size_t feed = text.find('\n', offset);
    const std::size_t end = feed == std::string_view::npos ? text.size() : feed;
    std::string_view line = text.substr(offset, end - offset);
    offset = feed == std::string_view::npos ? text.size() : feed + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

void ReadCards() {
    std::string& line = Translation().line;
    Scan().position = 0;
    Scan().cardType = '*';
    while (Scan().cardType == '*' || Scan().cardType == '-') {
        if (!ReadLine(line)) ProgramHasNoEnd();
        ++Scan().cardLine;
        Scan().card.assign(line, 0, std::min<std::size_t>(line.size(), kCardWidth));
        if (Scan().card.size() < static_cast<std::size_t>(kCardWidth)) Scan().card.push_back(' ');
        Scan().cardType = Scan().card[0];
        if (!IsContinuation(Scan().cardType) && Scan().cardType != '-' && Scan().cardType != '*')
            ++Scan().statementNumber;
        if (Scan().listingOn) ListCard();
        if (Scan().cardType == '-') ObeyControlCard(Scan().card);
    }
}

bool SourceExhausted() {
    const auto& cards = Translation().textCards;
    return cards ? cards->next >= cards->text.size() : Source().AtEnd();
}

void NextChar() {
    ScannerState& scan = Scan();
    const int length = static_cast<int>(scan.card.size());
    if (scan.position < length) {
        ++scan.position;
        scan.current = scan.card[static_cast<std::size_t>(scan.position - 1)];
        scan.at = {scan.cardLine, scan.position};
        return;
    }
    if (scan.endSeen) {
        if (scan.current == '%') ProgramHasNoEnd();
        scan.current = scan.current == '#' ? '%' : '#';
        scan.at = AfterCard();
        return;
    }
    const SourcePlace endOfCard = AfterCard();
    ReadCards();
    if (IsContinuation(scan.cardType)) {
        scan.current = ' ';
        scan.position = 1;
        scan.at = {scan.cardLine, 1};
    } else {
        scan.current = '#';
        scan.at = endOfCard;
    }
}

} // namespace vantel
