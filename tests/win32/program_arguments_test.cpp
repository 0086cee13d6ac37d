// The program's command line split by the system's rules, as deployment tools write it: quotes
// around blanks, a quoted value after a switch, names in any script.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/program_arguments.h"
#include "platform/win32/wide_text.h"

namespace velk::win32 {
namespace {

struct Split {
    std::wstring commandLine;
    std::vector<std::string> arguments;
};

TEST(ProgramArguments, AreSplitByTheSystemsRulesWithoutTheProgramsName) {
    const Split cases[] = {
        {L"VelkInstall.exe", {}},
        {L"\"C:\\Deploy\\My Blocks\\VelkInstall.exe\"   ", {}},
        {L"\"C:\\Deploy\\My Blocks\\VelkInstall.exe\" /quiet", {"/quiet"}},
        {L"VelkInstall.exe /install  -QUIET\t/lang:German", {"/install", "-QUIET", "/lang:German"}},
        // Quotes around a value, or around the whole switch, keep its blanks.
        {L"VelkInstall.exe /dir=\"C:\\Dorvan\\Usr Libs\" \"/log=C:\\Temp\\run log.txt\"",
         {"/dir=C:\\Dorvan\\Usr Libs", "/log=C:\\Temp\\run log.txt"}},
        // A backslash before the closing quote stays a backslash only when doubled.
        {L"VelkInstall.exe \"/dir=C:\\Usr Libs\\\\\" /quiet", {"/dir=C:\\Usr Libs\\", "/quiet"}},
        {L"VelkInstall.exe /dir=\"\"", {"/dir="}},
        {L"VelkInstall.exe /dir=C:\\\x0411\x0438\x0431\x043B\x0438\x043E\x0442\x0435\x043A\x0438",
         {"/dir=C:\\\xD0\x91\xD0\xB8\xD0\xB1\xD0\xBB\xD0\xB8\xD0\xBE\xD1\x82\xD0\xB5\xD0\xBA\xD0"
          "\xB8"}}, // Библиотеки
    };
    for (const Split& c : cases) {
        EXPECT_EQ(argumentsOf(c.commandLine), c.arguments) << toUtf8(c.commandLine);
    }
}

} // namespace
} // namespace velk::win32
