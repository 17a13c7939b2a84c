#include "text_codec.h"

#include <QStringDecoder>
#include <QTextDocument>
#include <algorithm>

namespace quillpad {
namespace {

// CR LF only when every line end of the file is one.
LineEnd LineEndOf(const QByteArray& bytes) {
    const qsizetype lineFeeds = bytes.count('\n');
    if (lineFeeds == 0) return LineEnd::Lf;
    return bytes.count("\r\n") == lineFeeds ? LineEnd::CrLf : LineEnd::Lf;
}

} // namespace

DecodedText Decode(const QByteArray& bytes) {
    DecodedText decoded;
    decoded.form.lineEnd = LineEndOf(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    decoded.text = utf8(bytes);
    if (utf8.hasError()) {
        decoded.form.encoding = Encoding::Latin1;
        decoded.text = QString::fromLatin1(bytes);
    }
    if (decoded.form.lineEnd == LineEnd::CrLf) decoded.text.replace("\r\n", "\n");
    return decoded;
}

QByteArray Encode(const QString& text, TextForm& form) {
    QString lines = text;
    if (form.lineEnd == LineEnd::CrLf) lines.replace('\n', "\r\n");
    if (form.encoding == Encoding::Latin1) {
        const bool fits =
            std::all_of(lines.cbegin(), lines.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
        if (fits) return lines.toLatin1();
        form.encoding = Encoding::Utf8;
    }
    QStringEncoder utf8(QStringEncoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return utf8(lines);
}

QString TextOf(const QTextDocument& document) {
    QString text = document.toRawText();
    text.replace(QChar::ParagraphSeparator, '\n');
    return text;
}

} // namespace quillpad
