#pragma once
// The fakes bundled as a Platform, for constructing windows in tests.

#include "platform/platform.h"
#include "tests/unit/fakes/fake_file_system.h"
#include "tests/unit/fakes/fake_files_in_use.h"
#include "tests/unit/fakes/fake_log_file.h"
#include "tests/unit/fakes/fake_message_boxes.h"
#include "tests/unit/fakes/fake_process_starter.h"
#include "tests/unit/fakes/fake_registry.h"

namespace velk::testing {

struct FakePlatform {
    FakeRegistry registry;
    FakeFileSystem files;
    FakeMessageBoxes boxes;
    FakeProcessStarter processes;
    FakeLogFile log;
    FakeFilesInUse inUse{files};
    Platform platform{registry, files, boxes, processes, &log, &inUse};
};

} // namespace velk::testing
