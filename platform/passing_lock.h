#pragma once
// Another program may hold a file for a moment (a virus scanner opens each new file, an indexer
// reads it): a change that meets such a lock is tried again for about two seconds before its
// failure counts. Only the errors such a lock gives are tried again; a full disk, a missing or
// refused folder fail at once.

#include <array>
#include <functional>

#include "platform/file_system.h"

namespace velk {

// The pauses between the tries of one change, in milliseconds: short at first, since most such
// locks last a moment, about two seconds in all.
inline constexpr std::array<unsigned, 6> kPassingLockPausesMs = {50, 100, 200, 400, 550, 700};

// True when `error` may come from a lock that passes: a sharing or lock violation, or access
// refused where the file itself refuses to be opened for its deletion (held, or being deleted by
// another program). `fileRefuses` is asked only then: a folder that refuses the change, or a
// read-only file, is no lock.
bool mayBePassingLock(unsigned long error, const std::function<bool()>& fileRefuses);

// Makes `attempt` until it succeeds, fails with an error that is no passing lock, or the pauses
// are used up; `pause` waits the given milliseconds between two tries. Returns the last result.
FsResult retryPassingLock(const std::function<FsResult()>& attempt,
                          const std::function<bool()>& fileRefuses,
                          const std::function<void(unsigned)>& pause);

} // namespace velk
