// The message boxes as the user sees them: title, text, icon, buttons, default button, owner,
// and which ways of answering a confirmation count as Yes. A watcher thread finds the box that
// the test's thread shows, reads it and answers it with posted keys and clicks.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "platform/win32/win32_message_boxes.h"

namespace velk::win32 {
namespace {

// What the watcher saw of a box.
struct SeenBox {
    bool found = false;
    std::string title = "<none>";
    std::string text = "<none>";
    std::vector<int> buttons; // IDOK, IDCANCEL, IDYES, IDNO present, in this order
    std::string yesText = "<none>";
    std::string noText = "<none>";
    int defaultId = -1; // the button drawn as the default one
    int focusId = -1;   // the control that has the keyboard focus
    HWND owner = reinterpret_cast<HWND>(-1);
    HICON icon = nullptr;
    bool stillOpenAfterAnswer = false;
};

std::string windowText(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The first visible dialog box of `thread`.
HWND findBox(DWORD thread) {
    HWND found = nullptr;
    EnumThreadWindows(
        thread,
        [](HWND window, LPARAM param) -> BOOL {
            char name[32] = {};
            GetClassNameA(window, name, sizeof name);
            if (std::string(name) == "#32770" && IsWindowVisible(window)) {
                *reinterpret_cast<HWND*>(param) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND focusOf(DWORD thread) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(thread, &info);
    return info.hwndFocus;
}

void pressKey(DWORD thread, HWND box, WPARAM key) {
    HWND target = focusOf(thread);
    if (target == nullptr) {
        target = box;
    }
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 1 | (3u << 30));
}

// Runs `show` on this thread while another thread waits for the box, reads it and calls
// `answer` with the box's window and this thread's id. If the box is still open a second after
// the answer, the watcher notes it and clicks `fallbackButton` so that the test never hangs.
SeenBox watch(const std::function<void()>& show, const std::function<void(HWND, DWORD)>& answer,
              int fallbackButton) {
    SeenBox seen;
    const DWORD self = GetCurrentThreadId();
    std::thread watcher([&] {
        HWND box = nullptr;
        for (int i = 0; i < 200 && box == nullptr; ++i) {
            Sleep(50);
            box = findBox(self);
        }
        if (box == nullptr) {
            return; // `show` returned without a box, or took too long: seen.found stays false
        }
        Sleep(100); // let the box finish its start-up
        seen.found = true;
        seen.title = windowText(box);
        seen.text = windowText(GetDlgItem(box, 0xFFFF));
        for (int id : {IDOK, IDCANCEL, IDRETRY, IDYES, IDNO}) {
            if (GetDlgItem(box, id) != nullptr) {
                seen.buttons.push_back(id);
            }
        }
        seen.yesText = windowText(GetDlgItem(box, IDYES));
        seen.noText = windowText(GetDlgItem(box, IDNO));
        for (int id : seen.buttons) {
            const LONG_PTR style = GetWindowLongPtrA(GetDlgItem(box, id), GWL_STYLE);
            if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                seen.defaultId = id;
            }
        }
        seen.focusId = GetDlgCtrlID(focusOf(self));
        seen.owner = GetWindow(box, GW_OWNER);
        for (int iconId : {0x14, 0x440}) { // the icon control of Windows and of Wine
            if (HWND icon = GetDlgItem(box, iconId)) {
                seen.icon = reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0));
            }
        }
        answer(box, self);
        for (int i = 0; i < 20 && IsWindow(box); ++i) {
            Sleep(50);
        }
        if (IsWindow(box)) {
            seen.stillOpenAfterAnswer = true;
            PostMessageA(GetDlgItem(box, fallbackButton), BM_CLICK, 0, 0);
        }
    });
    show();
    watcher.join();
    return seen;
}

const std::vector<int> yesNo = {IDYES, IDNO};
const std::vector<int> okOnly = {IDOK};

class MessageBoxesTest : public ::testing::Test {
  protected:
    bool confirmAnswering(const std::function<void(HWND, DWORD)>& answer, SeenBox& seen,
                          int fallbackButton = IDNO) {
        bool result = true;
        seen =
            watch([&] { result = boxes.confirm("Overwrite?\rReally?"); }, answer, fallbackButton);
        return result;
    }
    Win32MessageBoxes boxes{"Report Caption"};
};

TEST_F(MessageBoxesTest, ConfirmationIsAStandardYesNoQuestion) {
    SeenBox seen;
    const bool yes =
        confirmAnswering([](HWND box, DWORD thread) { pressKey(thread, box, VK_RETURN); }, seen);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.title, "Confirm");
    EXPECT_EQ(seen.text, "Overwrite?\rReally?");
    EXPECT_EQ(seen.buttons, yesNo);
    EXPECT_EQ(seen.yesText, "&Yes");
    EXPECT_EQ(seen.noText, "&No");
    EXPECT_EQ(seen.defaultId, IDYES);
    EXPECT_EQ(seen.focusId, IDYES);
    EXPECT_EQ(seen.owner, nullptr); // no active window
    EXPECT_EQ(seen.icon, LoadIconA(nullptr, IDI_QUESTION));
    EXPECT_FALSE(seen.stillOpenAfterAnswer);
    EXPECT_TRUE(yes); // Enter presses the default button, Yes
}

TEST_F(MessageBoxesTest, OnlyAnExplicitYesGoesOn) {
    SeenBox seen;
    EXPECT_TRUE(confirmAnswering(
        [](HWND box, DWORD) { PostMessageA(GetDlgItem(box, IDYES), BM_CLICK, 0, 0); }, seen));
    EXPECT_FALSE(seen.stillOpenAfterAnswer);

    EXPECT_FALSE(confirmAnswering(
        [](HWND box, DWORD) { PostMessageA(GetDlgItem(box, IDNO), BM_CLICK, 0, 0); }, seen, IDYES));
    EXPECT_FALSE(seen.stillOpenAfterAnswer);

    // Escape answers No (the fallback would answer Yes, so a box that ignored it fails here).
    EXPECT_FALSE(confirmAnswering([](HWND box, DWORD thread) { pressKey(thread, box, VK_ESCAPE); },
                                  seen, IDYES));
    EXPECT_FALSE(seen.stillOpenAfterAnswer);

    // The close box: Windows disables it; where it works, it answers No.
    EXPECT_FALSE(
        confirmAnswering([](HWND box, DWORD) { PostMessageA(box, WM_CLOSE, 0, 0); }, seen, IDNO));
}

// Files in use: Retry, the default, goes on; Cancel, Escape and the close box stop.
TEST_F(MessageBoxesTest, ARetryBoxGoesOnOnlyForRetry) {
    bool again = false;
    SeenBox seen =
        watch([&] { again = boxes.retry("In use"); },
              [](HWND box, DWORD thread) { pressKey(thread, box, VK_RETURN); }, IDCANCEL);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.title, "Warning");
    EXPECT_EQ(seen.text, "In use");
    EXPECT_EQ(seen.buttons, (std::vector<int>{IDCANCEL, IDRETRY}));
    EXPECT_EQ(seen.defaultId, IDRETRY);
    EXPECT_EQ(seen.icon, LoadIconA(nullptr, IDI_WARNING));
    EXPECT_TRUE(again);
    const std::function<void(HWND, DWORD)> stops[] = {
        [](HWND box, DWORD) { PostMessageA(GetDlgItem(box, IDCANCEL), BM_CLICK, 0, 0); },
        [](HWND box, DWORD thread) { pressKey(thread, box, VK_ESCAPE); },
        [](HWND box, DWORD) { PostMessageA(box, WM_CLOSE, 0, 0); },
    };
    for (const auto& stop : stops) {
        again = true;
        seen = watch([&] { again = boxes.retry("In use"); }, stop, IDRETRY);
        EXPECT_FALSE(again);
        EXPECT_FALSE(seen.stillOpenAfterAnswer);
    }
}

