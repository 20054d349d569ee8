// A disk checker of the tests' making, put in the Wine prefix's system
// directory by the wine_prefix fixture: prints the file named by
// TARVEL_FAKE_REPORT as its report, writes its own path and its command line
// to that name plus ".args", and ends with TARVEL_FAKE_STATUS (0 when unset).
// Without a report to print it fails at once, as a missing checker would.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

int main()
{
    const char *report = getenv("TARVEL_FAKE_REPORT");
    if (!report || !*report)
        return 1;
    char args[MAX_PATH];
    snprintf(args, sizeof args, "%s.args", report);
    if (FILE *a = fopen(args, "w")) {
        char self[MAX_PATH];
        GetModuleFileNameA(NULL, self, MAX_PATH);
        fprintf(a, "%s\n%s\n", self, GetCommandLineA());
        fclose(a);
    }
    if (FILE *f = fopen(report, "rb")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0)
            fwrite(buf, 1, n, stdout);
        fclose(f);
    }
    const char *status = getenv("TARVEL_FAKE_STATUS");
    return status ? atoi(status) : 0;
}
