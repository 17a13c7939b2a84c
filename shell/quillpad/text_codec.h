#pragma once
// Files are bytes; the editor holds text. A file is shown as UTF-8 when it
// is valid UTF-8 and otherwise byte for byte as Latin-1 (an 8-bit source
// in a Windows code page), and it is written back in the form it came in,
// so that opening and saving never changes a byte the user did not edit:
// every line keeps its own line end (LF, CR LF or a lone CR, mixed as they
// may be), and only lines that were edited or added take the file's usual
// line end.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

class QTextDocument;

namespace quillpad {

enum class Encoding { Utf8, Latin1 };
enum class LineEnd { None, Lf, CrLf, Cr };

struct TextForm {
    Encoding encoding = Encoding::Utf8;
    LineEnd usual = LineEnd::Lf; // the most common line end, LF when there is none
    QStringList lines;           // the lines last read or written, without their ends
    std::vector<LineEnd> ends;   // the end of each of them (None for the last)
};

struct DecodedText {
    QString text; // lines end in '\n' alone
    TextForm form;
};

DecodedText Decode(const QByteArray& bytes);
// The bytes of `text` in `form`; `form` then describes what was written. A
// Latin-1 text that gained characters beyond Latin-1 is written as UTF-8
// instead of losing them; `form` then says so.
QByteArray Encode(const QString& text, TextForm& form);

// The line ends that `lines` take: a line equal to one of `form`'s, in the
// same order (a longest common run of lines), keeps that line's end; other
// lines get the usual one. The last line has none.
std::vector<LineEnd> LineEndsFor(const QStringList& lines, const TextForm& form);

// The document's text exactly as typed (QTextDocument::toPlainText would
// turn non-breaking spaces into blanks), with '\n' between the lines.
QString TextOf(const QTextDocument& document);

} // namespace quillpad
