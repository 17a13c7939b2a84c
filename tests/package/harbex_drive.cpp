// A Qt plugin that works a running harbex as a user would, for the package
// test: File/Choose answers the open dialog with $HARBEX_DRIVE_SOURCE, then
// File/Run, then, once the file $HARBEX_DRIVE_AWAIT has content (the editor has
// the listing), File/eXit. Message boxes are answered with their default
// button and written to standard error. Loaded with "-plugin harbexdrive".

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QGenericPlugin>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kTickMs = 50;
constexpr int kGiveUpMs = 60000;

QAction* FindAction(const char* name) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* action = window->findChild<QAction*>(name)) return action;
    }
    return nullptr;
}

template <typename T> T* VisibleWindow() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<T*>(window); found && found->isVisible()) return found;
    }
    return nullptr;
}

class Driver : public QObject {
public:
    Driver() {
        connect(&ticks_, &QTimer::timeout, this, [this] { Tick(); });
        ticks_.start(kTickMs);
        QTimer::singleShot(kGiveUpMs, [] {
            std::fputs("harbex_drive: gave up waiting\n", stderr);
            std::_Exit(3);
        });
    }

private:
    // Runs in every event loop, the modal ones included.
    void Tick() {
        if (auto* box = VisibleWindow<QMessageBox>()) return Answer(*box);
        if (auto* dialog = VisibleWindow<QFileDialog>()) return Answer(*dialog);
        if (!started_ && FindAction("Choose1") != nullptr && VisibleWindow<QWidget>()) {
            started_ = true;
            QTimer::singleShot(0, this, [] {
                Pick("Choose1");
                Pick("Run1");
            });
        }
        if (started_ && !ending_ && Awaited()) {
            ending_ = true;
            QTimer::singleShot(0, this, [] { Pick("eXit1"); });
        }
    }

    static void Pick(const char* item) {
        std::fprintf(stderr, "harbex_drive: %s\n", item);
        if (QAction* action = FindAction(item)) action->trigger();
    }

    static bool Awaited() {
        const char* path = std::getenv("HARBEX_DRIVE_AWAIT");
        return path == nullptr || QFileInfo(QString::fromLocal8Bit(path)).size() > 0;
    }

    static void Answer(QMessageBox& box) {
        std::fprintf(stderr, "harbex_drive: message \"%s\" (%s)\n", qPrintable(box.text()),
                     qPrintable(box.windowTitle()));
        QAbstractButton* button = box.defaultButton();
        if (button == nullptr && !box.buttons().isEmpty()) button = box.buttons().first();
        if (button != nullptr) button->click();
    }

    static void Answer(QFileDialog& dialog) {
        const char* source = std::getenv("HARBEX_DRIVE_SOURCE");
        auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
        if (source == nullptr || name == nullptr || dialog.objectName() != "OpenDialog") {
            dialog.reject();
            return;
        }
        name->setText(QString::fromLocal8Bit(source));
        static_cast<QDialog&>(dialog).accept();
    }

    QTimer ticks_;
    bool started_ = false;
    bool ending_ = false;
};

} // namespace

class HarbexDrivePlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "harbex_drive.json")

public:
    QObject* create(const QString& key, const QString&) override {
        return key == "harbexdrive" ? new Driver : nullptr; // owned by the application
    }
};

#include "harbex_drive.moc"
