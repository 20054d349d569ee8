/*
 * rcscript.cpp - rc::find_menu, rc::find_dialog, rc::find_icon.
 *
 * Windows compiles the resource script into the executable and LoadMenu,
 * DialogBox and LoadIcon read the binary resources. Here the script itself is
 * compiled in (embedded.h) and read once, on first use, for the statements
 * Tarvel's script holds: #include/#define for ids, ICON, MENU (POPUP,
 * MENUITEM, SEPARATOR) and DIALOG/DIALOGEX (STYLE, EXSTYLE, CAPTION, FONT,
 * CONTROL). Style expressions take the names of the Win32 constants below,
 * the #define'd ids, numbers and NOT. Resource names match without regard to
 * case, numeric names by MAKEINTRESOURCE(id). A script that cannot be read
 * leaves the resources after the fault missing (the finders return nullptr);
 * it never throws.
 */
#include "resources/rcscript.h"
#include "resources/embedded.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

namespace rc {
namespace {

/* The resource compiler's arithmetic is 32 bits wide and wraps. Every value
 * the parser holds is brought into that range, so that no sum, negation or
 * long #define chain can overflow. */
constexpr long wrap32(unsigned long v)
{
    return (long)(int32_t)(uint32_t)v;
}

/* Win32 constants a script may name, with the values of our <windows.h>. */
#define RC_CONST(n)                                                                                                    \
    {                                                                                                                  \
#n, wrap32(n)                                                                                                  \
    }
const struct {
    const char *name;
    long value;
} win32_constants[] = {
    RC_CONST(WS_OVERLAPPED),
    RC_CONST(WS_POPUP),
    RC_CONST(WS_CHILD),
    RC_CONST(WS_VISIBLE),
    RC_CONST(WS_DISABLED),
    RC_CONST(WS_CAPTION),
    RC_CONST(WS_BORDER),
    RC_CONST(WS_DLGFRAME),
    RC_CONST(WS_VSCROLL),
    RC_CONST(WS_HSCROLL),
    RC_CONST(WS_SYSMENU),
    RC_CONST(WS_THICKFRAME),
    RC_CONST(WS_GROUP),
    RC_CONST(WS_TABSTOP),
    RC_CONST(WS_MINIMIZEBOX),
    RC_CONST(WS_MAXIMIZEBOX),
    RC_CONST(WS_OVERLAPPEDWINDOW),
    RC_CONST(WS_EX_DLGMODALFRAME),
    RC_CONST(DS_MODALFRAME),
    RC_CONST(DS_SETFONT),
    RC_CONST(ES_AUTOHSCROLL),
    RC_CONST(ES_READONLY),
    RC_CONST(LBS_NOTIFY),
    RC_CONST(LBS_SORT),
    RC_CONST(LBS_NOINTEGRALHEIGHT),
    RC_CONST(LBS_DISABLENOSCROLL),
    RC_CONST(BS_PUSHBUTTON),
    RC_CONST(BS_DEFPUSHBUTTON),
    RC_CONST(BS_CENTER),
    RC_CONST(IDOK),
    RC_CONST(IDCANCEL),
};
#undef RC_CONST

bool same_name(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper((unsigned char)a[i]) != std::toupper((unsigned char)b[i]))
            return false;
    return true;
}

std::string upper(std::string s)
{
    for (char &c : s)
        c = (char)std::toupper((unsigned char)c);
    return s;
}

/* ---- tokens ---------------------------------------------------------------- */

enum class Tok { End, Word, Number, String, Punct };

struct Token {
    Tok kind = Tok::End;
    std::string text; /* word, punctuation or the string's contents */
    long number = 0;
    bool line_start = false; /* first token of its line (for preprocessor lines) */
};

/* Splits script text into tokens; skips comments. */
std::vector<Token> tokenize(const char *p)
{
    std::vector<Token> out;
    bool line_start = true;
    while (*p) {
        if (*p == '\n') {
            line_start = true;
            ++p;
            continue;
        }
        if (std::isspace((unsigned char)*p)) {
            ++p;
            continue;
        }
        if (p[0] == '/' && p[1] == '*') {
            const char *e = std::strstr(p + 2, "*/");
            p = e ? e + 2 : p + std::strlen(p);
            continue;
        }
        if (p[0] == '/' && p[1] == '/') {
            while (*p && *p != '\n')
                ++p;
            continue;
        }
        Token t;
        t.line_start = line_start;
        line_start = false;
        if (*p == '"') {
            /* "" stands for one quote, as in the resource compiler; C escapes too. */
            t.kind = Tok::String;
            ++p;
            while (*p && *p != '\n') {
                if (p[0] == '"' && p[1] == '"') {
                    t.text += '"';
                    p += 2;
                    continue;
                }
                if (*p == '"') {
                    ++p;
                    break;
                }
                if (*p == '\\' && p[1]) {
                    ++p;
                    switch (*p) {
                    case 'n': t.text += '\n'; break;
                    case 't': t.text += '\t'; break;
                    default: t.text += *p; break;
                    }
                    ++p;
                    continue;
                }
                t.text += *p++;
            }
        } else if (std::isdigit((unsigned char)*p)) {
            t.kind = Tok::Number;
            char *end = nullptr;
            t.number = wrap32(std::strtoul(p, &end, 0));
            p = end;
            while (*p == 'L' || *p == 'l' || *p == 'U' || *p == 'u')
                ++p;
        } else if (std::isalpha((unsigned char)*p) || *p == '_' || *p == '#') {
            t.kind = Tok::Word;
            t.text += *p++;
            while (std::isalnum((unsigned char)*p) || *p == '_' || *p == '.')
                t.text += *p++;
        } else {
            t.kind = Tok::Punct;
            t.text = std::string(1, *p++);
        }
        out.push_back(std::move(t));
    }
    return out;
}

/* ---- the parser ------------------------------------------------------------ */

class Parser {
public:
    Parser(std::map<std::string, long> &defines, Script &script) : defines_(defines), script_(script) {}

