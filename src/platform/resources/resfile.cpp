/*
 * resfile.cpp - the program's resources (resources.h), read from the .res
 * file the resource compiler made of resources/tarvel.rc, compiled into the
 * layer (embedded.h), in Windows' own binary formats:
 *
 *   the .res file   a run of entries, each a header (data size, header size,
 *                   type and name as an ordinal or a UTF-16 string, then
 *                   flags and versions) and its data, each DWORD-aligned;
 *   RT_MENU         MENUITEMTEMPLATEHEADER, then items: flags (MF_POPUP,
 *                   MF_END for the last of a level), the id unless a pop-up,
 *                   the UTF-16 text; a pop-up's items follow it;
 *   RT_DIALOG       DLGTEMPLATE: style, extended style, item count, x, y,
 *                   cx, cy; menu, class, caption; point size and face with
 *                   DS_SETFONT; then each item DWORD-aligned, a
 *                   DLGITEMTEMPLATE: style, extended style, x, y, cx, cy, id,
 *                   class (an ordinal for the system classes), text, extra;
 *   RT_GROUP_ICON   GRPICONDIR: a count of entries, each an .ico file's
 *                   directory entry with the id of an RT_ICON for its image.
 *
 * The resources are the program's own, made at build time: a malformed one
 * is a build fault, yet every read is bounded, so nothing is read beyond
 * the file.
 */
#include "resources/resources.h"
#include "resources/embedded.h"

#include <cstring>
#include <map>
#include <optional>

