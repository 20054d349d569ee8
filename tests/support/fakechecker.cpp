#include "fakechecker.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

FakeChecker::Saved::Saved(const char *name, const std::string &value) : name(name)
{
    if (const char *v = getenv(name))
        old = v;
    setenv(name, value.c_str(), 1);
}

FakeChecker::Saved::~Saved()
{
    if (old)
        setenv(name, old->c_str(), 1);
    else
        unsetenv(name);
}

void FakeChecker::install(const std::string &script_body)
{
    std::string path = bin_.path("bin/chkdsk");
    std::ofstream(path) << "#!/bin/sh\nprintf '%s\\n' \"$*\" > '" << argsfile() << "'\n" << script_body << "\n";
    chmod(path.c_str(), 0755);
}

void FakeChecker::prints(const std::string &report, int status)
{
    std::ofstream(bin_.path("report.txt"), std::ios::binary) << report;
    install("cat '" + bin_.path("report.txt") + "'\nexit " + std::to_string(status));
}

std::string FakeChecker::report(const std::string &unit, const std::string &total, const std::string &available)
{
    return "The type of the file system is FAT32.\nVolume Serial Number is 1A2B-3C4D\n"
           "Windows is verifying files and folders...\n\n   2,146,467,840 bytes total disk space.\n\n"
           "       " +
           unit +
           " bytes in each allocation unit.\n"
           "       " +
           total +
           " total allocation units on disk.\n"
           "       " +
           available + " available allocation units on disk.\n";
}

int FakeChecker::files_in_tmpdir() const
{
    int n = 0;
    if (DIR *d = opendir(tmpdir().c_str())) {
        while (dirent *e = readdir(d))
            if (e->d_name[0] != '.')
                ++n;
        closedir(d);
    }
    return n;
}
