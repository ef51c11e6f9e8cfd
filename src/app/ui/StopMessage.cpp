#include "app/ui/StopMessage.h"

#include <QMessageBox>

#include "app/ui/DialogTemplate.h"

namespace divuzo {

namespace {
StopMessageHandler& Handler() {
  static StopMessageHandler handler;
  return handler;
}
QuestionHandler& Questions() {
  static QuestionHandler handler;
  return handler;
}
} // namespace

void ShowStopMessage(QWidget* parent, const QString& text, const QString& caption) {
  const QString title = caption.isEmpty() ? TextOf(300) : caption;
  if (Handler()) {
    Handler()(title, text);
    return;
  }
  QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
  box.exec();
}

StopMessageHandler SetStopMessageHandler(StopMessageHandler handler) {
  StopMessageHandler previous = std::move(Handler());
  Handler() = std::move(handler);
  return previous;
}

bool AskQuestion(QWidget* parent, const QString& text, const QString& caption) {
  const QString title = caption.isEmpty() ? TextOf(300) : caption;
  if (Questions()) return Questions()(title, text);
  QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

bool ConfirmLogErase(QWidget* parent) {
  constexpr int kTextConfirmLogErase = 997;
  return AskQuestion(parent, TextOf(kTextConfirmLogErase));
}

QuestionHandler SetQuestionHandler(QuestionHandler handler) {
  QuestionHandler previous = std::move(Questions());
  Questions() = std::move(handler);
  return previous;
}

} // namespace divuzo
