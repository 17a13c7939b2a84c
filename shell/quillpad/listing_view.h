#pragma once
// The listing view's ways through a vantel listing shown read-only in the
// editor: F8 and Shift+F8 from message to message (the message's card
// marked), a double click between a message and its card, Enter on a
// message or on its card for the source at the statement's line, and the
// statement of the card under the cursor. A listing opened after a run
// starts at its first message, or at its end when it has none.

#include "listing_index.h"

#include <QColor>
#include <QObject>
#include <memory>
#include <optional>

class QSyntaxHighlighter;

namespace quillpad {

class NumberedEditor;

class ListingView : public QObject {
    Q_OBJECT
public:
    static constexpr QColor kMessage{0xff, 0xdd, 0xdd};
    static constexpr QColor kChosenMessage{0xff, 0xb8, 0xb8};
    static constexpr QColor kChosenCard{0xff, 0xec, 0x99};

    explicit ListingView(NumberedEditor& editor, QObject* parent = nullptr);
    ~ListingView() override;

    // Whether the editor shows a listing: only then does the view index
    // it, colour it and take its keys.
    void SetActive(bool active);
    bool Active() const { return active_; }
    // Indexes the editor's text anew, as the listing at `path`.
    void Rebuild(const QString& path);
    void StartAtFirstMessage();
    void Step(Direction direction);
    // Asks for the source at the line of the message under the cursor (or
    // of the message about the card under it); false when there is none.
    bool OpenSourceOfMessage();
    // "Statement N" for the card (or message) on `line`; empty elsewhere.
    QString StatementText(int line) const;

signals:
    void status(const QString& text);
    void sourceRequested(const QString& source, int line);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void GoToStop(const MessageStepper::Stop& stop);
    bool FollowDoubleClick(int line);
    void ShowMarks();
    std::optional<int> MessageAt(int line) const;

    NumberedEditor& editor_;
    bool active_ = false;
    QString path_;
    ListingIndex index_;
    MessageStepper stepper_;
    std::optional<int> chosen_; // the message last stepped to
    std::unique_ptr<QSyntaxHighlighter> highlighter_;
};

} // namespace quillpad