TEST_F(MessageBoxesTest, OtherBoxesHaveTheirTitleIconAndOneOkButton) {
    struct Case {
        std::function<void(Win32MessageBoxes&)> show;
        const char* title;
        const char* icon;
    };
    const Case cases[] = {
        {[](Win32MessageBoxes& b) { b.error("Target Path not exist"); }, "Error", IDI_ERROR},
        {[](Win32MessageBoxes& b) { b.information("Target Path not exist"); }, "Information",
         IDI_INFORMATION},
        {[](Win32MessageBoxes& b) { b.errorReport("Target Path not exist"); }, "Report Caption",
         IDI_ERROR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const SeenBox seen =
            watch([&] { c.show(boxes); },
                  [](HWND box, DWORD thread) { pressKey(thread, box, VK_RETURN); }, IDOK);
        ASSERT_TRUE(seen.found);
        EXPECT_EQ(seen.title, c.title);
        EXPECT_EQ(seen.text, "Target Path not exist");
        EXPECT_EQ(seen.buttons, okOnly);
        EXPECT_EQ(seen.icon, LoadIconA(nullptr, c.icon));
        EXPECT_FALSE(seen.stillOpenAfterAnswer);
    }
}

TEST_F(MessageBoxesTest, TheActiveWindowOwnsTheBox) {
    HWND window = CreateWindowExA(0, "STATIC", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                  300, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    SetActiveWindow(window);
    SetForegroundWindow(window);
    ASSERT_EQ(GetActiveWindow(), window);

    const SeenBox seen =
        watch([&] { boxes.information("owned"); },
              [](HWND box, DWORD thread) { pressKey(thread, box, VK_RETURN); }, IDOK);
    EXPECT_EQ(seen.owner, window);
    EXPECT_FALSE(seen.stillOpenAfterAnswer);
    DestroyWindow(window);
}

// Nobody can see the boxes: none appears (one would wait for ever), each returns at once, and a
// question is no consent.
TEST(UnseenMessageBoxesTest, ShowNothingAndAnswerAtOnce) {
    Win32MessageBoxes unseen("Report Caption", false);
    const DWORD self = GetCurrentThreadId();
    std::atomic<bool> done{false};
    std::atomic<bool> appeared{false};
    std::thread watcher([&] {
        while (!done) {
            if (HWND box = findBox(self)) {
                appeared = true;
                PostMessageA(box, WM_CLOSE, 0, 0);
            }
            Sleep(20);
        }
    });
    EXPECT_FALSE(unseen.seen());
    unseen.error("Target Path not exist");
    unseen.information("Library installation was successful.");
    unseen.errorReport("Invalid data type for 'Path'.");
    EXPECT_FALSE(unseen.confirm("Overwrite?"));
    EXPECT_FALSE(unseen.retry("In use"));
    done = true;
    watcher.join();
    EXPECT_FALSE(appeared);
}

// A Yes/No dialog that, like the message box on Windows, has no Cancel: it ignores Escape.
INT_PTR CALLBACK yesNoDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDYES || LOWORD(wParam) == IDNO)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

INT_PTR showYesNoDialog() {
    // An in-memory dialog template: the dialog, then two push buttons, each DWORD-aligned.
    std::vector<WORD> words;
    auto dword = [&](DWORD value) {
        words.push_back(LOWORD(value));
        words.push_back(HIWORD(value));
    };
    auto text = [&](const wchar_t* value) {
        for (; *value; ++value) {
            words.push_back(static_cast<WORD>(*value));
        }
        words.push_back(0);
    };
    auto align = [&] {
        if (words.size() % 2) {
            words.push_back(0);
        }
    };
    dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME);
    dword(0);
    words.insert(words.end(), {2, 10, 10, 120, 50}); // items, x, y, cx, cy
    words.insert(words.end(), {0, 0});               // no menu, standard class
    text(L"Question");
    const struct {
        DWORD style;
        WORD id;
        WORD x;
        const wchar_t* caption;
    } buttons[] = {{BS_DEFPUSHBUTTON | WS_TABSTOP, IDYES, 5, L"&Yes"},
                   {BS_PUSHBUTTON | WS_TABSTOP, IDNO, 60, L"&No"}};
    for (const auto& button : buttons) {
        align();
        dword(WS_CHILD | WS_VISIBLE | button.style);
        dword(0);
        words.insert(words.end(), {button.x, 25, 50, 14, button.id});
        words.insert(words.end(), {0xFFFF, 0x0080}); // the button class
        text(button.caption);
        words.push_back(0); // no creation data
    }
    return DialogBoxIndirectParamA(GetModuleHandleA(nullptr),
                                   reinterpret_cast<const DLGTEMPLATE*>(words.data()), nullptr,
                                   yesNoDialog, 0);
}

