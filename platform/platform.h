#pragma once
// Everything the logic reaches of the machine, handed to the windows at construction.

#include "platform/file_system.h"
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
};

} // namespace velk
