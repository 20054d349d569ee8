/*
 * captions.cpp - the two captions of failure messages, shared by every part
 * of the program and by the headless tool's message boxes.
 */
#include "tarvel/shell.h"

const char *err = "Error";
const char *fail = "Failure";
