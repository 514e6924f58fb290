#pragma once

// Splits a stretch of CPU time between our own code and the GL driver.
//
// The layer (and the hand-written GL frame beside it) reach OpenGL through
// libepoxy, which calls through one rewritable function pointer per entry
// point. HookGlEntryPoints points each of them at a wrapper that adds the
// time spent inside the real function to a running tally. SDL_GL_SwapWindow
// is interposed by gl_timing.cpp, so the swap counts as driver time too.
// Whatever remains of a timed stretch is our own CPU time.
//
// Each benchmark executable compiles gl_timing.cpp in, so that the swap's
// interposition is part of the executable itself.

#include <chrono>

namespace bench {

using Clock = std::chrono::steady_clock;

// Wraps every GL entry point the layer calls (and those the hand-written
// frame calls). Needs SDL's GL library loaded, that is, a GL window or a
// device made; call once.
void HookGlEntryPoints();

// Time spent inside GL entry points and the swap, and the number of such
// calls, since the last reset; and the swap's share of that time.
void ResetGlTally();
Clock::duration GlTime();
long GlCalls();
Clock::duration SwapTime();

double Milliseconds(Clock::duration duration);

} // namespace bench
