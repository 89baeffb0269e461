// The simulated mouse: the firmware side of the device link, as a hid::Transport.
//
// It lists the mouse's HID collections (a mouse, a keyboard, a consumer collection and
// the two vendor collections: 0xFF00/1 with input report 6, 0xFF01/1 with feature
// report 7), keeps 4 KiB of memory written byte by byte with command 0x18 and committed
// at the end of each block, answers read requests in byte 1 of the next feature read,
// reports the status byte (capacity class, active profile) in byte 6, emits input
// report 6 on demand, logs every frame with its time and decodes what the mouse would
// emit on the computer (keys of 0x15, buttons of 0x16, moves of 0x0B, consumer usages
// of 0x17). It can be unplugged at any moment.
//
// Typical test use:
//   auto mouse = sim::SimulatedMouse::Install();     // current transport from now on
//   FindDevice();                                     // finds the simulated mouse
//   ... senders ...
//   mouse->Frames(); mouse->MemoryAt(0x18); mouse->Emissions();
//   mouse->Uninstall();                               // back to the previous transport
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/hid_transport.h"

namespace sim {

inline constexpr std::uint16_t kSimVendorId = 0x3F1A;  // same as the program's identity
inline constexpr std::uint16_t kSimProductId1 = 0x5201;
inline constexpr std::uint16_t kSimProductId2 = 0x5202;
inline constexpr std::size_t kSimMemorySize = 4096;
inline constexpr std::size_t kSimInputReportLength = 8;     // id 6 + 7 bytes
inline constexpr std::size_t kSimFeatureReportLength = 65;  // id 7 + 64 bytes

using Clock = std::chrono::steady_clock;

struct Frame {
  enum class Kind { SetFeature, GetFeature, Input };
  Kind kind;
  Clock::time_point time;           // when the frame reached (or left) the mouse
  std::vector<std::uint8_t> bytes;  // the whole report, report id first
};

// What the mouse would emit on the computer, decoded from the software-emission
// commands.
struct Emission {
  enum class Kind { KeyDown, KeyUp, ButtonDown, ButtonUp, Move, Consumer };
  Kind kind;
  int code = 0;  // keyboard usage, button bit (1 left, 2 right, 4 middle), consumer usage
  int dx = 0;
  int dy = 0;
  Clock::time_point time;
};

// One enumerated collection of the simulated device.
struct SimCollection {
  std::uint16_t usagePage;
  std::uint16_t usage;
};

struct SimOptions {
  std::uint16_t vendorId = kSimVendorId;
  std::uint16_t productId = kSimProductId1;
  std::string productString = "Gaming Mouse";
  std::string path = "/dev/hidraw-sim0";
  // The collections in enumeration order (the defaults list the read collection
  // before the write collection).
  std::vector<SimCollection> collections = {
      {0x0001, 0x0002}, {0x0001, 0x0006}, {0x000C, 0x0001}, {0xFF00, 0x0001}, {0xFF01, 0x0001}};
  // Collections of other devices listed before the mouse's own (count).
  int foreignInterfacesBefore = 0;
  bool largeCapacity = false;  // status byte 6 bit 1: 0xFF8 when set, 0x7F8 when clear
  int activeProfile = 0;       // status byte 6 bits 2..3
  std::chrono::microseconds latency{0};  // time each feature report takes
  bool failOpenForWrite = false;          // the write collection's open fails
  bool failOpenForRead = false;           // the read collection's open fails
  // Frames and emissions kept in the logs; beyond it the oldest are dropped, so that a
  // long simulated run does not grow without end.
  std::size_t logLimit = 100000;
  // When set, every frame is also appended to this file as it comes, one line each:
  // "set", "get" or "input", then the first eight bytes in hex. Tests of the whole
  // program read it (the program passes OVK_DOVARU_SIM_FRAME_LOG here).
  std::string frameLogPath{};
};

class SimulatedMouse : public hid::Transport, public std::enable_shared_from_this<SimulatedMouse> {
 public:
  explicit SimulatedMouse(SimOptions options = {});
  ~SimulatedMouse() override;

  // Creates a mouse and makes it the current transport.
  static std::shared_ptr<SimulatedMouse> Install(SimOptions options = {});
  // Restores the transport that was current before Install.
  void Uninstall();

  // hid::Transport
  std::vector<hid::InterfaceInfo> Enumerate() override;
  hid::Handle Open(const hid::InterfaceInfo& info, hid::Access access) override;
  void Close(hid::Handle handle) override;
  bool GetAttributes(hid::Handle handle, hid::Attributes& out) override;
  bool GetProductString(hid::Handle handle, std::string& out, std::size_t maxChars) override;
  bool GetCaps(hid::Handle handle, hid::Caps& out) override;
  bool SetFeature(hid::Handle handle, const std::uint8_t* data, std::size_t length) override;
  bool GetFeature(hid::Handle handle, std::uint8_t* data, std::size_t length) override;
  int ReadInput(hid::Handle handle, std::uint8_t* data, std::size_t length, int timeoutMs) override;
  void WakeReader(hid::Handle handle) override;
  bool WatchDeviceChanges(ChangeCallback callback) override;

