#pragma once
// The fixture of every end-to-end test: a desktop that is shown is required (under Wine a
// display; on Windows a test finds none where the runner shows no desktop and is skipped, saying
// so), the host suite's registry keys are removed before and after each test, and each test gets
// a fresh work folder of its own.
//
//   TEST_F(E2ETest, Something) {
//       std::string pkg = makePackage(work() + "\\pkg", {...});
//       ...
//   }

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/driver/driver.h"
#include "tests/test_places.h"
#include "tests/wine_differences.h"

namespace velk::e2e {

class E2ETest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // <build>\e2e-work\<suite>.<test>, empty at the start of the test.
    const std::string& work() const { return work_; }
    // A name for screenshots: <suite>.<test>-<what>.
    std::string shotName(const std::string& what) const;

  private:
    std::string work_;
};

// Expects the next message box of `app` to be of this kind with this text, and answers it.
void expectBox(const Installer& app, const std::string& caption, const std::string& text,
               const std::string& answer);

} // namespace velk::e2e
