// The system headers for the native frame, included before any header of
// ours. The system's names for the ANSI and wide forms of a call are
// macros that would rename the frame interface's own operations
// (SetWindowText, MessageBox) and its constants (IDHELP, PSWIZB_*, which
// have the system's values); the frame calls the ANSI forms by their full
// names instead.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#undef SetWindowText
#undef GetWindowText
#undef MessageBox
#undef IDHELP
#undef PSWIZB_BACK
#undef PSWIZB_NEXT
#undef PSWIZB_FINISH
