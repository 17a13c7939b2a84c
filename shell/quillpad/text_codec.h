#pragma once
// Files are bytes; the editor holds text. A file is shown as UTF-8 when it
// is valid UTF-8 and otherwise byte for byte as Latin-1 (an 8-bit source
// in a Windows code page), and it is written back in the form it came in,
// line ends included, so that opening and saving never changes a byte the
// user did not edit.

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace quillpad {

enum class Encoding { Utf8, Latin1 };
enum class LineEnd { Lf, CrLf };

struct TextForm {
    Encoding encoding = Encoding::Utf8;
    LineEnd lineEnd = LineEnd::Lf;
};

struct DecodedText {
    QString text; // lines end in '\n' alone
    TextForm form;
};

DecodedText Decode(const QByteArray& bytes);
// A Latin-1 text that gained characters beyond Latin-1 is written as UTF-8
// instead of losing them; `form` then says so.
QByteArray Encode(const QString& text, TextForm& form);

// The document's text exactly as typed (QTextDocument::toPlainText would
// turn non-breaking spaces into blanks), with '\n' between the lines.
QString TextOf(const QTextDocument& document);

} // namespace quillpad
