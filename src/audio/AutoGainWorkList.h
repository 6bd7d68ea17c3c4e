#pragma once

#include <memory>
#include <string>

#include "core/LProcessListThread.h"

class LogFile;

// The levelling work list: a worker that levels every file queued in the
// list file (data folder + "agc.dat") in turn, in the background, writing
// each file's title and any failure to `log`. Files left in the list by a
// stop or a crash are levelled when the list is opened again.
std::unique_ptr<LProcessListThread> MakeAutoGainWorkList(LogFile& log);

// Waits up to `timeoutMs` for the worker to run out of work (a command
// that queued files lets them finish before it exits). False on time-out.
bool FinishAutoGainWork(LProcessListThread& list, int timeoutMs);

inline constexpr const char* kAutoGainListFile = "agc.dat";
