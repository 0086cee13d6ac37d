#pragma once
// The tests run on Windows and under Wine. Each states what Windows does; where Wine does
// otherwise, the difference is marked in one way, with its reason as text, and reported in the
// test's output, never passed over in silence:
//
//   VELK_WINDOWS_ONLY("Wine keeps no owners");   first in a test that shows what only Windows
//                                                can: under Wine it is skipped with the reason
//   VELK_WINE_ONLY("a Unix link");               first in a test that needs Wine itself: skipped
//                                                on Windows with the reason
//   VELK_UNLESS_WINE("Wine's Restart Manager names nobody")
//       EXPECT_EQ(programs.size(), 1u);          the expectation of what Windows does; under Wine
//                                                the line "Wine differs (Suite.Test): reason" is
//                                                printed (and kept in the XML report) instead
//
// The reports start with "Windows only (", "Wine only (" and "Wine differs (", followed by the
// test's name, so that one search of the output lists them all.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace velk::testing {

// Whether this process runs under Wine: Wine's ntdll exports wine_get_version, Windows' none.
inline bool underWine() {
    static const bool wine =
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

// "Suite.Test" of the test that runs now.
inline std::string currentTest() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info == nullptr ? std::string("?")
                           : std::string(info->test_suite_name()) + "." + info->name();
}

// A report of one marked difference: "<kind> (Suite.Test): <reason>".
inline std::string differenceReport(const char* kind, const std::string& reason) {
    return std::string(kind) + " (" + currentTest() + "): " + reason;
}

// Under Wine, reports the marked difference and answers true: the caller leaves out the
// expectation of what Windows does. On Windows false.
inline bool wineDiffers(const std::string& reason) {
    if (!underWine()) {
        return false;
    }
    const std::string report = differenceReport("Wine differs", reason);
    std::printf("%s\n", report.c_str());
    std::fflush(stdout);
    ::testing::Test::RecordProperty("wine_differs", reason);
    return true;
}

} // namespace velk::testing

#define VELK_WINDOWS_ONLY(reason)                                                                  \
    if (::velk::testing::underWine())                                                              \
    GTEST_SKIP() << ::velk::testing::differenceReport("Windows only", reason)

#define VELK_WINE_ONLY(reason)                                                                     \
    if (!::velk::testing::underWine())                                                             \
    GTEST_SKIP() << ::velk::testing::differenceReport("Wine only", reason)

// The statement that follows runs only on Windows; `switch` keeps an `else` after it from
// attaching here.
#define VELK_UNLESS_WINE(reason)                                                                   \
    switch (0)                                                                                     \
    case 0:                                                                                        \
    default:                                                                                       \
        if (::velk::testing::wineDiffers(reason)) {                                                \
        } else
