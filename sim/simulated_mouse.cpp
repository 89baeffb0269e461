#include "sim/simulated_mouse.h"

#include <algorithm>

#include "platform/hid_pause.h"
#include "platform/report_descriptor.h"
#include "platform/text_codec.h"

namespace sim {
namespace {

constexpr std::uint16_t kForeignVendorId = 0x1D6B;
constexpr std::uint16_t kForeignProductId = 0x0104;
constexpr std::uint8_t kCmdPointerMove = 0x0B;
constexpr std::uint8_t kCmdStartStop = 0x11;
constexpr std::uint8_t kCmdKeyboard = 0x15;
constexpr std::uint8_t kCmdButtons = 0x16;
constexpr std::uint8_t kCmdConsumer = 0x17;
constexpr std::uint8_t kCmdMemory = 0x18;

void Append(std::vector<std::uint8_t>& out, std::initializer_list<std::uint8_t> bytes) {
  out.insert(out.end(), bytes);
}

void UsagePage(std::vector<std::uint8_t>& out, std::uint16_t page) {
  if (page > 0xFF)
    Append(out, {0x06, static_cast<std::uint8_t>(page & 0xFF), static_cast<std::uint8_t>(page >> 8)});
  else
    Append(out, {0x05, static_cast<std::uint8_t>(page)});
}

// Report bytes of `count` 8-bit fields of the given main item (0x81 input, 0xB1 feature).
void ByteFields(std::vector<std::uint8_t>& out, std::uint8_t mainItem, std::uint8_t count) {
  Append(out, {0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, count, 0x09, 0x01, mainItem, 0x02});
}

void CollectionDescriptor(std::vector<std::uint8_t>& out, const SimCollection& c, int index) {
  UsagePage(out, c.usagePage);
  Append(out, {0x09, static_cast<std::uint8_t>(c.usage), 0xA1, 0x01});
  if (c.usagePage == 0x0001 && c.usage == 0x0002) {  // mouse: buttons, X, Y, wheel
    Append(out, {0x85, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00,
                 0x25, 0x01, 0x75, 0x01, 0x95, 0x03, 0x81, 0x02, 0x75, 0x05, 0x95, 0x01, 0x81, 0x01,
                 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x16, 0x01, 0x80, 0x26, 0xFF, 0x7F, 0x75, 0x10,
                 0x95, 0x02, 0x81, 0x06, 0x09, 0x38, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x01,
                 0x81, 0x06, 0xC0});
  } else if (c.usagePage == 0x0001 && c.usage == 0x0006) {  // keyboard
    Append(out, {0x85, 0x02, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01,
                 0x95, 0x08, 0x81, 0x02, 0x75, 0x08, 0x95, 0x01, 0x81, 0x01, 0x19, 0x00, 0x29, 0xFF,
                 0x26, 0xFF, 0x00, 0x95, 0x06, 0x81, 0x00, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x25,
                 0x01, 0x75, 0x01, 0x95, 0x05, 0x91, 0x02, 0x75, 0x03, 0x95, 0x01, 0x91, 0x01});
  } else if (c.usagePage == 0x000C) {  // consumer keys
    Append(out, {0x85, 0x03, 0x19, 0x00, 0x2A, 0xFF, 0x03, 0x15, 0x00, 0x26, 0xFF, 0x03, 0x75, 0x10,
                 0x95, 0x01, 0x81, 0x00});
  } else if (c.usagePage == 0xFF00 && c.usage == 0x0001) {  // input report 6
    Append(out, {0x85, 0x06});
    ByteFields(out, 0x81, static_cast<std::uint8_t>(kSimInputReportLength - 1));
  } else if (c.usagePage == 0xFF01 && c.usage == 0x0001) {  // feature report 7
    Append(out, {0x85, 0x07});
    ByteFields(out, 0xB1, static_cast<std::uint8_t>(kSimFeatureReportLength - 1));
  } else {  // any other collection: a small feature report of its own
    Append(out, {0x85, static_cast<std::uint8_t>(0x20 + index)});
    ByteFields(out, 0xB1, 8);
  }
  Append(out, {0xC0});
}

}  // namespace

SimulatedMouse::SimulatedMouse(SimOptions options) : options_(std::move(options)) {
  activeProfile_ = options_.activeProfile & 3;
  largeCapacity_ = options_.largeCapacity;
  if (!options_.frameLogPath.empty()) frameLogFile_ = std::fopen(options_.frameLogPath.c_str(), "w");
}

SimulatedMouse::~SimulatedMouse() {
  if (frameLogFile_) std::fclose(frameLogFile_);
}

std::shared_ptr<SimulatedMouse> SimulatedMouse::Install(SimOptions options) {
  auto mouse = std::make_shared<SimulatedMouse>(std::move(options));
  mouse->previous_ = hid::SetTransport(mouse);
  mouse->installed_ = true;
  return mouse;
}

void SimulatedMouse::Uninstall() {
  if (!installed_) return;
  installed_ = false;
  hid::SetTransport(std::move(previous_));
}

std::vector<std::uint8_t> SimulatedMouse::ReportDescriptor(const std::vector<SimCollection>& collections) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < collections.size(); ++i)
    CollectionDescriptor(out, collections[i], static_cast<int>(i));
  return out;
}

