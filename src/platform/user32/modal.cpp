/*
 * modal.cpp - the quit flag, and the modal loops that end on it (modal.h).
 *
 * Each modal loop says how it ends when it starts; PostQuitMessage ends them
 * all, innermost last, without knowing what they are.
 */
#include "user32/modal.h"

#include <algorithm>
#include <vector>

namespace {

bool quitting = false;

std::vector<ModalLoop *> &loops()
{
    static auto *l = new std::vector<ModalLoop *>;
    return *l;
}

} // namespace

bool quit_pending()
{
    return quitting;
}

void post_quit()
{
    quitting = true;
    /* A copy: ending a loop may end others, which then leave the list. */
    const std::vector<ModalLoop *> up = loops();
    for (ModalLoop *l : up)
        if (std::find(loops().begin(), loops().end(), l) != loops().end())
            l->end_();
}

void quit_taken()
{
    quitting = false;
}

ModalLoop::ModalLoop(std::function<void()> end) : end_(std::move(end))
{
    loops().push_back(this);
}

ModalLoop::~ModalLoop()
{
    auto &l = loops();
    l.erase(std::remove(l.begin(), l.end(), this), l.end());
}
