// The conversions between value kinds: text to integer, values to strings,
// integers and patterns.
#include <cstdint>
#include <limits>

#include "data/diagnostics.h"
#include "data/textfile.h"
#include "executor/executor.h"
#include "executor/integer_rules.h"

namespace vantel {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseHex(std::string_view digits, std::int32_t& out) {
    if (digits.empty() || digits.size() > 8) return false;
    std::uint32_t value = 0;
    for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        value = value * 16u + static_cast<std::uint32_t>(d);
    }
    out = Wrap(value);
    return true;
}

bool ParseDecimal(std::string_view text, std::int32_t& out) {
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > std::int64_t{1} << 31) return false;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max()) return false;
    out = static_cast<std::int32_t>(value);
    return true;
}

} // namespace

// Leading blanks, then a signed decimal number, or without a sign one of the
// prefixes $ x X 0x 0X and 1 to 8 hexadecimal digits (a 32-bit pattern).
bool TextToInteger(std::string_view text, std::int32_t& out) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (text.empty()) return false;
    if (text[0] == '$' || text[0] == 'x' || text[0] == 'X') return ParseHex(text.substr(1), out);
    if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return ParseHex(text.substr(2), out);
    return ParseDecimal(text, out);
}

namespace {

std::string_view EntryText(const Value& v) {
    return v.IsNull() ? std::string_view() : std::string_view(v.string()->name);
}

} // namespace

Value KeywordString(KeywordIndex k) {
    if (k == KeywordIndex::Alphabet) return InternString(AlphabetText());
    char buffer[16];
    return InternString(FormatInteger(KeywordValue(k), buffer));
}

Value ToStringValue(const Value& v) {
    if (Exec().failure) return Value();
    switch (v.kind()) {
    case Kind::Null:
    case Kind::String:
        return v;
    case Kind::Integer:
        return InternInteger(v.integer());
    case Kind::Keyword:
        return KeywordString(v.keyword().index);
    case Kind::Pattern:
        ReportError("PATTERN VALUE WHERE STRING REQUIRED");
        return Value();
    case Kind::File:
        if (!v.file()->input) {
            ReportError("Attempt to read from output file");
            return Value();
        }
        {
            Value line;
            if (!ReadFileLine(v.file(), line)) return Fail();
            return line;
        }
    }
    return Value();
}

std::string_view ConvertedText(const Value& v) {
    return EntryText(ToStringValue(v));
}

std::int32_t ToInteger(const Value& v) {
    if (Exec().failure) return 0;
    std::int32_t n = 0;
    switch (v.kind()) {
    case Kind::Null:
        return 0;
    case Kind::Integer:
        return v.integer();
    case Kind::String:
        if (!TextToInteger(v.string()->name, n)) ReportError("STRING NOT CONVERTIBLE TO INTEGER");
        return n;
    case Kind::Pattern:
        ReportError("PATTERN VALUE WHERE INTEGER REQUIRED");
        return 0;
    case Kind::Keyword:
        if (v.keyword().index == KeywordIndex::Alphabet)
            ReportError("&ALPHABET CAN NOT BE MADE AN INTEGER");
        return KeywordValue(v.keyword().index);
    case Kind::File: {
        if (!v.file()->input) {
            ReportError("Attempt to read an output file");
            return 0;
        }
        Value line;
        const bool read = ReadFileLine(v.file(), line);
        if (!read && v.file()->text.Failed()) ReportError("I/O error, unable to read number.");
        if (!TextToInteger(EntryText(line), n))
            ReportError("STRING FROM INPUT FILE NOT CONVERTIBLE TO INTEGER");
        return n;
    }
    }
    return 0;
}

} // namespace vantel
