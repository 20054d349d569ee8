#include "temptree.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

TempTree::TempTree()
{
    const char *tmp = getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarvel-test-XXXXXX";
    std::vector<char> buf(templ.c_str(), templ.c_str() + templ.size() + 1);
    if (!mkdtemp(buf.data()))
        throw std::runtime_error("mkdtemp failed");
    root_ = buf.data();
    ::chmod(root_.c_str(), 0755); /* readable by the unprivileged user of some tests */
}

TempTree::~TempTree()
{
    /* Rights restored first so that locked directories go too; rm copes with
     * trees deeper than PATH_MAX. */
    std::string cmd = "chmod -R u+rwx '" + root_ + "' 2>/dev/null; rm -rf '" + root_ + "'";
    if (system(cmd.c_str()) != 0) { /* nothing more to do */
    }
}

std::string TempTree::path(const std::string &rel) const
{
    return rel.empty() ? root_ : root_ + "/" + rel;
}

/* The full path of `rel`, its parents made. */
std::string TempTree::made(const std::string &rel) const
{
    std::string p = path(rel);
    std::filesystem::create_directories(std::filesystem::path(p).parent_path());
    return p;
}

void TempTree::dir(const std::string &rel)
{
    std::filesystem::create_directories(path(rel));
}

std::string TempTree::deep(const std::string &rel, int levels, char letter, int64_t filebytes)
{
    dir(rel);
    const std::string name(250, letter);
    std::string below;
    int fd = open(path(rel).c_str(), O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < levels && fd >= 0; ++i, below += name + "/") {
        mkdirat(fd, name.c_str(), 0755);
        int next = openat(fd, name.c_str(), O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = next;
    }
    if (fd < 0)
        throw std::runtime_error("cannot make a deep path");
    if (filebytes >= 0) {
        int f = openat(fd, std::string(250, 'f').c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        const std::vector<char> bytes(filebytes, 'x');
        if (f < 0 || write(f, bytes.data(), bytes.size()) != (ssize_t)bytes.size())
            throw std::runtime_error("cannot write a deep file");
        close(f);
    }
    close(fd);
    return below;
}

void TempTree::file(const std::string &rel, uint64_t size)
{
    std::string p = made(rel);
    std::ofstream f(p, std::ios::binary);
    const std::string chunk(65536, 'x');
    for (uint64_t left = size; left > 0 && f; left -= std::min<uint64_t>(left, chunk.size()))
        f.write(chunk.data(), (std::streamsize)std::min<uint64_t>(left, chunk.size()));
    if (!f.flush())
        throw std::runtime_error("cannot write " + p);
}

void TempTree::sparse(const std::string &rel, uint64_t size)
{
    std::string p = made(rel);
    std::ofstream(p.c_str(), std::ios::app);
    if (truncate(p.c_str(), (off_t)size) != 0)
        throw std::runtime_error("cannot make sparse " + p);
}

void TempTree::symlink(const std::string &rel, const std::string &target)
{
    if (::symlink(target.c_str(), made(rel).c_str()) != 0)
        throw std::runtime_error("symlink " + rel);
}

void TempTree::fifo(const std::string &rel)
{
    if (mkfifo(made(rel).c_str(), 0644) != 0)
        throw std::runtime_error("mkfifo " + rel);
}

void TempTree::socket(const std::string &rel)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string p = made(rel);
    if (p.size() >= sizeof addr.sun_path)
        throw std::runtime_error("socket path too long");
    strcpy(addr.sun_path, p.c_str());
    int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (bind(s, (sockaddr *)&addr, sizeof addr) != 0)
        throw std::runtime_error("bind " + p);
    close(s);
}

void TempTree::chmod(const std::string &rel, unsigned mode)
{
    ::chmod(path(rel).c_str(), mode);
}

int run_command(const std::string &cmd, std::string *out, std::string *errout)
{
    char outname[] = "/tmp/tarvel-out-XXXXXX", errname[] = "/tmp/tarvel-err-XXXXXX";
    close(mkstemp(outname));
    close(mkstemp(errname));
    int st = system(("( " + cmd + " ) >" + outname + " 2>" + errname + " </dev/null").c_str());
    if (out)
        *out = slurp(outname);
    if (errout)
        *errout = slurp(errname);
    unlink(outname);
    unlink(errname);
    return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
}

std::string pattern_of(const std::string &path)
{
    return path == "/" ? "/*.*" : path + "/*.*";
}

std::string slurp(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string quote(const std::string &s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string mount_point(const std::string &path)
{
    std::string out;
    run_command("findmnt -n -o TARGET -T " + quote(path), &out, nullptr);
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out == "/" ? out : out + "/";
}
