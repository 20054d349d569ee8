#include "fakechecker.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

/* Saves an environment variable, to be put back as it was. */
static void save(const char *name, std::string &value, bool &had)
{
    const char *v = getenv(name);
    had = v != nullptr;
    value = v ? v : "";
}

static void restore(const char *name, const std::string &value, bool had)
{
    if (had) setenv(name, value.c_str(), 1);
    else unsetenv(name);
}

FakeChecker::FakeChecker()
{
    save("TARVEL_SYSTEM_DIR", oldsys_, hadsys_);
    save("TMPDIR", oldtmp_, hadtmp_);
    tmp_ = tmptree_.root();
    bin_.dir("bin");
    setenv("TARVEL_SYSTEM_DIR", bin_.path("bin").c_str(), 1);
    setenv("TMPDIR", tmp_.c_str(), 1);
}

FakeChecker::~FakeChecker()
{
    restore("TARVEL_SYSTEM_DIR", oldsys_, hadsys_);
    restore("TMPDIR", oldtmp_, hadtmp_);
}

void FakeChecker::install(const std::string &script_body)
{
    std::string path = bin_.path("bin/chkdsk");
    std::ofstream f(path);
    f << "#!/bin/sh\n" << "printf '%s\\n' \"$*\" > '" << argsfile() << "'\n" << script_body << "\n";
    f.close();
    chmod(path.c_str(), 0755);
}

void FakeChecker::prints(const std::string &report, int status)
{
    std::string datafile = bin_.path("report.txt");
    std::ofstream f(datafile, std::ios::binary);
    f << report;
    f.close();
    install("cat '" + datafile + "'\nexit " + std::to_string(status));
}

std::string FakeChecker::report(const std::string &unit, const std::string &total,
                                const std::string &available)
{
    return "The type of the file system is FAT32.\n"
           "Volume Serial Number is 1A2B-3C4D\n"
           "Windows is verifying files and folders...\n"
           "\n"
           "   2,146,467,840 bytes total disk space.\n"
           "\n"
           "       " + unit + " bytes in each allocation unit.\n"
           "       " + total + " total allocation units on disk.\n"
           "       " + available + " available allocation units on disk.\n";
}

int FakeChecker::files_in_tmpdir() const
{
    int n = 0;
    if (DIR *d = opendir(tmp_.c_str())) {
        while (dirent *e = readdir(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
    }
    return n;
}
