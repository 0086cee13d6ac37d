#pragma once
// Everything the logic reaches of the machine, handed to the windows at construction.

#include "platform/file_system.h"
#include "platform/files_in_use.h"
#include "platform/log_file.h"
#include "platform/message_boxes.h"
#include "platform/process_starter.h"
#include "platform/registry.h"

namespace velk {

struct Platform {
    Registry& registry;
    FileSystem& files;
    MessageBoxes& boxes;
    ProcessStarter& processes;
    // Where a run that nobody may be watching writes its log; none: no log is written.
    LogFile* log = nullptr;
    // Which files other programs hold, and who they are; none: files in use are not looked
    // for before a change, and fail as the change meets them.
    FilesInUse* inUse = nullptr;
};

} // namespace velk
