/*
 * gl.cpp - the display and list record gl, with the values it starts with.
 */
#include "tarvel/report.h"

struct gl_ gl = {
    0,       /* nDspLines */
    0,       /* nNumItems */
    0,       /* nCurPos */
    20,      /* rowsperline, until the first paint measures the font */
    10,      /* colsperchar, likewise */
    {0},     /* prevdir */
    nullptr, /* head */
    nullptr, /* tail */
    0,       /* hcurpos */
    nullptr, /* hwnd */
    0.0,     /* totalbytesused */
};
