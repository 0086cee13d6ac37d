// Whether anybody can see the program: a process on a window station of its own (as a service or
// a deployment tool's account runs) is unwatched, one on the test's own station is not.

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/unique_handles.h"
#include "test_support.h"

namespace velk::win32 {
namespace {

using testing::exitCodeAfter;
using testing::quoted;
using testing::startHelper;
using testing::toolPath;
using testing::uniqueName;

TEST(WindowStationTest, AProcessOnAStationOfItsOwnSeesItselfUnwatched) {
    const std::string station = uniqueName("VelkStation");
    UniqueHwinsta own(CreateWindowStationW(toWide(station).c_str(), 0, WINSTA_ALL_ACCESS, nullptr));
    ASSERT_TRUE(own) << GetLastError();
    // A desktop is made on the process's current station: the new one for that moment.
    HWINSTA testStation = GetProcessWindowStation();
    ASSERT_TRUE(SetProcessWindowStation(own.get()));
    UniqueHdesk desktop(CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr));
    const DWORD error = GetLastError();
    ASSERT_TRUE(SetProcessWindowStation(testStation));
    ASSERT_TRUE(desktop) << error;

    const std::string probe = quoted(toolPath("window_station_probe"));
    EXPECT_EQ(exitCodeAfter(startHelper(probe, station + "\\Default"), 20000), 1u);
    EXPECT_EQ(exitCodeAfter(startHelper(probe), 20000), 0u);
}

} // namespace
} // namespace velk::win32
