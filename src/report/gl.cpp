/*
 * gl.cpp - the two global records, with the values they start with: the
 * display and list record gl and the drive record dgl.
 */
#include "tarvel/report.h"
#include "tarvel/survey.h"

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

struct dgl_ dgl = {
    0, /* bpc, until the first survey sets it */
    0, /* unread */
};