std::vector<hid::InterfaceInfo> SimulatedMouse::InterfacesLocked() const {
  std::vector<hid::InterfaceInfo> result;
  for (int k = 0; k < options_.foreignInterfacesBefore; ++k) {
    hid::InterfaceInfo info;
    info.path = "/dev/hidraw-other" + std::to_string(k);
    info.attributes = {kForeignVendorId, kForeignProductId, 0x0100};
    info.productString = "Other HID Device";
    info.caps.usagePage = 0x0001;
    info.caps.usage = 0x0006;
    info.caps.inputReportByteLength = 9;
    result.push_back(std::move(info));
  }
  if (!plugged_) return result;
  auto descriptor = ReportDescriptor(options_.collections);
  auto parsed = hid::ParseReportDescriptor(descriptor.data(), descriptor.size());
  for (std::size_t i = 0; i < options_.collections.size(); ++i) {
    hid::InterfaceInfo info;
    info.path = options_.path;
    info.attributes = {options_.vendorId, options_.productId, 0x0100};
    info.productString = options_.productString;
    if (parsed && i < parsed->collections.size()) info.caps = parsed->collections[i].caps;
    result.push_back(std::move(info));
  }
  return result;
}

std::vector<hid::InterfaceInfo> SimulatedMouse::Enumerate() {
  std::lock_guard lock(mutex_);
  return InterfacesLocked();
}

hid::Handle SimulatedMouse::Open(const hid::InterfaceInfo& info, hid::Access access) {
  std::lock_guard lock(mutex_);
  auto all = InterfacesLocked();
  const int foreign = options_.foreignInterfacesBefore;
  int collection = 0;
  bool found = false;
  for (std::size_t i = 0; i < all.size() && !found; ++i) {
    const auto& candidate = all[i];
    if (candidate.path == info.path && candidate.caps.usagePage == info.caps.usagePage &&
        candidate.caps.usage == info.caps.usage) {
      // The mouse's collections are numbered from 0, other devices' from -1 down.
      int index = static_cast<int>(i);
      collection = index >= foreign ? index - foreign : -1 - index;
      found = true;
    }
  }
  if (!found) return hid::kInvalidHandle;
  if (collection >= 0) {
    const auto& c = options_.collections[collection];
    if (access == hid::Access::Write && options_.failOpenForWrite && c.usagePage == 0xFF01)
      return hid::kInvalidHandle;
    if (access == hid::Access::Read && options_.failOpenForRead && c.usagePage == 0xFF00)
      return hid::kInvalidHandle;
  }
  hid::Handle handle = nextHandle_++;
  handles_.push_back({handle, OpenHandle{collection, access, generation_}});
  return handle;
}

void SimulatedMouse::Close(hid::Handle handle) {
  {
    std::lock_guard lock(mutex_);
    handles_.erase(std::remove_if(handles_.begin(), handles_.end(),
                                  [handle](const auto& entry) { return entry.first == handle; }),
                   handles_.end());
    std::erase(wakeRequests_, handle);
  }
  inputReady_.notify_all();
}

