#pragma once
// Records every message box and answers confirmations from a script; or, with nobody at the
// desktop, answers each at once as the real boxes then do.

#include <deque>
#include <string>
#include <vector>

#include "platform/message_boxes.h"

namespace velk::testing {

class FakeMessageBoxes : public MessageBoxes {
  public:
    struct Shown {
        std::string kind; // "error", "information", "confirm", "retry", "report", "text"
        std::string text;
        std::string caption{}; // of a text window
        bool operator==(const Shown&) const = default;
    };

    std::vector<Shown> shown;
    // The next confirmation's answer (true Yes, false No) or Retry box's (true Retry, false
    // Cancel). A Retry box without one answers Cancel, so that no test loops for ever.
    std::deque<bool> answers;
    int unscriptedQuestions = 0;
    // Runs when a box is shown, after it is recorded (to look at the state the box sees).
    std::function<void()> onShow;
    // Nobody can see the boxes: a confirmation answers No, a Retry box Cancel, without a script.
    bool nobodyAtDesktop = false;

    void error(const std::string& text) override { record("error", text); }
    void information(const std::string& text) override { record("information", text); }
    void errorReport(const std::string& text) override { record("report", text); }
    void showText(const std::string& caption, const std::string& text) override {
        record("text", text, caption);
    }
    bool seen() override { return !nobodyAtDesktop; }
    bool confirm(const std::string& text) override {
        record("confirm", text);
        if (nobodyAtDesktop) {
            return false;
        }
        if (answers.empty()) {
            ++unscriptedQuestions;
            return true;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    bool retry(const std::string& text) override {
        record("retry", text);
        if (nobodyAtDesktop) {
            return false;
        }
        if (answers.empty()) {
            ++unscriptedQuestions;
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

  private:
    void record(const char* kind, const std::string& text, const std::string& caption = {}) {
        shown.push_back(Shown{kind, text, caption});
        if (onShow) {
            onShow();
        }
    }
};

} // namespace velk::testing