  // The report descriptor of the vendor collections (and of the others), from which
  // Enumerate computes the report lengths.
  static std::vector<std::uint8_t> ReportDescriptor(const std::vector<SimCollection>& collections);

  // Input report 6 on demand.
  void FeedInputReport6(std::uint8_t eventCode, std::uint8_t detail = 0);
  void PressButton(int deviceKey, int dpiLevel = 0);    // code 240 + key, bit 7 clear
  void ReleaseButton(int deviceKey, int dpiLevel = 0);  // bit 7 set
  void ChangeProfile(int profile);                      // sets the active profile, code 3
  void StepUp();                                        // code 1
  void StepDown();                                      // code 2

  // Memory.
  std::array<std::uint8_t, kSimMemorySize> Memory() const;
  std::uint8_t MemoryAt(std::size_t address) const;
  void SetMemory(std::size_t address, const std::vector<std::uint8_t>& bytes);
  int CommitCount() const;        // end-of-block reports taken
  int ControlPulseCount() const;  // control pulses taken
  int RejectedMemoryReports() const;  // addresses outside the memory, bad offsets
  // Feature reports sent that the mouse did not take (unplugged, a stale handle, a bad
  // frame); their sender saw the failure.
  int RefusedFeatureReports() const;

  // Status.
  void SetActiveProfile(int profile);
  int ActiveProfile() const;
  void SetLargeCapacity(bool large);
  void SetLatency(std::chrono::microseconds latency);

  // State of the direct commands: the last frame of a command (empty when none came).
  std::vector<std::uint8_t> LastCommand(std::uint8_t command) const;
  bool Started() const;  // command 0x11 start/stop state

  // Frame log.
  std::vector<Frame> Frames() const;
  std::vector<Frame> SetFeatureFrames() const;  // only frames the program sent
  void ClearFrames();

  // Decoded emissions.
  std::vector<Emission> Emissions() const;
  std::vector<int> HeldKeys() const;  // keyboard usages now held, in slot order
  int HeldButtons() const;  // bits 1 left, 2 right, 4 middle
  void ClearEmissions();

  // Removal: every open handle fails from now on, blocked reads return kReadError and
  // Enumerate lists nothing of the mouse. PlugIn makes it present again (new handles
  // are needed). UnplugAfterFeatureReports(n) unplugs once n more feature reports
  // have been taken.
  void Unplug();
  void PlugIn();
  bool Plugged() const;
  void UnplugAfterFeatureReports(int n);

 private:
  struct OpenHandle {
    int collection;  // index into options_.collections
    hid::Access access;
    int generation;  // plug generation it was opened in
  };
  bool LiveLocked(hid::Handle handle, const OpenHandle** out) const;
  bool FeatureFrameAcceptedLocked(hid::Handle handle, const std::uint8_t* data, std::size_t length) const;
  void WaitReportLatency();
  void TakeFeatureLocked(const std::uint8_t* data, std::size_t length);
  void DecodeEmissionLocked(const std::vector<std::uint8_t>& frame, Clock::time_point now);
  // Returns true when the mouse went away with this report.
  bool CountReportLocked();
  void NotifyChange(bool arrived);
  std::vector<hid::InterfaceInfo> InterfacesLocked() const;

  SimOptions options_;
  mutable std::mutex mutex_;
  std::condition_variable inputReady_;
  std::shared_ptr<hid::Transport> previous_;
  bool installed_ = false;

  bool plugged_ = true;
  int generation_ = 0;
  int unplugAfter_ = -1;
  hid::Handle nextHandle_ = 0x100;
  std::vector<std::pair<hid::Handle, OpenHandle>> handles_;

  std::array<std::uint8_t, kSimMemorySize> memory_{};
  std::array<std::uint8_t, 256> staged_{};
  std::array<bool, 256> stagedSet_{};
  int stagedAddress_ = 0;
  std::optional<std::uint8_t> pendingRead_;
  int commits_ = 0;
  int pulses_ = 0;
  int rejected_ = 0;
  int refusedSets_ = 0;
  int activeProfile_ = 0;
  bool largeCapacity_ = false;
  bool started_ = false;
  std::array<std::vector<std::uint8_t>, 256> lastCommand_;

  std::deque<std::vector<std::uint8_t>> inputQueue_;
  std::vector<hid::Handle> wakeRequests_;  // readers to wake (WakeReader), each once
  void LogFrameLocked(Frame frame);
  void LogEmissionLocked(Emission emission);

  std::deque<Frame> frames_;
  std::FILE* frameLogFile_ = nullptr;
  std::deque<Emission> emissions_;
  std::array<std::uint8_t, 6> heldKeys_{};
  int heldButtons_ = 0;  // decoded (1 left, 2 right, 4 middle)
  ChangeCallback watch_;
  std::mutex watchMutex_;
};

}  // namespace sim
