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
        std::string kind; // "error", "information", "confirm", "report"
        std::string text;
        bool operator==(const Shown&) const = default;
    };

    std::vector<Shown> shown;
    std::deque<bool> answers; // next confirmation's answer: true Yes, false No
    int unscriptedQuestions = 0;
    // Runs when a box is shown, after it is recorded (to look at the state the box sees).
    std::function<void()> onShow;
    // Nobody can see the boxes: a confirmation answers No without its script.
    bool nobodyAtDesktop = false;

    void error(const std::string& text) override { record("error", text); }
    void information(const std::string& text) override { record("information", text); }
    void errorReport(const std::string& text) override { record("report", text); }
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

  private:
    void record(const char* kind, const std::string& text) {
        shown.push_back(Shown{kind, text});
        if (onShow) {
            onShow();
        }
    }
};

} // namespace velk::testing
