#pragma once
// quillpad's one window: a file in the numbered editor, or a listing in the
// read-only listing view. The window puts its parts together and holds the
// policy that asks the user: what the file holds and may become is the
// Document's, the disk is watched by DiskWatch, an F5 run is a VantelRun,
// the listing's ways are the ListingView's, the questions that keep the
// user's work are the DocumentKeeper's, the menus are EditorActions, the
// debugger (its menu, breakpoints and panes) is the DebugControl's.

#include "disk_watch.h"
#include "document.h"
#include "document_keeper.h"
#include "listing_view.h"
#include "numbered_editor.h"
#include "questions.h"
#include "run_control.h"
#include "single_instance.h"

#include <QMainWindow>
#include <memory>

class QLabel;
class QSyntaxHighlighter;

namespace quillpad {

class AnalysisView;
class DebugControl;
class EditorActions;
class FindBar;

// How long the status bar shows a message: a confirmation is read at a
// glance; a result or a problem, often with a path, takes longer.
inline constexpr int kBriefStatusMs = 4000;
inline constexpr int kStatusMs = 6000;

class EditorWindow : public QMainWindow {
    Q_OBJECT
public:
    // Room for about 80 columns and 30 lines of the usual fixed font.
    static constexpr QSize kDefaultSize{760, 560};

    explicit EditorWindow(const OpenRequest& request);
    ~EditorWindow() override;

    // A later quillpad asked for this file: take its switches, reload the
    // file when it changed (asking first when there are unsaved changes),
    // go to its line and come forward.
    void Reopen(const OpenRequest& request);
    // Asked to end (SIGTERM, or an end request): unsaved changes go to the
    // recovery file, and the window closes without asking. When they cannot
    // be kept, the window stays, says so, and the result is false.
    bool EndOnRequest();
    // A save or end request from another program (harbex before a run).
    EditorReply Answer(const EditorRequest& request);

    // The commands of the menus.
    bool Save();
    bool SaveAs(const QString& path);
    void GoToLine(int line); // from 1, kept within the text
    void RunWithVantel();    // F5: saves, runs vantel on the file, shows its listing
    void StopRun();          // Shift+F5
    bool OpenSourceOfMessage();
    void ZoomFont(int step);
    // Another file gets a quillpad window of its own (the one that has it
    // open already, if any), so that each file keeps one window.
    void OpenInQuillpad(const QString& path, bool readOnly = false, int line = 0);

    NumberedEditor& Editor() const { return *editor_; }
    Document& File() { return *document_; }
    const VantelRun& Run() const { return run_->Run(); }
    ListingView& Listing() { return *listing_; }
    FindBar& Finder() { return *findBar_; }
    AnalysisView& Analysis() { return *analysis_; }
    DebugControl& Debugger() { return *debug_; }

signals:
    // Save As gave the window another file.
    void fileChanged(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateParts(const QString& path);
    void CreateStatusBar();
    void ConnectParts();
    void ApplySwitches(FontSwitch font, bool readOnly);
    void ApplyFont();
    void Load(const QString& verb, int line = 0);
    void ShowLoadNotice();
    void CheckDisk();
    void ReloadKeepingView();
    void RunEnded(const RunReport& report, const RunEnd& end);
    void ShowNotice(const QString& text);
    void ShowStatus(const QString& text, int ms = kStatusMs);
    void UpdateTitle();
    void UpdatePosition();
    void ComeForward();
    QString Path() const { return document_->Path(); }
    QString Name() const { return document_->Name(); }

    FontSwitch font_ = FontSwitch::Normal;

    NumberedEditor* editor_ = nullptr; // owned by the window, as the widgets below
    QLabel* notice_ = nullptr;
    QLabel* statement_ = nullptr;
    QLabel* position_ = nullptr;
    FindBar* findBar_ = nullptr;
    std::unique_ptr<Document> document_;
    std::unique_ptr<DocumentKeeper> keeper_;
    std::unique_ptr<ListingView> listing_;
    std::unique_ptr<QSyntaxHighlighter> sourceColours_;
    std::unique_ptr<DiskWatch> diskWatch_;
    std::unique_ptr<RunControl> run_;
    std::unique_ptr<EditorActions> actions_;
    std::unique_ptr<AnalysisView> analysis_;
    std::unique_ptr<DebugControl> debug_;
};

} // namespace quillpad
