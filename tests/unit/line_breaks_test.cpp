// A line too wide for its window breaks at blanks, never inside brackets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/line_breaks.h"

namespace velk {
namespace {

TEST(LineBreaks, BreakAtBlanksOutsideBracketsOnly) {
    struct Row {
        const char* line;
        int maxWidth; // in characters
        std::vector<std::string> lines;
    };
    const std::vector<Row> rows{
        {"fits as it is", 13, {"fits as it is"}},
        {"one two three four", 13, {"one two three", "    four"}},
        {"VelkInstall [/install | /remove] [/dir=FOLDER]",
         24,
         {"VelkInstall", "    [/install | /remove]", "    [/dir=FOLDER]"}},
        // A group wider than the window stays whole, on a line of its own.
        {"a [/quiet | /passive] b", 8, {"a", "    [/quiet | /passive]", "    b"}},
        {"blanks  between", 8, {"blanks", "    between"}},
        {"unbreakable", 4, {"unbreakable"}},
        {"", 4, {""}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(breakLine(row.line, row.maxWidth,
                            [](const std::string& text) { return static_cast<int>(text.size()); }),
                  row.lines)
            << row.line;
    }
}

} // namespace
} // namespace velk
