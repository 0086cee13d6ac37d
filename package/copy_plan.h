#pragma once
// The plan of an installation: which package folders are copied into which folders of the
// target, in what order. Made in one place, before anything is copied; the package files of each
// folder are listed one by one as package/install_transaction.h carries it out, never held.
//
// In copying order: the base files of "Libs" into the target; the folder of every language the
// description lists, each distinct name (as Windows makes it, compared as file names) once at its
// first listing, into a subfolder of the target of that name (the empty name into the target
// itself); then the default language's files into the target itself, where they take the place of
// base files of the same name.

#include <optional>
#include <string>
#include <vector>

#include "package/package_description.h"
#include "package/package_files.h"
#include "platform/file_system.h"

namespace velk {

// One package folder copied into one folder of the target.
struct FolderCopy {
    std::string source; // the package folder
    // The folder of the target it goes to: 0 the target itself, i the target's subfolder named
    // CopyPlan::subfolders[i - 1].
    std::size_t into = 0;
};

struct CopyPlan {
    std::string target;          // the target folder, as every path below is made from it
    std::string descriptionFile; // the package description's bare name
    std::string packageFolder;   // the folder that holds "Libs": no file is taken from outside it
    std::vector<std::string> subfolders; // the language folders below the target, each once
    std::vector<FolderCopy> copies;      // in copying order

    // The path of folder `into` of the target (see FolderCopy::into).
    std::string folderPath(std::size_t into) const {
        return into == 0 ? target : target + "\\" + subfolders[into - 1];
    }
    // What the names of the package make of the plan, looked at before anything is copied.
    struct NameCheck {
        // The first package file or language folder the plan puts into the target under a name
        // that an installation or removal keeps for its work folder (isReservedName), as its
        // package path. Such a package would plant what a later run takes for its own work.
        std::optional<std::string> reserved;
        // The places of the target, in copying order, whose names Windows takes for devices
        // ("CON.txt", "aux"): no file or folder can be made there, nor a package file of that
        // name be read.
        std::vector<std::string> devices;
    };
    // One listing of each package folder.
    NameCheck checkNames(FileSystem& files) const;
};

// The languages installation copies (PackageDescription::copiedLanguages), each distinct name
// once, at its first listing, as Windows makes the folder's name (madeName: "German." is
// "German") and compared as file names. Only the keys present are visited, so a huge Count
// costs nothing.
std::vector<std::string> plannedLanguages(FileSystem& files, const PackageDescription& description);

struct InstallRequest {
    std::string libsFolder;      // the package's "Libs" folder
    std::string target;          // the target folder, in the one form every path is made from
    std::string descriptionFile; // the package description's bare name
    std::vector<std::string> languages;         // as plannedLanguages gives them
    std::optional<std::string> defaultLanguage; // none: no default language is copied
};

// The plan: every package folder the installation copies. A language folder the package lacks is
// still planned: it has no files. Files that are links leading out of the package are left out,
// and their folder's listing counts as not complete (eachPackageFile).
CopyPlan planInstallation(const InstallRequest& request);

} // namespace velk
