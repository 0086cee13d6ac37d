#pragma once
// The standard message boxes of the program.

#include <string>

namespace velk {

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Title "Error", error icon, "OK".
    virtual void error(const std::string& text) = 0;
    // Title "Information", information icon, "OK".
    virtual void information(const std::string& text) = 0;
    // Title "Confirm", question icon, "&Yes" (default) and "&No". True only for an explicit Yes:
    // No, Escape and the close box all answer No.
    virtual bool confirm(const std::string& text) = 0;
    // Title "Warning", warning icon, "&Retry" (default) and "Cancel". True only for Retry:
    // Cancel, Escape and the close box all answer Cancel.
    virtual bool retry(const std::string& text) = 0;
    // A long text in a window of its own that fits the screen, its text scrolling where it is
    // longer, captioned `caption`, with "OK" (the command line's help). Where there is no such
    // window, an information box.
    virtual void showText(const std::string& caption, const std::string& text) {
        (void)caption;
        information(text);
    }
    // The general error report: caption "VELK Zull Installer", error icon, "OK". `text` is shown
    // as given (see errorReportText).
    virtual void errorReport(const std::string& text) = 0;
    // Whether a person can see the boxes. Nobody can where the program runs on a window station
    // that no screen shows (a service, a deployment tool's account): there no box is shown, each
    // counts as answered at once with OK, a confirmation as answered No (only a person gives
    // consent), and a Retry box as answered Cancel.
    virtual bool seen() { return true; }
};

} // namespace velk
