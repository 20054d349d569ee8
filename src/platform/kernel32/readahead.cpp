/*
 * readahead.cpp - reading directories ahead of a walk, in parallel, in the
 * order the walk will ask for them.
 *
 * A scan spends most of its time in the kernel, one statx per entry. The
 * program walks the tree on one thread; under it, as an operating system
 * reads ahead for its programs, a small pool of workers reads the
 * sub-directories that the walk will enter next, exactly as FindFirstFileA
 * reads one (listing.cpp), into listings that wait to be taken.
 *
 * - Each listing of "*.*" that the walk takes or reads itself hands its
 *   sub-directories (no mount points) on, in enumeration order. Each gets a
 *   key, its parent's key and its own index: keys in lexicographic order are
 *   a depth-first walk in enumeration order, and the workers always read the
 *   smallest key waiting.
 * - FindFirstFileA of a directory that is ready takes its listing; of one
 *   still queued reads it itself; of one being read reads the first queued
 *   one meanwhile, as a worker would, and sleeps only when nothing is left
 *   to read. Any other directory begins a new walk: everything of the old
 *   one is dropped, and so it is when the listing that began the walk is
 *   released.
 * - Listings read ahead and not taken hold at most 64 MiB and 1024 of them;
 *   workers wait beyond that. A worker holds a descriptor only while it
 *   reads. A listing a worker could not make for lack of memory or
 *   descriptors is left to the walk to read itself.
 * - Workers start with the first enumeration and end when they have been
 *   idle for a moment. The walk reads too, so with the data in memory there
 *   is one worker for each processor the process may use (sched_getaffinity,
 *   as each walk begins: taskset and container limits hold) but one: none on
 *   one processor, where the walk reads alone and the read-ahead costs
 *   nothing. While reads wait for the disk (a cold cache), up to four per
 *   processor read at once: a thread waiting for the disk leaves its
 *   processor to another. There are never more than max_workers.
 *   TARVEL_READAHEAD=0, as a walk begins, turns the read-ahead off for it:
 *   every listing is then read by its caller.
 * - When the walk's own read finds no descriptor or memory left, the workers
 *   finish what they read and start nothing new while it tries once more:
 *   the read-ahead never costs the walk a directory.
 * - It is an optimisation only: a worker that cannot get memory for its
 *   bookkeeping gives its directory back to the walk and ends, a thread that
 *   cannot be made means fewer workers, and the walk that cannot get memory
 *   for the read-ahead's books reads for itself. Each worker has a small
 *   stack of its own (workerstack), not the default megabytes. Those stacks
 *   and the books are what the read-ahead costs: under an address-space
 *   limit within that much (some hundreds of KiB) of what the walk alone
 *   needs, a survey may fail for memory, and says so, where the walk alone
 *   would just fit.
 * - fork() leaves the child a new read-ahead, without workers or listings.
 */
#include "readahead.h"

#include "k32.h"
#include "seams.h"

#include <malloc.h>
#include <pthread.h>
#include <sched.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

