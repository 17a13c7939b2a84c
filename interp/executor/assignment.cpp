// The one assignment routine: routes values into keywords, the listing and
// files, and otherwise into the variable.
#include "data/diagnostics.h"
#include "data/textfile.h"
#include "executor/code.h"
#include "executor/executor.h"

namespace vantel {

namespace {

void AssignKeyword(StringItem* variable, const Value& x) {
    const KeywordRef k = variable->value.keyword();
    if (k.isProtected) {
        ReportError("ATTEMPTED ASSIGNMENT TO PROTECTED KEYWORD");
        return;
    }
    const std::int32_t n = ToInteger(x);
    if (Exec().failure) return;
    KeywordValue(k.index) = n;
    KeywordsChanged();
}

// OUTPUT keeps a keyword's current value as a plain value, never an alias.
Value KeywordAsPlainValue(const Value& x) {
    if (x.kind() != Kind::Keyword) return x;
    if (x.keyword().index == KeywordIndex::Alphabet) return KeywordString(KeywordIndex::Alphabet);
    return Value::Integer(KeywordValue(x.keyword().index));
}

void AssignToFile(StringItem* variable, const Value& x) {
    FileItem* file = variable->value.file();
    if (file->input)
        ReportError("Attempt to assign to input file");
    else if (!file->text.IsOpen())
        ReportError("OUTPUT FILE NOT OPEN");
    else
        WriteValue(file, x);
}

} // namespace

void Assign(StringItem* variable, const Value& x) {
    if (Exec().failure || variable == nullptr) return;
    if (IsPlainVariable(variable)) {
        variable->value = x;
        return;
    }
    switch (variable->value.kind()) {
    case Kind::Keyword:
        AssignKeyword(variable, x);
        return;
    case Kind::File:
        if (variable->special != SpecialName::Output) {
            AssignToFile(variable, x);
            return;
        }
        break;
    default:
        break;
    }
    if (variable->special == SpecialName::Output) {
        WriteValue(nullptr, x);
        variable->value = KeywordAsPlainValue(x);
        return;
    }
    variable->value = x;
}

} // namespace vantel
