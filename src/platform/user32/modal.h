/*
 * modal.h - the layer's own modal loops, as the message queue and the
 * cursor see them.
 */
#ifndef TARVEL_PLATFORM_MODAL_H
#define TARVEL_PLATFORM_MODAL_H

/* End every message box (messagebox.cpp) and every dialog (dialog.cpp) that
 * is up, a dialog with 0 (PostQuitMessage: Win32's modal loops end when they
 * meet WM_QUIT). */
void end_message_boxes();
void end_dialogs();

/* While a message box or dialog is up it shows its own arrow cursor, as a
 * Win32 box running its own loop does, even over a busy program's wait
 * cursor; the program's cursor is back once the box has gone (cursor.cpp). */
class ModalArrow {
public:
    ModalArrow();
    ~ModalArrow();
    ModalArrow(const ModalArrow &) = delete;
    ModalArrow &operator=(const ModalArrow &) = delete;

private:
    bool pushed_;
};

#endif