bool SimulatedMouse::LiveLocked(hid::Handle handle, const OpenHandle** out) const {
  for (const auto& [h, open] : handles_) {
    if (h != handle) continue;
    // Collections of other devices stay; the mouse's own die with an unplug.
    if (open.collection >= 0 && (!plugged_ || open.generation != generation_)) return false;
    if (out) *out = &open;
    return true;
  }
  return false;
}

bool SimulatedMouse::GetAttributes(hid::Handle handle, hid::Attributes& out) {
  std::lock_guard lock(mutex_);
  const OpenHandle* open = nullptr;
  if (!LiveLocked(handle, &open)) return false;
  if (open->collection < 0)
    out = {kForeignVendorId, kForeignProductId, 0x0100};
  else
    out = {options_.vendorId, options_.productId, 0x0100};
  return true;
}

bool SimulatedMouse::GetProductString(hid::Handle handle, std::string& out, std::size_t maxChars) {
  std::lock_guard lock(mutex_);
  const OpenHandle* open = nullptr;
  if (!LiveLocked(handle, &open)) return false;
  const std::string& text = open->collection < 0 ? std::string("Other HID Device") : options_.productString;
  out = Utf16ToUtf8(CutUtf16(Utf8ToUtf16(text), maxChars));
  return true;
}

bool SimulatedMouse::GetCaps(hid::Handle handle, hid::Caps& out) {
  std::lock_guard lock(mutex_);
  const OpenHandle* open = nullptr;
  if (!LiveLocked(handle, &open)) return false;
  auto all = InterfacesLocked();
  std::size_t index = open->collection >= 0
                          ? static_cast<std::size_t>(options_.foreignInterfacesBefore + open->collection)
                          : static_cast<std::size_t>(-1 - open->collection);
  if (index >= all.size()) return false;
  out = all[index].caps;
  return true;
}

bool SimulatedMouse::CountReportLocked() {
  if (unplugAfter_ < 0) return false;
  if (--unplugAfter_ > 0) return false;
  unplugAfter_ = -1;
  plugged_ = false;
  ++generation_;
  return true;
}

void SimulatedMouse::NotifyChange(bool arrived) {
  inputReady_.notify_all();
  ChangeCallback callback;
  {
    std::lock_guard lock(watchMutex_);
    callback = watch_;
  }
  if (callback) callback(arrived, options_.path);
}

void SimulatedMouse::WaitReportLatency() {
  auto latency = [&] {
    std::lock_guard lock(mutex_);
    return options_.latency;
  }();
  if (latency.count() > 0) hid::PauseUntil(hid::PauseClock::now() + latency);
}

// A feature frame goes only through an opened, non-probe handle of a collection, and
// only as a whole report 7.
bool SimulatedMouse::FeatureFrameAcceptedLocked(hid::Handle handle, const std::uint8_t* data,
                                                std::size_t length) const {
  const OpenHandle* open = nullptr;
  if (!LiveLocked(handle, &open) || open->collection < 0 || open->access == hid::Access::Probe) return false;
  return data && length == kSimFeatureReportLength && data[0] == 7;
}

bool SimulatedMouse::SetFeature(hid::Handle handle, const std::uint8_t* data, std::size_t length) {
  WaitReportLatency();
  bool unplugged = false;
  {
    std::lock_guard lock(mutex_);
    if (!FeatureFrameAcceptedLocked(handle, data, length)) {
      ++refusedSets_;
      return false;
    }
    TakeFeatureLocked(data, length);
    unplugged = CountReportLocked();
  }
  if (unplugged) NotifyChange(false);
  return true;
}

bool SimulatedMouse::GetFeature(hid::Handle handle, std::uint8_t* data, std::size_t length) {
  WaitReportLatency();
  bool unplugged = false;
  {
    std::lock_guard lock(mutex_);
    if (!FeatureFrameAcceptedLocked(handle, data, length)) return false;
    std::fill(data, data + length, 0);
    data[0] = 7;
    if (pendingRead_) {
      data[1] = *pendingRead_;
      pendingRead_.reset();
    }
    data[6] = static_cast<std::uint8_t>((largeCapacity_ ? 0x02 : 0x00) | ((activeProfile_ & 3) << 2));
    LogFrameLocked({Frame::Kind::GetFeature, Clock::now(), std::vector<std::uint8_t>(data, data + length)});
    unplugged = CountReportLocked();
  }
  if (unplugged) NotifyChange(false);
  return true;
}

