/*
 * message.cpp - the thread's message queue.
 *
 * PostQuitMessage, and quit_pending() for the modal loops.
 */
#include "user32/hwnd.h"
#include "user32/modal.h"

namespace {
bool quitting = false;
int quitcode = 0;
} // namespace

bool quit_pending()
{
    return quitting;
}

void WINAPI PostQuitMessage(int nExitCode)
{
    quitting = true;
    quitcode = nExitCode;
    end_message_boxes();
}
