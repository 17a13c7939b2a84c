#pragma once
// The analysis of the source as the user sees it: translation messages
// underlined as they are typed (errors red, warnings amber, each message
// in the status bar while the cursor is on it), tooltips that explain the
// word under the mouse, and the Go menu: Go to Definition (F12), Find
// References (Shift+F12), the Outline (Ctrl+Shift+O) and the tooltip for
// the word at the cursor (Ctrl+K Ctrl+I), for the keyboard. What is known
// and where it is comes from the AnalysisSession; this only shows it.

#include "analysis_session.h"

#include <QColor>
#include <QObject>
#include <functional>

class QMenu;
class QAction;
class QStatusBar;

namespace quillpad {

class NumberedEditor;
class PickList;

class AnalysisView : public QObject {
    Q_OBJECT
public:
    static constexpr QColor kError{0xd0, 0x1f, 0x1f};
    static constexpr QColor kWarning{0xc8, 0x8a, 0x00};
    static constexpr QColor kEmptyLineError{0xfb, 0xe3, 0xe3};
    static constexpr QColor kEmptyLineWarning{0xfb, 0xf0, 0xd4};
    inline static const QString kLayer = "analysis";

    AnalysisView(NumberedEditor& editor, std::function<Encoding()> fileEncoding, QMenu& menu,
                 QStatusBar& status);

    // Only a source is analysed; a listing view is not.
    void SetActive(bool active);
    AnalysisSession& Session() { return session_; }

    // The menu's commands, at the cursor.
    void GoToDefinition();
    void ShowReferences();
    void ShowOutline();
    void ShowExplanation();
    // The list last opened by References or Outline, while it is open.
    PickList* List() const { return list_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowUnderlines();
    void ShowMessageAtCursor();
    void HideKeyboardTip();
    void ShowTooltip(const QPoint& at, const QPoint& global);
    void ShowTooltip(const TextPlace& place, const QPoint& global, const QRect& area);
    void Select(const TextRange& range);
    void Say(const QString& text);
    void OpenList(const QString& title, const QStringList& headers, const QList<QStringList>& rows,
                  std::function<void(int)> chosen);
    TextPlace CursorPlace() const;
    // Runs `command` with the analysis of the text as it stands, if the
    // cursor is still where it was when the command was given.
    void AtCursor(const std::function<void(const TextPlace&)>& command);

    NumberedEditor& editor_;
    AnalysisSession session_;
    QStatusBar& status_;
    QList<QAction*> actions_;
    QString shownMessage_;     // the status bar's message that is ours
    bool keyboardTip_ = false; // a tooltip shown for the cursor, which a key or a move hides
    PickList* list_ = nullptr;
};

} // namespace quillpad
