#include <gtest/gtest.h>

#include "app/error_report.h"
#include "platform/app_error.h"
#include "tests/unit/fakes/fake_message_boxes.h"

namespace velk {
namespace {

TEST(ErrorReport, AppendsAFullStopOnlyAfterCharactersSortingAfterIt) {
    // A closing quote sorts before ".", so no full stop follows it.
    EXPECT_EQ(errorReportText("Invalid data type for 'Path'"), "Invalid data type for 'Path'");
    EXPECT_EQ(errorReportText("Disk full"), "Disk full.");
    EXPECT_EQ(errorReportText("Done."), "Done.");
    EXPECT_EQ(errorReportText("Really!"), "Really!"); // '!' sorts before '.'
    EXPECT_EQ(errorReportText("a-"), "a-");
    EXPECT_EQ(errorReportText("a/"), "a/.");
    EXPECT_EQ(errorReportText(""), "");
}

TEST(ErrorReport, ShowsAnEscapingErrorAndEndsTheAction) {
    testing::FakeMessageBoxes boxes;
    bool after = false;
    EXPECT_FALSE(runReportingErrors(boxes, [&] {
        throw AppError("Cannot open file \"C:\\x.lin\". Access denied");
        after = true;
    }));
    EXPECT_FALSE(after);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, "report");
    EXPECT_EQ(boxes.shown[0].text, "Cannot open file \"C:\\x.lin\". Access denied.");
    EXPECT_TRUE(runReportingErrors(boxes, [] {}));
}

} // namespace
} // namespace velk
