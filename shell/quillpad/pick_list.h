#pragma once
// A small list to choose from, over the top of the editor: a filter line
// above rows of columns (the references to a name, the outline of the
// file). Typing filters the rows, Up and Down move, Enter or a double click
// chooses, Esc or a click elsewhere closes it.

#include <QFrame>
#include <functional>

class QLineEdit;
class QTreeWidget;

namespace quillpad {

class PickList : public QFrame {
    Q_OBJECT
public:
    // `chosen` gets the index of the row chosen, in `rows`.
    PickList(QWidget& over, const QString& title, const QStringList& headers,
             const QList<QStringList>& rows, std::function<void(int)> chosen);

    // Shows the list at the top of `over`, the filter ready for typing.
    void Open();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Filter(const QString& text);
    void Choose();

    QWidget& over_;
    QLineEdit* filter_ = nullptr;
    QTreeWidget* rows_ = nullptr;
    std::function<void(int)> chosen_;
};

} // namespace quillpad
