#include "tests/e2e/driver/e2e_fixture.h"

namespace velk::e2e {

namespace {

std::string currentTestName() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name) {
        if (c == '/' || c == '\\' || c == ':') {
            c = '_';
        }
    }
    return name;
}

// Why the desktop this process runs on is shown to nobody, "" when it is shown: a window
// station that is not visible (a service's), or no desktop that takes input (a session that is
// locked or not connected), where no window can be seen or clicked.
std::string desktopNotShown() {
    USEROBJECTFLAGS flags{};
    if (GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags,
                                  nullptr) &&
        (flags.dwFlags & WSF_VISIBLE) == 0) {
        return "the window station is not visible";
    }
    HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (input == nullptr) {
        return "no desktop takes input (error " + std::to_string(GetLastError()) + ")";
    }
    CloseDesktop(input);
    return {};
}

} // namespace

void E2ETest::SetUp() {
    if (testing::underWine()) {
        if (GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0) {
            GTEST_FAIL() << "No DISPLAY: the end-to-end tests drive real windows and need a "
                            "display (run them inside xvfb-run, as scripts/test does).";
        }
    } else if (const std::string why = desktopNotShown(); !why.empty()) {
        GTEST_SKIP() << testing::differenceReport("No desktop",
                                                  "this test drives real windows, and " + why);
    }
    clearRegistry();
    work_ = workRoot() + "\\" + currentTestName();
    removeTree(work_);
    makeFolder(work_);
}

void E2ETest::TearDown() {
    clearRegistry();
}

std::string E2ETest::shotName(const std::string& what) const {
    return currentTestName() + "-" + what;
}

void expectBox(const Installer& app, const std::string& caption, const std::string& text,
               const std::string& answer) {
    const MessageBoxView box = app.waitForMessageBox();
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.text, text);
    box.answer(answer);
}

} // namespace velk::e2e
