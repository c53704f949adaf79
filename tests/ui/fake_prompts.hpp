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

  // Questions are kept as "text [first/second]" and answered from `replies`.
  Answer AskThreeWay(const QString& text, const QString& first, const QString& second,
                     QWidget*) override {
    questions.append(text + " [" + first + "/" + second + "]");
    if (replies.empty()) return Answer::kCancel;
    const Answer reply = replies.front();
    replies.pop_front();
    return reply;
  }

  FileChoice ChooseFile(const FileDialogRequest& request, QWidget*) override {
    requests.push_back(request);
    if (answers.empty()) return {FileChoice::Kind::kCancelled, {}};
    FileChoice answer = answers.front();
    answers.pop_front();
    return answer;
  }

  // Kept as "text [是/否]" and answered from `yesNo` (empty: 否, the default).
  bool AskYesNo(const QString& text, QWidget*) override {
    questions.append(text + " [" + kYesButton + "/" + kNoButton + "]");
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
  QStringList questions;
  std::deque<Answer> replies;
  std::vector<FileDialogRequest> requests;
  std::deque<FileChoice> answers;
  std::deque<bool> yesNo;
};

}  // namespace tessaly::ui::test
