// The test program, which doubles as its own helper process:
//   --hold-file PATH READY RELEASE   keeps PATH open without sharing, sets
//                                    the event READY, waits for RELEASE
//   --read-guarded FIRST             reads the hostile resources from FIRST
//                                    on against a guard page, printing each
//                                    number first: the last one printed
//                                    before a crash names the culprit
//   --soak COUNT SEED                reads COUNT malformed resources drawn
//                                    from SEED against guard pages on both
//                                    sides; see Soak.h
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Helpers.h"
#include "Soak.h"

namespace {

int HoldFile(const char* path, const char* ready, const char* release) {
  const libinfo::UniqueFile file(::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 1;
  const libinfo::UniqueHandle readyEvent(::OpenEventA(EVENT_MODIFY_STATE, FALSE, ready));
  const libinfo::UniqueHandle releaseEvent(::OpenEventA(SYNCHRONIZE, FALSE, release));
  if (!readyEvent || !releaseEvent) return 2;
  ::SetEvent(readyEvent.get());
  return ::WaitForSingleObject(releaseEvent.get(), 60000) == WAIT_OBJECT_0 ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--hold-file") == 0) {
    return HoldFile(argv[2], argv[3], argv[4]);
  }
  if (argc == 3 && std::strcmp(argv[1], "--read-guarded") == 0) {
    return libinfo::testing::ReadHostileResourcesGuarded(std::atoi(argv[2]));
  }
  if (argc == 4 && std::strcmp(argv[1], "--soak") == 0) {
    return libinfo::testing::Soak(std::atoi(argv[2]),
                                  static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10)));
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
