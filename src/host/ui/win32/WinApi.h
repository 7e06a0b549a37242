// The system headers, without the macros that would rename the toolkit's own members
// (MessageBox would become MessageBoxW wherever this is included first).
#pragma once
#include <windows.h>
#undef MessageBox
#undef PostMessage
#undef TextOut
