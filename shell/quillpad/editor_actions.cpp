#include "editor_actions.h"

#include "editor_window.h"
#include "find_bar.h"
#include "settings.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenuBar>
#include <QTimer>

namespace quillpad {
namespace {

constexpr char kOpenFilter[] = "SNOBOL4 files (*.sno);;All files (*)";

} // namespace

EditorActions::EditorActions(EditorWindow& window) : QObject(&window), window_(window) {
    BuildFileMenu();
    BuildEditMenu();
    BuildViewMenu();
    SetRunning(false);
}

QMenu* EditorActions::AddMenu(const QString& title) {
    QMenu* menu = window_.menuBar()->addMenu(title);
    GiveKeyboardBack(menu);
    return menu;
}

void EditorActions::BuildFileMenu() {
    QMenu* file = AddMenu("&File");
    file->addAction("&Open...", QKeySequence::Open, this, &EditorActions::ChooseOpen);
    recentMenu_ = file->addMenu("Open &Recent");
    connect(recentMenu_, &QMenu::aboutToShow, this, &EditorActions::FillRecentMenu);
    QAction* save = file->addAction("&Save", QKeySequence::Save, &window_, &EditorWindow::Save);
    file->addAction("Save &As...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this,
                    &EditorActions::ChooseSaveAs);
    file->addSeparator();
    run_ = file->addAction("R&un with vantel", QKeySequence(Qt::Key_F5), &window_,
                           &EditorWindow::RunWithVantel);
    stop_ = file->addAction("S&top the Run", QKeySequence(Qt::SHIFT | Qt::Key_F5), &window_,
                            &EditorWindow::StopRun);
    file->addSeparator();
    file->addAction("&Close", QKeySequence::Close, &window_, &QWidget::close);
    editing_ = {save};
}

void EditorActions::BuildEditMenu() {
    QPlainTextEdit& editor = window_.Editor();
    QMenu* edit = AddMenu("&Edit");
    QAction* undo = edit->addAction("&Undo", QKeySequence::Undo, &editor, &QPlainTextEdit::undo);
    QAction* redo = edit->addAction("&Redo", QKeySequence::Redo, &editor, &QPlainTextEdit::redo);
    QAction* undoSeparator = edit->addSeparator();
    QAction* cut = edit->addAction("Cu&t", QKeySequence::Cut, &editor, &QPlainTextEdit::cut);
    edit->addAction("&Copy", QKeySequence::Copy, &editor, &QPlainTextEdit::copy);
    QAction* paste =
        edit->addAction("&Paste", QKeySequence::Paste, &editor, &QPlainTextEdit::paste);
    edit->addSeparator();
    FindBar& find = window_.Finder();
    edit->addAction("&Find...", QKeySequence::Find, &find, &FindBar::Open);
    edit->addAction("Find &Next", QKeySequence::FindNext, &find, [&find] { find.Find(false); });
    edit->addAction("Find Pre&vious", QKeySequence::FindPrevious, &find,
                    [&find] { find.Find(true); });
    edit->addAction("&Go to Line...", QKeySequence(Qt::CTRL | Qt::Key_G), this,
                    &EditorActions::AskForLine);
    editing_ += {cut, paste};
    undo_ = {undo, redo, undoSeparator};
    connect(&editor, &QPlainTextEdit::undoAvailable, undo, &QAction::setEnabled);
    connect(&editor, &QPlainTextEdit::redoAvailable, redo, &QAction::setEnabled);
}

void EditorActions::BuildViewMenu() {
    ListingView& listing = window_.Listing();
    QMenu* view = AddMenu("&View");
    QAction* next = view->addAction("&Next Message", QKeySequence(Qt::Key_F8), &listing,
                                    [&listing] { listing.Step(Direction::Forward); });
    QAction* previous =
        view->addAction("&Previous Message", QKeySequence(Qt::SHIFT | Qt::Key_F8), &listing,
                        [&listing] { listing.Step(Direction::Backward); });
    // Enter in the listing itself does the same.
    QAction* source =
        view->addAction("&Source of Message\tEnter", &window_, &EditorWindow::OpenSourceOfMessage);
    view->addSeparator();
    view->addAction("&Larger Font", QKeySequence::ZoomIn, &window_,
                    [this] { window_.ZoomFont(1); });
    view->addAction("S&maller Font", QKeySequence::ZoomOut, &window_,
                    [this] { window_.ZoomFont(-1); });
    listing_ = {next, previous, source};
}

void EditorActions::SetListing(bool listing) {
    for (QAction* action : editing_)
        action->setEnabled(!listing);
    for (QAction* action : undo_)
        action->setVisible(!listing);
    for (QAction* action : listing_)
        action->setEnabled(listing);
    run_->setEnabled(!listing);
}

void EditorActions::SetRunning(bool running) {
    running_ = running;
    stop_->setEnabled(running_ || debugging_);
}

void EditorActions::SetDebugging(bool debugging) {
    debugging_ = debugging;
    stop_->setEnabled(running_ || debugging_);
}

void EditorActions::FillRecentMenu() {
    recentMenu_->clear();
    for (const QString& path : settings::RecentFiles()) {
        if (path == window_.File().Path()) continue;
        recentMenu_->addAction(path, &window_, [this, path] { window_.OpenInQuillpad(path); });
    }
    if (recentMenu_->isEmpty()) recentMenu_->addAction("(none)")->setEnabled(false);
}

void EditorActions::ChooseOpen() {
    const QString path = QFileDialog::getOpenFileName(
        &window_, "Open", QFileInfo(window_.File().Path()).absolutePath(), kOpenFilter);
    if (!path.isEmpty()) window_.OpenInQuillpad(path);
}

void EditorActions::ChooseSaveAs() {
    const QString path = QFileDialog::getSaveFileName(&window_, "Save As", window_.File().Path());
    if (!path.isEmpty()) window_.SaveAs(path);
}

void EditorActions::AskForLine() {
    QPlainTextEdit& editor = window_.Editor();
    bool chosen = false;
    const int line =
        QInputDialog::getInt(&window_, "Go to Line", "Line:", editor.textCursor().blockNumber() + 1,
                             1, editor.blockCount(), 1, &chosen);
    if (chosen) window_.GoToLine(line);
}

// A menu closed with Esc leaves the keyboard with the menu bar; it goes
// back to the text unless the menu's command took it elsewhere.
void EditorActions::GiveKeyboardBack(QMenu* menu) {
    connect(menu, &QMenu::aboutToHide, this, [this] {
        QTimer::singleShot(0, this, [this] {
            QWidget* focus = QApplication::focusWidget();
            if (QApplication::activePopupWidget() != nullptr) return;
            if (focus == nullptr || focus == window_.menuBar() || focus == &window_)
                window_.Editor().setFocus();
        });
    });
}

} // namespace quillpad
