// What a blocking socket step does while it waits. The wizard's frame sets
// a hook that repaints its window without taking input, so the window stays
// drawn during a long exchange while clicks and keys wait for it to end.
#pragma once

using WaitHook = void (*)(void* pContext);

// Installs the hook (nullptr for none). The wizard calls it on its
// user-interface thread, the only thread that runs its exchanges; a program
// that runs exchanges on several threads at once (orvi-flash) sets none.
void SetWaitHook(WaitHook hook, void* pContext);

// Removes the hook if it was installed with pContext: an owner that goes
// away after another has installed its own leaves that one in place.
void ClearWaitHook(void* pContext);

// Runs the hook, if any. Waiting calls do this at least every
// kWaitHookIntervalMs.
void RunWaitHook();

inline constexpr int kWaitHookIntervalMs = 100;
