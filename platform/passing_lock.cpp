#include "platform/passing_lock.h"

namespace velk {

bool mayBePassingLock(unsigned long error, const std::function<bool()>& fileRefuses) {
    return error == kErrorSharingViolation || error == kErrorLockViolation ||
           (error == kErrorAccessDenied && fileRefuses());
}

FsResult retryPassingLock(const std::function<FsResult()>& attempt,
                          const std::function<bool()>& fileRefuses,
                          const std::function<void(unsigned)>& pause) {
    FsResult result = attempt();
    for (const unsigned ms : kPassingLockPausesMs) {
        if (result || !mayBePassingLock(result.error(), fileRefuses)) {
            break;
        }
        pause(ms);
        result = attempt();
    }
    return result;
}

} // namespace velk