    /* Reads one file's statements; false at the first fault. */
    bool run(const char *text)
    {
        toks_ = tokenize(text);
        pos_ = 0;
        while (!at_end()) {
            if (!statement())
                return false;
        }
        return true;
    }

private:
    std::map<std::string, long> &defines_;
    Script &script_;
    std::vector<Token> toks_;
    size_t pos_ = 0;

    bool at_end() const { return pos_ >= toks_.size(); }
    const Token &peek(size_t ahead = 0) const
    {
        static const Token end;
        return pos_ + ahead < toks_.size() ? toks_[pos_ + ahead] : end;
    }
    const Token &next()
    {
        const Token &t = peek();
        if (!at_end())
            ++pos_;
        return t;
    }
    bool is_word(const Token &t, const char *w) const { return t.kind == Tok::Word && same_name(t.text, w); }
    bool is_punct(const Token &t, char c) const { return t.kind == Tok::Punct && t.text.size() == 1 && t.text[0] == c; }
    bool accept_punct(char c)
    {
        if (is_punct(peek(), c)) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool begin_block()
    {
        if (is_word(peek(), "BEGIN") || is_punct(peek(), '{')) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool end_block()
    {
        if (is_word(peek(), "END") || is_punct(peek(), '}')) {
            ++pos_;
            return true;
        }
        return false;
    }

    /* Skips the rest of the current line's tokens (preprocessor lines). */
    void skip_line()
    {
        while (!at_end() && !peek().line_start)
            ++pos_;
    }

    std::optional<long> value_of(const std::string &name) const
    {
        auto it = defines_.find(name);
        if (it != defines_.end())
            return it->second;
        for (const auto &c : win32_constants)
            if (name == c.name)
                return c.value;
        return std::nullopt;
    }

    /* expr := term { ('|' | '+') term }; term := NOT term | '(' expr ')' |
     * number | name | '-' term | '~' term */
    std::optional<long> expr()
    {
        auto v = term();
        if (!v)
            return std::nullopt;
        long acc = *v;
        while (is_punct(peek(), '|') || is_punct(peek(), '+')) {
            bool plus = next().text[0] == '+';
            /* "A | NOT B" clears B's bits, as the resource compiler does. */
            if (is_word(peek(), "NOT")) {
                ++pos_;
                auto n = term();
                if (!n)
                    return std::nullopt;
                acc &= ~*n;
                continue;
            }
            auto n = term();
            if (!n)
                return std::nullopt;
            acc = plus ? wrap32((unsigned long)acc + (unsigned long)*n) : (acc | *n);
        }
        return acc;
    }

    std::optional<long> term()
    {
        const Token &t = next();
        if (t.kind == Tok::Number)
            return t.number;
        if (is_punct(t, '(')) {
            auto v = expr();
            if (!v || !accept_punct(')'))
                return std::nullopt;
            return v;
        }
        if (is_punct(t, '-')) {
            auto v = term();
            return v ? std::optional<long>(wrap32(0ul - (unsigned long)*v)) : v;
        }
        if (is_punct(t, '~') || is_word(t, "NOT")) {
            auto v = term();
            return v ? std::optional<long>(~*v) : v;
        }
        if (t.kind == Tok::Word)
            return value_of(t.text);
        return std::nullopt;
    }

    std::optional<int> integer()
    {
        auto v = expr();
        if (!v)
            return std::nullopt;
        return (int)*v;
    }

    /* A resource name: a word (or a #define'd id, which becomes its number) or a number. */
    std::string resource_name(const Token &t) const
    {
        if (t.kind == Tok::Number)
            return std::to_string(t.number);
        if (auto v = value_of(t.text))
            return std::to_string(*v);
        return t.text;
    }

    bool statement()
    {
        const Token &first = peek();
        if (first.kind == Tok::Word && first.text[0] == '#')
            return directive();
        if ((first.kind != Tok::Word && first.kind != Tok::Number))
            return false;
        const Token &kind = peek(1);
        if (is_word(kind, "ICON")) {
            std::string name = resource_name(next());
            ++pos_;
            const Token &file = next();
            if (file.kind != Tok::String)
                return false;
            script_.icons.emplace_back(name, file.text);
            return true;
        }
        if (is_word(kind, "MENU") || is_word(kind, "MENUEX")) {
            Menu m;
            m.name = resource_name(next());
            ++pos_;
            skip_memory_options();
            if (!begin_block() || !menu_items(m.items))
                return false;
            script_.menus.push_back(std::move(m));
            return true;
        }
        if (is_word(kind, "DIALOG") || is_word(kind, "DIALOGEX")) {
            Dialog d;
            d.name = resource_name(next());
            ++pos_;
            return dialog(d);
        }
        return false;
    }

    void skip_memory_options()
    {
        static const char *opts[] = {"DISCARDABLE", "MOVEABLE", "FIXED", "PURE", "IMPURE", "PRELOAD", "LOADONCALL"};
        for (bool again = true; again;) {
            again = false;
            for (const char *o : opts)
                if (is_word(peek(), o)) {
                    ++pos_;
                    again = true;
                }
        }
    }

    /* #include "resource.h" reads the embedded header's #defines; #define
     * adds one; other directives (#ifndef guards, #endif) are passed over. */
    bool directive()
    {
        const Token &d = next();
        if (d.text == "#include") {
            const Token &f = next();
            if (f.kind != Tok::String && !is_punct(f, '<'))
                return false;
            std::string file = f.text;
            if (is_punct(f, '<')) {
                file.clear();
                while (!at_end() && !is_punct(peek(), '>'))
                    file += next().text;
                ++pos_;
            }
            if (auto slash = file.find_last_of("/\\"); slash != std::string::npos)
                file = file.substr(slash + 1);
            /* windows.h's names are known already; only our own headers are read. */
            if (const embedded::File *ef = embedded::find(file.c_str())) {
                Script unused;
                Parser inner(defines_, unused);
                inner.run(reinterpret_cast<const char *>(ef->data));
            }
            return true;
        }
        if (d.text == "#define") {
            const Token &name = next();
            if (name.kind != Tok::Word)
                return false;
            if (!peek().line_start && !at_end()) {
                size_t start = pos_;
                auto v = expr();
                /* A macro that is no plain value is not an id; ignore it. */
                if (v && (at_end() || peek().line_start))
                    defines_[name.text] = *v;
                else
                    pos_ = start;
            }
            skip_line();
            return true;
        }
        skip_line();
        return true;
    }

    bool menu_items(std::vector<MenuItem> &items)
    {
        while (!end_block()) {
            if (at_end())
                return false;
            const Token &t = next();
            MenuItem item;
            if (is_word(t, "POPUP")) {
                const Token &text = next();
                if (text.kind != Tok::String)
                    return false;
                item.text = text.text;
                skip_item_options();
                if (!begin_block() || !menu_items(item.popup))
                    return false;
            } else if (is_word(t, "MENUITEM")) {
                if (is_word(peek(), "SEPARATOR")) {
                    ++pos_;
                    item.separator = true;
                } else {
                    const Token &text = next();
                    if (text.kind != Tok::String || !accept_punct(','))
                        return false;
                    item.text = text.text;
                    auto id = integer();
                    if (!id)
                        return false;
                    item.id = *id;
                    skip_item_options();
                }
            } else {
                return false;
            }
            items.push_back(std::move(item));
        }
        return true;
    }

    /* ", GRAYED, CHECKED" and the like: accepted and not kept. */
    void skip_item_options()
    {
        while (accept_punct(',')) {
            if (peek().kind == Tok::Word || peek().kind == Tok::Number)
                ++pos_;
        }
    }

    bool dialog(Dialog &d)
    {
        skip_memory_options();
        auto x = integer();
        if (!x || !accept_punct(','))
            return false;
        auto y = integer();
        if (!y || !accept_punct(','))
            return false;
        auto cx = integer();
        if (!cx || !accept_punct(','))
            return false;
        auto cy = integer();
        if (!cy)
            return false;
        d.x = *x;
        d.y = *y;
        d.cx = *cx;
        d.cy = *cy;
        if (accept_punct(',') && !integer())
            return false; /* DIALOGEX help id */

        while (!begin_block()) {
            if (at_end())
                return false;
            const Token &t = next();
            if (is_word(t, "STYLE")) {
                auto v = expr();
                if (!v)
                    return false;
                d.style = (DWORD)*v;
            } else if (is_word(t, "EXSTYLE")) {
                auto v = expr();
                if (!v)
                    return false;
                d.exstyle = (DWORD)*v;
            } else if (is_word(t, "CAPTION")) {
                const Token &s = next();
                if (s.kind != Tok::String)
                    return false;
                d.caption = s.text;
            } else if (is_word(t, "FONT")) {
                auto size = integer();
                if (!size || !accept_punct(','))
                    return false;
                const Token &s = next();
                if (s.kind != Tok::String)
                    return false;
                d.fontsize = *size;
                d.fontname = s.text;
                while (accept_punct(',')) /* DIALOGEX weight, italic, charset */
                    if (!integer())
                        return false;
            } else if (is_word(t, "MENU") || is_word(t, "CLASS")) {
                ++pos_; /* not used by Tarvel's dialogs */
            } else {
                return false;
            }
        }
        while (!end_block()) {
            if (at_end())
                return false;
            Control c;
            if (!control(c))
                return false;
            d.controls.push_back(std::move(c));
        }
        script_.dialogs.push_back(std::move(d));
        return true;
    }

    /* CONTROL "text", id, "class", style, x, y, cx, cy [, exstyle] */
    bool control(Control &c)
    {
        if (!is_word(next(), "CONTROL"))
            return false;
        const Token &text = next();
        if (text.kind == Tok::String)
            c.text = text.text;
        else if (text.kind == Tok::Number)
            c.text = std::to_string(text.number);
        else
            return false;
        if (!accept_punct(','))
            return false;
        auto id = integer();
        if (!id || !accept_punct(','))
            return false;
        c.id = *id;
        const Token &cls = next();
        if (cls.kind != Tok::String && cls.kind != Tok::Word)
            return false;
        c.cls = upper(cls.text);
        if (!accept_punct(','))
            return false;
        auto style = expr();
        if (!style || !accept_punct(','))
            return false;
        c.style = (DWORD)*style;
        int *geom[] = {&c.x, &c.y, &c.cx, &c.cy};
        for (int i = 0; i < 4; ++i) {
            auto v = integer();
            if (!v)
                return false;
            *geom[i] = *v;
            if (i < 3 && !accept_punct(','))
                return false;
        }
        if (accept_punct(',') && !expr())
            return false; /* extended style, not kept */
        return true;
    }
};

} // namespace

Script read_script(const char *text)
{
    Script s;
    std::map<std::string, long> defines;
    Parser p(defines, s);
    p.run(text);
    return s;
}

namespace {

const Script &script()
{
    static const Script parsed = [] {
        const embedded::File *f = embedded::find("tarvel.rc");
        return f ? read_script(reinterpret_cast<const char *>(f->data)) : Script();
    }();
    return parsed;
}

/* True when the looked-up `name` (a string or MAKEINTRESOURCE id) names `have`. */
bool matches(LPCSTR name, const std::string &have)
{
    if (!name)
        return false;
    if (IS_INTRESOURCE(name))
        return have == std::to_string((unsigned)(ULONG_PTR)name);
    /* "#123" names resource 123, as in Win32. */
    if (name[0] == '#' && name[1])
        return have == std::to_string(std::atol(name + 1));
    return same_name(name, have);
}

} // namespace

const Menu *find_menu(LPCSTR name)
{
    for (const Menu &m : script().menus)
        if (matches(name, m.name))
            return &m;
    return nullptr;
}

const Dialog *find_dialog(LPCSTR name)
{
    for (const Dialog &d : script().dialogs)
        if (matches(name, d.name))
            return &d;
    return nullptr;
}

const std::string *find_icon(LPCSTR name)
{
    /* The icons' bytes, read once and kept for the life of the process. */
    static const std::vector<std::pair<std::string, std::string>> icons = [] {
        std::vector<std::pair<std::string, std::string>> v;
        for (const auto &[n, file] : script().icons) {
            std::string base = file;
            if (auto slash = base.find_last_of("/\\"); slash != std::string::npos)
                base = base.substr(slash + 1);
            if (const embedded::File *f = embedded::find(base.c_str()))
                v.emplace_back(n, std::string(reinterpret_cast<const char *>(f->data), f->size));
        }
        return v;
    }();
    for (const auto &[n, bytes] : icons)
        if (matches(name, n))
            return &bytes;
    return nullptr;
}

} // namespace rc
