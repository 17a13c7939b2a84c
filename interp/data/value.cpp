// The value record: references to shared pattern tables.
#include "data/values.h"

#include "data/pattern_table.h"

namespace vantel {

void Value::Retain() const {
    if (payload_.pattern != nullptr) ++payload_.pattern->refs;
}

void Value::Release() {
    PatternTable* table = payload_.pattern;
    kind_ = Kind::Null;
    if (table == nullptr) return;
    if (table->refs > 1) {
        --table->refs; // the common case: another value still refers to it
        return;
    }
    ReleasePatternTable(table);
}

// `other` is read whole before this value lets its pattern go, which may
// free the table `other` lives in.
void Value::AssignSharing(const Value& other) {
    const Kind kind = other.kind_;
    const Payload payload = other.payload_;
    if (kind == Kind::Pattern) other.Retain();
    if (kind_ == Kind::Pattern) Release();
    kind_ = kind;
    payload_ = payload;
}

// `other` is emptied first: when it is this value, nothing is let go.
void Value::TakeReleasing(Value& other) noexcept {
    const Kind kind = other.kind_;
    const Payload payload = other.payload_;
    other.kind_ = Kind::Null;
    if (kind_ == Kind::Pattern) Release();
    kind_ = kind;
    payload_ = payload;
}

Value Value::Pattern(PatternTable* table) {
    Value v;
    v.kind_ = Kind::Pattern;
    v.payload_.pattern = table;
    v.Retain();
    return v;
}

} // namespace vantel
