/* tarvel.h - every shared declaration of the program. */
#ifndef TARVEL_TARVEL_H
#define TARVEL_TARVEL_H

#include "tarvel/paths.h"
#include "tarvel/report.h"
#include "tarvel/select.h"
#include "tarvel/shell.h"
#include "tarvel/survey.h"

#endif