namespace rc {

namespace {

constexpr unsigned rt_icon = 3, rt_menu = 4, rt_dialog = 5, rt_group_icon = 14;
constexpr unsigned mf_popup = 0x10, mf_end = 0x80;

/* A name or type: an ordinal, or a string (upper case, as Windows compares). */
struct Id {
    unsigned ordinal = 0;
    std::string name;
};

struct Entry {
    Id type, name;
    const unsigned char *data;
    size_t size;
};

/* A bounded reader of little-endian words and UTF-16 strings. */
class Reader {
public:
    Reader(const unsigned char *p, size_t n) : p_(p), n_(n) {}
    bool ok() const { return ok_; }
    size_t at() const { return at_; }
    void seek(size_t to) { ok_ = ok_ && to <= n_, at_ = ok_ ? to : at_; }
    void align(size_t to) { seek((at_ + to - 1) / to * to); }
    unsigned byte()
    {
        if (!ok_ || at_ + 1 > n_)
            return ok_ = false, 0;
        return p_[at_++];
    }
    unsigned word()
    {
        if (!ok_ || at_ + 2 > n_)
            return ok_ = false, 0;
        unsigned v = p_[at_] | p_[at_ + 1] << 8;
        at_ += 2;
        return v;
    }
    unsigned long dword()
    {
        unsigned long lo = word();
        return lo | (unsigned long)word() << 16;
    }
    int sword() { return (short)word(); }
    /* A UTF-16 string to its terminator, as UTF-8. */
    std::string text()
    {
        std::string out;
        for (unsigned c = word(); ok_ && c != 0; c = word()) {
            if (c >= 0xD800 && c < 0xDC00) { /* a surrogate pair */
                unsigned lo = word();
                c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
            }
            if (c < 0x80) {
                out += (char)c;
            } else if (c < 0x800) {
                out += (char)(0xC0 | c >> 6);
                out += (char)(0x80 | (c & 0x3F));
            } else if (c < 0x10000) {
                out += (char)(0xE0 | c >> 12);
                out += (char)(0x80 | (c >> 6 & 0x3F));
                out += (char)(0x80 | (c & 0x3F));
            } else {
                out += (char)(0xF0 | c >> 18);
                out += (char)(0x80 | (c >> 12 & 0x3F));
                out += (char)(0x80 | (c >> 6 & 0x3F));
                out += (char)(0x80 | (c & 0x3F));
            }
        }
        return out;
    }
    /* An ordinal (0xFFFF and the number) or a string; 0x0000 alone is none. */
    Id id()
    {
        Id r;
        const size_t here = at_;
        unsigned first = word();
        if (first == 0xFFFF) {
            r.ordinal = word();
        } else if (first != 0) {
            seek(here);
            r.name = text();
        }
        return r;
    }

private:
    const unsigned char *p_;
    size_t n_, at_ = 0;
    bool ok_ = true;
};

std::string upper(std::string s)
{
    for (char &c : s)
        if (c >= 'a' && c <= 'z')
            c = (char)(c - 'a' + 'A');
    return s;
}

bool matches(const Id &id, LPCSTR name)
{
    if (IS_INTRESOURCE(name))
        return id.name.empty() && id.ordinal == (unsigned)(ULONG_PTR)name;
    return !id.name.empty() && upper(id.name) == upper(name);
}

std::vector<Entry> read_entries(const unsigned char *p, size_t n)
{
    std::vector<Entry> entries;
    Reader r(p, n);
    while (r.ok() && r.at() + 8 <= n) {
        const size_t start = r.at();
        const unsigned long datasize = r.dword(), headersize = r.dword();
        Entry e;
        e.type = r.id();
        e.name = r.id();
        if (!r.ok() || headersize < 8 || start + headersize > n || datasize > n - start - headersize)
            break;
        e.data = p + start + headersize;
        e.size = datasize;
        if (e.type.ordinal || !e.type.name.empty()) /* the first entry is an empty marker */
            entries.push_back(e);
        r.seek(start + headersize + datasize);
        r.align(4);
    }
    return entries;
}

std::vector<MenuItem> read_items(Reader &r)
{
    std::vector<MenuItem> items;
    for (bool last = false; !last && r.ok();) {
        const unsigned flags = r.word();
        last = flags & mf_end;
        MenuItem item;
        if (flags & mf_popup) {
            item.text = r.text();
            item.popup = read_items(r);
        } else {
            item.id = (int)r.word();
            item.text = r.text();
            item.separator = item.id == 0 && item.text.empty();
        }
        if (r.ok())
            items.push_back(std::move(item));
    }
    return items;
}

Menu read_menu(const Entry &e)
{
    Reader r(e.data, e.size);
    Menu m;
    m.name = e.name.name;
    r.word();                         /* version 0 */
    const unsigned offset = r.word(); /* from the header's end to the first item */
    r.seek(r.at() + offset);
    m.items = read_items(r);
    return m;
}

/* The system classes of dialog items, by their ordinals. */
std::string class_name(const Id &id)
{
    switch (id.ordinal) {
    case 0x80: return "BUTTON";
    case 0x81: return "EDIT";
    case 0x82: return "STATIC";
    case 0x83: return "LISTBOX";
    case 0x84: return "SCROLLBAR";
    case 0x85: return "COMBOBOX";
    default: return upper(id.name);
    }
}

Dialog read_dialog(const Entry &e)
{
    Reader r(e.data, e.size);
    Dialog d;
    d.name = e.name.name;
    d.style = r.dword();
    d.exstyle = r.dword();
    const unsigned count = r.word();
    d.x = r.sword();
    d.y = r.sword();
    d.cx = r.sword();
    d.cy = r.sword();
    r.id(); /* menu: none */
    r.id(); /* class: the dialog's own */
    d.caption = r.text();
    if (d.style & DS_SETFONT) {
        d.fontsize = (int)r.word();
        d.fontname = r.text();
    }
    for (unsigned i = 0; i < count && r.ok(); i++) {
        r.align(4);
        Control c;
        c.style = r.dword();
        r.dword(); /* extended style */
        c.x = r.sword();
        c.y = r.sword();
        c.cx = r.sword();
        c.cy = r.sword();
        c.id = (int)r.word();
        c.cls = class_name(r.id());
        c.text = r.id().name;
        const unsigned extra = r.word(); /* creation data, skipped */
        r.seek(r.at() + extra);
        if (r.ok())
            d.controls.push_back(std::move(c));
    }
    return d;
}

/* An .ico file of the group's images, each from its RT_ICON. */
std::optional<std::string> read_icon(const Entry &group, const std::vector<Entry> &all)
{
    Reader r(group.data, group.size);
    r.word(); /* reserved */
    const unsigned type = r.word(), count = r.word();
    struct Image {
        unsigned char head[8]; /* width, height, colours, reserved, planes, bit count */
        const Entry *data;
    };
    std::vector<Image> images;
    for (unsigned i = 0; i < count && r.ok(); i++) {
        Image im{};
        for (unsigned char &b : im.head)
            b = (unsigned char)r.byte();
        r.dword(); /* the image's size: its RT_ICON's */
        const unsigned id = r.word();
        im.data = nullptr;
        for (const Entry &e : all)
            if (e.type.ordinal == rt_icon && e.name.name.empty() && e.name.ordinal == id)
                im.data = &e;
        if (!im.data)
            return std::nullopt;
        images.push_back(im);
    }
    if (!r.ok())
        return std::nullopt;
    std::string ico;
    auto put16 = [&](unsigned v) { ico += (char)(v & 0xFF), ico += (char)(v >> 8 & 0xFF); };
    auto put32 = [&](unsigned long v) { put16((unsigned)(v & 0xFFFF)), put16((unsigned)(v >> 16)); };
    put16(0);
    put16(type);
    put16((unsigned)images.size());
    unsigned long offset = 6 + 16 * images.size();
    for (const Image &im : images) {
        ico.append((const char *)im.head, 8);
        put32((unsigned long)im.data->size);
        put32(offset);
        offset += (unsigned long)im.data->size;
    }
    for (const Image &im : images)
        ico.append((const char *)im.data->data, im.data->size);
    return ico;
}

struct Resources {
    std::vector<std::pair<Id, Menu>> menus;
    std::vector<std::pair<Id, Dialog>> dialogs;
    std::vector<std::pair<Id, std::string>> icons;
};

const Resources &program_resources()
{
    static const Resources *all = [] {
        auto *res = new Resources;
        const embedded::File *f = embedded::find("tarvel.res");
        if (!f)
            return res;
        const std::vector<Entry> entries = read_entries(f->data, f->size);
        for (const Entry &e : entries) {
            if (e.type.ordinal == rt_menu) {
                res->menus.emplace_back(e.name, read_menu(e));
            } else if (e.type.ordinal == rt_dialog) {
                res->dialogs.emplace_back(e.name, read_dialog(e));
            } else if (e.type.ordinal == rt_group_icon) {
                if (std::optional<std::string> ico = read_icon(e, entries))
                    res->icons.emplace_back(e.name, std::move(*ico));
            }
        }
        return res;
    }();
    return *all;
}

/* The resource of that name in `list`, or NULL. */
template <typename T> const T *find_named(const std::vector<std::pair<Id, T>> &list, LPCSTR name)
{
    for (const auto &[id, value] : list)
        if (name && matches(id, name))
            return &value;
    return nullptr;
}

} // namespace

const Menu *find_menu(LPCSTR name)
{
    return find_named(program_resources().menus, name);
}

const Dialog *find_dialog(LPCSTR name)
{
    return find_named(program_resources().dialogs, name);
}

const std::string *find_icon(LPCSTR name)
{
    return find_named(program_resources().icons, name);
}

} // namespace rc
