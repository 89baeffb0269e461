// The start gate of the two device workers (the input listener and the macro
// executor) and their sleep. The lock of the settings tables they share is
// WorkerTablesLock (profile/settings.h).
//
// The workers are started first thing at start-up, before the paths, the language and
// the settings have been read. They wait at the gate, and start-up opens it once those
// are in place; from then on the workers may read them. Opening the gate is the
// hand-over point: everything start-up wrote before OpenWorkerGate is visible to the
// workers after they pass it.
//
// The workers themselves are started and stopped by device/device_workers.h.
#pragma once

#include <chrono>
#include <stop_token>

// Opens the gate; later calls do nothing.
void OpenWorkerGate();
bool WorkerGateOpen();
// Blocks until the gate is open (true) or `stop` is requested (false).
bool WaitForWorkerGate(std::stop_token stop);
// Closes the gate again (tests, between cases; the workers must be stopped first).
void ResetWorkerGate();

// Sleeps until `deadline` on the monotonic clock or until `stop` is requested, without
// waking in between. Returns false when a stop was requested before the deadline.
// `precise` waits out the last stretch on the clock (macro delays); without it the
// sleep ends on the timer alone, which costs the least CPU.
bool WorkerSleepUntil(std::chrono::steady_clock::time_point deadline, std::stop_token stop,
                      bool precise);
