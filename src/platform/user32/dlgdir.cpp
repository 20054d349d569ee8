/*
 * dlgdir.cpp - the dialog-directory calls.
 *
 *   DlgDirListA      fills a list box with the directory's entries and the
 *                    "drives", makes the directory current and shows its path.
 *   DlgDirSelectExA  the selected entry as a name usable in a path.
 *
 * How they differ from Win32:
 *  - Drives are the mount points of real filesystems (block-device backed,
 *    network or disk-like; pseudo filesystems such as proc, sysfs or tmpfs
 *    are not drives), listed as "[-/mnt/usb-]", the root as "[-/-]". Selecting
 *    one yields its mount point with a trailing "/" ("/mnt/usb/", "/").
 *  - Directories are "[name]", dot-directories included; the parent is "[..]"
 *    except at "/". Selecting one yields "name/" (the parent "../").
 *  - The path field shows the directory's full path ("/home/ann", the root
 *    "/"), the process's current directory from then on.
 *  - A directory that cannot be listed and entered (missing, no permission,
 *    a path longer than MAX_PATH) changes nothing: not the list, not the
 *    field, not the current directory. The call returns 0.
 *  - Names are bytes: an item keeps its exact bytes, so a name that is not
 *    valid UTF-8 (shown with replacement marks) is still entered and
 *    returned as it is.
 *  - lpPathSpec is read, not rewritten. Its last component is the pattern
 *    (* and ?, matched without regard to ASCII case; "*.*" matches every
 *    name); what comes before the last "/" is the directory to list.
 */
#include "kernel32/wildcard.h"
#include "mounts/mounts.h"
#include "user32/dlgcontrols.h"

#include <QListWidget>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

/* A file descriptor closed when it goes out of scope. */
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0)
            close(fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
};

/* Filesystem types that hold real data without a /dev/ source. */
bool disklike_type(const std::string &type)
{
    static const char *const types[] = {
        "nfs",       "nfs4",          "cifs",           "smb3",         "smbfs",      "ncpfs",      "afs",
        "9p",        "virtiofs",      "ceph",           "glusterfs",    "zfs",        "fuse.sshfs", "fuse.rclone",
        "fuse.s3fs", "fuse.mergerfs", "fuse.glusterfs", "fuse.ntfs-3g", "fuse.exfat",
    };
    for (const char *t : types)
        if (type == t)
            return true;
    return false;
}

/* Mount points of real filesystems; "/" always. */
std::vector<std::string> drive_mounts()
{
    std::set<std::string> points{"/"};
    for (const mounts::Mount &m : mounts::mount_table()) {
        if (m.source.compare(0, 5, "/dev/") != 0 && !disklike_type(m.type))
            continue;
        /* A file bind-mounted over a file (a container's /etc/hosts) is no drive. */
        struct stat st;
        if (stat(m.point.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue;
        points.insert(m.point);
    }
    return {points.begin(), points.end()};
}

/* The entries of the directory open as `dirfd` that match `pattern`:
 * "[name]" for directories (links to directories too, since choosing one
 * enters it), plain names for files when `files`. False if it cannot be read. */
bool read_entries(int dirfd, const char *pattern, bool dirs, bool files, std::vector<QByteArray> &out)
{
    int dupfd = fcntl(dirfd, F_DUPFD_CLOEXEC, 0);
    if (dupfd < 0)
        return false;
    DIR *d = fdopendir(dupfd);
    if (!d) {
        close(dupfd);
        return false;
    }
    errno = 0;
    while (struct dirent *e = readdir(d)) {
        const char *name = e->d_name;
        if (!std::strcmp(name, ".") || !std::strcmp(name, ".."))
            continue;
        if (!k32::wildcard(pattern, name))
            continue;
        bool isdir = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            struct stat st;
            if (fstatat(dirfd, name, &st, 0) != 0) {
                if (e->d_type == DT_UNKNOWN)
                    continue; /* vanished meanwhile */
            } else {
                isdir = S_ISDIR(st.st_mode);
            }
        }
        if (isdir && dirs)
            out.push_back("[" + QByteArray(name) + "]");
        else if (!isdir && files)
            out.push_back(QByteArray(name));
        errno = 0;
    }
    bool ok = errno == 0;
    closedir(d);
    return ok;
}

} // namespace

