// The identity of the supported mouse: one vendor id and two product ids. The mouse
// with the first product id keeps its settings across starts; the one with the second
// is reset from configReset.ini on every start.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kDeviceVendorId = 0x3F1A;
inline constexpr std::uint32_t kDeviceProductId1 = 0x5201;
inline constexpr std::uint32_t kDeviceProductId2 = 0x5202;

// Vendor collections of the mouse (usage 1 each).
inline constexpr std::uint16_t kReadUsagePage = 0xFF00;     // input report 6
inline constexpr std::uint16_t kFeatureUsagePage = 0xFF01;  // feature report 7
inline constexpr std::uint16_t kVendorUsage = 1;
