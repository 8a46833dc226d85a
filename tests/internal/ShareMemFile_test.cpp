// Named shared memory blocks with their events, within a process and across
// two.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "NativeError.h"
#include "NativePaths.h"
#include "NativePublic_win.h"
#include "NativeStrings.h"
#include "ShareMemFile_win.h"
#include "TestHost.h"
#include "WinText.h"

namespace {

// A name no other run uses.
std::u16string UniqueName(std::u16string_view stem) {
  return StrFormat(u"kvtest_%s_%u_%u", {stem, static_cast<unsigned>(GetCurrentProcessId()),
                                         static_cast<unsigned>(GetTickCount())});
}

// Runs the peer program and returns its exit code.
DWORD RunPeer(const std::u16string& arguments) {
  const std::u16string exe = ExtractFilePath(HostExecutablePath()) + u"sharemem_peer.exe";
  std::u16string commandLine = u"\"" + exe + u"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(as_wcstr(exe.c_str()), as_wcstr(commandLine), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    ADD_FAILURE() << "CreateProcess: " << ToUtf8(SystemErrorMessage(GetLastError()));
    return ~0u;
  }
  unique_handle processHandle(process.hProcess), threadHandle(process.hThread);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
  DWORD code = ~0u;
  GetExitCodeProcess(process.hProcess, &code);
  return code;
}

TEST(ShareMemFile, AnotherProcessSeesTheBlockAndAnswers) {
  const std::u16string name = UniqueName(u"peer");
  const auto block = NewShareMemoryFile(name, kShareMemWrite, 10240);
  ASSERT_FALSE(block->GetAlreadyExists());
  EXPECT_EQ(as_u16view(block->GetName()), name);
  EXPECT_EQ(block->GetSize(), 10240);
  // The event starts set; take it so that the peer's signal shows.
  EXPECT_TRUE(block->WaitFor(0));
  const std::u16string greeting = u"来自测试的问候";
  std::memcpy(block->GetMemory(), greeting.c_str(), (greeting.size() + 1) * sizeof(char16_t));

  EXPECT_EQ(RunPeer(name + u" 10240 " + greeting + u" 已收到"), 0u);

  EXPECT_EQ(std::u16string(static_cast<const char16_t*>(block->GetMemory())), u"已收到");
  EXPECT_TRUE(block->WaitFor(0));
}

TEST(ShareMemFile, NewBlockIsZeroedAndEventStartsSet) {
  const auto block = NewShareMemoryFile(UniqueName(u"event"), kShareMemWrite, 1024);
  const auto* bytes = static_cast<const unsigned char*>(block->GetMemory());
  EXPECT_EQ(std::count(bytes, bytes + 1024, 0), 1024);
  // Manual reset: set at creation, WaitFor takes it, the next waits in vain.
  EXPECT_TRUE(block->WaitFor(0));
  const DWORD start = GetTickCount();
  EXPECT_FALSE(block->WaitFor(200));
  EXPECT_GE(GetTickCount() - start, 150u);
  EXPECT_TRUE(block->Signal());
  EXPECT_TRUE(block->WaitFor(0));
  EXPECT_EQ(WaitForSingleObject(block->GetEventHandle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST(ShareMemFile, SecondHolderInProcessSharesBytesAndEvent) {
  const std::u16string name = UniqueName(u"same");
  const auto first = NewShareMemoryFile(name, kShareMemWrite, 1024);
  std::memcpy(first->GetMemory(), "abc", 4);
  first->WaitFor(0);
  const auto second = NewShareMemoryFile(name, kShareMemWrite, 1024);
  EXPECT_TRUE(second->GetAlreadyExists());
  // Not zero-filled again: the first holder's bytes stay.
  EXPECT_STREQ(static_cast<const char*>(second->GetMemory()), "abc");
  EXPECT_FALSE(second->WaitFor(0));
  second->Signal();
  EXPECT_TRUE(first->WaitFor(0));
}

TEST(ShareMemFile, ViewProtectionFollowsTheAccessFlags) {
  struct Case {
    DWORD access;
    DWORD protection;
  };
  const Case cases[] = {
      {kShareMemWrite, PAGE_READWRITE},
      {kShareMemWrite | kShareMemRead, PAGE_READWRITE},
      {kShareMemRead, PAGE_READONLY},
      {kShareMemCopy, PAGE_WRITECOPY},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.access);
    const auto block = NewShareMemoryFile(UniqueName(u"access"), c.access, 4096);
    MEMORY_BASIC_INFORMATION info{};
    ASSERT_NE(VirtualQuery(block->GetMemory(), &info, sizeof(info)), 0u);
    EXPECT_EQ(info.Protect, c.protection);
  }
}

TEST(ShareMemFile, TagAndDataBelongToTheOwner) {
  const auto block = NewShareMemoryFile(UniqueName(u"tag"), kShareMemWrite, 64);
  EXPECT_EQ(block->GetTag(), 0);
  EXPECT_EQ(block->GetData(), nullptr);
  block->SetTag(42);
  const auto other = NewShareMemoryFile(UniqueName(u"data"), kShareMemWrite, 64);
  block->SetData(other.get());
  EXPECT_EQ(block->GetTag(), 42);
  EXPECT_EQ(block->GetData(), static_cast<IUnknown*>(other.get()));
  block->SetData(nullptr);
  EXPECT_EQ(block->GetData(), nullptr);
}

TEST(ShareMemFile, FailuresCarryTheSystemText) {
  EXPECT_EQ(ShareMemEventName(u"download_c:_a\\b\\c"), u"sharemem_download_c:_a_b_c");

  // The event's name has no backslash, the mapping's keeps it and names a
  // directory of objects that does not exist.
  try {
    NewShareMemoryFile(UniqueName(u"no\\such"), kShareMemWrite, 64);
    ADD_FAILURE() << "no error";
  } catch (const ENativeError& e) {
    EXPECT_EQ(e.Message(), SystemErrorMessage(ERROR_PATH_NOT_FOUND));
  }

  // An existing block smaller than asked for cannot be mapped at that size.
  const std::u16string name = UniqueName(u"small");
  const auto small = NewShareMemoryFile(name, kShareMemWrite, 4096);
  EXPECT_THROW(NewShareMemoryFile(name, kShareMemWrite, 1 << 20), ENativeError);
  const auto smaller = NewShareMemoryFile(name, kShareMemWrite, 100);
  EXPECT_TRUE(smaller->GetAlreadyExists());
  EXPECT_EQ(smaller->GetSize(), 100);
}

}  // namespace
