#include <string>

#include "data/diagnostics.h"
#include "data/textfile.h"
#include "translator/internal_form.h"
#include "translator/messages.h"
#include "translator/parser.h"
#include "translator/scanner.h"

namespace vantel {

void ListingSink::Message(std::string_view text, const SourceSpan&) {
    ListMessage(text);
}

namespace {

// Where the error reporter sends a translation message: to the sink, at the
// token being read (up to the character reached) or the token just read.
void PlaceMessage(std::string_view message) {
    const ScannerState& scan = Scan();
    Translation().sink->Message(message, {scan.span.from, scan.scanning ? scan.at : scan.span.to});
}

void StartTranslation() {
    EnterInitialStrings();
    RunInfo().startTime = TimeOfDayMs();
    ListingLine("\f");
    ListingLine(" SNOBOL SUBSET INTERPRETTER. VERSION 1.0");
    ReadCards();
    NextChar();
    NextToken();
}

void ParseStatements() {
    SourcePlaces& places = Translation().places;
    while (Scan().token != Token::End && RunInfo().errorCount < kMaxTranslationErrors) {
        if (TheProgram().count == kMaxStatements) {
            ReportError("TOO MANY STATEMENTS");
            places.everyStatementParsed = false;
            Stmt discarded;
            ParseStatement(discarded);
            continue;
        }
        Stmt* stmt = NewStmt();
        TheProgram().statements[static_cast<std::size_t>(++TheProgram().count)] = stmt;
        places.statements.push_back({TheProgram().count, Scan().span});
        ParseStatement(*stmt);
    }
    if (Scan().token != Token::End) places.everyStatementParsed = false;
}

// END [ label ]: the label names the statement where execution starts.
void ReadEndLabel() {
    Scan().endSeen = true;
    NextToken();
    if (Scan().token == Token::Blank) NextToken();
    if (Scan().token == Token::Identifier) {
        TheProgram().endLabel = Scan().entry;
        Translation().places.endLabel = Scan().span;
    }
}

void WriteCompileStatistics() {
    ListingLine(" COMPILATION COMPLETE. ");
    const double now = TimeOfDayMs();
    ListingLine(" COMPILATION TIME " + std::to_string(ElapsedMs(RunInfo().startTime, now)) +
                " milliseconds.");
    RunInfo().startTime = now;
}

// ---- The statement dump ------------------------------------------------------------

std::string ValueDump(const StringItem* entry) {
    if (entry == nullptr) return "No value present";
    return std::string(" \"").append(entry->name).append("\" ");
}

void DumpExpression(const Expr* e) {
    if (e == nullptr) {
        ListingWrite(" -> nil pointer ");
        return;
    }
    switch (e->kind) {
    case ExprKind::Unary:
        ListingWrite(std::string(" Unary op: ") + Letter(e->unaryOp));
        DumpExpression(e->left);
        break;
    case ExprKind::Binary:
        ListingWrite(std::string(" Binary op: ") + Letter(e->binaryOp) + " ");
        DumpExpression(e->left);
        ListingWrite(" ##  ");
        DumpExpression(e->right);
        break;
    case ExprKind::Identifier:
        ListingWrite("Identifier:" + ValueDump(e->entry));
        break;
    case ExprKind::Integer:
        ListingWrite(" Number: " + IntegerText(e->number.integer()));
        break;
    case ExprKind::Literal:
        ListingWrite(" String: " + ValueDump(e->entry));
        break;
    case ExprKind::Call:
        ListingLine(" Call function: " + ValueDump(e->entry) +
                    "  Number of arguments: " + std::to_string(e->count));
        for (int i = 0; i < e->count; ++i) {
            ListingWrite("   Arg " + std::to_string(i + 1) + " ");
            DumpExpression(e->args[static_cast<std::size_t>(i)]);
            ListingNewLine();
        }
        break;
    }
}

void DumpStatement(const Stmt& s) {
    if (s.label != nullptr) ListingWrite(std::string("[").append(s.label->name).append("]"));
    switch (s.kind) {
    case StmtKind::Assignment:
        ListingWrite(" Assign  subject: ");
        DumpExpression(s.subject);
        ListingNewLine();
        ListingWrite("     Object: ");
        DumpExpression(s.object);
        break;
    case StmtKind::Match:
        ListingWrite(" Match ");
        DumpExpression(s.subject);
        ListingNewLine();
        ListingWrite("     Pattern: ");
        DumpExpression(s.pattern);
        break;
    case StmtKind::Replacement:
        ListingWrite(" Replace  subject: ");
        DumpExpression(s.subject);
        ListingNewLine();
        ListingWrite("     Pattern: ");
        DumpExpression(s.pattern);
        ListingNewLine();
        ListingWrite("     Object: ");
        DumpExpression(s.object);
        break;
    case StmtKind::Expression:
        ListingWrite(" Expression ");
        DumpExpression(s.subject);
        break;
    case StmtKind::Empty:
        ListingWrite(" Empty ");
        break;
    }
}

void WriteStatementDump() {
    ListingLine(" Dump of statements translated ");
    for (int i = 1; i <= TheProgram().count; ++i) {
        ListingWrite(RightAligned(std::to_string(i), 2) + " ");
        DumpStatement(TheProgram().at(i));
        ListingNewLine();
    }
}

void TranslateCards(MessageSink& sink) {
    Translation().sink = &sink;
    RunInfo().translationMessage = PlaceMessage;
    StartTranslation();
    ParseStatements();
    ReadEndLabel();
    WriteCompileStatistics();
    if (RunInfo().debug) WriteStatementDump();
}

} // namespace

void Translate() {
    TranslateCards(Translation().listing);
}

bool TranslateText(std::string_view text, MessageSink& sink) {
    Translation().textCards = TextCards{text};
    RunInfo().translating = true;
    bool ended = true;
    try {
        TranslateCards(sink);
    } catch (const RunEnd&) {
        ended = false; // "PROGRAM HAS NO END."
    }
    RunInfo().translating = false;
    RunInfo().translationMessage = nullptr;
    return ended;
}

} // namespace vantel
