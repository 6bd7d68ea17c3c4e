#pragma once

// Diagnostic trace lines ("LThread::Start Unable to CreateThread FAILED").
// They go to standard error (the journal under systemd) and are never part of
// any file format; user-visible events go to the system log instead.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