int WINAPI DlgDirListA(HWND hDlg, LPSTR lpPathSpec, int nIDListBox, int nIDStaticPath, UINT uFileType)
{
    QListWidget *list = nullptr;
    QWidget *field = nullptr;
    if (nIDListBox) {
        list = dynamic_cast<QListWidget *>(dlg_control(hDlg, nIDListBox));
        if (!list)
            return 0;
    }
    if (nIDStaticPath) {
        field = dlg_control(hDlg, nIDStaticPath);
        if (!field)
            return 0;
    }

    // Directory part and pattern: "../*.*", "name/*.*", "/mnt/usb/*.*", "*.*".
    std::string pathmask = lpPathSpec ? lpPathSpec : "";
    std::string dir = ".", pattern = pathmask;
    if (auto slash = pathmask.rfind('/'); slash != std::string::npos) {
        dir = slash == 0 ? "/" : pathmask.substr(0, slash);
        pattern = pathmask.substr(slash + 1);
    }
    if (pattern.empty())
        pattern = "*.*";

    Fd fd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.fd < 0) {
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
        return 0;
    }

    /* Everything is read before anything changes, so a failure leaves all as it was. */
    std::vector<QByteArray> items;
    bool exclusive = uFileType & DDL_EXCLUSIVE;
    if (list && !read_entries(fd.fd, pattern.c_str(), uFileType & DDL_DIRECTORY, !exclusive, items)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }

    struct stat here, root;
    bool atroot =
        fstat(fd.fd, &here) == 0 && stat("/", &root) == 0 && here.st_dev == root.st_dev && here.st_ino == root.st_ino;
    if (list && (uFileType & DDL_DIRECTORY) && !atroot && k32::wildcard(pattern.c_str(), ".."))
        items.push_back("[..]");
    if (list && (uFileType & DDL_DRIVES))
        for (const std::string &m : drive_mounts())
            items.push_back("[-" + QByteArray::fromStdString(m) + "-]");

    /* Enter it; should its path not be known after all, go back. */
    Fd previous(open(".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (fchdir(fd.fd) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    char path[MAX_PATH];
    if (!getcwd(path, sizeof path)) {
        if (previous.fd >= 0 && fchdir(previous.fd) != 0) { /* stays where it is */
        }
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }

    if (list)
        listbox_fill(list, items);
    if (field)
        set_control_text(field, QByteArray(path));
    return 1;
}

BOOL WINAPI DlgDirSelectExA(HWND hwndDlg, LPSTR lpString, int chCount, int idListBox)
{
    if (lpString && chCount > 0)
        lpString[0] = '\0';
    auto *list = dynamic_cast<QListWidget *>(dlg_control(hwndDlg, idListBox));
    if (!list || !lpString || chCount <= 0)
        return FALSE;
    QList<QListWidgetItem *> sel = list->selectedItems();
    if (sel.isEmpty())
        return FALSE;

    QByteArray item = listbox_item_bytes(sel.first());
    QByteArray out;
    BOOL isdir = TRUE;
    if (item.startsWith("[-/") && item.endsWith("-]")) {
        out = item.mid(2, item.size() - 4); /* a mount point */
        if (!out.endsWith('/'))
            out += '/';
    } else if (item.size() >= 2 && item.startsWith('[') && item.endsWith(']')) {
        out = item.mid(1, item.size() - 2) + '/';
    } else {
        out = item; /* a file */
        isdir = FALSE;
    }
    size_t n = std::min((size_t)out.size(), (size_t)chCount - 1);
    std::memcpy(lpString, out.constData(), n);
    lpString[n] = '\0';
    return isdir;
}
