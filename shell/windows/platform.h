#pragma once
// The shell's few contacts with the desktop: system metrics and message
// boxes and questions, each through one function so that tests can replace or record them.

#include "sizing.h"

#include <QString>
#include <functional>

class QWidget;

namespace harbex {

// The metrics for `window` as it stands on screen, chosen so that the sizing
// arithmetic makes contents fill the client area below a menu bar of
// `menuBarHeight` pixels (0: no menu bar).
SystemMetrics PlatformMetrics(const QWidget& window, int menuBarHeight);

enum class MessageButtons { Ok, OkCancel };

// The window a message box or question stands over: the modal window or
// the active window of the shell, else the main window (a box without an
// owner could open anywhere on the desktop).
QWidget* MessageBoxOwner();

// Shows a message without an icon; the answer is never used.
using MessageBoxFunction =
    std::function<void(const QString& text, const QString& caption, MessageButtons buttons)>;

void ShowMessage(const QString& text, const QString& caption, MessageButtons buttons);

// Replaces the message box; returns the one that was in place. An empty
// function restores the desktop's message box.
MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function);

// Asks a question with the buttons Yes and No; true for Yes.
using QuestionFunction = std::function<bool(const QString& text, const QString& caption)>;

bool AskYesNo(const QString& text, const QString& caption);

// Replaces the question box as SetMessageBoxFunction does the message box.
QuestionFunction SetQuestionFunction(QuestionFunction function);

} // namespace harbex
