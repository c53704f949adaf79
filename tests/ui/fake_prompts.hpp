#pragma once

// A Prompts that shows nothing: it records every message and answers file
// dialogs from a queue (an empty queue answers "cancelled").

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

  // Records the question; answers from `yesNo`, 否 when it is empty.
  bool Ask(const QString& text, QWidget*) override {
    questions.push_back(text);
    if (yesNo.empty()) return false;
    const bool yes = yesNo.front();
    yesNo.pop_front();
    return yes;
  }

  FileChoice ChooseFile(const FileDialogRequest& request, QWidget*) override {
    requests.push_back(request);
    if (answers.empty()) return {FileChoice::Kind::kCancelled, {}};
    FileChoice answer = answers.front();
    answers.pop_front();
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
  std::vector<QString> questions;
  std::deque<bool> yesNo;
  std::deque<FileChoice> answers;
};

}  // namespace tessaly::ui::test
