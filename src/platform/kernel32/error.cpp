/*
 * error.cpp - GetLastError, SetLastError, FormatMessageA, and the
 * errno-to-Win32 translation the other KERNEL32 files use.
 *
 * As in Win32 the last error is per thread and only calls that fail are
 * required to set it.
 *
 * An errno with a Win32 code that means the same becomes that code; any
 * other keeps its errno behind an application-defined code (bit 29 set, as
 * Win32 leaves those to programs), so that nothing the system says is lost.
 *
 *   FormatMessageA   FORMAT_MESSAGE_FROM_SYSTEM (with IGNORE_INSERTS) only,
 *                    into the caller's buffer: the system's own words
 *                    (strerror) for the codes the layer gives, ended by
 *                    "\r\n" as in Win32; 0 (ERROR_MR_MID_NOT_FOUND) for any
 *                    other code.
 */
#include <windows.h>

#include <errno.h>
#include <stdio.h>
#include <string.h>

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
    default: return errno_error(e);
    }
}

DWORD errno_error(int e)
{
    return errno_bit | static_cast<DWORD>(e & 0xFFFF);
}

void set_error_from_errno(int e)
{
    SetLastError(error_from_errno(e));
}

} // namespace k32

namespace {

/* The errno whose words a Win32 code the layer gives stands for. */
int errno_of(DWORD code)
{
    if (code & k32::errno_bit)
        return static_cast<int>(code & 0xFFFF);
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_INVALID_HANDLE: return EBADF;
    case ERROR_NOT_ENOUGH_MEMORY: return ENOMEM;
    case ERROR_INVALID_PARAMETER: return EINVAL;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_NOT_SUPPORTED: return ENOTSUP;
    case ERROR_UNEXP_NET_ERR: return ESTALE;
    case ERROR_ARITHMETIC_OVERFLOW: return EOVERFLOW;
    case ERROR_IO_DEVICE: return EIO;
    case ERROR_FILE_CORRUPT: return EUCLEAN;
    case ERROR_CANT_RESOLVE_FILENAME: return ELOOP;
    case ERROR_FILE_EXISTS: return EEXIST;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case k32::error_write_protect: return EROFS;
    case k32::error_disk_full: return ENOSPC;
    default: return 0;
    }
}

} // namespace

DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPSTR lpBuffer,
                            DWORD nSize, va_list *Arguments)
{
    (void)lpSource;
    (void)dwLanguageId;
    (void)Arguments;
    const int e = errno_of(dwMessageId);
    if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || !lpBuffer || nSize == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (e == 0) {
        SetLastError(k32::error_mr_mid_not_found);
        return 0;
    }
    char words[256];
    const int n = snprintf(lpBuffer, nSize, "%s\r\n", strerror_r(e, words, sizeof words));
    if (n < 0 || static_cast<DWORD>(n) >= nSize) {
        lpBuffer[0] = '\0';
        SetLastError(k32::error_insufficient_buffer);
        return 0;
    }
    return static_cast<DWORD>(n);
}
