#include "link/wait_hook.h"

namespace {
WaitHook g_hook = nullptr;
void* g_context = nullptr;
} // namespace

void SetWaitHook(WaitHook hook, void* pContext)
{
    g_hook = hook;
    g_context = pContext;
}

void ClearWaitHook(void* pContext)
{
    if (g_context == pContext)
        SetWaitHook(nullptr, nullptr);
}

void RunWaitHook()
{
    if (g_hook)
        g_hook(g_context);
}
