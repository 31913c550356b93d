#pragma once

// Trace points of the framework. The sink is empty (tracing is switched off), so
// calls cost nothing beyond evaluating their arguments; the format attribute keeps
// the argument lists checked by the compiler.
inline void Trace(const char* funcName, int line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
inline void Trace(const char*, int, const char*, ...) {}

// The local time as "YYYY-MM-DD HH:MM:SS", in a per-thread buffer valid until the
// next call on the same thread.
const char* CurrentTime();
