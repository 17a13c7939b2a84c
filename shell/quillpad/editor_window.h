#pragma once
// quillpad's one window: a file in a monospaced editor, or a listing in
// the read-only listing view.

#include "listing_index.h"
#include "single_instance.h"
#include "text_codec.h"

#include <QFileSystemWatcher>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSyntaxHighlighter;
class QToolBar;

namespace quillpad {

// Every question quillpad asks goes through one replaceable function, so
// that tests can answer them.
using AskFunction = std::function<QMessageBox::StandardButton(
    QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons)>;
void SetAskFunction(AskFunction ask);

class EditorWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit EditorWindow(const OpenRequest& request);
    ~EditorWindow() override;

    // A later quillpad asked for this file: take its switches, reload the
    // file (asking first when there are unsaved changes) and come forward.
    void Reopen(const OpenRequest& request);
    // Asked to end (SIGTERM, or an end request): unsaved changes go to the
    // recovery file, and the window closes without asking. When they cannot
    // be kept, the window stays, says so, and the result is false.
    bool EndOnRequest();
    // A save or end request from another program (harbex before a run).
    EditorReply Answer(const EditorRequest& request);
    bool Save();

    QPlainTextEdit& Editor() const { return *editor_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    void BuildFindBar();
    void ApplySwitches(FontSwitch font, bool readOnly);
    void Load();
    void ShowBytes(const QByteArray& bytes);
    void OfferRecovery();
    void CheckDisk();
    void WatchFile();
    bool SaveQuietly(QString& error);
    bool KeepUnsaved(QString& error);
    void ShowNotice(const QString& text);
    void UpdateTitle();
    void UpdatePosition();
    void UpdateSelections();
    void StepMessage(Direction direction);
    bool FollowDoubleClick(int line);
    void GoToStop(const MessageStepper::Stop& stop);
    void Find(bool backward);
    QMessageBox::StandardButton Ask(const QString& text, QMessageBox::StandardButtons buttons);
    QString Name() const;

    QString path_;
    FontSwitch font_ = FontSwitch::Normal;
    bool readOnly_ = false;
    bool unreadable_ = false;             // exists but cannot be read: never overwritten
    bool ending_ = false;                 // asked to end: no more questions
    std::optional<QByteArray> diskBytes_; // what the file held when last read or saved
    TextForm form_;
    ListingIndex index_;
    MessageStepper stepper_;
    std::optional<int> marked_; // the message last stepped to

    QPlainTextEdit* editor_ = nullptr;
    QLabel* notice_ = nullptr;
    QLabel* statement_ = nullptr;
    QLabel* position_ = nullptr;
    QToolBar* findBar_ = nullptr;
    QLineEdit* findText_ = nullptr;
    QList<QAction*> editingActions_;
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
    QList<QAction*> listingActions_;
    std::unique_ptr<QSyntaxHighlighter> highlighter_;
    QFileSystemWatcher watcher_;
    QTimer diskCheck_;
};

} // namespace quillpad
