#include "debug_panes.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quillpad {
namespace {

// The roles of a variable's item.
constexpr int kChildrenRole = Qt::UserRole;      // its variablesReference
constexpr int kContainerRole = Qt::UserRole + 1; // the reference it was listed under
constexpr int kReadOnlyRole = Qt::UserRole + 2;
constexpr int kValueRole = Qt::UserRole + 3; // the value before an edit
constexpr int kLoadedRole = Qt::UserRole + 4;

constexpr char kFetching[] = "...";
const QColor kMatched{0xc8, 0xe6, 0xc9}; // the part of the subject passed over
const QColor kCursor{0xc6, 0x28, 0x28};  // the cursor's mark
const QColor kConsole{0x70, 0x70, 0x70}; // trace lines and the session's words
const QColor kErrors{0xb7, 0x1c, 0x1c};
constexpr int kSubjectPadding = 6;             // pixels around the subject's line
constexpr double kSubjectScale = 1.5;          // the subject is larger than the rest
constexpr char kPatternVariable[] = "pattern"; // its nodes are many: shown closed

QFont Fixed() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    return font;
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QDockWidget& Prepare(QDockWidget& dock, const QString& name) {
    dock.setObjectName(name);
    dock.setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                     QDockWidget::DockWidgetFloatable);
    return dock;
}

// A Match variable whose name is `name`, in any case.
const debug::Variable* Named(const debug::Scope& scope, const char* name) {
    for (const debug::Variable& variable : scope.variables)
        if (QString::fromStdString(variable.name).compare(name, Qt::CaseInsensitive) == 0)
            return &variable;
    return nullptr;
}

// A subject shown as DUMP shows strings, 'ABC', is drawn without its quotes.
QString Unquoted(const QString& value) {
    if (value.size() >= 2 && (value.front() == '\'' || value.front() == '"') &&
        value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

VariablesPane::VariablesPane(QWidget* parent)
    : QDockWidget("Variables", parent), tree_(new QTreeWidget(this)) {
    Prepare(*this, "variablesPane");
    tree_->setObjectName("variables");
    tree_->setColumnCount(2);
    tree_->setHeaderLabels({"Name", "Value"});
    tree_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setToolTip("A double click on a value changes it: type an expression, such as "
                      "'TEXT' or 42, which is assigned as the program would assign it");
    setWidget(tree_);
    connect(tree_, &QTreeWidget::itemExpanded, this, &VariablesPane::Expand);
    connect(tree_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        if (item->parent() == nullptr) closedScopes_.insert(item->text(0));
    });
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, &VariablesPane::StartEdit);
    connect(tree_, &QTreeWidget::itemChanged, this, &VariablesPane::Edited);
}

void VariablesPane::Clear() {
    ++generation_;
    filling_ = true;
    tree_->clear();
    filling_ = false;
}

void VariablesPane::Show(const debug::Stop& stop) {
    ++generation_;
    filling_ = true;
    tree_->clear();
    for (const debug::Scope& scope : stop.scopes) {
        if (scope.name == debug::kMatchScope) continue;
        auto* item = new QTreeWidgetItem(tree_, {Q(scope.name)});
        QFont bold = item->font(0);
        bold.setBold(true);
        item->setFont(0, bold);
        for (const debug::Variable& variable : scope.variables)
            AddVariable(item, variable, scope.reference);
        const bool open = closedScopes_.count(item->text(0)) == 0;
        item->setExpanded(open);
    }
    filling_ = false;
}

