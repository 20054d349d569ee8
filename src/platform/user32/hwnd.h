/*
 * hwnd.h - window handles inside the layer.
 *
 * Every HWND the layer hands out (the main window, a dialog, a dialog's
 * control) names one QWidget. A handle is never reused; once its widget is
 * destroyed the handle is invalid, and every call on it fails quietly with
 * ERROR_INVALID_WINDOW_HANDLE, as Win32 does. A null handle is invalid too.
 */
#ifndef TARVEL_PLATFORM_HWND_H
#define TARVEL_PLATFORM_HWND_H

#include <windows.h>

class QWidget;

/* A new handle for `widget`; it becomes invalid when the widget is destroyed. */
HWND hwnd_register(QWidget *widget);

/* Makes `hwnd` invalid at once, before its widget is gone (DestroyWindow
 * and EndDialog delete the widget later, outside Qt's event handlers). */
void hwnd_unregister(HWND hwnd);

/* The live widget of `hwnd`, or nullptr (and ERROR_INVALID_WINDOW_HANDLE set)
 * for a null, unknown or destroyed handle. */
QWidget *hwnd_widget(HWND hwnd);

/* The handle of `widget`, or NULL if it has none. */
HWND hwnd_of(const QWidget *widget);

#endif
