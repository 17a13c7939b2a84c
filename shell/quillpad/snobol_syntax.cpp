#include "snobol_syntax.h"

namespace quillpad {
namespace {

bool IsNameCharacter(QChar c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.';
}

// The statement text from `from` on: literals, keywords and goto fields.
CardState BodyParts(QStringView card, int from, bool inGoto, std::vector<PartSpan>& parts) {
    std::vector<PartSpan> inner;
    int gotoStart = inGoto ? from : -1;
    const int size = static_cast<int>(card.size());
    auto closeGoto = [&](int end) {
        if (gotoStart >= 0 && end > gotoStart)
            parts.push_back({gotoStart, end - gotoStart, Part::Goto});
        gotoStart = -1;
    };
    int i = from;
    while (i < size) {
        const QChar c = card[i];
        if (c == '\'' || c == '"') {
            int end = i + 1;
            while (end < size && card[end] != c)
                ++end;
            end = end < size ? end + 1 : size;
            inner.push_back({i, end - i, Part::Literal});
            i = end;
        } else if (c == '&' && i + 1 < size && IsNameCharacter(card[i + 1])) {
            int end = i + 1;
            while (end < size && IsNameCharacter(card[end]))
                ++end;
            inner.push_back({i, end - i, Part::Keyword});
            i = end;
        } else if (c == ':' && gotoStart < 0) {
            gotoStart = i++;
        } else if (c == ';') {
            closeGoto(i++);
        } else {
            ++i;
        }
    }
    const bool stillInGoto = gotoStart >= 0;
    closeGoto(size);
    parts.insert(parts.end(), inner.begin(), inner.end());
    return stillInGoto ? CardState::InGoto : CardState::Statement;
}

} // namespace

std::vector<PartSpan> CardParts(QStringView card, CardState before, CardState& after) {
    std::vector<PartSpan> parts;
    after = before;
    if (before == CardState::Data || card.isEmpty()) return parts;
    const int size = static_cast<int>(card.size());
    const QChar first = card[0];
    if (first == '*') {
        parts.push_back({0, size, Part::Comment});
    } else if (first == '-') {
        parts.push_back({0, size, Part::Control});
    } else if (first == '.' || first == '+') {
        parts.push_back({0, 1, Part::Continuation});
        after = BodyParts(card, 1, before == CardState::InGoto, parts);
    } else {
        int labelEnd = 0;
        while (labelEnd < size && card[labelEnd] != ' ')
            ++labelEnd;
        if (labelEnd > 0) parts.push_back({0, labelEnd, Part::Label});
        const bool isEnd = card.first(labelEnd).compare(u"END", Qt::CaseInsensitive) == 0;
        after = isEnd ? CardState::Data : BodyParts(card, labelEnd, false, parts);
    }
    return parts;
}

} // namespace quillpad
