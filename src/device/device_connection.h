// The connection to the mouse: process-wide variables set by FindDevice and read by
// every sender and by the input listener. Handles follow hid::Handle: 0 before
// discovery, hid::kInvalidHandle when their open failed.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>

#include "device/device_identity.h"
#include "platform/hid_transport.h"

extern std::atomic<hid::Handle> g_probeHandle;  // the interface being examined
extern std::atomic<hid::Handle> g_readHandle;   // vendor collection 0xFF00/1, input reports
extern std::atomic<hid::Handle> g_writeHandle;  // vendor collection 0xFF01/1, feature reports

// Written by discovery only (UI thread), before any sender or the listener uses them.
extern hid::Caps g_probeCaps;
extern hid::Caps g_inputCaps;    // its input length is the listener's read length
extern hid::Caps g_featureCaps;  // its feature length is g_featureReportLength

extern std::atomic<int> g_featureReportLength;  // length of every feature report sent
extern std::atomic<std::uint8_t> g_deviceFound;  // 1 while the mouse is connected
extern std::atomic<std::int32_t> g_deviceVariant;  // 2 no device, 1 first product id, 0 second

// Path of the last accepted interface; read and written on the UI thread only.
extern std::string g_devicePath;

// How many enumeration indexes FindDevice looks at.
inline constexpr int kMaxInterfaceIndex = 100;

// Looks for the mouse among the present HID collections and opens the read and write
// handles. Returns 1 when both handles are set (see the rules in the .cpp). The
// product-string filter is g_devString of the settings.
std::uint8_t FindDevice();

// Capabilities of g_probeHandle into g_probeCaps: 1 when they could be had, else 0.
int ReadDeviceCaps();

// Arrival/removal of a HID device node (path), as the device watcher reports it.
enum class DeviceChange { Arrival, Removal };
using DeviceChangeHandler = std::function<void(DeviceChange, const std::string& path)>;

// The main window's handler of device arrival and removal. Set before FindDevice runs.
// It is called on the watcher's thread (for the simulated mouse, on the thread that
// unplugged it, possibly inside a send), so it must only hand the event on, not block.
void SetDeviceChangeHandler(DeviceChangeHandler handler);

// Starts watching HID device nodes for the device-change handler (once per process;
// later calls do nothing).
void RegisterDeviceArrival();

// Reads one input report from g_readHandle (timeoutMs < 0: until one arrives or the
// mouse goes away). Byte count, hid::kReadTimeout, or hid::kReadError (also when the
// read handle is not open).
int ReadDeviceInput(std::uint8_t* data, std::size_t length, int timeoutMs);

// Blocks until g_readHandle is no longer `seen` (discovery opened or closed it) or
// `stop` is requested; false for a stop. The listener waits here while there is no
// handle to read, or the one it read from failed.
bool WaitForReadHandleChange(hid::Handle seen, std::stop_token stop);

// The transport the handles were opened on (the current one before discovery).
std::shared_ptr<hid::Transport> DeviceTransport();

// Closes the handles and puts the connection back to its state before discovery
// (tests, and a fresh search after the mouse was replaced).
void ResetDeviceConnection();
