#pragma once
// An installation carried out all or nothing: when it ends, the target holds either every file
// of the plan or exactly what it held before (names, contents, attributes).
//
// Every file of the plan is first copied into the work folder (package/work_folder.h) on the
// target's volume; a file that takes the place of one in the target gets a second name for the
// old one there (or, where the volume has none, the old one is moved there when its turn
// comes), and its change is written to the journal. Then the journal is put in place and each
// file moved into its place: a new file to a new name, a replacement over the old file, a
// language folder new to the target whole. Nothing is held per file: each package folder is
// listed as it is copied, and the target and the other package folders are asked for one name
// at a time; a package folder whose files came or went since they were counted for the progress
// fails the installation. Anything that fails before the journal is committed (a copy, a
// listing, a move or replacement, for any reason: a full disk, a file in use, access refused, a
// folder below the target that is a link, the package vanishing) undoes every change made.
// Installed files never keep the read-only attribute of their source, so that the next
// installation and the removal can replace and delete them.

#include "package/copy_plan.h"
#include "package/install_report.h"
#include "package/transaction.h"
#include "platform/file_system.h"
#include "platform/work_progress.h"

namespace velk {

// Installs what the plan lists. `progress` is told the number of steps (each file made ready,
// each change, each old file deleted), then each step as it is done. A failure names the target
// path of the file (or the package folder that could not be listed, or the folder of the target
// that could not be). `inUse` looks at the files to be replaced before the first change (see
// InUseCheck): the files it names fail the installation, nothing changed.
WorkOutcome installPlanned(FileSystem& files, const CopyPlan& plan, WorkProgress& progress,
                           const InUseCheck& inUse = {});

} // namespace velk
