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
 *  - The list and the field are named for assistive technology after what
 *    they are here: "Directories and drives", "Path".
 *  - lpPathSpec is read, not rewritten: the directory to list, "/" and
 *    "*.*", or "*.*" alone for the current one. Only the listing the program
 *    asks for is made: directories and drives, no files (DDL_EXCLUSIVE |
 *    DDL_DIRECTORY | DDL_DRIVES, else ERROR_INVALID_PARAMETER), every name
 *    (no other pattern than "*.*").
 */
#include "kernel32/browse.h"
#include "mounts/mounts.h"
#include "user32/dlgcontrols.h"

#include <QListWidget>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

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
        if (k32::is_directory(m.point.c_str()))
            points.insert(m.point);
    }
    return {points.begin(), points.end()};
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

    // The directory part: "../*.*", "name/*.*", "/mnt/usb/*.*", "*.*".
    std::string pathmask = lpPathSpec ? lpPathSpec : "";
    std::string dir = ".", pattern = pathmask;
    if (auto slash = pathmask.rfind('/'); slash != std::string::npos) {
        dir = slash == 0 ? "/" : pathmask.substr(0, slash);
        pattern = pathmask.substr(slash + 1);
    }
    if (pattern != "*.*" || uFileType != (DDL_EXCLUSIVE | DDL_DIRECTORY | DDL_DRIVES)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }

    k32::BrowsedDirectory browsed(dir.c_str());
    if (!browsed.ok())
        return 0;

    /* Everything is read before anything changes, so a failure leaves all as it was. */
    std::vector<QByteArray> items;
    if (list) {
        std::vector<k32::BrowsedEntry> entries;
        if (!browsed.entries(entries))
            return 0;
        /* "[name]" for directories, links to directories too, since choosing
         * one enters it. */
        for (const k32::BrowsedEntry &e : entries)
            if (e.directory)
                items.push_back("[" + QByteArray::fromStdString(e.name) + "]");
        if (!browsed.is_root())
            items.push_back("[..]");
        for (const std::string &m : drive_mounts())
            items.push_back("[-" + QByteArray::fromStdString(m) + "-]");
    }

    char path[MAX_PATH];
    if (!browsed.enter(path, sizeof path))
        return 0;

    /* What the controls are, for assistive technology: the call says it. */
    if (list) {
        listbox_fill(list, items);
        list->setAccessibleName(QStringLiteral("Directories and drives"));
    }
    if (field) {
        set_control_text(field, QByteArray(path));
        field->setAccessibleName(QStringLiteral("Path"));
    }
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

    /* Every entry is a directory or a drive: the list holds no files. */
    QByteArray item = listbox_item_bytes(sel.first());
    QByteArray out;
    if (item.startsWith("[-/") && item.endsWith("-]")) {
        out = item.mid(2, item.size() - 4); /* a mount point */
        if (!out.endsWith('/'))
            out += '/';
    } else {
        out = item.mid(1, item.size() - 2) + '/';
    }
    size_t n = std::min((size_t)out.size(), (size_t)chCount - 1);
    std::memcpy(lpString, out.constData(), n);
    lpString[n] = '\0';
    return TRUE;
}
