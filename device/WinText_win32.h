// Text at the Win32 boundary: UTF-8 <-> UTF-16 and the system's message for
// an error code. One place for the application, rtouchctl and the
// end-to-end tool.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

std::wstring WideFromUtf8(std::string_view utf8);

// CP_UTF8 for the tools' own output; CP_ACP where the text goes out the way
// the system's narrow (A) functions would give it.
std::string NarrowFromWide(std::wstring_view wide, UINT codePage = CP_UTF8);

// The system's message for `error` exactly as FormatMessageW gives it, its
// line break included; empty when the system has none.
std::wstring SystemErrorText(DWORD error);

// The same on one line, in the ANSI code page: no trailing line break or
// blank, and "error N" when the system has no message.
std::string ErrorText(DWORD error);
