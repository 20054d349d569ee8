#include "temptree.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

TempTree::TempTree()
{
    const char *tmp = getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarvel-test-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data()))
        throw std::runtime_error("mkdtemp failed");
    root_ = buf.data();
    ::chmod(root_.c_str(), 0755); /* readable by the unprivileged user of some tests */
}

TempTree::~TempTree()
{
    /* Restore search and read rights so that everything can be removed. */
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root_, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) break;
        if (it->is_directory(ec) && !it->is_symlink(ec))
            ::chmod(it->path().c_str(), 0755);
    }
    /* Deep trees exceed PATH_MAX for std::filesystem; rm copes. */
    std::string cmd = "chmod -R u+rwx '" + root_ + "' 2>/dev/null; rm -rf '" + root_ + "'";
    if (system(cmd.c_str()) != 0) { /* nothing more to do */ }
}

std::string TempTree::path(const std::string &rel) const
{
    return rel.empty() ? root_ : root_ + "/" + rel;
}

static void make_parents(const std::string &p)
{
    fs::create_directories(fs::path(p).parent_path());
}

void TempTree::dir(const std::string &rel)
{
    fs::create_directories(path(rel));
}

void TempTree::file(const std::string &rel, uint64_t size)
{
    std::string p = path(rel);
    make_parents(p);
    int fd = open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot create " + p);
    std::vector<char> chunk(65536, 'x');
    uint64_t left = size;
    while (left > 0) {
        size_t n = left < chunk.size() ? (size_t)left : chunk.size();
        ssize_t w = write(fd, chunk.data(), n);
        if (w <= 0) { close(fd); throw std::runtime_error("cannot write " + p); }
        left -= (uint64_t)w;
    }
    close(fd);
}

void TempTree::sparse(const std::string &rel, uint64_t size)
{
    std::string p = path(rel);
    make_parents(p);
    int fd = open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ftruncate(fd, (off_t)size) != 0) throw std::runtime_error("cannot make sparse " + p);
    close(fd);
}

void TempTree::symlink(const std::string &rel, const std::string &target)
{
    std::string p = path(rel);
    make_parents(p);
    if (::symlink(target.c_str(), p.c_str()) != 0) throw std::runtime_error("symlink " + p);
}

void TempTree::fifo(const std::string &rel)
{
    std::string p = path(rel);
    make_parents(p);
    if (mkfifo(p.c_str(), 0644) != 0) throw std::runtime_error("mkfifo " + p);
}

void TempTree::socket(const std::string &rel)
{
    std::string p = path(rel);
    make_parents(p);
    int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (p.size() >= sizeof addr.sun_path) throw std::runtime_error("socket path too long");
    strcpy(addr.sun_path, p.c_str());
    if (bind(s, (sockaddr *)&addr, sizeof addr) != 0) throw std::runtime_error("bind " + p);
    close(s);
}

void TempTree::chmod(const std::string &rel, unsigned mode)
{
    ::chmod(path(rel).c_str(), mode);
}

int run_command(const std::string &cmd, std::string *out, std::string *errout)
{
    char outname[] = "/tmp/tarvel-out-XXXXXX";
    char errname[] = "/tmp/tarvel-err-XXXXXX";
    int ofd = mkstemp(outname), efd = mkstemp(errname);
    close(ofd);
    close(efd);
    std::string full = "( " + cmd + " ) >" + outname + " 2>" + errname + " </dev/null";
    int st = system(full.c_str());
    auto slurp = [](const char *name) {
        std::string s;
        if (FILE *f = fopen(name, "rb")) {
            char b[65536];
            size_t n;
            while ((n = fread(b, 1, sizeof b, f)) > 0) s.append(b, n);
            fclose(f);
        }
        return s;
    };
    if (out) *out = slurp(outname);
    if (errout) *errout = slurp(errname);
    unlink(outname);
    unlink(errname);
    return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
}

std::string pattern_of(const std::string &path)
{
    return path == "/" ? "/*.*" : path + "/*.*";
}
