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

namespace {
std::mutex table_lock;
std::unordered_set<Object *> &table()
{
    static auto *live = new std::unordered_set<Object *>; /* never destroyed: usable at exit */
    return *live;
}
} // namespace

bool register_object(Object *o)
{
    std::lock_guard<std::mutex> hold(table_lock);
    try {
        table().insert(o);
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

Object *lookup_object(HANDLE h, Kind kind)
{
    if (h == NULL || h == INVALID_HANDLE_VALUE)
        return nullptr;
    std::lock_guard<std::mutex> hold(table_lock);
    auto it = table().find(static_cast<Object *>(h));
    if (it == table().end() || (*it)->kind != kind)
        return nullptr;
    return *it;
}

size_t live_objects(Kind kind)
{
    std::lock_guard<std::mutex> hold(table_lock);
    size_t n = 0;
    for (const Object *o : table())
        n += o->kind == kind;
    return n;
}

void unregister_object(Object *o)
{
    std::lock_guard<std::mutex> hold(table_lock);
    table().erase(o);
}

} // namespace k32

BOOL WINAPI CloseHandle(HANDLE hObject)
{
    k32::Object *o = nullptr;
    {
        std::lock_guard<std::mutex> hold(k32::table_lock);
        auto it = k32::table().find(static_cast<k32::Object *>(hObject));
        if (it != k32::table().end() && (*it)->close) {
            o = *it;
            k32::table().erase(it);
        }
    }
    if (!o) { /* closed already, made up, or no CloseHandle's (a find handle) */
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return o->close(o);
}
