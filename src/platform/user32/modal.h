/*
 * modal.h - the layer's own modal loops (message boxes, dialogs), the quit
 * that ends them, and the cursor they show.
 */
#ifndef TARVEL_PLATFORM_MODAL_H
#define TARVEL_PLATFORM_MODAL_H

#include <functional>

/* modal.cpp: true once PostQuitMessage has been called and GetMessageA has
 * not yet taken the quit message. */
bool quit_pending();

/* modal.cpp: PostQuitMessage's part: the quit is pending, and every modal
 * loop now up ends, as Win32's modal loops do when they meet WM_QUIT. */
void post_quit();

/* modal.cpp: GetMessageA has taken the quit message. */
void quit_taken();

/* modal.cpp: a modal loop is up while one of these lives; `end` ends it
 * should a quit be posted meanwhile. */
class ModalLoop {
public:
    explicit ModalLoop(std::function<void()> end);
    ~ModalLoop();
    ModalLoop(const ModalLoop &) = delete;
    ModalLoop &operator=(const ModalLoop &) = delete;

private:
    friend void post_quit();
    std::function<void()> end_;
};

/* cursor.cpp: while a message box or dialog is up it shows its own arrow
 * cursor, as a Win32 box running its own loop does, even over a busy
 * program's wait cursor; the program's cursor is back once the box has gone. */
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
