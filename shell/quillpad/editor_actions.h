#pragma once
// The editor window's menus: File, Edit and View with their shortcuts,
// which commands each mode allows (a listing view has nothing to save or
// run; Stop only while a run lasts), and the keyboard given back to the
// text after a menu was left with Esc. A menu added later (Debug) goes
// beside these with AddMenu.

#include <QList>
#include <QObject>

class QAction;
class QMenu;

namespace quillpad {

class EditorWindow;

class EditorActions : public QObject {
    Q_OBJECT
public:
    explicit EditorActions(EditorWindow& window);

    // Adds a menu at the end of the menu bar; its Esc gives the keyboard back.
    QMenu* AddMenu(const QString& title);
    void SetListing(bool listing);
    void SetRunning(bool running);
    // Stop also ends a debugging session.
    void SetDebugging(bool debugging);

private:
    void BuildFileMenu();
    void BuildEditMenu();
    void BuildViewMenu();
    void FillRecentMenu();
    void ChooseOpen();
    void ChooseSaveAs();
    void AskForLine();
    void GiveKeyboardBack(QMenu* menu);

    EditorWindow& window_;
    QMenu* recentMenu_ = nullptr;
    QAction* run_ = nullptr;
    QAction* stop_ = nullptr;
    bool running_ = false;
    bool debugging_ = false;
    QList<QAction*> editing_; // only where the text can change
    QList<QAction*> undo_;    // hidden in the listing view
    QList<QAction*> listing_; // only in the listing view
};

} // namespace quillpad
