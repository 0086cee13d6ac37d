// End-to-end tests of a move to a monitor of another resolution: a window lays itself out again
// from its layout table at the new scale, and comes back to exactly its first sizes.
#include <windows.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "tests/e2e/driver/capture.h"
#include "tests/e2e/driver/dpi_change.h"
#include "tests/e2e/driver/e2e_fixture.h"

namespace velk::e2e {
namespace {

// The window rectangle Windows suggests for a client area of `client` at `dpi`: at the window's
// place, moved left and up as far as it needs to stay on the screen (the desktop under Wine), with
// the window's frame at that resolution.
RECT suggestedRect(const Window& window, SIZE client, int dpi) {
    const RECT outer = window.rect();
    const SIZE now = window.clientSize();
    SIZE frame{outer.right - outer.left - now.cx, outer.bottom - outer.top - now.cy};
    VELK_UNLESS_WINE("Wine keeps a window's frame at its size at every resolution") {
        RECT framed{0, 0, client.cx, client.cy};
        AdjustWindowRectExForDpi(
            &framed, static_cast<DWORD>(GetWindowLongW(window.hwnd(), GWL_STYLE)), FALSE,
            static_cast<DWORD>(GetWindowLongW(window.hwnd(), GWL_EXSTYLE)), static_cast<UINT>(dpi));
        frame = {framed.right - framed.left - client.cx, framed.bottom - framed.top - client.cy};
    }
    const LONG width = client.cx + frame.cx;
    const LONG height = client.cy + frame.cy;
    const LONG left = std::max(0L, std::min(outer.left, GetSystemMetrics(SM_CXSCREEN) - width));
    const LONG top = std::max(0L, std::min(outer.top, GetSystemMetrics(SM_CYSCREEN) - height));
    return {left, top, left + width, top + height};
}

SIZE sizeOf(const Window& window) {
    const RECT rect = window.rect();
    return {rect.right - rect.left, rect.bottom - rect.top};
}

using Rects = std::vector<std::array<LONG, 4>>;

// Every control's rectangle (left, top, right, bottom) relative to the window, in reading order.
Rects controlRects(const Window& window) {
    const RECT outer = window.rect();
    Rects rects;
    for (const Window& child : window.children()) {
        const RECT rect = child.rect();
        rects.push_back({rect.left - outer.left, rect.top - outer.top, rect.right - outer.left,
                         rect.bottom - outer.top});
    }
    return rects;
}

struct Scale {
    int dpi;
    SIZE client;
    SIZE button;
};

// Sends each move in turn and checks the client area and the button after it.
void expectScales(const Installer& app, const Window& window, const Window& button,
                  const std::vector<Scale>& moves) {
    for (const Scale& move : moves) {
        const RECT suggested = suggestedRect(window, move.client, move.dpi);
        sendDpiChanged(window, move.dpi, suggested);
        app.settle();
        const RECT taken = window.rect();
        EXPECT_EQ(taken.left, suggested.left) << move.dpi;
        EXPECT_EQ(taken.top, suggested.top) << move.dpi;
        EXPECT_EQ(window.clientSize().cx, move.client.cx) << move.dpi;
        EXPECT_EQ(window.clientSize().cy, move.client.cy) << move.dpi;
        EXPECT_EQ(sizeOf(button).cx, move.button.cx) << move.dpi;
        EXPECT_EQ(sizeOf(button).cy, move.button.cy) << move.dpi;
    }
}

class DpiE2E : public E2ETest {
  protected:
    std::string examplePackage() {
        addHostVersion(work() + "\\host", "1.4");
        const std::string pkg = work() + "\\example";
        copyTree(testing::sourceData(VELK_E2E_SOURCE_DIR, "examples/package"), pkg);
        copyFile(programPath(), pkg + "\\VelkInstall.exe");
        return pkg;
    }
};

TEST_F(DpiE2E, MainWindowScalesTo144DpiAndBackExactly) {
    Installer app = Installer::start(examplePackage());
    const Window main = app.mainWindow();
    app.settle();
    const Rects first = controlRects(main);
    const Window install = main.button("Install");
    const Window name = main.labelRightOf("Name"); // sized to its text
    const SIZE nameAt96 = sizeOf(name);

    expectScales(app, main, install, {{144, {818, 392}, {113, 38}}});
    main.screenshot(shotName("main-144dpi"));
    // The text, and so the font, grew by half (within the rounding of the font's
    // metrics).
    EXPECT_NEAR(sizeOf(name).cx, nameAt96.cx * 3 / 2, nameAt96.cx / 8);
    EXPECT_NEAR(sizeOf(name).cy, nameAt96.cy * 3 / 2, 2);

    expectScales(app, main, install, {{96, {545, 261}, {75, 25}}});
    EXPECT_EQ(controlRects(main), first);
}

// The file list: a client area of 374 x 293 and a Close button of 75 x 25 at 96 pixels per
// inch.
TEST_F(DpiE2E, FileListScalesTo144DpiAndBackExactly) {
    Installer app = Installer::start(examplePackage());
    const Window main = app.mainWindow();
    main.button("File List...").click();
    const Window dialog = app.waitForWindow("File List", "TFormFiles");
    app.settle();
    const Rects first = controlRects(dialog);
    const Window close = dialog.button("&Close");

    expectScales(app, dialog, close, {{144, {561, 440}, {113, 38}}});
    dialog.screenshot(shotName("file-list-144dpi"));
    expectScales(app, dialog, close, {{96, {374, 293}, {75, 25}}});
    EXPECT_EQ(controlRects(dialog), first);
}

// How far the middle of a field's text lies below the middle of the field, in pixels: the rows
// of dark pixels between its borders.
int textBelowMiddle(const Window& field) {
    const RECT rect = field.rect();
    const detail::Pixels pixels = detail::captureScreen(rect);
    const int border = 3;
    int first = -1;
    int last = -1;
    for (int y = border; y < pixels.height - border; ++y) {
        for (int x = border; x < pixels.width - border; ++x) {
            const std::uint32_t pixel = pixels.at(x, y);
            if (((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF) < 3 * 96) {
                first = first < 0 ? y : first;
                last = y;
                break;
            }
        }
    }
    if (first < 0) {
        throw DriverError("no text in " + field.describe());
    }
    return (first + last + 1) / 2 - pixels.height / 2;
}

// At 200 % a 1024 x 768 desktop is narrower than the main window: it starts at the work area's
// top left, its title bar and left edge on the screen, and the target folder's text lies in the
// middle of its field as it does at 100 %. The screenshot of this test is the one to look at.
TEST_F(DpiE2E, At200PercentTheMainWindowStartsAtTheTopLeftOfTheScreen) {
    VELK_WINE_ONLY("Wine takes the screen's resolution from the user's LogPixels at each program's "
                   "start; Windows only at sign-in");
    const std::string pkg = examplePackage();
    int belowAt100 = 0;
    {
        Installer app = Installer::start(pkg);
        const Window main = app.mainWindow();
        app.settle();
        belowAt100 = textBelowMiddle(main.edit(1));
        main.close();
        app.waitForExit();
    }
    const ScreenDpi dpi(192);
    Installer app = Installer::start(pkg);
    const Window main = app.mainWindow();
    app.settle();
    main.screenshot(shotName("main-200-percent"));
    const RECT desktop{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    detail::writeBitmap(detail::captureScreen(desktop),
                        screenshotFolder() + "\\" + shotName("desktop-200-percent") + ".bmp");
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const RECT placed = main.rect();
    EXPECT_EQ(placed.left, work.left);
    EXPECT_EQ(placed.top, work.top);
    const int below = textBelowMiddle(main.edit(1));
    EXPECT_NEAR(below, belowAt100 * 2, 2) << "at 100 %: " << belowAt100;
    main.close();
    EXPECT_EQ(app.waitForExit(), 0u);
}

bool within(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// /? at 150 % on a 1024 x 768 screen: the help's window lies on the work area with its OK
// button, its caption names the program and its version, no line breaks inside a switch's
// brackets, and a click on OK ends the program. The screenshot of this test is the one to look
// at.
TEST_F(DpiE2E, TheHelpFitsTheWorkAreaAt144Dpi) {
    const std::string pkg = examplePackage();
    const ScreenDpi dpi(144);
    Installer app = Installer::start(pkg, "/?");
    std::vector<Window> windows;
    waitUntil([&] { return !(windows = topWindows(app.processId())).empty(); }, "the help's window",
              kStartTimeout);
    ASSERT_EQ(windows.size(), 1u);
    const Window help = windows.front();
    app.settle();
    const RECT desktop{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    detail::writeBitmap(detail::captureScreen(desktop),
                        screenshotFolder() + "\\" + shotName("help-144dpi") + ".bmp");

    EXPECT_TRUE(help.text().starts_with("VELK Zull Installer ")) << help.text();
    EXPECT_GT(help.text().size(), std::string("VELK Zull Installer ").size()) << "no version";
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_TRUE(within(help.rect(), work)) << help.describe();
    const Window ok = help.button("OK");
    EXPECT_TRUE(within(ok.rect(), work)) << ok.describe();
    EXPECT_EQ(help.focus().hwnd(), ok.hwnd()) << "Enter, Space and Escape close it";

    const std::string text = help.edit(0).text();
    EXPECT_NE(text.find("Exit codes"), std::string::npos) << text;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = std::min(text.find("\r\n", begin), text.size());
        const std::string line = text.substr(begin, end - begin);
        EXPECT_EQ(std::count(line.begin(), line.end(), '['),
                  std::count(line.begin(), line.end(), ']'))
            << line;
        begin = end + 2;
    }

    ok.mouseClick();
    EXPECT_EQ(app.waitForExit(), 0u);
}

// The scale of the primary monitor one step above what it is, as Settings sets it, for as long
// as this lives (SPI_SETLOGICALDPIOVERRIDE, which Settings itself uses); then as it was.
class MonitorScaleStep {
  public:
    MonitorScaleStep() {
        constexpr UINT kGetOverride = 0x009E;
        set_ = SystemParametersInfoW(kGetOverride, 0, &before_, 0) &&
               SystemParametersInfoW(kSetOverride, static_cast<UINT>(before_ + 1), nullptr, 0);
    }
    MonitorScaleStep(const MonitorScaleStep&) = delete;
    MonitorScaleStep& operator=(const MonitorScaleStep&) = delete;
    ~MonitorScaleStep() {
        if (set_) {
            SystemParametersInfoW(kSetOverride, static_cast<UINT>(before_), nullptr, 0);
        }
    }
    bool set() const { return set_; }

  private:
    static constexpr UINT kSetOverride = 0x009F;
    int before_ = 0;
    bool set_ = false;
};

// A monitor's scale changed in Settings while the main window is open: Windows tells the window,
// which lays itself out again at the new scale.
TEST_F(DpiE2E, TheMainWindowFollowsAMonitorsScaleChangedWhileItIsOpen) {
    VELK_WINDOWS_ONLY("Wine changes no monitor's scale while programs run");
    // Sizes as they are on the screen, not scaled for this program.
    SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    Installer app = Installer::start(examplePackage());
    const Window main = app.mainWindow();
    app.settle();
    const Window install = main.button("Install");
    const UINT before = GetDpiForWindow(main.hwnd());
    const SIZE client = main.clientSize();
    const SIZE button = sizeOf(install);

    const MonitorScaleStep step;
    UINT after = before;
    for (int i = 0; i < 100 && step.set() && after == before; ++i) {
        Sleep(100);
        after = GetDpiForWindow(main.hwnd());
    }
    if (after == before) {
        GTEST_SKIP() << "this machine's display takes no other scale";
    }
    app.settle();
    main.screenshot(shotName("main-scale-changed"));
    EXPECT_NEAR(main.clientSize().cx, MulDiv(client.cx, after, before), 2) << after;
    EXPECT_NEAR(main.clientSize().cy, MulDiv(client.cy, after, before), 2) << after;
    EXPECT_NEAR(sizeOf(install).cx, MulDiv(button.cx, after, before), 1) << after;
    EXPECT_NEAR(sizeOf(install).cy, MulDiv(button.cy, after, before), 1) << after;
    main.close();
    EXPECT_EQ(app.waitForExit(), 0u);
}

} // namespace
} // namespace velk::e2e
