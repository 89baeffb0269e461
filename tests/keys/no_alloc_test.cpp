// The macro executor converts keys while it plays: the conversions must not allocate.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "keys/key_codes.h"
#include "language_guard.h"

namespace {
thread_local bool t_counting = false;
thread_local int t_allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
  if (t_counting) ++t_allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

TEST(KeyConversions, AllocateNothing) {
  for (int language : {1, 2, 7, 20, 25, 26, 255}) {
    LanguageGuard guard(language);
    unsigned sum = 0;
    t_allocations = 0;
    t_counting = true;
    for (int code = 0; code < 256; ++code)
      sum += VkToDeviceKey(code) + DeviceKeyToVk(code) + KeyIndexToDeviceKey(code);
    t_counting = false;
    EXPECT_EQ(t_allocations, 0) << "language " << language;
    EXPECT_GT(sum, 0u);
  }
  // The counter itself works: a long name is a new string on the heap.
  LanguageGuard guard(12);
  t_allocations = 0;
  t_counting = true;
  std::string name = DeviceKeyName(0x28);
  t_counting = false;
  EXPECT_EQ(name, "キーパッド Enter");
  EXPECT_GT(t_allocations, 0);
}