namespace k32::readahead {

namespace {

constexpr size_t max_waiting_bytes = 64u << 20;
constexpr size_t max_waiting_listings = 1024;
constexpr auto idle_time = std::chrono::milliseconds(50);
constexpr auto recount_time = std::chrono::milliseconds(100);
constexpr double slow_read_us = 300, fast_read_us = 120;
/* A worker's stack: a read's frames take a few KiB, the sanitizers' several
 * times that. */
constexpr size_t workerstack = 128 * 1024;
/* Beyond some tens of reads at once a disk gains nothing, and each worker's
 * stack is address space the walk may need. */
constexpr int max_workers = 64;
/* Threads per processor while reads wait for the disk: one waiting for the
 * disk leaves its processor to another. */
constexpr int cold_per_processor = 4;

using Key = std::vector<uint32_t>;

struct Job {
    enum State { queued, reading, ready, given_back } state = queued;
    Key key;
    MountId parent;       /* the mount of the listing that showed it */
    Find *find = nullptr; /* ready: the listing, or NULL with `error` */
    DWORD error = 0;
};

struct Engine {
    std::mutex lock;
    std::condition_variable work;  /* for workers: work arrived, room was made, a reset */
    std::condition_variable ended; /* for walks: the read one waits for has ended */
    int waiters = 0;               /* walks waiting on `ended` */
    std::string awaited;           /* the read the one waiting walk waits for */
    int idle = 0;                  /* workers waiting for work */
    std::unordered_map<std::string, Job> jobs;
    std::map<Key, std::string> queue; /* the queued jobs, in walk order */
    size_t waiting_bytes = 0, waiting_count = 0;
    bool full = false;       /* the bound was reached: no reading until half of it is taken */
    unsigned generation = 0; /* counts walks: a read of an older walk is dropped */
    const Find *root = nullptr;
    int workers = 0, pool = 0, processors = 1;
    std::chrono::steady_clock::time_point counted; /* when `processors` was counted */
    double read_us = 0;                            /* how long reads take: a moving average */
    int reading = 0;                               /* reads under way in workers */
    bool paused = false;                           /* the walk needs the resources the workers hold */
    bool nothreads = false;                        /* a worker could not be started: none is tried again in this walk */
    bool enabled = true;
};

/* Never destroyed: workers may still run while the program exits. Null
 * where none could be had: the read-ahead is then off. */
Engine *the_engine;
Engine *spare; /* made before a fork, for the child */

Engine *make_engine()
{
    try {
        auto *made = new Engine;
        /* Room for any path, so that naming the read awaited never allocates. */
        made->awaited.reserve(MAX_PATH);
        return made;
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

void before_fork()
{
    spare = make_engine();
    if (the_engine)
        the_engine->lock.lock();
}

void after_fork_in_parent()
{
    if (the_engine)
        the_engine->lock.unlock();
    delete spare;
    spare = nullptr;
}

void after_fork_in_child()
{
    /* Only the forking thread lives on in the child: the old engine, its
     * lock held and its workers gone, is left as it was, and the child
     * starts afresh, with no workers and no listings. */
    the_engine = spare;
    spare = nullptr;
}

Engine *engine()
{
    static const bool started = [] {
        /* The workers allocate from the program's one malloc arena. glibc
         * would give each new thread an arena of its own, reserving 64 MiB
         * of address space that is never returned: under an address-space
         * limit that reserve alone leaves the walk without memory. */
        mallopt(M_ARENA_MAX, 1);
        the_engine = make_engine();
        pthread_atfork(before_fork, after_fork_in_parent, after_fork_in_child);
        return true;
    }();
    (void)started;
    return the_engine;
}

/* The processors this process may run on now, 1 to max_workers. */
int usable_processors()
{
    if (seams::processors)
        return std::clamp(seams::processors(), 1, max_workers);
    cpu_set_t cpus;
    long n = sched_getaffinity(0, sizeof cpus, &cpus) == 0 ? CPU_COUNT(&cpus) : sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? static_cast<int>(std::min<long>(n, max_workers)) : 1;
}

bool wanted()
{
    const char *env = getenv("TARVEL_READAHEAD");
    return !(env && strcmp(env, "0") == 0);
}

/* The resources of the machine, not the directory, failed the read. */
bool out_of_resources(DWORD error)
{
    return error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_TOO_MANY_OPEN_FILES;
}

/* What waits to be taken has changed. */
void waiting_changed(const Engine &e)
{
    if (seams::listings_waiting) {
        const bool bound = e.waiting_bytes >= max_waiting_bytes || e.waiting_count >= max_waiting_listings;
        seams::listings_waiting(e.waiting_count, e.waiting_bytes, e.reading == 0 && (e.queue.empty() || bound));
    }
}

/* A read waited `us` microseconds for the disk (0: not at all). Reads from
 * memory take tens of microseconds; some hundreds mean the disk. Between the two the pool stays
 * as it is, so that a read held up now and then does not start and end
 * workers. */
void note_read_time(Engine &e, double us)
{
    e.read_us += (us - e.read_us) / 32;
    if (e.read_us >= slow_read_us)
        e.pool = std::min(cold_per_processor * e.processors, max_workers);
    else if (e.read_us < fast_read_us)
        e.pool = e.processors - 1;
}

/* Times one read for note_read_time: made before the read, asked after it.
 * A fast read is from memory. A slow one waited for the disk only if the
 * thread blocked during it (a voluntary context switch); otherwise it waited
 * for a processor (a busy host), which more threads would not shorten.
 * Whether it blocked costs a system call on each side of the read, so it is
 * asked only once a read on this thread has been slow. */
class ReadTimer {
public:
    ReadTimer() : began_(std::chrono::steady_clock::now()), blocked_(watching ? blocked() : -1) {}
    /* How long the read waited for the disk, in microseconds (0: not known to). */
    double disk_us() const
    {
        const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - began_).count();
        watching = us >= fast_read_us;
        if (!watching)
            return us;
        return blocked_ >= 0 && blocked() != blocked_ ? us : 0;
    }

private:
    static long blocked()
    {
        struct rusage ru;
        return getrusage(RUSAGE_THREAD, &ru) == 0 ? ru.ru_nvcsw : 0;
    }
    static thread_local bool watching; /* the thread's last read was slow */
    std::chrono::steady_clock::time_point began_;
    long blocked_;
};
thread_local bool ReadTimer::watching = false;

/* Whether there are workers, or may be, to read what is queued: if not, the
 * walk reads every directory itself, and nothing is queued. */
bool readers(const Engine &e)
{
    return e.workers > 0 || (e.pool > 0 && !e.nothreads);
}

/* Drops everything read ahead: a new walk begins, or the old one is over. */
void reset(Engine &e)
{
    for (auto &[path, job] : e.jobs)
        if (job.state == Job::ready && job.find)
            free_listing(job.find);
    e.jobs.clear();
    e.queue.clear();
    e.waiting_bytes = e.waiting_count = 0;
    waiting_changed(e);
    e.full = false;
    e.generation++;
    e.root = nullptr;
    e.nothreads = false;
    /* Where nothing is read ahead, every directory begins a walk: the
     * processors are counted again only every so often. */
    const auto now = std::chrono::steady_clock::now();
    if (seams::processors || now - e.counted >= recount_time) {
        e.processors = usable_processors();
        e.counted = now;
    }
    e.pool = e.read_us >= slow_read_us ? std::min(cold_per_processor * e.processors, max_workers) : e.processors - 1;
    e.work.notify_all();
    e.ended.notify_all();
}

/* Room for another listing. Once the bound is reached the workers wait
 * until the walk has taken half of what waits, rather than waking for every
 * listing taken. */
bool room_to_read(Engine &e)
{
    if (e.paused)
        return false;
    if (e.full)
        e.full = e.waiting_bytes > max_waiting_bytes / 2 || e.waiting_count > max_waiting_listings / 2;
    else
        e.full = e.waiting_bytes >= max_waiting_bytes || e.waiting_count >= max_waiting_listings;
    return !e.full;
}

void work();

/* Starts one worker; false when no thread can be made now. */
bool start_worker()
{
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0)
        return false;
    pthread_t thread;
    bool made = pthread_attr_setstacksize(&attr, workerstack) == 0 &&
                pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED) == 0 &&
                pthread_create(
                    &thread, &attr,
                    [](void *) -> void * {
                        work();
                        return nullptr;
                    },
                    nullptr) == 0;
    pthread_attr_destroy(&attr);
    return made;
}

/* The sub-directories of `f` (the listing of `dir`, at `key`) with their
 * keys, in enumeration order; made outside the lock. */
using Subs = std::vector<std::pair<Key, std::string>>;
Subs subdirectories(const std::string &dir, const Key &key, const Find *f)
{
    Subs subs;
    uint32_t index = 0;
    for (size_t i = 0; i < f->count; i++) {
        const Record &r = f->records[i];
        if (!is_subdirectory(f, r))
            continue;
        Key k = key;
        k.push_back(index++);
        subs.emplace_back(std::move(k),
                          dir == "." ? std::string(f->names + r.name) : k32::child_path(dir, f->names + r.name));
    }
    return subs;
}

/* Queues the sub-directories of a listing on mount `parent`, and makes
 * sure there are workers to read them. */
void queue_up(Engine &e, Subs &subs, const MountId &parent)
{
    if (!readers(e))
        return; /* nobody to read them: the walk reads each itself */
    size_t added = 0;
    for (auto &[k, path] : subs) {
        auto [it, fresh] = e.jobs.try_emplace(path);
        if (!fresh)
            continue; /* already known: one directory is never read twice */
        it->second.key = k;
        it->second.parent = parent;
        e.queue.emplace(std::move(k), std::move(path));
        added++;
    }
    if (added == 0)
        return;
    waiting_changed(e); /* not settled while there is more to read */
    if (e.idle > 0)
        e.work.notify_all();
    while (e.workers < e.pool && e.workers < static_cast<int>(e.queue.size())) {
        if (!start_worker()) {
            /* No thread now, and trying for every directory would cost more
             * than the walk's own reads: fewer workers for this walk. */
            e.nothreads = true;
            break;
        }
        e.workers++;
    }
}

/* Reads the first queued directory in walk order, as a worker, or as the
 * walk while the listing it needs is being read; the caller has seen that
 * one is queued and there is room. False when memory ran short for the
 * books: a worker then ends. */
bool read_next(Engine &e, std::unique_lock<std::mutex> &hold)
{
    auto first = e.queue.begin();
    std::string path;
    Key key;
    const MountId parent = e.jobs.find(first->second)->second.parent;
    try {
        path = first->second;
        key = first->first;
    } catch (const std::bad_alloc &) {
        return false; /* the directory stays queued: the walk reads it */
    }
    e.queue.erase(first);
    e.jobs.find(path)->second.state = Job::reading;
    e.reading++;
    const unsigned generation = e.generation;

    hold.unlock();
    const ReadTimer timer;
    DWORD error = 0;
    Find *f = read_listing(path.c_str(), &error, &parent);
    const double us = timer.disk_us();
    Subs subs;
    bool booked = true; /* memory was there for the listing's sub-directories */
    if (f) {
        try {
            subs = subdirectories(path, key, f);
        } catch (const std::bad_alloc &) {
            booked = false;
        }
    }
    hold.lock();
    e.reading--;
    note_read_time(e, us);
    /* A walk may wait for this read, or for all reads to end. */
    if (e.waiters > 1 || (e.waiters == 1 && (e.paused || e.awaited == path)))
        e.ended.notify_all();

    auto it = e.jobs.find(path);
    if (generation != e.generation || it == e.jobs.end()) {
        if (f)
            free_listing(f); /* the walk it was for is gone */
    } else if (!booked || (!f && out_of_resources(error))) {
        if (f)
            free_listing(f);
        it->second.state = Job::given_back; /* the walk reads it itself */
    } else {
        Job &job = it->second;
        job.state = Job::ready;
        job.find = f;
        job.error = error;
        e.waiting_count++;
        if (f)
            e.waiting_bytes += f->bytes;
        try {
            if (f)
                queue_up(e, subs, f->mount);
        } catch (const std::bad_alloc &) {
            booked = false; /* those not queued the walk reads itself */
        }
        waiting_changed(e);
    }
    return booked;
}

/* A worker: reads the first queued directory in walk order while there is
 * room, and ends once it has been idle for a moment, or memory is short, or
 * the pool has shrunk. */
void work()
{
    Engine &e = *engine();
    std::unique_lock<std::mutex> hold(e.lock);
    for (;;) {
        e.idle++;
        bool got = e.work.wait_for(hold, idle_time, [&] { return !e.queue.empty() && room_to_read(e); });
        e.idle--;
        if (!got || e.workers > e.pool || !read_next(e, hold)) {
            e.workers--;
            return;
        }
    }
}

/* Reads `dir` on the walk's own thread. Should the machine's resources run
 * out, the workers are paused and, once they hold none, it is read again. */
Find *read_here(Engine &e, std::unique_lock<std::mutex> &hold, const char *dir, DWORD *error, const MountId *parent)
{
    hold.unlock();
    const ReadTimer timer;
    Find *f = read_listing(dir, error, parent);
    const double us = timer.disk_us();
    hold.lock();
    note_read_time(e, us); /* with no workers, the walk's reads tell when the disk is slow */
    if (f || !out_of_resources(*error))
        return f;
    e.paused = true;
    e.waiters++;
    e.ended.wait(hold, [&] { return e.reading == 0; });
    e.waiters--;
    hold.unlock();
    f = read_listing(dir, error, parent);
    hold.lock();
    e.paused = false;
    if (e.idle > 0)
        e.work.notify_all();
    return f;
}

} // namespace

