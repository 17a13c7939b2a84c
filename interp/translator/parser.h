// The recursive-descent statement parser: one token of look-ahead, no
// backtracking. It reads the lexer's tokens and fills statement records.
#pragma once

#include <string_view>

#include "translator/internal_form.h"

namespace vantel {

// Parses one statement, starting at its first token, into stmt.
void ParseStatement(Stmt& stmt);

// Resolves a called name to a built-in function (None when it is none).
Primitive PrimitiveNamed(std::string_view name);

} // namespace vantel
