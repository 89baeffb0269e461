// The HID layer the device link talks to: enumeration of HID collections, opening a
// collection for probing, reading or writing, feature reports and blocking reads of
// input reports. One process-wide transport is current at a time: the hidapi one by
// default, the simulated mouse in tests and in a simulated run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hid {

// A handle as the device link keeps it: 0 = never opened, kInvalidHandle = an open
// that failed, anything else a live handle of the current transport.
using Handle = std::intptr_t;
inline constexpr Handle kInvalidHandle = -1;

// Capabilities of one top-level collection, as the device link uses them. Report
// lengths include the report id byte, and are those of the longest report of the kind.
struct Caps {
  std::uint16_t usage = 0;
  std::uint16_t usagePage = 0;
  std::uint16_t inputReportByteLength = 0;
  std::uint16_t outputReportByteLength = 0;
  std::uint16_t featureReportByteLength = 0;
};

struct Attributes {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t versionNumber = 0;
};

// One enumerated HID collection. Several collections of one device share a path (the
// device node); usagePage/usage tell them apart.
struct InterfaceInfo {
  std::string path;
  Attributes attributes;
  std::string productString;  // UTF-8
  Caps caps;                  // usage page, usage and report lengths of the collection
};

enum class Access {
  Probe,  // identity and capabilities only; needs no permission on the device node
  Read,   // input reports
  Write,  // feature reports
};

// Result of ReadInput: bytes read (> 0), kReadTimeout, or kReadError (device gone,
// handle closed or invalid).
inline constexpr int kReadTimeout = 0;
inline constexpr int kReadError = -1;

class Transport {
 public:
  virtual ~Transport() = default;

  // Every HID collection present now, in the order the system lists them.
  virtual std::vector<InterfaceInfo> Enumerate() = 0;

  // Opens the collection `info` (as returned by Enumerate). kInvalidHandle on failure.
  virtual Handle Open(const InterfaceInfo& info, Access access) = 0;
  virtual void Close(Handle handle) = 0;

  virtual bool GetAttributes(Handle handle, Attributes& out) = 0;
  // At most maxChars characters (UTF-16 units as the device reports them).
  virtual bool GetProductString(Handle handle, std::string& out, std::size_t maxChars) = 0;
  // Capabilities of the collection the handle was opened on; false when unknown.
  virtual bool GetCaps(Handle handle, Caps& out) = 0;

  // data[0] is the report id; length includes it.
  virtual bool SetFeature(Handle handle, const std::uint8_t* data, std::size_t length) = 0;
  // data[0] holds the report id on entry; the reply replaces data[0..length).
  virtual bool GetFeature(Handle handle, std::uint8_t* data, std::size_t length) = 0;

  // Reads one input report. timeoutMs < 0 blocks until a report arrives or the device
  // goes away. Returns the byte count, kReadTimeout or kReadError.
  virtual int ReadInput(Handle handle, std::uint8_t* data, std::size_t length, int timeoutMs) = 0;

  // Ends a ReadInput in progress on `handle` with kReadTimeout; when none is in
  // progress, the next one returns kReadTimeout at once. A reader that waits without
  // a time-out is stopped this way. (Close ends a read in progress with kReadError.)
  virtual void WakeReader(Handle handle) { (void)handle; }

  // Reports the arrival (true) and removal (false) of device paths to `callback`, on a
  // thread of the transport's choosing, replacing any earlier callback. False when the
  // transport cannot watch.
  using ChangeCallback = std::function<void(bool arrived, const std::string& path)>;
  virtual bool WatchDeviceChanges(ChangeCallback callback) {
    (void)callback;
    return false;
  }
};

// The current transport (created on first use as the hidapi transport).
std::shared_ptr<Transport> CurrentTransport();
// Installs `transport` as the current one (nullptr restores the hidapi transport) and
// returns the previous one.
std::shared_ptr<Transport> SetTransport(std::shared_ptr<Transport> transport);

// The hidapi (hidraw) transport.
std::shared_ptr<Transport> MakeHidapiTransport();

}  // namespace hid
