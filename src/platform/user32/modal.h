/*
 * modal.h - the layer's own modal loops, as the message queue sees them.
 */
#ifndef TARVEL_PLATFORM_MODAL_H
#define TARVEL_PLATFORM_MODAL_H

/* Ends every message box that is up (PostQuitMessage: Win32's modal loops
 * end when they meet WM_QUIT). */
void end_message_boxes();

#endif
