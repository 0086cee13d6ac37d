#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/long_path.h"
#include "tests/unit/install_fixture.h"

namespace velk::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using Box = FakeMessageBoxes::Shown;

struct TypedTarget {
    const char* typed;
    bool refused;
    // Folders at or below this one have no identity (a file server that gives none)...
    const char* withoutIdentity = nullptr;
    // ... or cannot be resolved to the place they lie in either.
    const char* unresolvable = nullptr;
};

void PrintTo(const TypedTarget& target, std::ostream* out) {
    *out << target.typed;
    if (target.withoutIdentity != nullptr) {
        *out << " (no identity at " << target.withoutIdentity << ")";
    }
    if (target.unresolvable != nullptr) {
        *out << " (unresolvable at " << target.unresolvable << ")";
    }
}

class PackageAsTarget : public InstallFixture, public ::testing::WithParamInterface<TypedTarget> {};

// A target in the package's own "Libs" folder is refused before anything is asked, in an
// unattended run too; folders beside it and above it are ordinary targets, whose installation
// leaves the package as it was. Where folders have no identity their places are compared by
// name; a target whose place cannot be told at all is refused. A relative target starts at
// "Libs", not at the process's current folder (the root of drive C: here).
TEST_P(PackageAsTarget, IsRefusedWhenItIsLibsOrBelowIt) {
    const TypedTarget& target = GetParam();
    fake.files.addFolder("C:\\pkg\\Libs2");
    if (target.withoutIdentity != nullptr) {
        fake.files.withoutIdentity.push_back(target.withoutIdentity);
    }
    if (target.unresolvable != nullptr) {
        fake.files.unresolvable.push_back(target.unresolvable);
    }
    TFormInstall& window = start();
    window.eInstallDir.setText(target.typed);
    const std::string folder = fake.files.normalise(
        isFullPath(target.typed) ? target.typed : std::string(kLibs) + target.typed);

    window.btInstall.click();

    if (target.refused) {
        window.silentMode = true;
        window.btInstall.click();
        window.btRemove.click();
        const std::string refusal =
            "The target folder lies in the package's own \"Libs\" folder: the library cannot be ";
        EXPECT_THAT(fake.boxes.shown, ElementsAre(Box{"error", refusal + "installed there."},
                                                  Box{"error", refusal + "installed there."},
                                                  Box{"error", refusal + "removed there."}));
        EXPECT_THAT(logged("copy"), IsEmpty());
        EXPECT_THAT(logged("mkdir"), IsEmpty());
        EXPECT_THAT(logged("delete"), IsEmpty());
        EXPECT_FALSE(window.closed());
        EXPECT_EQ(window.exitCode, 0);
    } else {
        EXPECT_THAT(fake.boxes.shown,
                    ElementsAre(Box{"information", "Library installation was successful."}));
        EXPECT_EQ(fake.files.content(folder + "\\texts.txt"), "german texts");
        EXPECT_EQ(fake.files.content(std::string(kLibs) + "texts.txt"), "base texts");
        EXPECT_THAT(fake.files.filesIn(kLibs),
                    ElementsAre("a.zlb", "b.zlb", "demo.lin", "texts.txt"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    InstallAndRemove, PackageAsTarget,
    ::testing::Values(TypedTarget{"C:\\PKG\\libs\\", true},
                      TypedTarget{"c:\\pkg\\Libs\\German", true},
                      TypedTarget{"C:\\pkg\\.\\Libs", true}, //
                      TypedTarget{".", true},                //
                      TypedTarget{"C:\\pkg\\Libs2", false},  //
                      TypedTarget{"C:\\pkg", false},         //
                      TypedTarget{"..", false},
                      // From the root of the drive of "Libs", and on its drive.
                      TypedTarget{"\\pkg\\Libs\\German", true}, TypedTarget{"C:German", true},
                      // Compared by name where folders have no identity.
                      TypedTarget{"C:\\PKG\\libs\\", true, "C:\\"},
                      TypedTarget{"c:\\pkg\\Libs\\German", true, "C:\\pkg"},
                      TypedTarget{".", true, "C:\\pkg\\Libs"},
                      TypedTarget{"C:\\pkg\\Libs2", false, "C:\\"},
                      TypedTarget{"..", false, "C:\\"},
                      // A target whose place cannot be told; a "Libs" whose place cannot be told
                      // is taken where its full path names it.
                      TypedTarget{"C:\\dorvan\\usr", true, nullptr, "C:\\dorvan\\usr"},
                      TypedTarget{"C:\\dorvan\\usr", false, nullptr, "C:\\pkg\\Libs"}));

} // namespace
} // namespace velk::testing
