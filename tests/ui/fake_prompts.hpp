#pragma once

// A Prompts that shows nothing: it records every message and question and
// answers file dialogs and questions from queues (an empty queue answers
// "cancelled", or 否, the default button).

#include <QString>
#include <deque>
#include <vector>

#include "ui/prompts.hpp"

namespace tessaly::ui::test {

struct RecordedMessage {
  MessageIcon icon = MessageIcon::kNone;
  QString text;
};

class FakePrompts final : public Prompts {
 public:
  void ShowMessage(MessageIcon icon, const QString& text, QWidget*) override {
    messages.push_back({icon, text});
  }

  FileChoice ChooseFile(const FileDialogRequest& request, QWidget*) override {
    requests.push_back(request);
    if (answers.empty()) return {FileChoice::Kind::kCancelled, {}};
    FileChoice answer = answers.front();
    answers.pop_front();
    return answer;
  }

  bool AskYesNo(const QString& text, QWidget*) override {
    questions.push_back(text);
    if (yesNo.empty()) return false;
    const bool answer = yesNo.front();
    yesNo.pop_front();
    return answer;
  }

  void AnswerPath(const QString& path) { answers.push_back({FileChoice::Kind::kChosen, path}); }
  void AnswerCancel() { answers.push_back({FileChoice::Kind::kCancelled, {}}); }

  [[nodiscard]] QStringList texts() const {
    QStringList out;
    for (const auto& m : messages) out.append(m.text);
    return out;
  }

  std::vector<RecordedMessage> messages;
  std::vector<FileDialogRequest> requests;
  std::deque<FileChoice> answers;
  QStringList questions;
  std::deque<bool> yesNo;
};

}  // namespace tessaly::ui::test
