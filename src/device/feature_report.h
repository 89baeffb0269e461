// Feature report 7, the mouse's command frame, and byte-wise access to the mouse's
// memory (command 0x18).
//
// Frame: byte 0 report id 7, byte 1 the command, bytes 2..7 its payload, padded to
// g_featureReportLength. Every sender builds its frame in g_reportBuffer and sends it
// at once; bytes a command does not set keep what the previous frame (or reply) left.
//
// Locking: g_reportMutex is held around every build-and-send, around a request and
// its reply, and around each whole memory block, so frames of different threads never
// interleave. It is recursive: a caller may hold it across several sends.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>

inline constexpr std::uint8_t kFeatureReportId = 7;
inline constexpr std::size_t kReportBufferSize = 256;

enum class DeviceCommand : std::uint8_t {
  PointerMove = 0x0B,
  KeySetting = 0x10,
  StartStop = 0x11,
  LedMode = 0x13,
  ColorSlot = 0x14,
  KeyboardState = 0x15,
  MouseButtonState = 0x16,
  ConsumerKey = 0x17,
  MemoryAccess = 0x18,
  Closing = 0x20,
};

// Byte 2 of command 0x18.
namespace MemAccessFlags {
inline constexpr std::uint8_t kAccess = 0x01;
inline constexpr std::uint8_t kWriteData = 0x02;
inline constexpr std::uint8_t kReadRequest = 0x04;
inline constexpr std::uint8_t kEndOfBlock = 0x08;
inline constexpr std::uint8_t kControlPulse = 0x10;
inline constexpr std::uint8_t kWriteByte = 0x03;
inline constexpr std::uint8_t kReadByte = 0x05;
inline constexpr std::uint8_t kCommit = 0x09;
inline constexpr std::uint8_t kPulse = 0x10;
inline constexpr std::uint8_t kIdle = 0x00;
}  // namespace MemAccessFlags

// The mouse's memory: addresses 0 .. kDeviceMemorySize-1.
inline constexpr std::size_t kDeviceMemorySize = 4096;

extern std::array<std::uint8_t, kReportBufferSize> g_reportBuffer;
extern std::recursive_mutex g_reportMutex;

// Sends g_reportBuffer as it stands (g_featureReportLength bytes, at most the buffer)
// on g_writeHandle. Caller holds g_reportMutex. False when the handle is not live or
// the transport failed.
bool SendReportBuffer();

// Reads feature report 7 into g_reportBuffer (byte 0 set to 7 first). Caller holds
// g_reportMutex. False when the handle is not live or the transport failed.
bool GetReportBuffer();

// Sends a frame built outside g_reportBuffer (the sound-reactive lighting keeps its
// own) on g_writeHandle with g_featureReportLength bytes, under g_reportMutex.
bool SendOwnFrame(const std::array<std::uint8_t, kReportBufferSize>& frame);

// Command 0x18 with flags f + 2e + 4c + 8d + 16b + 32a (each 0 or 1), byte 3 offset,
// bytes 4..5 address little-endian, byte 6 data, byte 7 last. Result of the send.
bool SendMemReport(int a, int b, int c, int d, int e, int f, int address, int offset, int last,
                   int data);

// Writes `length` bytes at `address`: one report per byte, 4 ms, end of block, 2 ms,
// idle report. A length of 0 sends nothing. Stops at the first report that could not
// be sent and returns false; the mouse then drops the block it did not get whole.
bool WriteMemBlock(int address, const std::uint8_t* data, int length);

// Reads `length` bytes from `address` into `buffer`. Bytes whose reply could not be
// had are set to 0. A length of 0 sends nothing.
void ReadMemBlock(int address, std::uint8_t* buffer, int length);

// First pass of ReadMemBlock: one write-byte report of 0 per offset, 2 ms apart, then
// 2 ms and the idle report.
void PrepareMemRead(int address, int count);

// The control pulse: flags 0x10, 5 ms, then a report with every field 0. False when a
// report could not be sent.
bool PulseMemControl();
