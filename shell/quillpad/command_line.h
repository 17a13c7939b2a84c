#pragma once
// quillpad's command line: the words harbex builds (" /L ", " /S ", " -r "
// and a path that may have been split at its blanks) and the hand-off to
// the user's own editor named in HARBEX_EDITOR.

#include <optional>
#include <string>
#include <vector>

namespace quillpad {

enum class FontSwitch { Normal, Larger, Smaller };

struct CommandLine {
    FontSwitch font = FontSwitch::Normal;
    bool readOnly = false; // "-r": the listing view
    std::string file;      // the remaining words joined with single blanks
    int line = 0;          // "--line=N" (quillpad's own): the line to show first, from 1
    bool debug = false;    // "--debug" (quillpad's own): start debugging the file
};

// The switches may come in any order and more than once (the last font
// switch counts); every other word is part of the file name.
CommandLine ParseCommandLine(const std::vector<std::string>& words);
// The words that ask a quillpad for `line.file` with its switches: what
// ParseCommandLine reads back as `line`.
std::vector<std::string> CommandWords(const CommandLine& line);

// The program and arguments that open `file` in the editor named by the
// HARBEX_EDITOR value `editor` (split at runs of blanks, so it may carry its
// own arguments); none when the value is unset or holds only blanks.
std::optional<std::vector<std::string>> HandOffArguments(const char* editor,
                                                         const std::string& file);

// Whether the HARBEX_EDITOR program is quillpad itself, which would hand
// the file to itself for ever: by its name (quillpad, quillpad-editor), or
// by the file it resolves to (through PATH and symbolic links) being one of
// the programs in `ownFolder` (with its trailing "/").
bool IsQuillpadItself(const std::string& program, const std::string& ownFolder);

// The point size for a font switch, from the normal size of the fixed font.
int FontPointSize(FontSwitch font, int normalPointSize);

} // namespace quillpad
