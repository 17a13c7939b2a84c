#pragma once
// TMainForm: the shell's main window. Creates, chooses, edits and runs a
// source file; its menus and window events are bound by name in
// main_form.ui.

#include "launcher/process_execute.h"
#include "launcher/run_pipeline.h"
#include "options/general_option.h"
#include "registry.h"
#include "tform.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QFileDialog;
class QSettings;
class QSocketNotifier;

namespace Ui {
class TMainForm;
}

namespace harbex {

class ProcessWatch;

// The text that New writes into a new source file.
inline constexpr char kNewFileTemplate[] =
    "* A SNOBOL4 Program\n* program goes here\n\nEND\nData goes here\n";

class TMainForm : public TForm {
    Q_OBJECT

public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // The executable whose folder holds the programs the shell starts;
    // normally the running one.
    void SetExecutablePath(std::string path) { executablePath_ = std::move(path); }

    // Read access for the windows that cooperate with this one.
    bool IsSubsetMode() const { return SubsetMode; }
    const std::string& CurrentSource() const { return SourceFile; }
    const std::string& RememberedFolder() const { return CurrentDir; }
    const std::string& EditorCommandLine() const { return EditorCommand; }
    const std::string& ProcessorFolder() const { return ProcessorDir; }
    bool LargerFontChosen() const { return LargerFont; }
    bool SmallerFontChosen() const { return SmallerFont; }
    // A run is waiting for its processor.
    bool IsRunning() const { return runningWatch_ != nullptr; }

    // Where the window keeps its own settings (its geometry).
    static QSettings& WindowSettings();

    // The handlers keep the names the layout binds them by.
public slots:
    void Activator(); // every activation; the first one reads the settings
    void ShutDown();  // the window's end: writes the option file
    void Sizing();    // every resize: the memo fills the window
    void RunIt();     // File/Run: runs the source and opens its listing
    void NewFile();   // File/New: a source from the template
    void ChooseFile();
    void EditClick();      // File/Edit: the source in the editor
    void DebugIt();        // File/Debug: quillpad debugs the source
    void eXit1Click();     // File/eXit: closes the window
    void Opt_Call();       // Options/Run Options: shows the options dialog
    void FontMenuClick();  // Options/Larger: editors from now on get the larger font
    void SetFontSmaller(); // Options/Smaller: ... the smaller font
    void DoDebug();        // Options/Debug, never shown: does nothing
    void About1Click();    // Help/About: shows the About window

protected:
    // During a run, closing asks first whether to stop the run; the window
    // then closes once the processor has ended.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusMemoIfLost();
    bool saveBeforeRun(const std::string& source);
    void rememberEditor(ProcessHandle editor, const std::string& file);
    void endEditorsPolitely();
    void showOver(QWidget& window);
    void rememberFolderOf(const std::string& source);
    void createLayout();
    void placeFirstTime();
    void assignShortcuts();
    void logProcessor(bool chosenForAFirstStart);
    void reportListing(const RunResult& result);
    void createFileDialogs();
    void readToolPaths();
    void openSettingsKey();
    void prepareFileDialogs();
    void readCurrentDir();
    void LoadOptions();
    void enableSourceCommands();
    void log(const QString& line);
    RunRequest runRequest() const;
    void waitForProcessor(ProcessHandle child);
    void reportRunOutcome(const RunResult& result, const RunRequest& request);
    void watchChild(ProcessHandle child);
    void unwatchChild(ProcessHandle child);
    void noticeChildEnd(ProcessHandle child, std::optional<int> status);

    std::unique_ptr<Ui::TMainForm> ui;
    // The end of each child that runs on after its launch (the editors) is
    // noticed here, so that it is reaped at once. Declared before Launcher,
    // which reports to it until its own end.
    std::map<ProcessHandle, QSocketNotifier*> childWatches_; // owned by this window
    // The file each editor that still runs was started on.
    std::map<ProcessHandle, std::string> editorFiles_;
    ProcessWatch* runningWatch_ = nullptr; // the run being waited for
    bool closeAfterRun_ = false;
    QFileDialog* OpenDialog = nullptr;  // owned by this window
    QFileDialog* SaveDialog1 = nullptr; // owned by this window
    std::string executablePath_;

    std::vector<GeneralOption> OptionRecords;
    std::string ProgramDir;
    std::string SourceFile;
    std::string EditorCommand;
    std::string ProcessorDir;
    std::string CurrentDir;
    ProcessExecute Launcher;
    bool LargerFont = false;
    bool SmallerFont = false;
    std::unique_ptr<RegistryKey> SettingsKey;
    bool SubsetMode = false;
};

} // namespace harbex
