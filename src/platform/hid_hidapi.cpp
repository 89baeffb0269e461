// The hidapi (hidraw) transport. hidapi 0.13 lists one entry per (usage page, usage)
// pair of a device, nested collections included, all under one /dev/hidrawN path, and
// does not give report lengths; so the collections and their lengths come from our
// parse of the node's report descriptor, and hidapi's entries only give the order of
// the paths, the identity and the product string.
//
// One node carries the input reports of all the device's collections (the mouse's
// pointer reports as well as its input report 6); a handle opened for reading on one
// collection hands on only the reports of that collection, as a collection's own
// handle does where each collection is a device of its own.
#include <hidapi/hidapi.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>

#include "platform/device_watcher.h"
#include "platform/hid_access.h"
#include "platform/hid_transport.h"
#include "platform/hidraw_reader.h"
#include "platform/report_descriptor.h"
#include "platform/text_codec.h"

namespace hid {
namespace {

// hid_read_timeout slice of a blocking read on a handle opened for writing, so that
// Close can end a read in progress. Handles opened for reading wait in poll() instead.
constexpr int kReadSliceMs = 100;

std::string WideToUtf8(const wchar_t* text, std::size_t maxChars) {
  std::u16string units;
  if (text) {
    for (const wchar_t* p = text; *p; ++p) {
      auto cp = static_cast<std::uint32_t>(*p);
      if (cp >= 0x10000) {
        cp -= 0x10000;
        units.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        units.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
      } else {
        units.push_back(static_cast<char16_t>(cp));
      }
    }
  }
  return Utf16ToUtf8(CutUtf16(units, maxChars));
}

// The report ids of the collection `info` in its node's descriptor; empty when the
// descriptor uses none (or cannot be read): every report is the collection's then.
std::vector<std::uint8_t> CollectionReportIds(const InterfaceInfo& info) {
  auto descriptor = ReadHidrawDescriptor(info.path);
  auto parsed = descriptor.empty() ? std::nullopt : ParseReportDescriptor(descriptor.data(), descriptor.size());
  if (!parsed || !parsed->usesReportIds) return {};
  for (const auto& collection : parsed->collections)
    if (collection.caps.usagePage == info.caps.usagePage && collection.caps.usage == info.caps.usage)
      return collection.reportIds;
  return {};
}

struct OpenDevice {
  InterfaceInfo info;
  Access access = Access::Probe;
  hid_device* device = nullptr;  // a handle opened for writing
  std::unique_ptr<HidrawReader> reader;  // a handle opened for reading
  std::vector<std::uint8_t> inputReportIds;  // reports a read hands on; empty: all
  std::mutex callMutex;          // one hidapi call at a time on the device
  std::atomic<bool> closing{false};

  bool TakesReport(std::uint8_t id) const {
    return inputReportIds.empty() || std::find(inputReportIds.begin(), inputReportIds.end(), id) != inputReportIds.end();
  }
};

class HidapiTransport : public Transport {
 public:
  HidapiTransport() { initialised_ = hid_init() == 0; }

  ~HidapiTransport() override {
    watcher_.Stop();
    std::map<Handle, std::shared_ptr<OpenDevice>> open;
    {
      std::lock_guard lock(mutex_);
      open.swap(open_);
    }
    for (auto& [handle, entry] : open) CloseEntry(*entry);
  }

  std::vector<InterfaceInfo> Enumerate() override {
    std::vector<InterfaceInfo> result;
    if (!initialised_) return result;
    hid_device_info* list = hid_enumerate(0, 0);
    std::set<std::string> donePaths;
    for (hid_device_info* d = list; d; d = d->next) {
      if (!d->path) continue;
      std::string path = d->path;
      if (donePaths.count(path)) continue;  // collections of this path already listed
      InterfaceInfo base;
      base.path = path;
      base.attributes.vendorId = d->vendor_id;
      base.attributes.productId = d->product_id;
      base.attributes.versionNumber = d->release_number;
      base.productString = WideToUtf8(d->product_string, 126);

      auto descriptor = ReadHidrawDescriptor(path);
      auto parsed = descriptor.empty() ? std::nullopt
                                       : ParseReportDescriptor(descriptor.data(), descriptor.size());
      if (!parsed) {
        // No descriptor to go by: take hidapi's entry as it is, lengths unknown.
        base.caps.usagePage = d->usage_page;
        base.caps.usage = d->usage;
        result.push_back(base);
        continue;
      }
      donePaths.insert(path);
      for (const auto& collection : parsed->collections) {
        InterfaceInfo info = base;
        info.caps = collection.caps;
        result.push_back(std::move(info));
      }
    }
    hid_free_enumeration(list);
    return result;
  }

  Handle Open(const InterfaceInfo& info, Access access) override {
    auto entry = std::make_shared<OpenDevice>();
    entry->info = info;
    entry->access = access;
    if (access == Access::Probe) {
      // Identity and capabilities come from the enumeration; the node only has to exist.
      struct stat st {};
      if (stat(info.path.c_str(), &st) != 0) return kInvalidHandle;
    } else if (access == Access::Read) {
      // hidapi gives no descriptor to wait on, and its reads could only be ended by
      // slicing them; the input side opens the node itself.
      entry->reader = std::make_unique<HidrawReader>(info.path);
      if (!entry->reader->Valid()) {
        ReportNodeAccessDenied(info.path);
        return kInvalidHandle;
      }
      entry->inputReportIds = CollectionReportIds(info);
    } else {
      if (!initialised_) return kInvalidHandle;
      entry->device = hid_open_path(info.path.c_str());
      if (!entry->device) {
        ReportNodeAccessDenied(info.path);
        return kInvalidHandle;
      }
    }
    std::lock_guard lock(mutex_);
    Handle handle = nextHandle_++;
    open_[handle] = std::move(entry);
    return handle;
  }

