#pragma once
// The dockable panes of a debugging session: Variables (every scope but
// the matcher's, values the last step changed stand out, a value can be
// edited in place), Call Stack (a double click goes to the call's line),
// Match (the subject on one line with the cursor under it, the node being
// tried, the alternatives waiting and the assignments) and Output (the
// program's lines as they come, and an expression evaluated at the stop).
// The panes only show; what they ask for goes out through the functions
// they are given.

#include "debug_session.h"

#include <QDockWidget>
#include <QPlainTextEdit>
#include <functional>
#include <set>

class QLabel;
class QLineEdit;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillpad {

using VariablesFetch =
    std::function<void(std::int64_t reference, std::function<void(std::vector<debug::Variable>)>)>;
using VariableEdit =
    std::function<void(std::int64_t container, const QString& name, const QString& value,
                       std::function<void(bool, const QString&)> done)>;

class VariablesPane : public QDockWidget {
    Q_OBJECT
public:
    static constexpr QColor kChanged{0xff, 0xe0, 0x82};

    explicit VariablesPane(QWidget* parent);
    void SetFetch(VariablesFetch fetch) { fetch_ = std::move(fetch); }
    void SetEdit(VariableEdit edit) { edit_ = std::move(edit); }
    void Show(const debug::Stop& stop);
    void Clear();
    QTreeWidget& Tree() { return *tree_; }

signals:
    void problem(const QString& text);

private:
    QTreeWidgetItem* AddVariable(QTreeWidgetItem* parent, const debug::Variable& variable,
                                 std::int64_t container);
    void Expand(QTreeWidgetItem* item);
    void StartEdit(QTreeWidgetItem* item, int column);
    void Edited(QTreeWidgetItem* item, int column);

    QTreeWidget* tree_;
    VariablesFetch fetch_;
    VariableEdit edit_;
    std::set<QString> closedScopes_{debug::kKeywordsScope};
    bool filling_ = false; // the tree is being filled, not edited
    int generation_ = 0;   // of the tree's items: answers for older ones are dropped
};

class CallStackPane : public QDockWidget {
    Q_OBJECT
public:
    explicit CallStackPane(QWidget* parent);
    void Show(const debug::Stop& stop);
    void Clear();
    QListWidget& List() { return *list_; }

signals:
    void frameChosen(int index, int line);

private:
    QListWidget* list_;
    std::vector<int> lines_;
};

// The subject on one line, what the matcher has passed over shaded, and
// the cursor drawn under the place it stands.
class SubjectLine : public QWidget {
public:
    explicit SubjectLine(QWidget* parent);
    void Set(const QString& subject, int cursor);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString subject_;
    int cursor_ = -1;
};

class MatchPane : public QDockWidget {
    Q_OBJECT
public:
    explicit MatchPane(QWidget* parent);
    // The Match scope of a stop; none outside a match.
    void Show(const debug::Scope* match);
    void Clear() { Show(nullptr); }
    const QLabel& Node() const { return *node_; }
    const QLabel& LastStep() const { return *last_; }
    QTreeWidget& Details() { return *details_; }
    const SubjectLine& Subject() const { return *subject_; }

private:
    QLabel* status_;
    SubjectLine* subject_;
    QLabel* node_;
    QLabel* last_;
    QTreeWidget* details_;
};

class OutputPane : public QDockWidget {
    Q_OBJECT
public:
    static constexpr int kMaxLines = 20000; // the oldest go first

    explicit OutputPane(QWidget* parent);
    void Append(const QString& category, const QString& text);
    void Clear();
    QPlainTextEdit& Text() { return *text_; }

signals:
    void evaluate(const QString& expression);

private:
    QPlainTextEdit* text_;
    QLineEdit* expression_;
};

} // namespace quillpad
