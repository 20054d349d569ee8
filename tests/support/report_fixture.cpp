#include "report_fixture.h"

#include "temptree.h"

void reset_report()
{
    ll *next;
    for (ll *lp = gl.head; lp; lp = next) {
        next = lp->next;
        GlobalFree(lp->str);
        GlobalFree(lp);
    }
    gl = gl_{};
    gl.rowsperline = 20;
    gl.colsperchar = 10;
    const DWORD bpc = dgl.bpc; /* the cluster size stays between surveys, as in the program */
    dgl = dgl_{};
    dgl.bpc = bpc;
}

std::vector<std::string> report_lines()
{
    std::vector<std::string> lines;
    for (ll *lp = gl.head; lp; lp = lp->next)
        lines.push_back(lp->str);
    return lines;
}

double scan_tree(const std::string &dir, DWORD bpc, double *waste)
{
    dgl.bpc = bpc;
    std::string pattern = pattern_of(dir);
    double w = -1, used = doitto(pattern.data(), &w);
    if (waste)
        *waste = w;
    return used;
}

std::vector<std::string> box_texts()
{
    std::vector<std::string> texts;
    for (const auto &b : testhooks::recorded_message_boxes())
        texts.push_back(b.caption + ": " + b.text);
    return texts;
}

std::vector<double> report_bars()
{
    std::vector<double> bars;
    for (ll *lp = gl.head; lp; lp = lp->next)
        bars.push_back(lp->bytesused);
    return bars;
}

void expect_chain_consistent()
{
    int n = 0;
    ll *last = nullptr;
    for (ll *lp = gl.head; lp; lp = lp->next, ++n)
        last = lp;
    EXPECT_EQ(n, gl.nNumItems) << "lines reachable from head vs nNumItems";
    EXPECT_EQ(last, gl.tail) << "tail is not the last line";
}
