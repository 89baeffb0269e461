#include "device/feature_report.h"

#include <algorithm>

#include "device/device_connection.h"
#include "platform/hid_pause.h"

std::array<std::uint8_t, kReportBufferSize> g_reportBuffer{};
std::recursive_mutex g_reportMutex;

namespace {

// The mouse takes one block of at most 256 bytes: offset and last are single bytes.
constexpr int kMaxBlockLength = 256;

std::size_t FrameLength() {
  int length = g_featureReportLength.load();
  if (length <= 0) return 0;
  // A longer report than the buffer cannot be built; send what the buffer holds.
  return std::min<std::size_t>(static_cast<std::size_t>(length), kReportBufferSize);
}

bool SendFrame(const std::uint8_t* frame) {
  hid::Handle handle = g_writeHandle.load();
  std::size_t length = FrameLength();
  if (handle == 0 || handle == hid::kInvalidHandle || length == 0) return false;
  return DeviceTransport()->SetFeature(handle, frame, length);
}

void SetMemFrame(std::uint8_t flags, int address, int offset, int last, int data) {
  g_reportBuffer[0] = kFeatureReportId;
  g_reportBuffer[1] = static_cast<std::uint8_t>(DeviceCommand::MemoryAccess);
  g_reportBuffer[2] = flags;
  g_reportBuffer[3] = static_cast<std::uint8_t>(offset);
  g_reportBuffer[4] = static_cast<std::uint8_t>(address & 0xFF);
  g_reportBuffer[5] = static_cast<std::uint8_t>((address >> 8) & 0xFF);
  g_reportBuffer[6] = static_cast<std::uint8_t>(data);
  g_reportBuffer[7] = static_cast<std::uint8_t>(last);
}

bool SendMem(std::uint8_t flags, int address, int offset, int last, int data) {
  SetMemFrame(flags, address, offset, last, data);
  return SendReportBuffer();
}

bool WriteOneBlock(int address, const std::uint8_t* data, int length) {
  const int last = length - 1;
  for (int i = 0; i < length; ++i)
    if (!SendMem(MemAccessFlags::kWriteByte, address, i, last, data[i])) return false;
  hid::PauseMs(4);
  if (!SendMem(MemAccessFlags::kCommit, address, 0, last, 0)) return false;
  hid::PauseMs(2);
  return SendMem(MemAccessFlags::kIdle, address, 0, 0, 0);
}

void ReadOneBlock(int address, std::uint8_t* buffer, int length) {
  PrepareMemRead(address, length);
  const int last = length - 1;
  for (int i = 0; i < length; ++i) {
    SendMem(MemAccessFlags::kReadByte, address, i, last, 0);
    hid::PauseMs(2);
    // A reply that never came would leave our own request in the buffer.
    buffer[i] = GetReportBuffer() ? g_reportBuffer[1] : 0;
  }
  hid::PauseMs(2);
  SendMem(MemAccessFlags::kIdle, 0, 0, 0, 0);
}

}  // namespace

bool SendReportBuffer() {
  std::lock_guard lock(g_reportMutex);
  return SendFrame(g_reportBuffer.data());
}

bool GetReportBuffer() {
  std::lock_guard lock(g_reportMutex);
  g_reportBuffer[0] = kFeatureReportId;
  hid::Handle handle = g_writeHandle.load();
  std::size_t length = FrameLength();
  if (handle == 0 || handle == hid::kInvalidHandle || length == 0) return false;
  return DeviceTransport()->GetFeature(handle, g_reportBuffer.data(), length);
}

bool SendOwnFrame(const std::array<std::uint8_t, kReportBufferSize>& frame) {
  std::lock_guard lock(g_reportMutex);
  return SendFrame(frame.data());
}

bool SendMemReport(int a, int b, int c, int d, int e, int f, int address, int offset, int last,
                   int data) {
  std::lock_guard lock(g_reportMutex);
  const int flags = f + 2 * e + 4 * c + 8 * d + 16 * b + 32 * a;
  return SendMem(static_cast<std::uint8_t>(flags), address, offset, last, data);
}

bool WriteMemBlock(int address, const std::uint8_t* data, int length) {
  if (!data || length <= 0) return true;
  // The whole block goes out under the lock: a frame of another thread between its
  // data reports and its end of block would reach the mouse inside the block.
  std::lock_guard lock(g_reportMutex);
  // Longer data than one block would wrap the offset byte onto earlier bytes; it is
  // written as consecutive blocks instead.
  for (int done = 0; done < length; done += kMaxBlockLength)
    if (!WriteOneBlock(address + done, data + done, std::min(kMaxBlockLength, length - done))) return false;
  return true;
}

void ReadMemBlock(int address, std::uint8_t* buffer, int length) {
  if (!buffer || length <= 0) return;
  std::lock_guard lock(g_reportMutex);
  for (int done = 0; done < length; done += kMaxBlockLength)
    ReadOneBlock(address + done, buffer + done, std::min(kMaxBlockLength, length - done));
}

void PrepareMemRead(int address, int count) {
  if (count <= 0) return;
  std::lock_guard lock(g_reportMutex);
  const int last = std::min(count, kMaxBlockLength) - 1;
  for (int i = 0; i <= last; ++i) {
    SendMem(MemAccessFlags::kWriteByte, address, i, last, 0);
    hid::PauseMs(2);
  }
  hid::PauseMs(2);
  SendMem(MemAccessFlags::kIdle, address, 0, 0, 0);
}

bool PulseMemControl() {
  std::lock_guard lock(g_reportMutex);
  if (!SendMem(MemAccessFlags::kPulse, 0, 0, 0, 0)) return false;
  hid::PauseMs(5);
  return SendMem(MemAccessFlags::kIdle, 0, 0, 0, 0);
}
