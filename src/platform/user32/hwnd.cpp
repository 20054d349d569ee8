/*
 * hwnd.cpp - the handle table: HWND <-> QWidget.
 *
 * Handles are small numbers counted up from 0x10000 in steps of 4 and never
 * reused, so a stale handle can never name a newer window. A handle becomes
 * invalid when its widget is destroyed, or earlier through hwnd_unregister
 * (DestroyWindow: the widget itself is deleted later, once Qt has left its
 * event handlers). Lookups of invalid handles set ERROR_INVALID_WINDOW_HANDLE,
 * as every USER32 call does for a bad handle.
 */
#include "user32/hwnd.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <unordered_map>

namespace {

struct HandleTable {
    std::unordered_map<std::uintptr_t, QPointer<QWidget>> widgets;
    std::unordered_map<const QObject *, std::uintptr_t> handles;
    std::uintptr_t next = 0x10000;
};

/* Never freed: widgets may be destroyed during static destruction, after a
 * table with static storage would already be gone. */
HandleTable &table()
{
    static HandleTable *t = new HandleTable;
    return *t;
}

void forget(std::uintptr_t h, const QObject *object)
{
    HandleTable &t = table();
    t.widgets.erase(h);
    auto it = t.handles.find(object);
    if (it != t.handles.end() && it->second == h)
        t.handles.erase(it);
}

} // namespace

HWND hwnd_register(QWidget *widget)
{
    if (!widget)
        return NULL;
    HandleTable &t = table();
    auto known = t.handles.find(widget);
    if (known != t.handles.end())
        return reinterpret_cast<HWND>(known->second);

    std::uintptr_t h = t.next;
    t.next += 4;
    t.widgets[h] = widget;
    t.handles[widget] = h;
    /* The object pointer is only used as a key here; it is never followed. */
    QObject::connect(widget, &QObject::destroyed, [h](QObject *gone) { forget(h, gone); });
    return reinterpret_cast<HWND>(h);
}

void hwnd_unregister(HWND hwnd)
{
    HandleTable &t = table();
    auto it = t.widgets.find(reinterpret_cast<std::uintptr_t>(hwnd));
    if (it == t.widgets.end())
        return;
    forget(it->first, it->second.data());
}

QWidget *hwnd_widget(HWND hwnd)
{
    HandleTable &t = table();
    auto it = t.widgets.find(reinterpret_cast<std::uintptr_t>(hwnd));
    if (it == t.widgets.end() || it->second.isNull()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return it->second.data();
}

HWND hwnd_of(const QWidget *widget)
{
    if (!widget)
        return NULL;
    HandleTable &t = table();
    auto it = t.handles.find(widget);
    return it == t.handles.end() ? NULL : reinterpret_cast<HWND>(it->second);
}