  void Close(Handle handle) override {
    std::shared_ptr<OpenDevice> entry;
    {
      std::lock_guard lock(mutex_);
      auto it = open_.find(handle);
      if (it == open_.end()) return;
      entry = it->second;
      open_.erase(it);
    }
    CloseEntry(*entry);
  }

  bool GetAttributes(Handle handle, Attributes& out) override {
    auto entry = Find(handle);
    if (!entry) return false;
    out = entry->info.attributes;
    return true;
  }

  bool GetProductString(Handle handle, std::string& out, std::size_t maxChars) override {
    auto entry = Find(handle);
    if (!entry) return false;
    out = Utf16ToUtf8(CutUtf16(Utf8ToUtf16(entry->info.productString), maxChars));
    return true;
  }

  bool GetCaps(Handle handle, Caps& out) override {
    auto entry = Find(handle);
    if (!entry) return false;
    // Without a readable descriptor the report lengths are unknown: no capabilities.
    if (entry->info.caps.inputReportByteLength == 0 && entry->info.caps.outputReportByteLength == 0 &&
        entry->info.caps.featureReportByteLength == 0)
      return false;
    out = entry->info.caps;
    return true;
  }

  bool SetFeature(Handle handle, const std::uint8_t* data, std::size_t length) override {
    auto entry = Find(handle);
    if (entry && entry->reader) return entry->reader->SetFeature(data, length);
    if (!entry || !entry->device || length == 0) return false;
    std::lock_guard lock(entry->callMutex);
    if (entry->closing) return false;
    return hid_send_feature_report(entry->device, data, length) >= 0;
  }

  bool GetFeature(Handle handle, std::uint8_t* data, std::size_t length) override {
    auto entry = Find(handle);
    if (entry && entry->reader) return entry->reader->GetFeature(data, length);
    if (!entry || !entry->device || length == 0) return false;
    std::lock_guard lock(entry->callMutex);
    if (entry->closing) return false;
    const int n = hid_get_feature_report(entry->device, data, length);
    if (n < 0) return false;
    // hidraw passes a short reply on as it came and leaves the rest of the buffer as
    // it was: our own request. Nothing of that may be read as the mouse's answer.
    if (static_cast<std::size_t>(n) < length) std::fill(data + n, data + length, 0);
    return true;
  }

  int ReadInput(Handle handle, std::uint8_t* data, std::size_t length, int timeoutMs) override {
    auto entry = Find(handle);
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    if (entry && entry->reader) {
      for (;;) {
        int wait = -1;
        if (timeoutMs >= 0) {
          const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
          wait = static_cast<int>(std::max<long long>(left, 0));
        }
        const int n = entry->reader->Read(data, length, wait);
        if (n < 0) return kReadError;
        if (n == 0) return kReadTimeout;  // the time ran out, or WakeReader
        // As below: another collection's report is passed over at once.
        if (entry->TakesReport(data[0])) return n;
      }
    }
    if (!entry || !entry->device || length == 0) return kReadError;
    for (;;) {
      int slice = kReadSliceMs;
      if (timeoutMs >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        slice = static_cast<int>(std::clamp<long long>(left, 0, kReadSliceMs));
      }
      int n;
      {
        std::lock_guard lock(entry->callMutex);
        if (entry->closing) return kReadError;
        n = hid_read_timeout(entry->device, data, length, slice);
      }
      if (n < 0) return kReadError;
      // Reports of the node's other collections are read and passed over at once: left
      // queued they would fill the node's buffer, and the kernel drops new reports then.
      if (n > 0 && entry->TakesReport(data[0])) return n;
      if (timeoutMs >= 0 && Clock::now() >= deadline) return kReadTimeout;
    }
  }

  void WakeReader(Handle handle) override {
    auto entry = Find(handle);
    if (entry && entry->reader) entry->reader->Wake();
  }

  bool WatchDeviceChanges(ChangeCallback callback) override {
    {
      std::lock_guard lock(watchMutex_);
      watchCallback_ = std::move(callback);
    }
    if (watcher_.Running()) return true;
    return watcher_.Start([this](bool arrived, const std::string& path) {
      ChangeCallback callback;
      {
        std::lock_guard lock(watchMutex_);
        callback = watchCallback_;
      }
      if (callback) callback(arrived, path);
    });
  }

 private:
  std::shared_ptr<OpenDevice> Find(Handle handle) {
    std::lock_guard lock(mutex_);
    auto it = open_.find(handle);
    return it == open_.end() ? nullptr : it->second;
  }

  static void CloseEntry(OpenDevice& entry) {
    if (entry.reader) entry.reader->Close();  // ends a read in progress
    entry.closing = true;
    std::lock_guard lock(entry.callMutex);  // waits for a read slice in progress
    if (entry.device) hid_close(entry.device);
    entry.device = nullptr;
  }

  bool initialised_ = false;
  std::mutex mutex_;
  std::map<Handle, std::shared_ptr<OpenDevice>> open_;
  Handle nextHandle_ = 1;
  std::mutex watchMutex_;
  ChangeCallback watchCallback_;
  DeviceWatcher watcher_;
};

}  // namespace

std::shared_ptr<Transport> MakeHidapiTransport() { return std::make_shared<HidapiTransport>(); }

}  // namespace hid
