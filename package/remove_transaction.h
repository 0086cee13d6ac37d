#pragma once
// A removal carried out all or nothing: every file of the target named like a base file of the
// package is moved out into the work folder (package/work_folder.h) first; when one cannot be
// (in use, refused, read-only), all are put back and nothing is removed; otherwise the moved
// files are deleted. A base file already missing in the target is nothing to remove, and a
// folder of such a name is not removed either.

#include <string>

#include "package/install_report.h"
#include "package/package_files.h"
#include "package/transaction.h"
#include "platform/file_system.h"
#include "platform/work_progress.h"

namespace velk {

// Removes from `target` the files named like the package files of the package folder
// `libsFolder`, listed one by one (a listing that does not get to its end is a failure: nothing
// is removed).
// `progress` is told the number of steps (each file moved out, each deleted), then each step.
// `inUse` looks at the files to be removed before the first change (see InUseCheck): the files
// it names fail the removal, nothing changed.
WorkOutcome removeInstalled(FileSystem& files, const std::string& target,
                            const std::string& libsFolder, WorkProgress& progress,
                            const InUseCheck& inUse = {});

} // namespace velk