void SimulatedMouse::TakeFeatureLocked(const std::uint8_t* data, std::size_t length) {
  std::vector<std::uint8_t> frame(data, data + length);
  auto now = Clock::now();
  LogFrameLocked({Frame::Kind::SetFeature, now, frame});
  const std::uint8_t command = frame[1];
  lastCommand_[command] = frame;

  if (command == kCmdMemory) {
    const std::uint8_t flags = frame[2];
    const int offset = frame[3];
    const int address = frame[4] | (frame[5] << 8);
    const std::uint8_t value = frame[6];
    const int last = frame[7];
    switch (flags) {
      case 0x03:  // one data byte of the block at `address`
        if (address != stagedAddress_) {
          stagedSet_.fill(false);
          stagedAddress_ = address;
        }
        if (offset > last) {
          ++rejected_;
          break;
        }
        staged_[offset] = value;
        stagedSet_[offset] = true;
        break;
      case 0x09:  // end of block: commit what was staged
        for (int i = 0; i < 256; ++i) {
          if (!stagedSet_[i]) continue;
          std::size_t target = static_cast<std::size_t>(stagedAddress_) + i;
          if (target < kSimMemorySize)
            memory_[target] = staged_[i];
          else
            ++rejected_;
        }
        stagedSet_.fill(false);
        ++commits_;
        break;
      case 0x05: {  // read request, answered by the next feature read
        std::size_t target = static_cast<std::size_t>(address) + offset;
        if (target < kSimMemorySize) {
          pendingRead_ = memory_[target];
        } else {
          pendingRead_ = 0;
          ++rejected_;
        }
        break;
      }
      case 0x10:
        ++pulses_;
        break;
      case 0x00:  // idle: a block not committed is dropped
        stagedSet_.fill(false);
        break;
      default:
        ++rejected_;
        break;
    }
    return;
  }
  if (command == kCmdStartStop) {
    started_ = frame[2] == 2;
    return;
  }
  DecodeEmissionLocked(frame, now);
}

void SimulatedMouse::LogFrameLocked(Frame frame) {
  if (frameLogFile_) {
    static constexpr const char* kKindNames[] = {"set", "get", "input"};
    std::fputs(kKindNames[static_cast<int>(frame.kind)], frameLogFile_);
    for (std::size_t i = 0; i < frame.bytes.size() && i < 8; ++i) std::fprintf(frameLogFile_, " %02x", frame.bytes[i]);
    std::fputc('\n', frameLogFile_);
    // Flushed at once, so that the log is whole however the program ends.
    std::fflush(frameLogFile_);
  }
  frames_.push_back(std::move(frame));
  while (options_.logLimit > 0 && frames_.size() > options_.logLimit) frames_.pop_front();
}

void SimulatedMouse::LogEmissionLocked(Emission emission) {
  emissions_.push_back(std::move(emission));
  while (options_.logLimit > 0 && emissions_.size() > options_.logLimit) emissions_.pop_front();
}

void SimulatedMouse::DecodeEmissionLocked(const std::vector<std::uint8_t>& frame, Clock::time_point now) {
  switch (frame[1]) {
    case kCmdKeyboard: {
      std::array<std::uint8_t, 6> next{};
      std::copy(frame.begin() + 2, frame.begin() + 8, next.begin());
      auto holds = [](const std::array<std::uint8_t, 6>& set, std::uint8_t key) {
        return key != 0 && std::find(set.begin(), set.end(), key) != set.end();
      };
      for (std::uint8_t key : heldKeys_)
        if (key && !holds(next, key)) LogEmissionLocked({Emission::Kind::KeyUp, key, 0, 0, now});
      for (std::size_t i = 0; i < next.size(); ++i) {
        std::uint8_t key = next[i];
        bool earlier = std::find(next.begin(), next.begin() + i, key) != next.begin() + i;
        if (key && !earlier && !holds(heldKeys_, key))
          LogEmissionLocked({Emission::Kind::KeyDown, key, 0, 0, now});
      }
      heldKeys_ = next;
      break;
    }
    case kCmdButtons: {
      const int pressed = ~frame[3] & 7;  // active low
      for (int bit = 1; bit <= 4; bit <<= 1) {
        if ((pressed & bit) && !(heldButtons_ & bit))
          LogEmissionLocked({Emission::Kind::ButtonDown, bit, 0, 0, now});
        if (!(pressed & bit) && (heldButtons_ & bit))
          LogEmissionLocked({Emission::Kind::ButtonUp, bit, 0, 0, now});
      }
      heldButtons_ = pressed;
      break;
    }
    case kCmdPointerMove: {
      auto dx = static_cast<std::int16_t>((frame[2] << 8) | frame[3]);
      auto dy = static_cast<std::int16_t>((frame[4] << 8) | frame[5]);
      LogEmissionLocked({Emission::Kind::Move, 0, dx, dy, now});
      break;
    }
    case kCmdConsumer:
      LogEmissionLocked({Emission::Kind::Consumer, (frame[2] << 8) | frame[3], 0, 0, now});
      break;
    default:
      break;  // 0x10, 0x13, 0x14, 0x20: kept in lastCommand_
  }
}