Find *list(const char *dir, DWORD *error, const MountId *parent)
{
    if (!engine())
        return read_listing(dir, error, parent);
    Engine &e = *engine();
    std::string path;
    try {
        path = dir;
    } catch (const std::bad_alloc &) {
        return read_listing(dir, error, parent); /* no memory for the books: read alone */
    }
    std::unique_lock<std::mutex> hold(e.lock);
    Key key;
    MountId jobparent;
    bool begins = false;
    auto it = e.jobs.find(path);
    if (it == e.jobs.end()) {
        reset(e); /* a directory of no walk under way: a new walk */
        e.enabled = wanted();
        if (!e.enabled) {
            hold.unlock();
            return read_listing(dir, error, parent);
        }
        begins = true;
    } else {
        auto read_ended = [&] {
            it = e.jobs.find(path);
            return it == e.jobs.end() || it->second.state != Job::reading;
        };
        /* While a worker reads it, read what comes next rather than idle;
         * sleep only when there is nothing to read. */
        while (!read_ended()) {
            if (!e.queue.empty() && room_to_read(e) && read_next(e, hold))
                continue;
            e.waiters++;
            e.awaited = path;
            e.ended.wait(hold, read_ended);
            e.waiters--;
        }
        if (it != e.jobs.end() && it->second.state == Job::ready) {
            const bool wasfull = e.full;
            Job job = std::move(it->second); /* a move: nothing to allocate */
            e.jobs.erase(it);
            e.waiting_count--;
            if (job.find)
                e.waiting_bytes -= job.find->bytes;
            waiting_changed(e);
            if (wasfull && room_to_read(e) && e.idle > 0)
                e.work.notify_all(); /* room for the workers again */
            *error = job.error;
            return job.find;
        }
        if (it == e.jobs.end()) { /* dropped meanwhile: read as a new walk */
            reset(e);
            begins = true;
        } else {
            e.queue.erase(it->second.key); /* queued, or given back: read here */
            key = std::move(it->second.key);
            jobparent = it->second.parent;
            parent = &jobparent;
            e.jobs.erase(it);
        }
    }
    const unsigned generation = e.generation;

    Find *f = read_here(e, hold, dir, error, parent);
    Subs subs;
    if (f && readers(e)) {
        hold.unlock();
        try {
            subs = subdirectories(path, key, f);
        } catch (const std::bad_alloc &) {
            subs.clear(); /* nothing read ahead below this one */
        }
        hold.lock();
    }

    if (f && generation == e.generation) {
        if (begins)
            e.root = f;
        try {
            queue_up(e, subs, f->mount);
        } catch (const std::bad_alloc &) {
            /* those not queued the walk reads itself */
        }
    }
    return f;
}

void closed(const Find *f)
{
    if (!engine())
        return;
    Engine &e = *engine();
    std::lock_guard<std::mutex> hold(e.lock);
    if (f == e.root)
        reset(e);
}

} // namespace k32::readahead
