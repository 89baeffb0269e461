#include "platform/hid_transport.h"

#include <mutex>

namespace hid {
namespace {

std::mutex g_transportMutex;
std::shared_ptr<Transport> g_transport;

}  // namespace

std::shared_ptr<Transport> CurrentTransport() {
  std::lock_guard lock(g_transportMutex);
  if (!g_transport) g_transport = MakeHidapiTransport();
  return g_transport;
}

std::shared_ptr<Transport> SetTransport(std::shared_ptr<Transport> transport) {
  std::lock_guard lock(g_transportMutex);
  auto previous = std::move(g_transport);
  g_transport = std::move(transport);  // empty: the hidapi transport is made on next use
  return previous;
}

}  // namespace hid
