// libFuzzer target: the report-descriptor parser takes whatever bytes a device node
// hands it. It must never read past them, and what it accepts must be consistent.
#include <cstdint>
#include <cstdlib>

#include "platform/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto parsed = hid::ParseReportDescriptor(data, size);
  if (!parsed) return 0;
  for (const auto& collection : parsed->collections) {
    // Report ids are only listed when the descriptor uses them, and 0 is never one.
    if (!parsed->usesReportIds && !collection.reportIds.empty()) std::abort();
    for (std::uint8_t id : collection.reportIds)
      if (id == 0) std::abort();
  }
  return 0;
}
