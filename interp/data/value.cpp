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

Value Value::Pattern(PatternTable* table) {
    Value v;
    v.kind_ = Kind::Pattern;
    v.payload_.pattern = table;
    v.Retain();
    return v;
}

} // namespace vantel
