// Starts the installer of a package folder, waits for its main window, saves a picture of it as
// a Windows bitmap and closes the window again: how scripts/run-example shows the example
// package where there is no display to look at.
//   window_shot.exe PACKAGE_FOLDER OUTPUT.bmp
// Exit code: the installer's, or 2 when the window did not show (the reason goes to stderr).
#include <cstdio>

#include "tests/e2e/driver/capture.h"
#include "tests/e2e/driver/driver.h"

int main(int argc, char** argv) {
    using namespace velk::e2e;
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_shot PACKAGE_FOLDER OUTPUT.bmp\n");
        return 2;
    }
    try {
        Installer app = Installer::start(argv[1]);
        const Window main = app.mainWindow();
        app.settle();
        detail::writeBitmap(detail::captureWindow(main), argv[2]);
        std::printf("main window \"%s\" saved to %s\n", main.text().c_str(), argv[2]);
        main.close();
        return static_cast<int>(app.waitForExit());
    } catch (const DriverError& error) {
        std::fprintf(stderr, "window_shot: %s\n", error.what());
        return 2;
    }
}
