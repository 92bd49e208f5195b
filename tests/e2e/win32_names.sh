# The Win32 numbers the end-to-end scripts use, by their Windows names, in
# one place: sourced by assert_lib.sh (so by every helper library). The
# application's own ids come from the generated names file instead.
# Each name is used by the files that source this one, not here:
# shellcheck disable=SC2034

# Dialog and message box results.
IDOK=1
IDCANCEL=2
IDYES=6
IDNO=7
# Window messages.
WM_CLOSE=0x10
WM_PAINT=0x0F
WM_QUERYENDSESSION=0x11
WM_ENDSESSION=0x16
WM_DISPLAYCHANGE=0x7E
WM_COMMAND=0x111
WM_SYSCOMMAND=0x112
WM_LBUTTONDBLCLK=0x203
WM_POWERBROADCAST=0x218
WM_DEVICECHANGE=0x219
WM_WTSSESSION_CHANGE=0x2B1
WM_USER=0x400
WM_APP=0x8000
# Control messages and notifications.
BM_SETSTATE=0xF3
BM_CLICK=0xF5
CB_RESETCONTENT=0x14B
CB_SETCURSEL=0x14E
CBN_SELCHANGE=1
# Message parameters.
SC_MINIMIZE=0xF020
DBT_DEVNODES_CHANGED=7
PBT_APMRESUMEAUTOMATIC=0x12
ENDSESSION_CLOSEAPP=0x1
WTS_CONSOLE_CONNECT=1
WTS_CONSOLE_DISCONNECT=2
WTS_SESSION_LOCK=7
WTS_SESSION_UNLOCK=8
# Virtual keys.
VK_TAB=0x09
VK_RETURN=0x0D
VK_ESCAPE=0x1B
VK_NEXT=0x22
VK_RIGHT=0x27
VK_DOWN=0x28
# Control ids of the system's dialogs: the file name box of Open and Save
# As, the text of a message box.
FILE_NAME_BOX=0x47C
MSGBOX_TEXT=0xFFFF
