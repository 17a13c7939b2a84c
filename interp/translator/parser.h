// The recursive-descent statement parser: one token of look-ahead, no
// backtracking. It reads the lexer's tokens and fills statement records.
#pragma once

#include <string_view>

#include "translator/internal_form.h"

namespace vantel {

// Parses one statement, starting at its first token, into stmt.
void ParseStatement(Stmt& stmt);

// Parses the expression that starts at the current token and runs to the
// end of its card, which ends the text (see TranslateExpression).
Expr* ParseLoneExpression();

// Resolves a called name to a built-in function (None when it is none).
Primitive PrimitiveNamed(std::string_view name);

} // namespace vantel