int SimulatedMouse::ReadInput(hid::Handle handle, std::uint8_t* data, std::size_t length, int timeoutMs) {
  std::unique_lock lock(mutex_);
  const OpenHandle* open = nullptr;
  if (!data || length == 0 || !LiveLocked(handle, &open) || open->collection < 0 ||
      open->access != hid::Access::Read)
    return hid::kReadError;
  auto woken = [&] { return std::find(wakeRequests_.begin(), wakeRequests_.end(), handle) != wakeRequests_.end(); };
  auto ready = [&] { return !LiveLocked(handle, nullptr) || !inputQueue_.empty() || woken(); };
  if (timeoutMs < 0) {
    inputReady_.wait(lock, ready);
  } else if (!inputReady_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
    return hid::kReadTimeout;
  }
  if (!LiveLocked(handle, nullptr)) return hid::kReadError;
  if (woken()) {
    std::erase(wakeRequests_, handle);
    return hid::kReadTimeout;
  }
  auto report = std::move(inputQueue_.front());
  inputQueue_.pop_front();
  std::size_t n = std::min(length, report.size());
  std::copy(report.begin(), report.begin() + n, data);
  return static_cast<int>(n);
}

void SimulatedMouse::WakeReader(hid::Handle handle) {
  {
    std::lock_guard lock(mutex_);
    const bool open = std::any_of(handles_.begin(), handles_.end(), [handle](const auto& h) { return h.first == handle; });
    if (open && std::find(wakeRequests_.begin(), wakeRequests_.end(), handle) == wakeRequests_.end())
      wakeRequests_.push_back(handle);
  }
  inputReady_.notify_all();
}

bool SimulatedMouse::WatchDeviceChanges(ChangeCallback callback) {
  std::lock_guard lock(watchMutex_);
  watch_ = std::move(callback);
  return true;
}

void SimulatedMouse::FeedInputReport6(std::uint8_t eventCode, std::uint8_t detail) {
  {
    std::lock_guard lock(mutex_);
    if (!plugged_) return;
    std::vector<std::uint8_t> report(kSimInputReportLength, 0);
    report[0] = 6;
    report[1] = eventCode;
    report[2] = detail;
    LogFrameLocked({Frame::Kind::Input, Clock::now(), report});
    inputQueue_.push_back(std::move(report));
  }
  inputReady_.notify_all();
}

void SimulatedMouse::PressButton(int deviceKey, int dpiLevel) {
  FeedInputReport6(static_cast<std::uint8_t>(240 + deviceKey), static_cast<std::uint8_t>(dpiLevel & 7));
}

void SimulatedMouse::ReleaseButton(int deviceKey, int dpiLevel) {
  FeedInputReport6(static_cast<std::uint8_t>(240 + deviceKey),
                   static_cast<std::uint8_t>(0x80 | (dpiLevel & 7)));
}

void SimulatedMouse::ChangeProfile(int profile) {
  SetActiveProfile(profile);
  FeedInputReport6(3);
}

void SimulatedMouse::StepUp() { FeedInputReport6(1); }
void SimulatedMouse::StepDown() { FeedInputReport6(2); }

