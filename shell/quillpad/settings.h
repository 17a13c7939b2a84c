#pragma once
// What quillpad remembers from one window to the next: the point size of
// its normal font, the files opened last and the window's geometry. Each
// value is read and written through its own functions, over the settings
// of the application "quillpad".

#include <QByteArray>
#include <QStringList>

namespace quillpad::settings {

inline constexpr int kMinFontSize = 6;  // points; smaller is not readable
inline constexpr int kMaxFontSize = 48; // points; larger leaves too few columns
inline constexpr int kRecentFiles = 8;  // the length of File/Open Recent

// The normal font's point size: the one chosen last, else `systemSize`.
int FontSize(int systemSize);
// Changes the normal size by `step` points, kept within the bounds, and
// returns the new size.
int ChangeFontSize(int step, int systemSize);

// The files opened last, the latest first.
QStringList RecentFiles();
void RememberRecent(const QString& path);

QByteArray WindowGeometry();
void SetWindowGeometry(const QByteArray& geometry);

} // namespace quillpad::settings
