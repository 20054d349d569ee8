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
    case ETXTBSY:
    case EBUSY: return ERROR_ACCESS_DENIED;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    case EIO: return ERROR_IO_DEVICE;
    case EUCLEAN: return ERROR_FILE_CORRUPT;
    case ESTALE:
    case ENOTCONN:
    case ETIMEDOUT:
    case ECONNRESET:
    case EHOSTDOWN: return ERROR_UNEXP_NET_ERR;
    case EOVERFLOW: return ERROR_ARITHMETIC_OVERFLOW;
    case ENOSYS:
    case ENOTSUP: return ERROR_NOT_SUPPORTED;
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
