/* temptree.h - real directory trees in a temporary folder, made at test time and removed
 * afterwards (permissions restored first, so nothing is left); shell commands and files. */
#ifndef TARVEL_TEST_TEMPTREE_H
#define TARVEL_TEST_TEMPTREE_H

#include <cstdint>
#include <string>

class TempTree {
public:
    TempTree(); /* a new empty folder under $TMPDIR or /tmp */
    ~TempTree();
    TempTree(const TempTree &) = delete;
    TempTree &operator=(const TempTree &) = delete;

    const std::string &root() const { return root_; }
    std::string path(const std::string &rel) const; /* root + "/" + rel */

    /* Each takes a path relative to the root; parents are made as needed. */
    void dir(const std::string &rel);
    void file(const std::string &rel, uint64_t size);   /* written with real bytes */
    void sparse(const std::string &rel, uint64_t size); /* a hole of `size` bytes */
    void symlink(const std::string &rel, const std::string &target);
    void fifo(const std::string &rel);
    void socket(const std::string &rel);
    void chmod(const std::string &rel, unsigned mode);
    /* `levels` directories of 250 `letter`s, each in the one before, below
     * `rel` (made one from the other, so their path may pass PATH_MAX), with
     * a file of `filebytes` bytes named 250 'f's in the last unless it is
     * negative. Their path below `rel`, with a trailing '/'. */
    std::string deep(const std::string &rel, int levels, char letter, int64_t filebytes = -1);

private:
    std::string made(const std::string &rel) const;
    std::string root_;
};

/* Runs `cmd` in a shell; its exit status (128 + signal when killed), its outputs. */
int run_command(const std::string &cmd, std::string *out, std::string *errout);

// The search pattern of a directory path: "<path>/*.*".
std::string pattern_of(const std::string &path);
/* A file's bytes ("" when there is none); a word quoted for the shell; the
 * mount point holding `path`, with a '/', as the report names its drive. */
std::string slurp(const std::string &path);
std::string quote(const std::string &s);
std::string mount_point(const std::string &path);

#endif
