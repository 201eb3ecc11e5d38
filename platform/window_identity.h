// Tells the desktop whose window the viewer's is, so that a taskbar shows the program's icon and
// groups the window with the program's desktop entry.
//
// setWindowIdentity works on the window of the current OpenGL context: call it right after the
// toolkit has created the window. On X11 it sets the window's class to kWindowInstanceName and
// kWindowClassName (WM_CLASS; the desktop entry's StartupWMClass names the class), the process ID
// (_NET_WM_PID) and an icon in several sizes (_NET_WM_ICON). On Windows the icon comes from the
// program file's resources and the taskbar groups by program file, so it does nothing there.
// Without a current window it does nothing.
#pragma once

inline constexpr char kWindowInstanceName[] = "palvetta";
inline constexpr char kWindowClassName[] = "Palvetta";

void setWindowIdentity();
