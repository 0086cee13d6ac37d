#pragma once
// The standard message boxes, owned by the active window of the calling thread; none at all where
// nobody can see them.

#include <string>

#include "platform/message_boxes.h"
#include "platform/win32/unique_handles.h"

namespace velk::win32 {

class Win32MessageBoxes : public MessageBoxes {
  public:
    // `reportCaption` is the caption of the general error report: the program's title. `seen`
    // false: nobody can see the boxes (windowStationVisible), so none is shown.
    explicit Win32MessageBoxes(std::string reportCaption, bool seen = true);

    void error(const std::string& text) override;
    void information(const std::string& text) override;
    bool confirm(const std::string& text) override;
    bool retry(const std::string& text) override;
    void errorReport(const std::string& text) override;
    void showText(const std::string& caption, const std::string& text) override;
    bool seen() override { return seen_; }

  private:
    int show(const std::string& text, const wchar_t* title, UINT style) const;

    std::wstring reportCaption_;
    bool seen_;
};

// While it lives, Escape pressed in a dialog box of this thread that has a No button (IDNO)
// clicks that button. A Yes/No message box ignores Escape on Windows; confirmations use this so
// that Escape answers No there as well.
class EscapeAnswersNo {
  public:
    EscapeAnswersNo();

  private:
    UniqueHhook filter_;
};

} // namespace velk::win32
