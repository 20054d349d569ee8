/* report_fixture.h - a clean report and message-box record for each test, and readers for
 * what the report holds. */
#ifndef TARVEL_TEST_REPORT_FIXTURE_H
#define TARVEL_TEST_REPORT_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform_testing.h"
#include "tarvel/tarvel.h"

/* Releases every report line and puts gl, and dgl but for its cluster size,
 * back to their start values (the window handle included), so each test
 * starts as the program does. */
void reset_report();

std::vector<std::string> report_lines();
std::vector<double> report_bars();

/* The scan of the directory `dir` on clusters of `bpc` bytes: its bytes
 * used, and wasted in *waste. */
double scan_tree(const std::string &dir, DWORD bpc, double *waste = nullptr);

/* The message boxes recorded so far, each as "caption: text". */
std::vector<std::string> box_texts();

/* Checks the chain's invariants: count, tail, last next pointer. */
void expect_chain_consistent();

/* Message boxes are recorded, not shown, and the report starts empty. */
class ReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_report();
        testhooks::record_message_boxes();
        testhooks::clear_recorded_message_boxes();
    }
    void TearDown() override
    {
        testhooks::fail_global_alloc(0);
        testhooks::fail_global_free(0);
        testhooks::fail_disk_free_space(false);
        testhooks::pretend_windows_9x(false);
        testhooks::before_directory_read(nullptr);
        reset_report();
    }
    const std::vector<testhooks::MessageBoxRecord> &boxes() { return testhooks::recorded_message_boxes(); }
};

#endif
