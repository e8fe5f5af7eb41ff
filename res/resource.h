// Resource identifiers of Veltrane.exe, shared by the resource script and the code that loads them.
#pragma once

// Icon 1 is the program's own icon (the first icon group is what the shell shows for the exe).
#define IDI_VELTRANE 1
// The line's state in the notification area: 16, 20, 24 and 32 px, 32 bits per pixel.
#define IDI_TRAY_CONNECTED 2
#define IDI_TRAY_DIALLING 3
#define IDI_TRAY_DISCONNECTED 4

// The main window's 340 x 300 background (24 bits per pixel).
#define IDB_BACKGROUND 101

// Title-strip button pictures, 24 x 20, 24 bits per pixel, on the strip's blue. `mini` and `close1`
// are the pictures the two visible buttons carry at first; they equal the normal ones.
#define IDB_MININOR 111
#define IDB_MINIMOVE 112
#define IDB_MINIDOWN 113
#define IDB_CLOSENOR 121
#define IDB_CLOSEMOVE 122
#define IDB_CLOSEDOWN 123
#define IDB_MINI 110
#define IDB_CLOSE1 120
