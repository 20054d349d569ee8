/*
 * error.cpp - GetLastError, SetLastError, and the errno-to-Win32 translation
 * the other KERNEL32 files use.
 *
 * As in Win32 the last error is per thread and only calls that fail are
 * required to set it.
 */
#include <windows.h>

#include <errno.h>

#include "k32.h"

static thread_local DWORD last_error = ERROR_SUCCESS;

DWORD WINAPI GetLastError(void)
{
    return last_error;
}

void WINAPI SetLastError(DWORD dwErrCode)
{
    last_error = dwErrCode;
}

namespace k32 {

DWORD error_from_errno(int e)
{
    switch (e) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case ELOOP: /* a link met where the layer never follows one */
    case ETXTBSY:
    case EBUSY: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EROFS: return error_write_protect;
    case ENOSPC:
    case EDQUOT: return error_disk_full;
    default: return error_gen_failure;
    }
}

void set_error_from_errno(int e)
{
    SetLastError(error_from_errno(e));
}

} // namespace k32
