#pragma once
// quillpad's one window: a file in a monospaced editor with line numbers,
// or a listing in the read-only listing view. What the file holds and may
// become is the Document's; the window shows it and asks the questions.

#include "document.h"
#include "listing_index.h"
#include "numbered_editor.h"
#include "single_instance.h"

#include <QFileSystemWatcher>
#include <QMainWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QMenu;
class QSyntaxHighlighter;
class QToolBar;

namespace quillpad {

// Every question quillpad asks goes through one replaceable function, so
// that tests can answer them. `keeping` is the default answer: the one
// that throws no work away.
using AskFunction = std::function<QMessageBox::StandardButton(QWidget* parent, const QString& text,
                                                              QMessageBox::StandardButtons buttons,
                                                              QMessageBox::StandardButton keeping)>;
void SetAskFunction(AskFunction ask);
// Where quillpad finds vantel and its own window program (tests put
// stand-ins there); by default the folder of the running program.
void SetProgramFolder(const QString& folder);
QString ProgramFolder();

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
    bool SaveAs(const QString& path);
    // Puts the cursor on `line` (from 1, kept within the text).
    void GoToLine(int line);
    // F5: saves, runs vantel on the file and shows its listing.
    void RunWithVantel();
    // Enter in the listing view: the source at the line of the message
    // under the cursor, in a quillpad window of its own.
    bool OpenSourceOfMessage();

    QPlainTextEdit& Editor() const { return *editor_; }
    Document& File() { return *document_; }
    const QProcess& Run() const { return run_; }

signals:
    // Save As gave the window another file.
    void fileChanged(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    QMenu* BuildFileMenu();
    void BuildEditMenu();
    void BuildViewMenu();
    void BuildFindBar();
    void ReturnFocusAfterMenus();
    void ApplySwitches(FontSwitch font, bool readOnly);
    void ApplyFont();
    void Load();
    void ShowLoaded();
    void OfferRecovery();
    void CheckDisk();
    void ReloadKeepingView();
    void WatchFile();
    void ShowNotice(const QString& text);
    void UpdateTitle();
    void UpdatePosition();
    void UpdateSelections();
    void RebuildIndex();
    void StepMessage(Direction direction);
    bool FollowDoubleClick(int line);
    void GoToStop(const MessageStepper::Stop& stop);
    void Find(bool backward);
    void ChooseSaveAs();
    void ChooseOpen();
    void OpenInQuillpad(const QString& path, const QStringList& switches = {});
    void RememberRecent(const QString& path);
    void FillRecentMenu();
    void RunEnded(int exitCode, QProcess::ExitStatus status);
    void ZoomFont(int step);
    QMessageBox::StandardButton Ask(const QString& text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton keeping);
    QString Path() const { return document_->Path(); }
    QString Name() const { return document_->Name(); }

    FontSwitch font_ = FontSwitch::Normal;
    bool ending_ = false; // asked to end: no more questions
    int pendingLine_ = 0; // a line to show once the file is loaded
    ListingIndex index_;
    MessageStepper stepper_;
    std::optional<int> marked_; // the message last stepped to

    NumberedEditor* editor_ = nullptr;
    std::unique_ptr<Document> document_;
    QLabel* notice_ = nullptr;
    QLabel* statement_ = nullptr;
    QLabel* position_ = nullptr;
    QToolBar* findBar_ = nullptr;
    QLineEdit* findText_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QList<QAction*> editingActions_;
    QList<QAction*> undoActions_;
    QList<QAction*> listingActions_;
    std::unique_ptr<QSyntaxHighlighter> highlighter_;
    QFileSystemWatcher watcher_;
    QTimer diskCheck_;
    QProcess run_;
    QString runListing_;
};

} // namespace quillpad
