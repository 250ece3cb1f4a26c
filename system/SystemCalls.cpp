#include "SystemCalls.h"

namespace {
SystemCalls* g_current = nullptr;
}

SystemCalls& CurrentSystemCalls() { return g_current ? *g_current : RealSystemCalls(); }

ScopedSystemCalls::ScopedSystemCalls(SystemCalls& calls) : previous_(g_current) { g_current = &calls; }
ScopedSystemCalls::~ScopedSystemCalls() { g_current = previous_; }
