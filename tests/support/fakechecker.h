/* fakechecker.h - a disk checker of the test's making in a system directory of its own
 * ($TARVEL_SYSTEM_DIR), and a private temporary folder ($TMPDIR), both undone when the
 * object goes. No checker until install(). */
#ifndef TARVEL_TEST_FAKECHECKER_H
#define TARVEL_TEST_FAKECHECKER_H

#include <optional>
#include <string>

#include "temptree.h"

class FakeChecker {
public:
    /* Installs "chkdsk" in the system directory as a shell script with this body. */
    void install(const std::string &script_body);
    /* A checker that prints `report` verbatim and exits with `status`. */
    void prints(const std::string &report, int status = 0);
    /* A report in the checker's usual words with these figures. */
    static std::string report(const std::string &unit, const std::string &total, const std::string &available);

    const std::string &tmpdir() const { return tmp_.root(); } /* $TMPDIR meanwhile */
    int files_in_tmpdir() const;
    std::string argsfile() const { return bin_.path("args"); } /* the checker writes "$@" here */

private:
    /* An environment variable set for the object's life. */
    struct Saved {
        Saved(const char *name, const std::string &value);
        ~Saved();
        const char *name;
        std::optional<std::string> old;
    };
    TempTree bin_, tmp_;
    Saved sys_{"TARVEL_SYSTEM_DIR", (bin_.dir("bin"), bin_.path("bin"))}, tmpenv_{"TMPDIR", tmp_.root()};
};

#endif
