/*
 * fakechecker.h - a disk checker of the test's making in a system directory
 * of its own ($TARVEL_SYSTEM_DIR), and a private temporary folder ($TMPDIR),
 * both undone when the object goes.
 */
#ifndef TARVEL_TEST_FAKECHECKER_H
#define TARVEL_TEST_FAKECHECKER_H

#include <string>

#include "temptree.h"

class FakeChecker {
public:
    FakeChecker();  /* an empty system directory: no checker until install() */
    ~FakeChecker();

    /* Installs "chkdsk" in the system directory as a shell script with this body. */
    void install(const std::string &script_body);
    /* A checker that prints `report` verbatim and exits with `status`. */
    void prints(const std::string &report, int status = 0);
    /* A report in the checker's usual words with these figures. */
    static std::string report(const std::string &unit, const std::string &total,
                              const std::string &available);

    const std::string &tmpdir() const { return tmp_; }  /* $TMPDIR meanwhile */
    int files_in_tmpdir() const;
    std::string argsfile() const { return bin_.path("args"); }  /* the checker writes "$@" here */

private:
    TempTree bin_;
    std::string tmp_;
    std::string oldsys_, oldtmp_;
    bool hadsys_, hadtmp_;
    TempTree tmptree_;
};

#endif
