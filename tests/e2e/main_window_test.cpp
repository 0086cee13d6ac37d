// End-to-end tests of the main window: what it shows at start-up (identity, info text,
// locations, proposed folder, enabling), how the location and language choices change the
// proposed folder, and how the program ends.
#include <string>
#include <vector>

#include "tests/e2e/driver/capture.h"
#include "tests/e2e/driver/e2e_fixture.h"

#ifndef VELK_E2E_SOURCE_DIR
#error "VELK_E2E_SOURCE_DIR must name the source folder (for the example package)"
#endif

namespace velk::e2e {
namespace {

using Texts = std::vector<std::string>;

const char* const kMainCaption = "Zull Installation Tool";
const char* const kNotInstalled = "Accepted Dorvan5 version is not installed.";

Texts textsOf(const std::vector<Window>& windows) {
    Texts texts;
    for (const Window& window : windows) {
        texts.push_back(window.text());
    }
    return texts;
}

std::vector<bool> checksOf(const std::vector<Window>& windows) {
    std::vector<bool> checks;
    for (const Window& window : windows) {
        checks.push_back(window.checked());
    }
    return checks;
}

// The values shown beside the four identity captions.
Texts identityOf(const Window& main) {
    return {main.labelRightOf("Name").text(), main.labelRightOf("Version").text(),
            main.labelRightOf("Distributed").text(), main.labelRightOf("Author").text()};
}

// Whether the logo box shows the example logo's blue near its top edge (not the window face).
bool showsBlueLogo(const Window& main) {
    const RECT area = main.children("VelkPicture").at(0).rect();
    const detail::Pixels logo =
        detail::captureScreen(RECT{area.left, area.top, area.left + 121, area.top + 49});
    const std::uint32_t pixel = logo.at(60, 1);
    return (pixel & 0xFF) > ((pixel >> 16) & 0xFF) + 60;
}

std::string exampleLogo() {
    return testing::sourceData(VELK_E2E_SOURCE_DIR, "examples/package/logo.bmp");
}

Window installPath(const Window& main) {
    return main.edit(1);
}
Window memoInfo(const Window& main) {
    return main.edit(0);
}

class MainWindow : public E2ETest {
  protected:
    std::string package(const PackageContents& contents) {
        return makePackage(work() + "\\pkg", contents);
    }

    // The start-up box of a package whose description accepts no installed version: it comes
    // before the main window is shown, and is answered with OK.
    static void answerNotInstalledBox(const Installer& app) {
        const MessageBoxView box = app.waitForMessageBox(kStartTimeout);
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.text, kNotInstalled);
        EXPECT_EQ(box.icon, BoxIcon::Error) << toString(box.icon);
        EXPECT_EQ(box.buttons, Texts{"OK"});
        EXPECT_FALSE(app.findWindow(kMainCaption).has_value())
            << "the main window must not be shown before the start-up box is answered";
        box.answer("OK");
    }
    static Window startThroughNotInstalledBox(const Installer& app) {
        answerNotInstalledBox(app);
        return app.mainWindow();
    }

    // After "not installed": no location can be chosen and nothing installed or removed, while
    // the buttons that need no location still work.
    static void expectLocationControlsDisabled(const Window& main) {
        EXPECT_FALSE(main.child("Button", "Location").enabled()) << "the Location group";
        for (const Window& item : main.radioItems("Location")) {
            EXPECT_FALSE(item.enabled()) << item.describe();
        }
        EXPECT_FALSE(main.button("Install").enabled());
        EXPECT_FALSE(main.button("Remove").enabled());
        EXPECT_TRUE(main.button("Exit").enabled());
        EXPECT_TRUE(main.button("File List...").enabled());
        EXPECT_TRUE(main.button("Browse").enabled());
        EXPECT_TRUE(installPath(main).enabled());
        EXPECT_EQ(installPath(main).text(), "");
    }
};

// The example package as shipped: every section of its description reaches the window, the
// logo is drawn, the newer of the two installed versions is proposed. The screenshot of this
// test is the one to look at.
TEST_F(MainWindow, ShowsTheExamplePackage) {
    const HostFolders v13 = addHostVersion(work() + "\\host", "1.3");
    const HostFolders v14 = addHostVersion(work() + "\\host", "1.4");
    const std::string pkg = work() + "\\example";
    copyTree(testing::sourceData(VELK_E2E_SOURCE_DIR, "examples/package"), pkg);
    copyFile(programPath(), pkg + "\\VelkInstall.exe");

    Installer app = Installer::start(pkg);
    const Window main = app.mainWindow();
    EXPECT_FALSE(app.findMessageBox().has_value());

    EXPECT_EQ(main.clientSize().cx, 545);
    EXPECT_EQ(main.clientSize().cy, 261);
    EXPECT_EQ(main.style() & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX), 0)
        << "fixed-size window with only the close box";

