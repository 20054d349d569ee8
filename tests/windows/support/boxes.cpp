#include "boxes.h"

#include <windows.h>

namespace {

std::vector<std::string> boxes;
HHOOK hook;

/* A message box is a dialog of class #32770 whose text is the static
 * control 0xFFFF. Once it is activated its text is there to read; the box
 * is then closed as the OK button would close it. */
LRESULT CALLBACK watch(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = (HWND)wParam;
        char cls[16], caption[256], text[1100];
        GetClassNameA(box, cls, sizeof cls);
        if (lstrcmpA(cls, "#32770") == 0) {
            GetWindowTextA(box, caption, sizeof caption);
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            boxes.push_back(std::string(caption) + ": " + text);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

} // namespace

void record_boxes()
{
    boxes.clear();
    if (!hook)
        hook = SetWindowsHookExA(WH_CBT, watch, NULL, GetCurrentThreadId());
}

const std::vector<std::string> &recorded_boxes()
{
    return boxes;
}
