// Input and output: reading lines into variables, writing output lines, and
// attaching variables to files with the INPUT and OUTPUT functions.
#include <string>

#include "data/diagnostics.h"
#include "data/textfile.h"
#include "executor/executor.h"

namespace vantel {

namespace {

bool ReadInto(TextFile& file, StringItem* variable) {
    if (!file.ReadLine(Exec().line)) {
        Exec().failure = true;
        return false;
    }
    std::string_view text = Exec().line;
    if (KeywordValue(KeywordIndex::Trim) != 0) text = TrimTrailingBlanks(text);
    Assign(variable, InternString(text));
    return true;
}

// Writes one piece of an output line to a file or, for nullptr, the listing.
void Emit(FileItem* file, std::string_view text) {
    if (file == nullptr)
        ListingWrite(text, ListingPart::Output);
    else if (!file->text.Write(text))
        ReportError("I/O Error");
}

void AppendKeywordText(KeywordRef k) {
    Exec().line.append(ToText(KeywordString(k.index)));
}

// Copies the next line of an input file after the blank already written.
void CopyInputLine(FileItem* target, FileItem* source) {
    Emit(target, " ");
    if (!source->text.ReadLine(Exec().line)) {
        if (source->text.Failed()) ReportError("I/O Error");
        Exec().failure = true; // the line stays open after its blank
        return;
    }
    Exec().line.push_back('\n');
    Emit(target, Exec().line);
}

} // namespace

bool ReadLineInto(FileItem* file, StringItem* variable) {
    if (Exec().failure) return false;
    return ReadInto(file->text, variable);
}

bool ReadStandardInput(StringItem* variable) {
    if (Exec().failure) return false;
    return ReadInto(Source(), variable);
}

bool ReadFileLine(FileItem* file, Value& line) {
    if (!file->text.ReadLine(Exec().line)) return false;
    line = InternString(Exec().line);
    return true;
}

void WriteValue(FileItem* file, const Value& x) {
    switch (x.kind()) {
    case Kind::Null:
        Emit(file, "\n");
        return;
    case Kind::Pattern:
        Emit(file, " ");
        ReportError("ATTEMPT TO OUTPUT PATTERN");
        return;
    case Kind::File:
        if (x.file()->input)
            CopyInputLine(file, x.file());
        else {
            Emit(file, " ");
            ReportError("Attempt to write from output file");
        }
        return;
    case Kind::Integer: {
        char buffer[16];
        Exec().line = ' ';
        Exec().line.append(FormatInteger(x.integer(), buffer));
        break;
    }
    case Kind::String:
        Exec().line = ' ';
        Exec().line.append(x.string()->name);
        break;
    case Kind::Keyword:
        Exec().line = ' ';
        AppendKeywordText(x.keyword());
        break;
    }
    Exec().line.push_back('\n');
    Emit(file, Exec().line);
}

void Associate(const Value& name, const Value& file, bool asInput) {
    if (name.IsNull()) {
        ReportError("Invalid file association.");
        return;
    }
    if (name.kind() != Kind::String) {
        ReportError("File association needs string for variable name.");
        return;
    }
    StringItem* variable =
        LookupOrEnter(UpperCased(name.string()->name.substr(0, kAssociationNameLength)));
    if (variable == nullptr) return;
    if (file.kind() != Kind::String) {
        variable->value = Value::File(UnopenedAssociation(asInput));
        ReportError("File association requires the DOS file name");
        return;
    }
    // A file that does not open (no such file, or no descriptor left) makes
    // the call fail; the variable holds a file value all the same.
    FileItem* item = OpenAssociation(std::string(file.string()->name), asInput);
    variable->value = Value::File(item != nullptr ? item : UnopenedAssociation(asInput));
    if (item == nullptr) Exec().failure = true;
}

} // namespace vantel
