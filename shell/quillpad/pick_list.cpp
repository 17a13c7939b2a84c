#include "pick_list.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quillpad {
namespace {

constexpr int kMostRowsShown = 14;
constexpr int kMargin = 4; // pixels around the parts
constexpr double kShareOfWidth = 0.7;

} // namespace

PickList::PickList(QWidget& over, const QString& title, const QStringList& headers,
                   const QList<QStringList>& rows, std::function<void(int)> chosen)
    : QFrame(&over, Qt::Popup), over_(over), chosen_(std::move(chosen)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::StyledPanel);
    setObjectName("pickList");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(kMargin);
    auto* heading = new QLabel(title, this);
    heading->setObjectName("pickTitle");
    filter_ = new QLineEdit(this);
    filter_->setPlaceholderText("Type to filter");
    filter_->setClearButtonEnabled(true);
    rows_ = new QTreeWidget(this);
    rows_->setRootIsDecorated(false);
    rows_->setColumnCount(static_cast<int>(headers.size()));
    rows_->setHeaderLabels(headers);
    rows_->setUniformRowHeights(true);
    rows_->setAllColumnsShowFocus(true);
    rows_->setFocusPolicy(Qt::NoFocus); // the keys go to the filter, which passes Up and Down on
    rows_->setFont(over.font());        // cards in the editor's fixed-pitch font
    for (qsizetype i = 0; i < rows.size(); ++i) {
        auto* item = new QTreeWidgetItem(rows_, rows[i]);
        item->setData(0, Qt::UserRole, static_cast<int>(i));
    }
    for (int column = 0; column < rows_->columnCount(); ++column)
        rows_->resizeColumnToContents(column);
    rows_->setCurrentItem(rows_->topLevelItem(0));
    layout->addWidget(heading);
    layout->addWidget(filter_);
    layout->addWidget(rows_);
    filter_->installEventFilter(this);
    connect(filter_, &QLineEdit::textChanged, this, &PickList::Filter);
    connect(filter_, &QLineEdit::returnPressed, this, &PickList::Choose);
    connect(rows_, &QTreeWidget::itemActivated, this, &PickList::Choose);
}

void PickList::Open() {
    const int rowHeight =
        rows_->sizeHintForRow(0) > 0 ? rows_->sizeHintForRow(0) : fontMetrics().height();
    const int shown = std::min(rows_->topLevelItemCount(), kMostRowsShown);
    rows_->setMinimumHeight(rows_->header()->sizeHint().height() + rowHeight * (shown + 1));
    const int width = static_cast<int>(over_.width() * kShareOfWidth);
    resize(std::max(width, sizeHint().width()), sizeHint().height());
    const QPoint top = over_.mapToGlobal(QPoint((over_.width() - this->width()) / 2, 0));
    move(top);
    show();
    filter_->setFocus();
}

bool PickList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == filter_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
            key == Qt::Key_PageDown) {
            QCoreApplication::sendEvent(rows_, event);
            return true;
        }
        if (key == Qt::Key_Escape) {
            close();
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

void PickList::Filter(const QString& text) {
    QTreeWidgetItem* first = nullptr;
    for (int i = 0; i < rows_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = rows_->topLevelItem(i);
        bool match = text.isEmpty();
        for (int column = 0; !match && column < rows_->columnCount(); ++column)
            match = item->text(column).contains(text.trimmed(), Qt::CaseInsensitive);
        item->setHidden(!match);
        if (match && first == nullptr) first = item;
    }
    if (rows_->currentItem() == nullptr || rows_->currentItem()->isHidden())
        rows_->setCurrentItem(first);
}

void PickList::Choose() {
    QTreeWidgetItem* item = rows_->currentItem();
    if (item == nullptr || item->isHidden()) return;
    const int index = item->data(0, Qt::UserRole).toInt();
    const std::function<void(int)> chosen = chosen_;
    close();
    chosen(index);
}

} // namespace quillpad
