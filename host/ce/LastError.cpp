#include "platform/ce/CeFile.h"

namespace ce {
namespace {

// One thread, as on the handheld's application: one last-error value.
DWORD& lastError() {
    static DWORD error = ERROR_SUCCESS;
    return error;
}

}  // namespace

DWORD GetLastError() {
    return lastError();
}

void SetLastError(DWORD error) {
    lastError() = error;
}

}  // namespace ce
