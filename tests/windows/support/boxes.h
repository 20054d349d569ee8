/*
 * boxes.h - message boxes raised by the code under test, recorded and closed
 * as they appear, by a WH_CBT hook on the test's own thread: no person
 * needed, and the code under test runs its real MessageBoxA.
 */
#ifndef TARVEL_WINTEST_BOXES_H
#define TARVEL_WINTEST_BOXES_H

#include <string>
#include <vector>

/* Each box as "Caption: text"; recording starts afresh with every call. */
void record_boxes();
const std::vector<std::string> &recorded_boxes();

#endif
