/*
 * testhooks.cpp - the tests' hooks into the layer (platform_testing.h),
 * through its seams (seams.h). Only tests and benchmarks link this file.
 */
#include "platform_testing.h"

#include "kernel32/k32.h"
#include "seams.h"
#include "user32/classes.h"

#include <cstring>
#include <mutex>

namespace testhooks {

namespace {

MessageBoxAnswerer &answerer()
{
    static auto *a = new MessageBoxAnswerer;
    return *a;
}

std::vector<MessageBoxRecord> &records()
{
    static auto *r = new std::vector<MessageBoxRecord>;
    return *r;
}

int answer(HWND owner, const char *text, const char *caption, UINT type)
{
    return answerer()(MessageBoxRecord{owner, caption, text, type});
}

/* Countdowns: the call that brings one to 0 fails. */
std::mutex countdowns;
int alloc_countdown = 0, free_countdown = 0;
bool disk_fails = false;
std::string statx_prefix;
int statx_errno = 0, getdents_errno = 0;
unsigned getdents_read = 0;
bool openat2_lacking = false;
DWORD wait_factor = 1;

/* What the read-ahead last said waits, once a test asks to be told. */
std::mutex waiting_lock;
size_t waiting_count = 0, waiting_bytes = 0;
bool waiting_settled = false;
int pretended_processors = 0;
void note_waiting(size_t count, size_t bytes, bool settled)
{
    std::lock_guard<std::mutex> hold(waiting_lock);
    waiting_count = count;
    waiting_bytes = bytes;
    waiting_settled = settled;
}

bool fires(int &countdown)
{
    std::lock_guard<std::mutex> hold(countdowns);
    return countdown > 0 && --countdown == 0;
}

} // namespace

void answer_message_boxes(MessageBoxAnswerer a)
{
    answerer() = std::move(a);
    seams::message_box = answerer() ? answer : nullptr;
}

void record_message_boxes()
{
    answer_message_boxes([](const MessageBoxRecord &r) {
        records().push_back(r);
        return IDOK;
    });
}

const std::vector<MessageBoxRecord> &recorded_message_boxes()
{
    return records();
}

void clear_recorded_message_boxes()
{
    records().clear();
}

void fail_global_alloc(int nth)
{
    std::lock_guard<std::mutex> hold(countdowns);
    alloc_countdown = nth > 0 ? nth : 0;
    seams::global_alloc_fails = [] { return fires(alloc_countdown); };
}

void fail_global_free(int nth)
{
    std::lock_guard<std::mutex> hold(countdowns);
    free_countdown = nth > 0 ? nth : 0;
    seams::global_free_fails = [] { return fires(free_countdown); };
}

void fail_disk_free_space(bool fail)
{
    disk_fails = fail;
    seams::disk_query_fails = [] { return disk_fails; };
}

/* Set while no walk runs; the workers only read them. */
void fail_directory_reads(const std::string &prefix, int sx_errno, unsigned read, int gd_errno)
{
    statx_prefix = prefix;
    statx_errno = sx_errno;
    getdents_read = read;
    getdents_errno = gd_errno;
    seams::statx_fault = [](const char *name) {
        return strncmp(name, statx_prefix.c_str(), statx_prefix.size()) == 0 ? statx_errno : 0;
    };
    seams::getdents_fault = [](unsigned n) { return n == getdents_read ? getdents_errno : 0; };
}

void lack_openat2(bool lack)
{
    openat2_lacking = lack;
    seams::openat2_missing = [] { return openat2_lacking; };
}

void before_directory_read(std::function<void(const char *dir)> call)
{
    static std::function<void(const char *)> *armed = new std::function<void(const char *)>;
    seams::directory_opening = nullptr;
    *armed = std::move(call);
    if (*armed)
        seams::directory_opening = [](const char *dir) { (*armed)(dir); };
}

void pretend_windows_9x(bool pretend)
{
    static bool ninex = false;
    ninex = pretend;
    seams::windows_9x = [] { return ninex; };
}

void speed_up_waits(DWORD factor)
{
    wait_factor = factor ? factor : 1;
    seams::wait_time = [](DWORD ms) { return ms / wait_factor; };
}

size_t live_find_handles()
{
    std::lock_guard<std::mutex> hold(k32::objects_lock());
    size_t n = 0;
    for (const k32::Object *o : k32::objects())
        n += o->kind == k32::Kind::find;
    return n;
}

void watch_waiting_listings()
{
    seams::listings_waiting = note_waiting;
}

size_t waiting_listings(size_t *bytes, bool *settled)
{
    std::lock_guard<std::mutex> hold(waiting_lock);
    if (bytes)
        *bytes = waiting_bytes;
    if (settled)
        *settled = waiting_settled;
    return waiting_count;
}

void pretend_processors(int n)
{
    pretended_processors = n;
    seams::processors = nullptr;
    if (n > 0)
        seams::processors = [] { return pretended_processors; };
}

void forget_window_classes()
{
    window_classes().clear();
}

} // namespace testhooks
