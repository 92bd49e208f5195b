// The tool's subcommands, one function each; Main.cpp lists them.
#pragma once

#include "Tool.h"

int CmdWaitWindow(wchar_t** argv);
int CmdInfo(wchar_t** argv);
int CmdWaitVisible(wchar_t** argv);
int CmdWaitPopup(wchar_t** argv);
int CmdWaitNewPopup(wchar_t** argv);
int CmdWaitGone(wchar_t** argv);
int CmdItemText(wchar_t** argv);
int CmdWaitText(wchar_t** argv);
int CmdWaitMinimized(wchar_t** argv);
int CmdItemEnabled(wchar_t** argv);
int CmdWaitMenu(wchar_t** argv);
int CmdWaitShown(wchar_t** argv);

int CmdPost(wchar_t** argv);
int CmdPostItem(wchar_t** argv);
int CmdSend(wchar_t** argv);
int CmdClick(wchar_t** argv);
int CmdKey(wchar_t** argv);
int CmdWaitPushed(wchar_t** argv);
int CmdRoundTrip(wchar_t** argv);
int CmdLifeLog(wchar_t** argv);
int CmdSetConsole(wchar_t** argv);
int CmdDisplayPower(wchar_t** argv);

int CmdClickCaption(wchar_t** argv);
int CmdClickWindow(wchar_t** argv);
int CmdHover(wchar_t** argv);
int CmdReleaseButtons(wchar_t** argv);
int CmdMarkerKey(wchar_t** argv);

int CmdTrayIcons(wchar_t** argv);
int CmdShownTrayIcons(wchar_t** argv);
int CmdWaitTrayIcons(wchar_t** argv);
int CmdTrayIcon(wchar_t** argv);
int CmdTrayDelete(wchar_t** argv);
int CmdTaskbarCreated(wchar_t** argv);

int CmdStrings(wchar_t** argv);

int CmdReadU32(wchar_t** argv);
int CmdWaitU32(wchar_t** argv);
int CmdHoldWindow(wchar_t** argv);
int CmdParentProgram(wchar_t** argv);

int CmdCombo(wchar_t** argv);
int CmdTrackbar(wchar_t** argv);
int CmdSetText(wchar_t** argv);
int CmdClientRect(wchar_t** argv);
int CmdItemRect(wchar_t** argv);
int CmdReadBytes(wchar_t** argv);
int CmdWaitBytes(wchar_t** argv);
int CmdHoldFile(wchar_t** argv);
int CmdHoldImage(wchar_t** argv);

int CmdCounts(wchar_t** argv);
int CmdThreadsAt(wchar_t** argv);
int CmdSuspendAt(wchar_t** argv);
int CmdResumeAt(wchar_t** argv);
int CmdPlugCycles(wchar_t** argv);
int CmdPlugBounce(wchar_t** argv);
int CmdReadWait(wchar_t** argv);
int CmdDriverState(wchar_t** argv);
int CmdWaitDriver(wchar_t** argv);
int CmdHoldReads(wchar_t** argv);
int CmdTouchPath(wchar_t** argv);
int CmdDesktopShell(wchar_t** argv);