TEST(EscapeAnswersNoTest, TurnsEscapeIntoNoInABoxWithoutCancel) {
    auto escape = [](HWND box, DWORD thread) { pressKey(thread, box, VK_ESCAPE); };
    INT_PTR result = 0;
    // The premise: by itself the dialog ignores Escape (the watcher then clicks Yes).
    SeenBox seen = watch([&] { result = showYesNoDialog(); }, escape, IDYES);
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.stillOpenAfterAnswer);
    EXPECT_EQ(result, IDYES);

    {
        EscapeAnswersNo filter;
        seen = watch([&] { result = showYesNoDialog(); }, escape, IDYES);
    }
    EXPECT_FALSE(seen.stillOpenAfterAnswer);
    EXPECT_EQ(result, IDNO);

    // Gone with the filter: Escape is ignored again.
    seen = watch([&] { result = showYesNoDialog(); }, escape, IDYES);
    EXPECT_TRUE(seen.stillOpenAfterAnswer);
    EXPECT_EQ(result, IDYES);
}

TEST(EscapeAnswersNoTest, GivesNoInTheStandardYesNoBox) {
    // Without the filter Windows ignores Escape here and Wine answers IDCANCEL.
    int result = 0;
    SeenBox seen;
    {
        EscapeAnswersNo filter;
        seen = watch([&] { result = MessageBoxA(nullptr, "Go on?", "Confirm", MB_YESNO); },
                     [](HWND box, DWORD thread) { pressKey(thread, box, VK_ESCAPE); }, IDYES);
    }
    ASSERT_TRUE(seen.found);
    EXPECT_FALSE(seen.stillOpenAfterAnswer);
    EXPECT_EQ(result, IDNO);
}

} // namespace
} // namespace velk::win32
