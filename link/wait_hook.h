// What a blocking socket step does while it waits. The wizard's frame sets
// a hook that repaints its window without taking input, so the window stays
// drawn during a long exchange while clicks and keys wait for it to end.
#pragma once

using WaitHook = void (*)(void* pContext);

// Installs the hook (nullptr for none). Called on the user-interface
// thread, which is the only thread that runs exchanges.
void SetWaitHook(WaitHook hook, void* pContext);

// Runs the hook, if any. Waiting calls do this at least every
// kWaitHookIntervalMs.
void RunWaitHook();

inline constexpr int kWaitHookIntervalMs = 100;