QTreeWidgetItem* VariablesPane::AddVariable(QTreeWidgetItem* parent,
                                            const debug::Variable& variable,
                                            std::int64_t container) {
    auto* item = new QTreeWidgetItem(parent, {Q(variable.name), Q(variable.value)});
    item->setData(0, kChildrenRole, QVariant::fromValue<qint64>(variable.reference));
    item->setData(0, kContainerRole, QVariant::fromValue<qint64>(container));
    item->setData(0, kReadOnlyRole, variable.readOnly);
    item->setToolTip(1, variable.type.empty() ? Q(variable.value)
                                              : Q(variable.type + ": " + variable.value));
    if (variable.readOnly) item->setForeground(1, QColor(Qt::darkGray));
    if (variable.changed) {
        item->setBackground(0, kChanged);
        item->setBackground(1, kChanged);
    }
    if (variable.reference > 0) {
        new QTreeWidgetItem(item, {kFetching}); // until the children are fetched
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
    return item;
}

void VariablesPane::Expand(QTreeWidgetItem* item) {
    if (item->parent() == nullptr) {
        closedScopes_.erase(item->text(0));
        return;
    }
    const qint64 reference = item->data(0, kChildrenRole).toLongLong();
    if (reference <= 0 || item->data(0, kLoadedRole).toBool() || !fetch_) return;
    item->setData(0, kLoadedRole, true);
    // The tree may be rebuilt before the answer comes, and the item gone.
    fetch_(reference, [this, target = item, generation = generation_,
                       reference](std::vector<debug::Variable> children) {
        if (generation != generation_) return;
        filling_ = true;
        qDeleteAll(target->takeChildren());
        for (const debug::Variable& child : children)
            AddVariable(target, child, reference);
        filling_ = false;
    });
}

void VariablesPane::StartEdit(QTreeWidgetItem* item, int /*column*/) {
    if (item->parent() == nullptr || item->data(0, kReadOnlyRole).toBool() || !edit_) return;
    filling_ = true;
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setData(0, kValueRole, item->text(1));
    filling_ = false;
    tree_->editItem(item, 1);
}

void VariablesPane::Edited(QTreeWidgetItem* item, int column) {
    if (filling_ || column != 1) return;
    filling_ = true;
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    filling_ = false;
    const QString before = item->data(0, kValueRole).toString();
    const QString typed = item->text(1);
    if (typed == before) return;
    edit_(item->data(0, kContainerRole).toLongLong(), item->text(0), typed,
          [this, target = item, generation = generation_, before](bool success,
                                                                  const QString& answer) {
              if (!success) emit problem(answer);
              if (generation != generation_) return;
              filling_ = true;
              target->setText(1, success ? answer : before);
              if (success) {
                  target->setBackground(0, kChanged);
                  target->setBackground(1, kChanged);
              }
              filling_ = false;
          });
}

CallStackPane::CallStackPane(QWidget* parent)
    : QDockWidget("Call Stack", parent), list_(new QListWidget(this)) {
    Prepare(*this, "callStackPane");
    list_->setObjectName("callStack");
    list_->setToolTip("A double click shows the call's line and its variables");
    setWidget(list_);
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const int row = list_->row(item);
        if (row >= 0 && static_cast<std::size_t>(row) < lines_.size())
            emit frameChosen(row, lines_[static_cast<std::size_t>(row)]);
    });
}

void CallStackPane::Show(const debug::Stop& stop) {
    list_->clear();
    lines_.clear();
    for (const debug::Frame& frame : stop.frames) {
        list_->addItem(QString("%1    line %2").arg(Q(frame.name)).arg(frame.line));
        lines_.push_back(frame.line);
    }
    list_->setCurrentRow(static_cast<int>(stop.selected));
}

void CallStackPane::Clear() {
    list_->clear();
    lines_.clear();
}

SubjectLine::SubjectLine(QWidget* parent) : QWidget(parent) {
    QFont font = Fixed();
    font.setPointSizeF(font.pointSizeF() * kSubjectScale);
    setFont(font);
    setObjectName("subject");
}

void SubjectLine::Set(const QString& subject, int cursor) {
    subject_ = subject;
    cursor_ = cursor;
    setMinimumWidth(sizeHint().width());
    update();
}

QSize SubjectLine::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(subject_ + "  cursor 0000") + 2 * kSubjectPadding,
            metrics.height() * 2 + 2 * kSubjectPadding};
}

// Each character in a cell of its own, those the matcher has passed over
// shaded; a bar where the cursor stands, between two characters, and a
// caret under it with the cursor's number.
void SubjectLine::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int top = kSubjectPadding;
    const int left = kSubjectPadding;
    const int shown = std::clamp(cursor_, 0, static_cast<int>(subject_.size()));
    const int passed = metrics.horizontalAdvance(subject_.left(shown));
    if (cursor_ >= 0) painter.fillRect(left, top, passed, metrics.height(), kMatched);
    painter.setPen(palette().color(QPalette::Mid));
    for (int i = 0, x = left; i < subject_.size(); ++i) {
        const int width = metrics.horizontalAdvance(subject_.at(i));
        painter.drawRect(x, top, width, metrics.height());
        x += width;
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(left, top + metrics.ascent(), subject_);
    if (cursor_ < 0) return;
    const int x = left + passed;
    painter.setPen(QPen(kCursor, 3));
    painter.drawLine(x, top - 2, x, top + metrics.height() + 2);
    const int tip = top + metrics.height() + 2;
    const int half = metrics.height() / 3;
    painter.setPen(kCursor);
    painter.setBrush(kCursor);
    painter.drawPolygon(
        QPolygon({QPoint(x, tip), QPoint(x - half, tip + half), QPoint(x + half, tip + half)}));
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() / kSubjectScale);
    painter.setFont(small);
    painter.drawText(x + half + 4, tip + half, QString("cursor %1").arg(cursor_));
}

