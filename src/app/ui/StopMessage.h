#pragma once
// Message boxes with the stop icon, as the pages show their failures, and the few questions a
// page asks. A test (or a front end that has no one to press OK) can take the messages and
// give the answers instead of the modal boxes.
#include <QString>
#include <functional>

class QWidget;

namespace divuzo {

using StopMessageHandler = std::function<void(const QString& caption, const QString& text)>;

// Shows `text` under `caption` (default: the program name, string 300) with the stop icon and
// waits for OK, or hands both to the installed handler.
void ShowStopMessage(QWidget* parent, const QString& text, const QString& caption = QString());

// Installs `handler` (empty: the modal box again); returns the previous one.
StopMessageHandler SetStopMessageHandler(StopMessageHandler handler);

// A yes/no question with the warning icon (No is the default): true for Yes. A test can answer
// in place of the user.
using QuestionHandler = std::function<bool(const QString& caption, const QString& text)>;
bool AskQuestion(QWidget* parent, const QString& text, const QString& caption = QString());
QuestionHandler SetQuestionHandler(QuestionHandler handler);

// Asks before a device's recorded log is erased, which cannot be undone: true to go on.
bool ConfirmLogErase(QWidget* parent);

} // namespace divuzo
