#include "platform/report_descriptor.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <map>

namespace hid {
namespace {

constexpr int kMaxGlobalStack = 32;
constexpr std::size_t kMaxDescriptorBytes = 4096;  // largest descriptor the kernel keeps
constexpr std::uint64_t kMaxBits = std::uint64_t(1) << 40;  // far beyond any report length

struct Globals {
  std::uint32_t usagePage = 0;
  std::uint32_t reportSize = 0;
  std::uint32_t reportCount = 0;
  std::uint32_t reportId = 0;
};

enum Kind { kInput = 0, kOutput = 1, kFeature = 2 };

struct Collection {
  Caps caps;
  // Bits per report id, per kind.
  std::array<std::map<std::uint32_t, std::uint64_t>, 3> bits;
};

std::uint16_t LengthOf(const std::map<std::uint32_t, std::uint64_t>& reports, bool& tooLong) {
  std::uint64_t longest = 0;
  bool any = false;
  for (const auto& [id, bits] : reports) {
    any = true;
    longest = std::max(longest, (bits + 7) / 8);
  }
  if (!any) return 0;
  // One byte for the report id (zero when the device uses none).
  std::uint64_t bytes = longest + 1;
  if (bytes > 0xFFFF) {
    tooLong = true;
    return 0;
  }
  return static_cast<std::uint16_t>(bytes);
}

}  // namespace

std::optional<ParsedDescriptor> ParseReportDescriptor(const std::uint8_t* data, std::size_t size) {
  ParsedDescriptor result;
  std::vector<Collection> tops;
  Globals globals;
  std::vector<Globals> stack;
  std::vector<std::uint32_t> usages;  // local usages since the last main item (extended form)
  bool haveUsageMin = false;
  std::uint32_t usageMin = 0;
  int depth = 0;

  std::size_t pos = 0;
  while (pos < size) {
    std::uint8_t prefix = data[pos];
    if (prefix == 0xFE) {  // long item: data size, long tag, data
      if (pos + 3 > size) return std::nullopt;
      std::size_t length = data[pos + 1];
      if (pos + 3 + length > size) return std::nullopt;
      pos += 3 + length;
      continue;
    }
    static constexpr std::size_t kSizes[4] = {0, 1, 2, 4};
    std::size_t length = kSizes[prefix & 3];
    if (pos + 1 + length > size) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < length; ++i) value |= std::uint32_t(data[pos + 1 + i]) << (8 * i);
    pos += 1 + length;

    int type = (prefix >> 2) & 3;
    int tag = prefix >> 4;
    if (type == 0) {  // main
      switch (tag) {
        case 0x8:    // Input
        case 0x9:    // Output
        case 0xB: {  // Feature
          if (depth > 0 && !tops.empty()) {
            Kind kind = tag == 0x8 ? kInput : tag == 0x9 ? kOutput : kFeature;
            // Saturate: absurd sizes must not wrap round to a plausible length.
            auto& total = tops.back().bits[kind][globals.reportId];
            total = std::min(total + std::uint64_t(globals.reportSize) * globals.reportCount, kMaxBits);
          }
          break;
        }
        case 0xA: {  // Collection
          if (depth == 0) {
            Collection c;
            std::uint32_t usage = usages.empty() ? (haveUsageMin ? usageMin : 0) : usages.front();
            // A 4-byte usage carries its own page in the high half.
            c.caps.usagePage = static_cast<std::uint16_t>(usage > 0xFFFF ? usage >> 16 : globals.usagePage);
            c.caps.usage = static_cast<std::uint16_t>(usage & 0xFFFF);
            tops.push_back(std::move(c));
          }
          ++depth;
          break;
        }
        case 0xC:  // End Collection
          if (depth == 0) return std::nullopt;
          --depth;
          break;
        default:
          break;
      }
      usages.clear();
      haveUsageMin = false;
    } else if (type == 1) {  // global
      switch (tag) {
        case 0x0: globals.usagePage = value; break;
        case 0x7: globals.reportSize = value; break;
        case 0x8:
          if (value == 0 || value > 0xFF) return std::nullopt;
          globals.reportId = value;
          result.usesReportIds = true;
          break;
        case 0x9: globals.reportCount = value; break;
        case 0xA:
          if (static_cast<int>(stack.size()) >= kMaxGlobalStack) return std::nullopt;
          stack.push_back(globals);
          break;
        case 0xB:
          if (stack.empty()) return std::nullopt;
          globals = stack.back();
          stack.pop_back();
          break;
        default: break;  // logical/physical extents, units: no bearing on lengths
      }
    } else if (type == 2) {  // local
      if (tag == 0x0) {
        usages.push_back(length == 4 ? value : value & 0xFFFF);
      } else if (tag == 0x1 && !haveUsageMin) {
        haveUsageMin = true;
        usageMin = length == 4 ? value : value & 0xFFFF;
      }
    } else {
      return std::nullopt;  // reserved item type
    }
  }
  if (depth != 0) return std::nullopt;

  bool tooLong = false;
  for (auto& top : tops) {
    CollectionCaps out;
    out.caps = top.caps;
    out.caps.inputReportByteLength = LengthOf(top.bits[kInput], tooLong);
    out.caps.outputReportByteLength = LengthOf(top.bits[kOutput], tooLong);
    out.caps.featureReportByteLength = LengthOf(top.bits[kFeature], tooLong);
    for (const auto& kind : top.bits)
      for (const auto& [id, bits] : kind)
        if (id != 0 && std::find(out.reportIds.begin(), out.reportIds.end(), id) == out.reportIds.end())
          out.reportIds.push_back(static_cast<std::uint8_t>(id));
    std::sort(out.reportIds.begin(), out.reportIds.end());
    result.collections.push_back(std::move(out));
  }
  if (tooLong) return std::nullopt;
  return result;
}

std::vector<std::uint8_t> ReadHidrawDescriptor(const std::string& devicePath) {
  // Only a plain /dev/hidrawN name leads into sysfs: nothing else of the path is used.
  auto slash = devicePath.find_last_of('/');
  std::string node = slash == std::string::npos ? devicePath : devicePath.substr(slash + 1);
  if (node.size() <= 6 || node.compare(0, 6, "hidraw") != 0 ||
      !std::all_of(node.begin() + 6, node.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
    return {};
  std::ifstream in("/sys/class/hidraw/" + node + "/device/report_descriptor", std::ios::binary);
  if (!in) return {};
  std::vector<std::uint8_t> bytes;
  char ch;
  while (bytes.size() < kMaxDescriptorBytes && in.get(ch)) bytes.push_back(static_cast<std::uint8_t>(ch));
  return bytes;
}

}  // namespace hid