MatchPane::MatchPane(QWidget* parent) : QDockWidget("Match", parent) {
    Prepare(*this, "matchPane");
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    status_ = new QLabel("Not in a match. Step Into (F11) at a statement with a pattern goes "
                         "through the matcher a step at a time; Step Out (Shift+F11) finishes "
                         "the match.",
                         body);
    status_->setWordWrap(true);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    subject_ = new SubjectLine(body);
    node_ = new QLabel(body);
    node_->setObjectName("matchNode");
    node_->setFont(Fixed());
    node_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    last_ = new QLabel(body);
    last_->setObjectName("matchLastStep");
    last_->setWordWrap(true);
    details_ = new QTreeWidget(body);
    details_->setObjectName("matchDetails");
    details_->setColumnCount(2);
    details_->setHeaderLabels({"", "Value"});
    details_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    layout->addWidget(status_, 0, Qt::AlignTop);
    layout->addWidget(subject_);
    layout->addWidget(node_);
    layout->addWidget(last_);
    layout->addWidget(details_, 1);
    setWidget(body);
    Show(nullptr);
}

void MatchPane::Show(const debug::Scope* match) {
    details_->clear();
    const bool inMatch = match != nullptr;
    status_->setVisible(!inMatch);
    subject_->setVisible(inMatch);
    node_->setVisible(inMatch);
    last_->setVisible(inMatch);
    details_->setVisible(inMatch);
    if (!inMatch) return;
    const debug::Variable* subject = Named(*match, "subject");
    const debug::Variable* cursor = Named(*match, "cursor");
    const debug::Variable* node = Named(*match, "node");
    const debug::Variable* last = Named(*match, "last");
    bool numeric = false;
    const int at = cursor ? QString::fromStdString(cursor->value).toInt(&numeric) : -1;
    subject_->Set(subject ? Unquoted(Q(subject->value)) : QString(), numeric ? at : -1);
    node_->setText(node ? QString("Trying %1").arg(Q(node->value)) : QString());
    last_->setText(last ? Q(last->value) : QString());
    // The rest as the adapter names them: alternatives, assignments, levels.
    for (const debug::Variable& variable : match->variables) {
        if (&variable == subject || &variable == node || &variable == last) continue;
        auto* item = new QTreeWidgetItem(details_, {Q(variable.name), Q(variable.value)});
        for (const debug::Variable& child : variable.children)
            new QTreeWidgetItem(item, {Q(child.name), Q(child.value)});
        item->setExpanded(variable.name != kPatternVariable);
    }
}

OutputPane::OutputPane(QWidget* parent) : QDockWidget("Output", parent) {
    Prepare(*this, "outputPane");
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    text_ = new QPlainTextEdit(body);
    text_->setObjectName("output");
    text_->setReadOnly(true);
    text_->setFont(Fixed());
    text_->setMaximumBlockCount(kMaxLines);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    expression_ = new QLineEdit(body);
    expression_->setObjectName("evaluate");
    expression_->setPlaceholderText("Evaluate an expression where the program stopped (Enter)");
    layout->addWidget(text_, 1);
    layout->addWidget(expression_);
    setWidget(body);
    connect(expression_, &QLineEdit::returnPressed, this, [this] {
        const QString expression = expression_->text().trimmed();
        if (expression.isEmpty()) return;
        expression_->clear();
        emit evaluate(expression);
    });
}

void OutputPane::Append(const QString& category, const QString& text) {
    QTextCharFormat format;
    if (category == "console") format.setForeground(kConsole);
    if (category == "stderr") format.setForeground(kErrors);
    if (category == "important") format.setFontWeight(QFont::Bold);
    QTextCursor end(text_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text, format);
    text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
}

void OutputPane::Clear() {
    text_->clear();
}

} // namespace quillpad
