#include "device/device_connection.h"

#include <condition_variable>
#include <memory>
#include <mutex>

#include "profile/settings.h"

std::atomic<hid::Handle> g_probeHandle{0};
std::atomic<hid::Handle> g_readHandle{0};
std::atomic<hid::Handle> g_writeHandle{0};
hid::Caps g_probeCaps;
hid::Caps g_inputCaps;
hid::Caps g_featureCaps;
std::atomic<int> g_featureReportLength{0};
std::atomic<std::uint8_t> g_deviceFound{0};
std::atomic<std::int32_t> g_deviceVariant{2};
std::string g_devicePath;

namespace {

// The product string is read into 100 bytes: at most 50 UTF-16 characters.
constexpr std::size_t kProductStringChars = 50;

std::mutex g_changeMutex;
DeviceChangeHandler g_changeHandler;
std::weak_ptr<hid::Transport> g_watchedTransport;

// The transport the handles were opened on: they are used and closed through it even
// after another transport has become current. Guarded by g_handleTransportMutex.
std::mutex g_handleTransportMutex;
std::shared_ptr<hid::Transport> g_handleTransportPtr;

std::shared_ptr<hid::Transport> HandleTransport() {
  std::lock_guard lock(g_handleTransportMutex);
  return g_handleTransportPtr;
}

void SetHandleTransport(std::shared_ptr<hid::Transport> transport) {
  std::lock_guard lock(g_handleTransportMutex);
  g_handleTransportPtr = std::move(transport);
}

bool IsLive(hid::Handle handle) { return handle != 0 && handle != hid::kInvalidHandle; }

// Wakes the waiters of WaitForReadHandleChange after a change of g_readHandle.
std::mutex g_readHandleMutex;
std::condition_variable_any g_readHandleChanged;

void StoreReadHandle(hid::Handle handle) {
  {
    std::lock_guard lock(g_readHandleMutex);
    g_readHandle = handle;
  }
  g_readHandleChanged.notify_all();
}

void CloseHandle(std::atomic<hid::Handle>& handle, const std::shared_ptr<hid::Transport>& transport) {
  hid::Handle old = handle.load();
  if (&handle == &g_readHandle)
    StoreReadHandle(0);
  else
    handle = 0;
  if (IsLive(old) && transport) transport->Close(old);
}

void ForwardDeviceChange(bool arrived, const std::string& path) {
  DeviceChangeHandler handler;
  {
    std::lock_guard lock(g_changeMutex);
    handler = g_changeHandler;
  }
  if (handler) handler(arrived ? DeviceChange::Arrival : DeviceChange::Removal, path);
}

}  // namespace

void SetDeviceChangeHandler(DeviceChangeHandler handler) {
  std::lock_guard lock(g_changeMutex);
  g_changeHandler = std::move(handler);
}

void RegisterDeviceArrival() {
  auto transport = hid::CurrentTransport();
  {
    std::lock_guard lock(g_changeMutex);
    if (g_watchedTransport.lock() == transport) return;  // already watching this one
    g_watchedTransport = transport;
  }
  transport->WatchDeviceChanges(ForwardDeviceChange);
}

std::shared_ptr<hid::Transport> DeviceTransport() {
  auto transport = HandleTransport();
  return transport ? transport : hid::CurrentTransport();
}

int ReadDeviceInput(std::uint8_t* data, std::size_t length, int timeoutMs) {
  hid::Handle handle = g_readHandle.load();
  if (!IsLive(handle) || !data || length == 0) return hid::kReadError;
  return DeviceTransport()->ReadInput(handle, data, length, timeoutMs);
}

bool WaitForReadHandleChange(hid::Handle seen, std::stop_token stop) {
  std::unique_lock lock(g_readHandleMutex);
  return g_readHandleChanged.wait(lock, stop, [seen] { return g_readHandle.load() != seen; });
}

int ReadDeviceCaps() {
  auto transport = DeviceTransport();
  hid::Caps caps;
  if (!transport->GetCaps(g_probeHandle.load(), caps)) return 0;
  g_probeCaps = caps;
  return 1;
}

void ResetDeviceConnection() {
  auto transport = HandleTransport();
  CloseHandle(g_probeHandle, transport);
  CloseHandle(g_readHandle, transport);
  CloseHandle(g_writeHandle, transport);
  SetHandleTransport(nullptr);
  g_probeCaps = g_inputCaps = g_featureCaps = hid::Caps{};
  g_featureReportLength = 0;
  g_deviceFound = 0;
  g_deviceVariant = 2;
  g_devicePath.clear();
}

std::uint8_t FindDevice() {
  g_deviceFound = 0;
  auto transport = hid::CurrentTransport();

  // Handles left from an earlier connection may belong to a device that is gone (or to
  // another transport): a new search opens them afresh.
  {
    auto old = HandleTransport();
    CloseHandle(g_probeHandle, old);
    CloseHandle(g_readHandle, old);
    CloseHandle(g_writeHandle, old);
  }
  SetHandleTransport(transport);

  const std::vector<hid::InterfaceInfo> interfaces = transport->Enumerate();
  const std::string filter = g_devString;

  for (int index = 0; index < kMaxInterfaceIndex; ++index) {
    if (index >= static_cast<int>(interfaces.size())) break;  // no more members
    const hid::InterfaceInfo& info = interfaces[index];

    g_probeHandle = transport->Open(info, hid::Access::Probe);
    hid::Attributes attributes;
    if (!transport->GetAttributes(g_probeHandle, attributes)) attributes = hid::Attributes{};
    g_deviceFound = 0;
    std::string product;
    if (!transport->GetProductString(g_probeHandle, product, kProductStringChars)) product.clear();

    const bool stringOk = filter.empty() || filter == product;
    const bool identityOk = attributes.vendorId == kDeviceVendorId &&
                            (attributes.productId == kDeviceProductId1 ||
                             attributes.productId == kDeviceProductId2);
    if (!stringOk || !identityOk) {
      CloseHandle(g_probeHandle, transport);
      continue;
    }

    g_deviceVariant = attributes.productId == kDeviceProductId1 ? 1 : 0;
    g_deviceFound = 1;
    g_devicePath = info.path;
    RegisterDeviceArrival();
    if (!ReadDeviceCaps()) {
      CloseHandle(g_probeHandle, transport);
      continue;
    }

    if (g_probeCaps.usagePage == kReadUsagePage && g_probeCaps.usage == kVendorUsage) {
      g_inputCaps = g_probeCaps;
      CloseHandle(g_readHandle, transport);
      StoreReadHandle(transport->Open(info, hid::Access::Read));
    } else if (g_probeCaps.usagePage == kFeatureUsagePage && g_probeCaps.usage == kVendorUsage) {
      g_featureCaps = g_probeCaps;
      g_featureReportLength = g_featureCaps.featureReportByteLength;
      CloseHandle(g_writeHandle, transport);
      g_writeHandle = transport->Open(info, hid::Access::Write);
    }
    // The probe has served: identity and capabilities are copied.
    CloseHandle(g_probeHandle, transport);

    if (g_readHandle != 0 && g_writeHandle != 0) break;
  }

  // Connected only with both handles open: an accepted collection that is neither
  // vendor collection, or an open that failed, is no connection.
  const bool connected = IsLive(g_readHandle) && IsLive(g_writeHandle);
  g_deviceFound = connected ? 1 : 0;
  return g_deviceFound;
}
