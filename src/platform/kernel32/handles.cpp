/*
 * handles.cpp - the table of live kernel objects behind HANDLE values, and
 * CloseHandle, which hands each object to the close of its family.
 *
 * Win32 tells a closed or made-up handle from a live one; so does this table,
 * which is why every KERNEL32 call looks a handle up here before touching the
 * object. The cost is one hash lookup per call.
 */
#include <mutex>
#include <new>
#include <unordered_set>

#include "k32.h"

namespace k32 {

std::mutex &objects_lock()
{
    static auto *lock = new std::mutex; /* never destroyed: usable at exit */
    return *lock;
}

std::unordered_set<Object *> &objects()
{
    static auto *live = new std::unordered_set<Object *>;
    return *live;
}

bool register_object(Object *o)
{
    std::lock_guard<std::mutex> hold(objects_lock());
    try {
        objects().insert(o);
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

Object *lookup_object(HANDLE h, Kind kind)
{
    if (h == NULL || h == INVALID_HANDLE_VALUE)
        return nullptr;
    std::lock_guard<std::mutex> hold(objects_lock());
    auto it = objects().find(static_cast<Object *>(h));
    if (it == objects().end() || (*it)->kind != kind)
        return nullptr;
    return *it;
}

void unregister_object(Object *o)
{
    std::lock_guard<std::mutex> hold(objects_lock());
    objects().erase(o);
}

} // namespace k32

BOOL WINAPI CloseHandle(HANDLE hObject)
{
    k32::Object *o = nullptr;
    {
        std::lock_guard<std::mutex> hold(k32::objects_lock());
        auto it = k32::objects().find(static_cast<k32::Object *>(hObject));
        if (it != k32::objects().end() && (*it)->close) {
            o = *it;
            k32::objects().erase(it);
        }
    }
    if (!o) { /* closed already, made up, or no CloseHandle's (a find handle) */
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return o->close(o);
}
