// The two device workers, the input listener (DeviceInputThread) and the macro
// executor (MacroExecutorThread): started first thing at start-up, they wait at the
// start gate (device/worker_gate.h) until start-up opens it.
//
// Start-up order, as the main window does it:
//   StartDeviceWorkers();          // first: both workers run and wait at the gate
//   ... paths, device description, BuildKeyNumToButton(), CurConfig, language,
//       LoadProfile 0..3, macro folders and library, constMacro.dat, FindDevice,
//       LoadGunPresets ...
//   OpenWorkerGate();              // before the first settings download starts
// and at exit:
//   StopDeviceWorkers();
// A process that never calls it (it returns from main or calls exit) stops them at its
// exit all the same, before the objects they wait on are destroyed.
#pragma once

// Starts DeviceInputThread and MacroExecutorThread, each at the lowest real-time
// round-robin priority when the process may use it: ahead of every normal thread, so
// that the mouse's reports and a macro's timing do not wait for a busy desktop, and
// behind every other real-time thread (interrupt threads, the sound server), so that a
// worker that spins out a precise pause cannot starve the system. Without real-time
// scheduling, at nice -10 when allowed, else unchanged. Does nothing when they already
// run.
void StartDeviceWorkers();
// Asks both workers to end and waits for them. A macro being played is ended with
// every key and button released first. Does nothing when they do not run.
void StopDeviceWorkers();
bool DeviceWorkersRunning();
