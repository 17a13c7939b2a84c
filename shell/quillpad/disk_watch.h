#pragma once
// Watches the edited file and its folder on disk, and tells of a change
// once it has settled: a program that writes the file in steps, or
// replaces it by rename, is seen once, after it is done.

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace quillpad {

class DiskWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kSettleMs = 250; // quiet this long before a change is told

    explicit DiskWatch(QObject* parent = nullptr);
    // Watches `path` (also once it exists again, after a delete or a
    // replace by rename) and its folder; a path watched before is dropped.
    void Watch(const QString& path);
    // Watches the file again: a replace by rename ends the watch of the old file.
    void Renew();

signals:
    void changed();

private:
    QFileSystemWatcher watcher_;
    QTimer settle_;
    QString path_;
};

} // namespace quillpad
