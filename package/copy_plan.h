#pragma once
// The copying of an installation: what goes where, listed in full before the first copy, and the
// copying itself, which never leaves a file of the target half-written.
//
// A file new to the target is copied directly. A file that is there already is replaced only by
// a complete copy: the new one is copied beside it under a temporary name and then swapped in;
// when that fails, the old file stays as it was and the temporary file is deleted. Installed
// files never keep the read-only attribute of their source, so that the next installation and
// the removal can replace and delete them. The installed package description is copied last and,
// once any copy has failed, is not replaced: it must not name a version whose files are not all
// there. (Where the target had none it is copied all the same, so that the library can be
// removed.)

#include <string>
#include <vector>

#include "package/install_report.h"
#include "package/package_files.h"
#include "platform/file_system.h"
#include "platform/form.h"

namespace velk {

// One package folder copied into one folder of the target.
struct FolderCopy {
    std::string source; // the package folder
    std::string target; // the folder its files go to
    // A language folder: made when missing. When it lies below the target (a name of its own),
    // it must not be a link, which would lead the copies anywhere.
    bool languageFolder = false;
    bool belowTarget = false;
    PackageListing listing;
};

struct CopyPlan {
    std::string target;              // the target folder, as every path below was made from it
    std::string descriptionFile;     // the package description's bare name
    std::vector<FolderCopy> folders; // in copying order
};

// Copies what the plan lists, in its order, and returns what failed: each file that could not be
// copied (its target path), each package folder that could not be listed to its end (its path),
// each file of a language folder that is a link (its target path). Every other file is copied.
// `progress` is told the number of files, then each file as it is done.
FailureList copyPlanned(FileSystem& files, const CopyPlan& plan, WorkProgress& progress);

} // namespace velk
