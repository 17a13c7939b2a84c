#include "running_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace harbex {

namespace {

// Holds back the user's input to every window but the running window and
// modal boxes, as a modal window does. Unlike Qt's own modality it lets the
// main window's close box through, so that closing during a run can ask.
class InputBlocker : public QObject {
public:
    InputBlocker(QWidget& allowed) : allowed_(allowed) { qApp->installEventFilter(this); }
    ~InputBlocker() override { qApp->removeEventFilter(this); }
    InputBlocker(const InputBlocker&) = delete;
    InputBlocker& operator=(const InputBlocker&) = delete;

    bool eventFilter(QObject* receiver, QEvent* event) override {
        return IsInput(event->type()) && !Allowed(receiver, event->type());
    }

private:
    static bool IsInput(QEvent::Type type) {
        switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::Drop:
            return true;
        default:
            return false;
        }
    }

    // Input reaches a widget through its window's platform window, which is
    // let through; the widget is then judged. Shortcuts of menu items (not
    // widgets) are held back.
    bool Allowed(QObject* receiver, QEvent::Type type) const {
        const auto* widget = qobject_cast<QWidget*>(receiver);
        if (widget == nullptr) return type != QEvent::Shortcut;
        const QWidget* window = widget->window();
        return window == &allowed_ || window->isModal();
    }

    QWidget& allowed_;
};

constexpr int kCaptionRoom = 160;
constexpr int kGapBelowOwner = 8;

QString ElapsedText(qint64 ms) {
    const qint64 seconds = ms / 1000;
    return QString("Elapsed time: %1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar('0'));
}

} // namespace

TRunningForm::TRunningForm(QWidget* owner, const QString& sourceName, ProcessWatch& watch)
    : QDialog(owner), watch_(watch) {
    setObjectName("RunningForm");
    setWindowTitle("Running " + sourceName);
    // Wide enough for the caption beside the frame's buttons.
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + kCaptionRoom);
    elapsed_ = new QLabel(ElapsedText(0), this);
    stop_ = new QPushButton("&Stop", this);
    stop_->setObjectName("Stop");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(elapsed_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(stop_);
    buttons->addStretch();
    layout->addLayout(buttons);
    connect(stop_, &QPushButton::clicked, this, &TRunningForm::stopClicked);
    connect(&watch_, &ProcessWatch::Tick, this, &TRunningForm::showElapsed);
}

TRunningForm::~TRunningForm() = default;

void TRunningForm::Wait() {
    InputBlocker blocker(*this);
    QTimer appear;
    appear.setSingleShot(true);
    connect(&appear, &QTimer::timeout, this, [this] {
        // Below the main window, leaving its title bar and close box free.
        if (const QWidget* owner = parentWidget())
            move(owner->frameGeometry().bottomLeft() + QPoint(0, kGapBelowOwner));
        show();
        raise();
        activateWindow();
        stop_->setFocus();
    });
    appear.start(kShowDelayMs);
    watch_.Wait();
    appear.stop();
    hide();
}

void TRunningForm::showElapsed() {
    elapsed_->setText(ElapsedText(watch_.ElapsedMs()));
}

void TRunningForm::stopClicked() {
    watch_.Stop();
    stop_->setEnabled(false);
    stop_->setText("Stopping");
}

void TRunningForm::reject() {
    if (watch_.HasEnded()) QDialog::reject();
}

void TRunningForm::closeEvent(QCloseEvent* event) {
    if (watch_.HasEnded()) {
        QDialog::closeEvent(event);
    } else {
        event->ignore();
    }
}

} // namespace harbex
