/*
 * about.cpp - the texts of the About box (Help/About Tarvel).
 *
 * The text is passed to mbprintf as its format, so it must hold no % sign.
 */
#include "tarvel/shell.h"

const char *aboutcaption = "About Tarvel VERS v1.02";

const char *abouttext = "Display bytes used and wasted in a given directory tree.\n"
                        "Allows you to see how much is taken up the subdirectories\n"
                        "   and additionally calculates wasted space.  The bar is the\n"
                        "   percentage of used space displayed used by this directory\n"
                        "   and it's sub-directories.\n"
                        "Tarvel knows about OSR2, it cheats and uses CHKDSK's output to\n"
                        "   find out the cluster size for wastage calculations.\n"
                        "\n"
                        "NOTE:- If you are using a disk compression scheme the usage\n"
                        "   values can be wildy skewed and the wastage is not valid"
                        "\n\n"
                        "Tarvel is free software: use it, share it and pass it on.\n"
                        "Please report problems on the Tarvel project's issue tracker.";
