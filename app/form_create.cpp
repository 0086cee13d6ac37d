#include <algorithm>
#include <cctype>
#include <exception>
#include <optional>
#include <string>

#include "app/error_report.h"
#include "app/form_install.h"
#include "app/host_suite.h"
#include "package/description_file.h"
#include "package/package_rules.h"
#include "package/text_compare.h"
#include "platform/app_error.h"

namespace velk {

namespace {

// The picture types the logo box can show, chosen by the file's extension.
void checkPictureType(const std::string& path) {
    const std::string extension = extensionOf(path);
    if (!isShownPictureType(extension)) {
        throw AppError("Cannot show the logo \"" + path + "\": pictures of type \"" + extension +
                       "\" are not supported (use .bmp, .ico, .emf or .wmf)");
    }
}

} // namespace

void TFormInstall::FormCreate() {
    acceptedVersions.clear();
    activatedOnce = false;

    // The command line first: from here on a quiet or passive run shows no box.
    commandLine = readCommandLine(arguments_);
    runLog_.commandLine(arguments_, commandLine);
    if (commandLine.unattended()) {
        boxes_.answerForDeployment();
    }
    // Only an unattended run works without anybody at the desktop, who alone could use the
    // window: without one the program ends at once.
    const bool anybodyThere = platform_.boxes.seen();
    const auto startLog = [&] {
        runLog_.start(platform_.files.programFolder(), anybodyThere, commandLine.display);
    };
    const auto endUnlessUnattended = [&] {
        if (unattended() || anybodyThere) {
            return false;
        }
        runLog_.write("No unattended run, and nobody at the desktop can use the window: the "
                      "program ends");
        exitCode = kExitNotInstalled;
        close();
        return true;
    };
    // Settings left for an unattended run that cannot be read make a run that did not install.
    exitCode = kExitNotInstalled;
    std::exception_ptr unreadable;
    try {
        readUnattendedSettings();
    } catch (const std::exception&) {
        unreadable = std::current_exception();
    }
    // A bad command line does nothing at all: whoever wrote it meant something else.
    if (!commandLine.error.empty()) {
        startLog();
        exitCode = kExitBadCommandLine;
        platform_.boxes.error("The command line is bad: " + commandLine.error +
                              ". Nothing was done.\rVelkInstall /? lists its switches.");
        close();
        return;
    }
    if (commandLine.help) {
        runLog_.operation(RunLog::Operation::Help);
        exitCode = kExitInstalled;
        if (platform_.boxes.seen()) {
            const std::string version =
                platform_.log != nullptr ? " " + platform_.log->programVersion() : "";
            platform_.boxes.showText(kProgramTitle + version, commandLineHelp());
        } else {
            startLog();
            runLog_.lines(commandLineHelp());
        }
        close();
        return;
    }
    if (unreadable) {
        startLog();
        endUnlessUnattended();
        std::rethrow_exception(unreadable); // the general error report, logged
    }
    const std::string settings = takeStartSettings();
    // An unattended run has installed nothing until an installation runs to its end.
    exitCode = unattended() ? kExitNotInstalled : kExitInstalled;
    if (unattended() || !anybodyThere || commandLine.log) {
        startLog();
    }
    if (commandLine.read) {
        runLog_.write(settings);
    }
    if (endUnlessUnattended()) {
        return;
    }

    packageFolder = platform_.files.programFolder();
    findDescriptionFile(packageFolder);
    readDescription(descriptionFile.empty() ? std::string()
                                            : packageFolder + "Libs\\" + descriptionFile);
    runLog_.write(descriptionFile.empty()
                      ? "No package description in " + packageFolder + std::string(kLibsFolder)
                      : "Library " + libName + " " + libVersion + ", described in " +
                            packageFolder + std::string(kLibsFolder) + "\\" + descriptionFile);

    // A default language that the package does not offer: whoever wrote the command line meant
    // another package, or another language, and nothing is done.
    if (commandLine.language && !descriptionFile.empty() &&
        std::none_of(rgLang.items().begin(), rgLang.items().end(), [this](const std::string& item) {
            return sameTextAscii(item, *commandLine.language);
        })) {
        std::string offered;
        for (const std::string& item : rgLang.items()) {
            offered += (offered.empty() ? "" : ", ") + item;
        }
        exitCode = kExitBadCommandLine;
        platform_.boxes.error("The command line is bad: /lang=" + *commandLine.language +
                              " names no language of the package (" +
                              (offered.empty() ? std::string("it has none") : offered) +
                              "). Nothing was done.\rVelkInstall /? lists its switches.");
        close();
        return;
    }

    lLibName.setText(libName);
    lLibVersion.setText(libVersion);
    lLibDistributed.setText(libDistributed);
    lLibAuthor.setText(libAuthor);
    if (!libName.empty()) {
        ImLogo.setName(libName);
    }

    btReadme.setEnabled(platform_.files.fileExists(readmePath(packageFolder)));

    const std::string logoPath = packageFolder + fileNamePart(logoFile);
    if (platform_.files.fileExists(logoPath)) {
        checkPictureType(logoPath);
        ImLogo.setFileName(logoPath);
    }

    if (!grLocation.items().empty()) {
        grLocation.setItemIndex(0);
    }

    if (acceptedVersions.empty()) {
        platform_.boxes.error("Accepted Dorvan5 version is not installed.");
        grLocation.setEnabled(false);
        btInstall.setEnabled(false);
        btRemove.setEnabled(false);
    } else {
        std::string folder;
        if (findHostLibraryFolder(platform_.registry, platform_.files, acceptedVersions[0],
                                  targetLibKind, folder)) {
            eInstallDir.setText(folder);
        }
    }
}

void TFormInstall::readUnattendedSettings() {
    auto key = platform_.registry.openLocalMachine(kUnattendedKey);
    if (!key) {
        return;
    }
    // Where the log goes is read first, so that a run whose other settings cannot be read logs that
    // where it was asked to. Every value read goes to the log.
    runLog_.readSetting(*key, "Log");
    silentPath = runLog_.readSetting(*key, "Path");
    silentLanguage = runLog_.readSetting(*key, "Language");
    silentMode = sameTextAscii(runLog_.readSetting(*key, "Silent"), "activated");
    const std::string wait = runLog_.readSetting(*key, "WaitInUse");
    if (!wait.empty()) {
        waitInUse = waitSeconds(wait);
        if (!waitInUse) {
            throw AppError("Invalid value \"" + wait + "\" for 'WaitInUse' (seconds from 0 to " +
                           std::to_string(kLongestWaitInUse) + ")");
        }
    }
}

std::string TFormInstall::takeStartSettings() {
    using Action = CommandLine::Action;
    const bool keyAsks = silentMode;
    // A quiet or passive run asks its questions of the deployment that started it, which
    // answers each; the key's unattended run asks none.
    if (commandLine.unattended()) {
        silentMode = false;
    }
    startAction = commandLine.action != Action::None    ? commandLine.action
                  : commandLine.unattended() || keyAsks ? Action::Install
                                                        : Action::None;
    if (startAction == Action::Remove) {
        runLog_.operation(RunLog::Operation::Removal);
    }
    startTarget = commandLine.dir ? commandLine.dir
                  : keyAsks       ? std::optional(silentPath)
                                  : std::nullopt;
    startLanguage = commandLine.language ? commandLine.language
                    : keyAsks            ? std::optional(silentLanguage)
                                         : std::nullopt;
    if (commandLine.waitInUse) {
        waitInUse = commandLine.waitInUse;
    }
    waitUnasked = commandLine.unattended();

    // What the run does and where each setting came from, for the log.
    const std::string fromCommandLine = " (command line)";
    const std::string fromKey = " (unattended-install key)";
    std::string used = "Settings used: ";
    switch (startAction) {
    case Action::Install:
        used += "installation";
        break;
    case Action::Remove:
        used += "removal";
        break;
    case Action::None:
        used += "nothing until the user chooses";
        break;
    }
    used += commandLine.action != Action::None ? fromCommandLine
            : commandLine.unattended()
                ? " (command line: the default of " +
                      std::string(commandLine.display == CommandLine::Display::Quiet ? "/quiet"
                                                                                     : "/passive") +
                      ")"
            : keyAsks ? fromKey
                      : std::string();
    switch (commandLine.display) {
    case CommandLine::Display::Quiet:
        used += ", quiet" + fromCommandLine;
        break;
    case CommandLine::Display::Passive:
        used += ", passive" + fromCommandLine;
        break;
    case CommandLine::Display::None:
        used += keyAsks ? ", unattended without questions" + fromKey : ", with the window";
        break;
    }
    used += startTarget ? ", target \"" + *startTarget + "\"" +
                              (commandLine.dir ? fromCommandLine : fromKey)
                        : std::string(", the target folder the window offers");
    used += startLanguage ? ", default language \"" + *startLanguage + "\"" +
                                (commandLine.language ? fromCommandLine : fromKey)
                          : std::string(", the description's default language");
    used += ", " + runLog_.logNamed();
    used += waitInUse ? ", wait for files in use " + std::to_string(*waitInUse) + " s" +
                            (commandLine.waitInUse ? fromCommandLine : fromKey)
                      : std::string();
    return used;
}

} // namespace velk