std::array<std::uint8_t, kSimMemorySize> SimulatedMouse::Memory() const {
  std::lock_guard lock(mutex_);
  return memory_;
}

std::uint8_t SimulatedMouse::MemoryAt(std::size_t address) const {
  std::lock_guard lock(mutex_);
  return address < kSimMemorySize ? memory_[address] : 0;
}

void SimulatedMouse::SetMemory(std::size_t address, const std::vector<std::uint8_t>& bytes) {
  std::lock_guard lock(mutex_);
  for (std::size_t i = 0; i < bytes.size() && address + i < kSimMemorySize; ++i) memory_[address + i] = bytes[i];
}

int SimulatedMouse::CommitCount() const {
  std::lock_guard lock(mutex_);
  return commits_;
}

int SimulatedMouse::ControlPulseCount() const {
  std::lock_guard lock(mutex_);
  return pulses_;
}

int SimulatedMouse::RefusedFeatureReports() const {
  std::lock_guard lock(mutex_);
  return refusedSets_;
}

int SimulatedMouse::RejectedMemoryReports() const {
  std::lock_guard lock(mutex_);
  return rejected_;
}

void SimulatedMouse::SetActiveProfile(int profile) {
  std::lock_guard lock(mutex_);
  activeProfile_ = profile & 3;
}

int SimulatedMouse::ActiveProfile() const {
  std::lock_guard lock(mutex_);
  return activeProfile_;
}

void SimulatedMouse::SetLargeCapacity(bool large) {
  std::lock_guard lock(mutex_);
  largeCapacity_ = large;
}

void SimulatedMouse::SetLatency(std::chrono::microseconds latency) {
  std::lock_guard lock(mutex_);
  options_.latency = latency;
}

std::vector<std::uint8_t> SimulatedMouse::LastCommand(std::uint8_t command) const {
  std::lock_guard lock(mutex_);
  return lastCommand_[command];
}

bool SimulatedMouse::Started() const {
  std::lock_guard lock(mutex_);
  return started_;
}

std::vector<Frame> SimulatedMouse::Frames() const {
  std::lock_guard lock(mutex_);
  return std::vector<Frame>(frames_.begin(), frames_.end());
}

std::vector<Frame> SimulatedMouse::SetFeatureFrames() const {
  std::lock_guard lock(mutex_);
  std::vector<Frame> out;
  for (const auto& frame : frames_)
    if (frame.kind == Frame::Kind::SetFeature) out.push_back(frame);
  return out;
}

void SimulatedMouse::ClearFrames() {
  std::lock_guard lock(mutex_);
  frames_.clear();
}

std::vector<Emission> SimulatedMouse::Emissions() const {
  std::lock_guard lock(mutex_);
  return std::vector<Emission>(emissions_.begin(), emissions_.end());
}

std::vector<int> SimulatedMouse::HeldKeys() const {
  std::lock_guard lock(mutex_);
  std::vector<int> out;
  for (std::uint8_t key : heldKeys_)
    if (key) out.push_back(key);
  return out;
}

int SimulatedMouse::HeldButtons() const {
  std::lock_guard lock(mutex_);
  return heldButtons_;
}

void SimulatedMouse::ClearEmissions() {
  std::lock_guard lock(mutex_);
  emissions_.clear();
}

void SimulatedMouse::Unplug() {
  {
    std::lock_guard lock(mutex_);
    if (!plugged_) return;
    plugged_ = false;
    ++generation_;
    inputQueue_.clear();
  }
  NotifyChange(false);
}

void SimulatedMouse::PlugIn() {
  {
    std::lock_guard lock(mutex_);
    if (plugged_) return;
    plugged_ = true;
  }
  NotifyChange(true);
}

bool SimulatedMouse::Plugged() const {
  std::lock_guard lock(mutex_);
  return plugged_;
}

void SimulatedMouse::UnplugAfterFeatureReports(int n) {
  bool now = false;
  {
    std::lock_guard lock(mutex_);
    if (n <= 0) {
      if (plugged_) {
        plugged_ = false;
        ++generation_;
        now = true;
      }
    } else {
      unplugAfter_ = n;
    }
  }
  if (now) NotifyChange(false);
}

}  // namespace sim
