// The loader, with a probe module of our own: DllMain on first load and last
// free, module names and file names, exports, and the stand-in answering for
// the platform's COM library.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform.h"
#include "standin_hooks.h"

namespace {

struct DllMainCall {
  HINSTANCE instance;
  DWORD reason;
};

std::vector<DllMainCall> probeCalls;
BOOL probeAttachAnswer = TRUE;

}  // namespace

extern "C" __attribute__((visibility("default"))) BOOL LoaderProbeNotified(HINSTANCE instance, DWORD reason) {
  probeCalls.push_back({instance, reason});
  return reason == DLL_PROCESS_ATTACH ? probeAttachAnswer : TRUE;
}

namespace {

const std::string kProbePath = std::filesystem::canonical(LOADER_PROBE_PATH).string();
const std::string kProbeName = std::filesystem::path(kProbePath).filename().string();

template <class Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

std::string FileNameOf(HMODULE module) {
  char path[1024];
  const DWORD length = GetModuleFileNameA(module, path, sizeof(path));
  return std::string(path, length);
}

class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    probeCalls.clear();
    probeAttachAnswer = TRUE;
  }
};

TEST_F(LoaderTest, AttachOnFirstLoadAndDetachOnLastFree) {
  HMODULE first = LoadLibraryA(kProbePath.c_str());
  ASSERT_NE(first, nullptr);
  HMODULE second = LoadLibraryA(kProbePath.c_str());
  EXPECT_EQ(second, first);
  ASSERT_EQ(probeCalls.size(), 1u);
  EXPECT_EQ(probeCalls[0].reason, static_cast<DWORD>(DLL_PROCESS_ATTACH));
  EXPECT_EQ(probeCalls[0].instance, first);

  auto counter = Export<LONG (*)()>(first, "ProbeCounter");
  ASSERT_NE(counter, nullptr);
  EXPECT_EQ(counter(), 1);
  EXPECT_EQ(GetModuleHandleA(kProbeName.c_str()), first);
  EXPECT_EQ(GetModuleHandleA(kProbePath.c_str()), first);
  EXPECT_EQ(FileNameOf(first), kProbePath);

  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_EQ(probeCalls.size(), 1u) << "one load is left";
  EXPECT_EQ(counter(), 2);
  EXPECT_TRUE(FreeLibrary(second));
  ASSERT_EQ(probeCalls.size(), 2u);
  EXPECT_EQ(probeCalls[1].reason, static_cast<DWORD>(DLL_PROCESS_DETACH));
  EXPECT_EQ(probeCalls[1].instance, first);

  EXPECT_EQ(GetModuleHandleA(kProbeName.c_str()), nullptr);
  EXPECT_EQ(GetModuleFileNameA(first, nullptr, 0), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(GetProcAddress(first, "ProbeCounter"), nullptr);
  EXPECT_FALSE(FreeLibrary(first));
}

TEST_F(LoaderTest, ALoadAfterTheLastFreeIsAFreshCopy) {
  HMODULE module = LoadLibraryA(kProbePath.c_str());
  Export<LONG (*)()>(module, "ProbeCounter")();
  FreeLibrary(module);
  module = LoadLibraryA(kProbePath.c_str());
  EXPECT_EQ(Export<LONG (*)()>(module, "ProbeCounter")(), 1);
  FreeLibrary(module);
  EXPECT_EQ(probeCalls.size(), 4u);
}

TEST_F(LoaderTest, RefusedAttachIsFollowedByDetachAndFailsTheLoad) {
  probeAttachAnswer = FALSE;
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA(kProbePath.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
  ASSERT_EQ(probeCalls.size(), 2u);
  EXPECT_EQ(probeCalls[1].reason, static_cast<DWORD>(DLL_PROCESS_DETACH));
  EXPECT_EQ(GetModuleHandleA(kProbeName.c_str()), nullptr);

  probeAttachAnswer = TRUE;
  HMODULE module = LoadLibraryA(kProbePath.c_str());
  EXPECT_NE(module, nullptr);
  FreeLibrary(module);
}

TEST_F(LoaderTest, ConcurrentLoadsAndFreesPairAttachWithDetach) {
  auto loadAndFree = [](LPVOID) -> DWORD {
    for (int round = 0; round < 200; ++round) {
      HMODULE module = LoadLibraryA(kProbePath.c_str());
      if (module == nullptr || GetProcAddress(module, "ProbeCounter") == nullptr) {
        return 1;
      }
      FreeLibrary(module);
    }
    return 0;
  };
  HANDLE threads[] = {CreateThread(nullptr, 0, loadAndFree, nullptr, 0, nullptr),
                      CreateThread(nullptr, 0, loadAndFree, nullptr, 0, nullptr)};
  for (HANDLE thread : threads) {
    WaitForSingleObject(thread, INFINITE);
    DWORD failed = 1;
    GetExitCodeThread(thread, &failed);
    EXPECT_EQ(failed, 0u);
    CloseHandle(thread);
  }
  // DllMain runs under the loader lock, so the calls form a clean sequence.
  ASSERT_FALSE(probeCalls.empty());
  for (size_t at = 0; at < probeCalls.size(); ++at) {
    EXPECT_EQ(probeCalls[at].reason, static_cast<DWORD>(at % 2 == 0 ? DLL_PROCESS_ATTACH : DLL_PROCESS_DETACH));
  }
  EXPECT_EQ(probeCalls.size() % 2, 0u);
}

TEST_F(LoaderTest, FilesThatCannotBeLoaded) {
  const std::string notALibrary = testing::TempDir() + "/not_a_library.so";
  std::ofstream(notALibrary) << "plain text";
  struct Case {
    std::string path;
    DWORD error;
  };
  const Case cases[] = {{"/no/such/module.so", ERROR_MOD_NOT_FOUND},
                        {"no_such_module.so", ERROR_MOD_NOT_FOUND},
                        {notALibrary, ERROR_BAD_EXE_FORMAT}};
  for (const Case& given : cases) {
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA(given.path.c_str()), nullptr) << given.path;
    EXPECT_EQ(GetLastError(), given.error) << given.path;
  }
  EXPECT_EQ(probeCalls.size(), 0u);
  std::remove(notALibrary.c_str());
}

TEST_F(LoaderTest, ModuleFileNameCutsToTheBufferLikeThePlatform) {
  HMODULE module = LoadLibraryA(kProbePath.c_str());
  const DWORD length = static_cast<DWORD>(kProbePath.size());
  struct Case {
    DWORD size;
    DWORD result;
    DWORD error;  // 0: not set
  };
  const Case cases[] = {{length + 1, length, 0},
                        {length, length, ERROR_INSUFFICIENT_BUFFER},
                        {5, 5, ERROR_INSUFFICIENT_BUFFER},
                        {1, 1, ERROR_INSUFFICIENT_BUFFER}};
  for (const Case& given : cases) {
    std::vector<char> buffer(given.size + 1, '#');
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(module, buffer.data(), given.size), given.result) << given.size;
    EXPECT_EQ(GetLastError(), given.error) << given.size;
    const size_t written = std::min<size_t>(given.size - 1, length);
    EXPECT_EQ(std::string(buffer.data()), kProbePath.substr(0, written)) << given.size;
    EXPECT_EQ(buffer[given.size], '#') << "wrote past the buffer";
  }
  FreeLibrary(module);

  EXPECT_EQ(FileNameOf(nullptr), std::filesystem::canonical("/proc/self/exe").string());
  EXPECT_EQ(FileNameOf(GetModuleHandleA(nullptr)), FileNameOf(nullptr));
  SetLastError(0);
  char path[16];
  EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(0x1234), path, sizeof(path)), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(LoaderTest, GetProcAddressFindsOnlyTheModulesOwnExports) {
  HMODULE module = LoadLibraryA(kProbePath.c_str());
  EXPECT_NE(GetProcAddress(module, "DllMain"), nullptr);
  for (const char* absent : {"ProbeUnexported", "NoSuchExport", "CoInitializeEx"}) {
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(module, absent), nullptr) << absent;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND)) << absent;
  }
  FreeLibrary(module);

  EXPECT_EQ(Export<BOOL (*)(HINSTANCE, DWORD)>(GetModuleHandleA(nullptr), "LoaderProbeNotified"), &LoaderProbeNotified);
  EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(0x1234), "DllMain"), nullptr);
}

TEST_F(LoaderTest, PlatformLibraryNamesResolveToTheStandIn) {
  HMODULE ole32 = GetModuleHandleA("ole32.dll");
  ASSERT_NE(ole32, nullptr);
  EXPECT_EQ(Export<HRESULT (*)(LPVOID, DWORD)>(ole32, "CoInitializeEx"), &CoInitializeEx);
  for (const char* name : {"OLE32.DLL", "ole32", "combase.dll", "Kernel32.dll"}) {
    EXPECT_EQ(GetModuleHandleA(name), ole32) << name;
  }
  EXPECT_EQ(LoadLibraryA("ole32.dll"), ole32);
  EXPECT_TRUE(FreeLibrary(ole32));
  EXPECT_NE(FileNameOf(ole32).find("standin"), std::string::npos);

  StandinHideModule("ole32.dll", TRUE);
  SetLastError(0);
  EXPECT_EQ(GetModuleHandleA("Ole32.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(GetModuleHandleA("combase.dll"), ole32);
  StandinHideModule("ole32.dll", FALSE);
  EXPECT_EQ(GetModuleHandleA("ole32.dll"), ole32);

  EXPECT_EQ(GetModuleHandleA("quartz.dll"), nullptr);
}

}  // namespace
