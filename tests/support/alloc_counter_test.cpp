// SPDX-License-Identifier: Zlib
#include "alloc_counter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

namespace {

// Keeps the optimiser from eliding an allocation whose result is unused.
template <typename T>
void Keep(T* p) {
  asm volatile("" : : "g"(p) : "memory");
}

TEST(AllocCounter, TheHookIsTheProcessAllocator) { EXPECT_TRUE(alloc_counter::HookActive()); }

TEST(AllocCounter, CountsEveryKindOfAllocation) {
  struct Case {
    const char* what;
    void (*run)();
    uint64_t news, mallocs;
  };
  const Case cases[] = {
      {"new", [] { int* p = new int(1); Keep(p); delete p; }, 1, 0},
      {"new[]", [] { int* p = new int[8]; Keep(p); delete[] p; }, 1, 0},
      {"aligned new", [] { struct alignas(64) Wide { char c[64]; }; Wide* p = new Wide; Keep(p); delete p; }, 1, 0},
      {"nothrow new", [] { int* p = new (std::nothrow) int; Keep(p); delete p; }, 1, 0},
      {"malloc", [] { void* p = std::malloc(32); Keep(p); std::free(p); }, 0, 1},
      {"calloc", [] { void* p = std::calloc(4, 8); Keep(p); std::free(p); }, 0, 1},
      {"realloc", [] { void* p = std::realloc(std::malloc(8), 4096); Keep(p); std::free(p); }, 0, 2},
      {"aligned_alloc", [] { void* p = std::aligned_alloc(64, 128); Keep(p); std::free(p); }, 0, 1},
      {"vector growth", [] { std::vector<int> v; for (int i : {0, 1, 2}) v.push_back(i); Keep(v.data()); },
       3, 0},  // capacities 1, 2, 4
      {"short string stays inline", [] { std::string s = "box"; Keep(s.data()); }, 0, 0},
      {"free alone", [] { std::free(nullptr); }, 0, 0},
  };
  for (const Case& c : cases) {
    const auto counts = alloc_counter::CountIn(c.run);
    EXPECT_EQ(counts.news, c.news) << c.what;
    EXPECT_EQ(counts.mallocs, c.mallocs) << c.what;
  }
}

TEST(AllocCounter, TellsOwnAllocationsFromThoseOfOtherLibraries) {
  // strdup allocates from inside the C library: a foreign caller.
  const auto inLibc = alloc_counter::CountIn([] {
    char* p = strdup("guard");
    Keep(p);
    std::free(p);
  });
  EXPECT_EQ(inLibc.mallocs, 1u);
  EXPECT_EQ(inLibc.foreign, 1u);
  EXPECT_EQ(inLibc.Own(), 0u);
  const auto ours = alloc_counter::CountIn([] {
    void* p = std::malloc(8);
    Keep(p);
    std::free(p);
    int* q = new int(2);
    Keep(q);
    delete q;
  });
  EXPECT_EQ(ours.Total(), 2u);
  EXPECT_EQ(ours.foreign, 0u);
  EXPECT_TRUE(alloc_counter::IsOwnCode(reinterpret_cast<const void*>(&alloc_counter::Arm)));
  EXPECT_FALSE(alloc_counter::IsOwnCode(reinterpret_cast<const void*>(&strdup)));
}

TEST(AllocCounter, NothingIsCountedWhileDisarmed) {
  alloc_counter::Arm();
  alloc_counter::Disarm();
  auto p = std::make_unique<int>(3);
  Keep(p.get());
  EXPECT_EQ(alloc_counter::Peek().Total(), 0u);
}

TEST(AllocCounter, OtherThreadsAreNotCounted) {
  alloc_counter::Arm();
  std::thread t([] {
    for (int i = 0; i < 100; ++i) Keep(std::make_unique<int>(i).get());
  });
  const auto whileRunning = alloc_counter::Peek();
  t.join();
  const auto counts = alloc_counter::Disarm();
  // Starting the thread itself may allocate here (its state and stack); the
  // hundred allocations it makes must not show.
  EXPECT_LT(counts.Total(), 10u);
  EXPECT_LE(whileRunning.Total(), counts.Total());
}

TEST(AllocCounter, ArmStartsFromZero) {
  alloc_counter::Arm();
  Keep(std::make_unique<int>(1).get());
  alloc_counter::Arm();
  EXPECT_EQ(alloc_counter::Disarm().Total(), 0u);
}

}  // namespace
