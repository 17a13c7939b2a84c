#include "disk_watch.h"

#include <QFileInfo>

namespace quillpad {

DiskWatch::DiskWatch(QObject* parent) : QObject(parent) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] {
        Renew();
        emit changed();
    });
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { settle_.start(); });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { settle_.start(); });
}

void DiskWatch::Watch(const QString& path) {
    if (path != path_) {
        if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
        if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
        path_ = path;
    }
    Renew();
}

void DiskWatch::Renew() {
    const QString folder = QFileInfo(path_).absolutePath();
    if (!watcher_.directories().contains(folder)) watcher_.addPath(folder);
    if (QFileInfo::exists(path_) && !watcher_.files().contains(path_)) watcher_.addPath(path_);
}

} // namespace quillpad
