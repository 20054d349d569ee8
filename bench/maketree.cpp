// tarvel-maketree DIR [FILES] [DIRS]: makes the benchmark tree in DIR.
//
// DIRS directories (default 20,000) spread over a few levels, FILES files
// (default 200,000) among them, sizes varied from empty to several MiB as
// sparse files, so making the tree costs metadata only.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: tarvel-maketree DIR [FILES] [DIRS]\n");
        return 2;
    }
    std::string root = argv[1];
    long files = argc > 2 ? atol(argv[2]) : 200000;
    long dirs = argc > 3 ? atol(argv[3]) : 20000;
    if (mkdir(root.c_str(), 0755) != 0) {
        perror(root.c_str());
        return 1;
    }
    std::mt19937_64 rng(20261206);
    std::vector<std::string> made = {root};
    for (long i = 0; i < dirs; ++i) {
        // A parent drawn from all directories so far: about ten levels deep.
        const std::string &parent = made[rng() % made.size()];
        std::string d = parent + "/dir" + std::to_string(i);
        if (mkdir(d.c_str(), 0755) != 0) {
            perror(d.c_str());
            return 1;
        }
        made.push_back(d);
    }
    const long sizes[] = {0, 1, 511, 4096, 4097, 12345, 65536, 1 << 20, 7 << 20};
    for (long i = 0; i < files; ++i) {
        std::string f = made[rng() % made.size()] + "/file" + std::to_string(i) + (i % 7 ? ".dat" : "");
        int fd = open(f.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            perror(f.c_str());
            return 1;
        }
        long size = sizes[rng() % 9] + (long)(rng() % 1000);
        if (ftruncate(fd, size) != 0)
            perror(f.c_str());
        close(fd);
    }
    return 0;
}
