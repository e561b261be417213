#include "update/QuietUpdate.h"
#include "update/UpdatePolicy.h"

#include "base/SupportLog.h"

int QuietUpdateExitCode(UpdateResult result, UpdateFailure why) {
    switch (why) {
    case UpdateFailure::None:
        // Only these two leave the executable current; a declined offer
        // cannot arise without a question.
        return result == Updated || result == NoNewerVersion ? kQuietUpdateCurrent : kQuietUpdateNetwork;
    case UpdateFailure::Network: return kQuietUpdateNetwork;
    case UpdateFailure::Signature: return kQuietUpdateSignature;
    case UpdateFailure::TooLarge: return kQuietUpdateTooLarge;
    case UpdateFailure::NotAllowed: return kQuietUpdateNotAllowed;
    case UpdateFailure::LockHeld: return kQuietUpdateLockHeld;
    case UpdateFailure::Undone: return kQuietUpdateUndone;
    case UpdateFailure::NoOwnVersion: break;
    }
    return kQuietUpdateNoVersion;
}

int RunQuietUpdate(CAutoUpdater& updater) {
    UpdateFailure why = UpdateFailure::None;
    const UpdateResult result = updater.CheckForUpdate(ReadUpdatePolicy().directory, &why);
    const int code = QuietUpdateExitCode(result, why);
    LogEvent("/update /quiet: exit code %d", code);
    return code;
}
