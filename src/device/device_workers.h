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
// and at exit (or never: the workers end with the process otherwise):
//   StopDeviceWorkers();
#pragma once

// Starts DeviceInputThread and MacroExecutorThread, each at the highest priority the
// process may give a thread (real-time round-robin when allowed, else a raised nice
// value, else unchanged). Does nothing when they already run.
void StartDeviceWorkers();
// Asks both workers to end and waits for them. A macro being played is ended with
// every key and button released first. Does nothing when they do not run.
void StopDeviceWorkers();
bool DeviceWorkersRunning();
