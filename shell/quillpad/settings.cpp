#include "settings.h"

#include <QSettings>
#include <algorithm>

namespace quillpad::settings {
namespace {

QSettings Store() {
    return QSettings("quillpad", "quillpad");
}

const QString kFontSize = "fontSize";
const QString kRecent = "recentFiles";
const QString kGeometry = "geometry";

} // namespace

int FontSize(int systemSize) {
    return std::clamp(Store().value(kFontSize, systemSize).toInt(), kMinFontSize, kMaxFontSize);
}

int ChangeFontSize(int step, int systemSize) {
    const int size = std::clamp(FontSize(systemSize) + step, kMinFontSize, kMaxFontSize);
    Store().setValue(kFontSize, size);
    return size;
}

QStringList RecentFiles() {
    return Store().value(kRecent).toStringList();
}

void RememberRecent(const QString& path) {
    QStringList recent = RecentFiles();
    recent.removeAll(path);
    recent.prepend(path);
    while (recent.size() > kRecentFiles)
        recent.removeLast();
    Store().setValue(kRecent, recent);
}

QByteArray WindowGeometry() {
    return Store().value(kGeometry).toByteArray();
}

void SetWindowGeometry(const QByteArray& geometry) {
    Store().setValue(kGeometry, geometry);
}

} // namespace quillpad::settings