    EXPECT_EQ(identityOf(main),
              (Texts{"ZullDemo", "2.1.0", "Velk-Marden Library Service", "Zull Demo Team"}));
    EXPECT_EQ(memoInfo(main).text(), "ZullDemo: function blocks for Dorvan5.\r\n"
                                     "Free for evaluation and teaching; see readme.txt.");

    const std::vector<Window> locations = main.radioItems("Location");
    EXPECT_EQ(textsOf(locations), (Texts{"Dorvan5 V1.4", "Dorvan5 V1.3"}));
    EXPECT_EQ(checksOf(locations), (std::vector<bool>{true, false}));
    const std::vector<Window> languages = main.radioItems("Default language");
    EXPECT_EQ(textsOf(languages), (Texts{"English", "German", "French"}));
    EXPECT_EQ(checksOf(languages), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(installPath(main).text(), v14.usr);
    // Screen readers name the field after the window right before it: its label.
    EXPECT_EQ(Window(GetWindow(installPath(main).hwnd(), GW_HWNDPREV)).text(), "Install &Path");
    EXPECT_TRUE(main.button("Readme...").enabled());
    EXPECT_TRUE(main.button("Install").enabled());
    EXPECT_TRUE(main.button("Remove").enabled());

    EXPECT_TRUE(showsBlueLogo(main));

    main.screenshot(shotName("main-window"));
    main.button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
    EXPECT_EQ(filesIn(v13.usr), Texts{});
    EXPECT_EQ(filesIn(v14.usr), Texts{});
}

// Description values with the default version, an empty distributor, and an info text whose
// "\n" separators give empty lines too.
TEST_F(MainWindow, ShowsIdentityAndInfoLines) {
    addHostVersion(work() + "\\host", "1.4");
    const std::string pkg =
        package({.description = "[About]\nName=Gauges\nDistributed=\nAuthor=A. Writer\n"
                                "[Licence]\nText=First line\\n\\nThird line\\n\n"
                                "[Dorvan]\nDorvan5_14=Yes\n"});
    Installer app = Installer::start(pkg);
    const Window main = app.mainWindow();
    EXPECT_EQ(identityOf(main), (Texts{"Gauges", "1.0.0", "", "A. Writer"}));
    EXPECT_EQ(memoInfo(main).text(), "First line\r\n\r\nThird line");
    EXPECT_FALSE(main.button("Readme...").enabled()) << "the package has no readme";
    main.button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
}

struct LocationCase {
    const char* libs;                 // [Dorvan] Dorvan5Libs
    bool newestLast;                  // versions listed 1.3 then 1.4 (else 1.4 then 1.3)
    std::string HostFolders::*folder; // the folder that value selects
};

class Locations : public MainWindow, public ::testing::WithParamInterface<LocationCase> {};

// Two accepted installed versions appear in reverse file order, the first one chosen and its
// library folder (of the kind the description names) proposed; choosing the second one
// proposes its folder. Accepted versions that are not installed, and versions not marked
// "Yes", never appear.
TEST_P(Locations, OfferInstalledVersionsInReverseFileOrder) {
    const LocationCase& param = GetParam();
    const HostFolders v13 = addHostVersion(work() + "\\host", "1.3");
    const HostFolders v14 = addHostVersion(work() + "\\host", "1.4");
    addHostVersion(work() + "\\host", "1.1"); // installed, but not accepted below
    const std::string versions =
        param.newestLast ? "Dorvan5_13=Yes\nDorvan5_14=Yes\n" : "Dorvan5_14=Yes\nDorvan5_13=Yes\n";
    const std::string pkg =
        package({.description = "[About]\nName=Loc\n[Dorvan]\nDorvan5_11=No\nDorvan5_12=Yes\n" +
                                versions + "Dorvan5Libs=" + param.libs + "\n"});
    const HostFolders& first = param.newestLast ? v14 : v13;
    const HostFolders& second = param.newestLast ? v13 : v14;

    Installer app = Installer::start(pkg);
    const Window main = app.mainWindow();
    const std::vector<Window> locations = main.radioItems("Location");
    EXPECT_EQ(textsOf(locations), param.newestLast ? (Texts{"Dorvan5 V1.4", "Dorvan5 V1.3"})
                                                   : (Texts{"Dorvan5 V1.3", "Dorvan5 V1.4"}));
    EXPECT_EQ(checksOf(locations), (std::vector<bool>{true, false}));
    EXPECT_EQ(installPath(main).text(), first.*param.folder);

    ASSERT_EQ(locations.size(), 2u);
    locations[1].click();
    app.settle();
    EXPECT_EQ(checksOf(locations), (std::vector<bool>{false, true}));
    EXPECT_EQ(installPath(main).text(), second.*param.folder);

    locations[0].click();
    app.settle();
    EXPECT_EQ(installPath(main).text(), first.*param.folder);
    main.close();
    EXPECT_EQ(app.waitForExit(), 0u);
}

INSTANTIATE_TEST_SUITE_P(LibraryKinds, Locations,
                         ::testing::Values(LocationCase{"Std", true, &HostFolders::std},
                                           LocationCase{"App", false, &HostFolders::app},
                                           LocationCase{"Usr", true, &HostFolders::usr},
                                           LocationCase{"app", false, &HostFolders::usr}),
                         [](const auto& info) {
                             return std::string(info.param.libs) +
                                    (info.param.newestLast ? "_NewestLast" : "_NewestFirst");
                         });

// A folder typed by the user is replaced by the chosen location's folder when the default
// language changes, too; a location whose library folder value is missing leaves the text.
TEST_F(MainWindow, ChoosingALanguageReplacesATypedFolder) {
    const HostFolders v14 = addHostVersion(work() + "\\host", "1.4");
    const HostFolders v13 = addHostVersion(work() + "\\host", "1.3");
    setHostValue("1.3", "UsrLibDir", "");
    const std::string pkg =
        package({.description = "[Dorvan]\nDorvan5_13=Yes\nDorvan5_14=Yes\n"
                                "[Languages]\nCount=2\nLang0=English\nLang1=German\nSelected=0\n"});
    Installer app = Installer::start(pkg);
    const Window main = app.mainWindow();
    ASSERT_EQ(installPath(main).text(), v14.usr);

    const std::string typed = work() + "\\typed";
    installPath(main).setText(typed);
    app.settle();
    EXPECT_EQ(installPath(main).text(), typed);
    main.radioItems("Default language").at(1).click();
    app.settle();
    EXPECT_TRUE(main.radioItems("Default language").at(1).checked());
    EXPECT_EQ(installPath(main).text(), v14.usr) << "the typed folder is discarded";

    installPath(main).setText(typed);
    main.radioItems("Location").at(1).click(); // 1.3: no user library folder
    app.settle();
    EXPECT_TRUE(main.radioItems("Location").at(1).checked());
    EXPECT_EQ(installPath(main).text(), typed);
    main.button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
}

// [About] Picture names a file of the program's folder, whatever folder it names with it: a
// logo that lies only in the named folder is not shown, and its absence is not reported.
TEST_F(MainWindow, LogoComesFromTheProgramFolder) {
    addHostVersion(work() + "\\host", "1.4");
    const std::string elsewhere = work() + "\\art\\brand.bmp";
    copyFile(exampleLogo(), elsewhere);
    for (const bool beside : {true, false}) {
        SCOPED_TRACE(beside ? "logo beside the program" : "logo only in the named folder");
        const std::string pkg = package(
            {.description = "[About]\nPicture=" + elsewhere + "\n[Dorvan]\nDorvan5_14=Yes\n"});
        if (beside) {
            copyFile(exampleLogo(), pkg + "\\brand.bmp");
        }
        Installer app = Installer::start(pkg);
        const Window main = app.mainWindow();
        app.settle();
        EXPECT_FALSE(app.findMessageBox().has_value());
        EXPECT_EQ(showsBlueLogo(main), beside);
        main.close();
        EXPECT_EQ(app.waitForExit(), 0u);
    }
}

// An error that start-up does not handle (here a logo of a type the logo box cannot show) is
// shown by the general error report; start-up stops at that step, so no location is chosen
// and no folder proposed, and the window still opens for the user.
TEST_F(MainWindow, StartUpErrorIsReportedAndTheWindowOpens) {
    addHostVersion(work() + "\\host", "1.4");
    const std::string pkg = package(
        {.description = "[About]\nName=Broken\nPicture=logo.gif\n[Dorvan]\nDorvan5_14=Yes\n",
         .files = {{"logo.gif", "GIF89a"}}});
    Installer app = Installer::start(pkg);
    const MessageBoxView box = app.waitForMessageBox(kStartTimeout);
    EXPECT_EQ(box.caption, "VELK Zull Installer");
    EXPECT_EQ(box.icon, BoxIcon::Error) << toString(box.icon);
    EXPECT_EQ(box.buttons, Texts{"OK"});
    EXPECT_NE(box.text.find("logo.gif"), std::string::npos) << box.text;
    box.window.screenshot(shotName("error-report"));
    box.answer("OK");

    const Window main = app.mainWindow();
    EXPECT_EQ(main.labelRightOf("Name").text(), "Broken");
    EXPECT_EQ(textsOf(main.radioItems("Location")), Texts{"Dorvan5 V1.4"});
    EXPECT_EQ(checksOf(main.radioItems("Location")), std::vector<bool>{false});
    EXPECT_EQ(installPath(main).text(), "");
    EXPECT_TRUE(main.button("Install").enabled());
    main.button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
}

// The description accepts only a version that is not installed: the error box, then a window
// that can list files and browse but neither install nor remove.
TEST_F(MainWindow, AcceptedVersionNotInstalled) {
    addHostVersion(work() + "\\host", "1.3");
    const std::string pkg =
        package({.description = "[About]\nName=Orphan\nVersion=3.0\n[Dorvan]\nDorvan5_14=Yes\n",
                 .files = {{"Libs\\readme.txt", "read me"}, {"Libs\\a.zfb", "block"}}});
    Installer app = Installer::start(pkg);
    const Window main = startThroughNotInstalledBox(app);
    expectLocationControlsDisabled(main);
    EXPECT_EQ(identityOf(main), (Texts{"Orphan", "3.0", "", ""}));
    EXPECT_TRUE(main.button("Readme...").enabled());
    main.screenshot(shotName("main-window"));
    main.button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
}

// An unattended run on a machine without an accepted version: the start-up box waits for its
// OK first; then the first activation installs into the unattended path although "Install"
// is disabled, asks nothing, and ends the program.
TEST_F(MainWindow, UnattendedRunGoesOnAfterTheNotInstalledBox) {
    const std::string target = work() + "\\silent-target";
    makeFolder(target);
    setUnattended(target, "German", "activated");
    const std::string pkg =
        package({.description = "[Dorvan]\nDorvan5_14=Yes\n[Languages]\nCount=1\nLang0=German\n",
                 .files = {{"Libs\\a.zfb", "block"}, {"Libs\\German\\texts.txt", "Texte"}}});
    Installer app = Installer::start(pkg);
    answerNotInstalledBox(app);
    EXPECT_EQ(app.waitForExit(), 0u);
    EXPECT_EQ(filesIn(target), (Texts{"Demo.lin", "a.zfb", "texts.txt"}));
    EXPECT_EQ(filesIn(target + "\\German"), Texts{"texts.txt"});
}

// A program folder without "Libs": the same box; nothing of a description is shown, the
// layout's location and languages stay, the location chosen but disabled, no language chosen.
TEST_F(MainWindow, ProgramFolderWithoutLibs) {
    addHostVersion(work() + "\\host", "1.4");
    const std::string pkg = package({.libsFolder = false});
    Installer app = Installer::start(pkg);
    const Window main = startThroughNotInstalledBox(app);
    expectLocationControlsDisabled(main);
    EXPECT_EQ(identityOf(main), (Texts{"", "", "", ""}));
    EXPECT_EQ(memoInfo(main).text(), "");
    EXPECT_EQ(textsOf(main.radioItems("Location")), Texts{"Dorvan5"});
    EXPECT_EQ(checksOf(main.radioItems("Location")), std::vector<bool>{true});
    const std::vector<Window> languages = main.radioItems("Default language");
    EXPECT_EQ(textsOf(languages), (Texts{"English", "France", "German", "Italien"}));
    EXPECT_EQ(checksOf(languages), (std::vector<bool>{false, false, false, false}));
    EXPECT_FALSE(main.button("Readme...").enabled());
    main.close();
    EXPECT_EQ(app.waitForExit(), 0u);
}

// Both ways out end the program with exit code 0, ask nothing and touch no file.
TEST_F(MainWindow, ExitAndCloseBoxEndTheProgram) {
    const HostFolders v14 = addHostVersion(work() + "\\host", "1.4");
    const std::string pkg =
        package({.description = "[Dorvan]\nDorvan5_14=Yes\n", .files = {{"Libs\\a.zfb", "block"}}});
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Exit");
        Installer app = Installer::start(pkg);
        const Window main = app.mainWindow();
        if (closeBox) {
            main.close();
        } else {
            main.button("Exit").click();
        }
        EXPECT_EQ(app.waitForExit(), 0u);
        EXPECT_FALSE(main.exists());
    }
    EXPECT_EQ(filesIn(v14.usr), Texts{});
    EXPECT_EQ(filesIn(pkg + "\\Libs"), (Texts{"Demo.lin", "a.zfb"}));
}

} // namespace
} // namespace velk::e2e
