// mciExecute lives in winmm but the mingw-w64 headers do not declare it.
#pragma once

#include <windows.h>

extern "C" BOOL WINAPI mciExecute(LPCSTR command);
