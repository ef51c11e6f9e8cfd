#pragma once
// Message boxes with the stop icon, as the pages show their failures. A test (or a front end
// that has no one to press OK) can take the messages instead of the modal box.
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

} // namespace divuzo
