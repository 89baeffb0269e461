// Parser of HID report descriptors: the top-level collections with their usage page,
// usage and the byte lengths of their input, output and feature reports, computed the
// way the HID class driver reports them (longest report of a kind in the collection,
// plus one byte for the report id; with no report ids, the plain byte length + 1).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/hid_transport.h"

namespace hid {

struct CollectionCaps {
  Caps caps;
  std::vector<std::uint8_t> reportIds;  // report ids used in the collection (empty: none)
};

struct ParsedDescriptor {
  std::vector<CollectionCaps> collections;  // top-level application collections, in order
  bool usesReportIds = false;
};

// Parses `data`. Returns nothing for a malformed descriptor (truncated item, unbalanced
// collections, runaway push/pop).
std::optional<ParsedDescriptor> ParseReportDescriptor(const std::uint8_t* data, std::size_t size);

// Reads the descriptor of a hidraw node (/dev/hidrawN) from sysfs. Empty when absent.
std::vector<std::uint8_t> ReadHidrawDescriptor(const std::string& devicePath);

}  // namespace hid
