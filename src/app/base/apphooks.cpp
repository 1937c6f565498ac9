#include "app/base/apphooks.h"

namespace {
AppHookRegistration* g_hooks = nullptr;
}

AppHookRegistration::AppHookRegistration(AppHook point, Function function)
    : m_point(point), m_function(function), m_next(nullptr) {
    // A second function at one step would run in link order; the enum's
    // comment asks for a step of its own instead.
    AppHookRegistration** tail = &g_hooks;
    while (*tail) tail = &(*tail)->m_next;
    *tail = this;
}

void RunAppHooks(AppHook point, const AppHookContext& context) {
    for (AppHookRegistration* r = g_hooks; r; r = r->m_next)
        if (r->m_point == point) r->m_function(context);
}

void RunAppHookRange(AppHook first, AppHook last, const AppHookContext& context) {
    for (int step = int(first); step <= int(last); ++step) RunAppHooks(AppHook(step), context);
}

int CountAppHooks(AppHook point) {
    int n = 0;
    for (AppHookRegistration* r = g_hooks; r; r = r->m_next)
        if (r->m_point == point) ++n;
    return n;
}
