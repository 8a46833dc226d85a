// The library as a host sees it: its export table, the served script and the
// dispatch of page calls by module and method name.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "TestHost.h"

namespace {

// Names in the export directory of a loaded module.
std::vector<std::string> ExportNames(HMODULE module) {
  const auto* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  std::vector<std::string> result;
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) result.emplace_back(reinterpret_cast<const char*>(base + names[i]));
  return result;
}

TEST(Exports, ExactlyTheThreeUndecoratedNames) {
  TTestHost host;
  ASSERT_TRUE(host.Loaded());
  EXPECT_EQ(ExportNames(host.Library()),
            (std::vector<std::string>{"NativeLoadResource", "NativeMethod", "NativeResourceRequire"}));
}

TEST(Exports, NativeMethodReturnsTheSameAddressAndObject) {
  TTestHost host;
  INativeMethods** first = host.NativeAddress();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(*first, nullptr);
  EXPECT_EQ(host.NativeAddress(), first);
  void* implementor = nullptr;
  ASSERT_EQ((*first)->GetImplementor(&implementor), S_OK);
  void* again = nullptr;
  (*host.NativeAddress())->GetImplementor(&again);
  EXPECT_EQ(implementor, again);
}

TEST(Exports, NativeMethodsAnswersBothIdentifiers) {
  TTestHost host;
  INativeMethods* native = host.Native();
  ASSERT_NE(native, nullptr);
  for (const IID& iid : {IID_INativeMethods, IID_INativeMethodsAlt, IID_IUnknown}) {
    void* object = nullptr;
    ASSERT_EQ(native->QueryInterface(iid, &object), S_OK);
    EXPECT_EQ(object, static_cast<void*>(native));
    static_cast<IUnknown*>(object)->Release();
  }
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(native->QueryInterface(__uuidof(IWebContext), &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
}

TEST(Exports, DebugModeThroughTheServiceObjectAndPages) {
  TTestHost host;
  INativeMethods* native = host.Native();
  ASSERT_NE(native, nullptr);
  BOOL mode = TRUE;
  ASSERT_EQ(native->GetDebugMode(&mode), S_OK);
  EXPECT_FALSE(mode);
  ASSERT_EQ(native->SetDebugMode(TRUE), S_OK);
  TCallOutcome get = host.Call(u"GetDebugMode");
  EXPECT_TRUE(get.returned);
  EXPECT_TRUE(get.response.Finished());
  EXPECT_EQ(get.response.resultKind, TResponseRecord::ResultKind::Boolean);
  EXPECT_TRUE(get.response.boolean);

  // The flag is true exactly for "true".
  for (const char16_t* text : {u"True", u"1", u"", u"yes", u"true "}) {
    SCOPED_TRACE(ToUtf8(text));
    host.Call(u"SetDebugMode", {{u"mode", u"true"}});
    TCallOutcome set = host.Call(u"SetDebugMode", {{u"mode", text}});
    EXPECT_TRUE(set.response.Finished());
    EXPECT_EQ(set.response.resultKind, TResponseRecord::ResultKind::None);
    EXPECT_FALSE(host.Call(u"GetDebugMode").response.boolean);
  }
  host.Call(u"SetDebugMode", {});  // absent parameter
  ASSERT_EQ(native->GetDebugMode(&mode), S_OK);
  EXPECT_FALSE(mode);
}

TEST(Dispatch, NamesMatchWithoutRegardToCase) {
  TTestHost host;
  for (const auto& [module, method] : std::vector<std::pair<std::u16string, std::u16string>>{
           {u"methods", u"GetDebugMode"}, {u"METHODS", u"getdebugmode"}, {u"Methods", u"GETDEBUGMODE"}}) {
    SCOPED_TRACE(ToUtf8(module + u"." + method));
    TCallOutcome outcome = host.Call(method, {}, module);
    EXPECT_TRUE(outcome.returned);
    EXPECT_FALSE(outcome.flag);
    EXPECT_TRUE(outcome.response.Finished());
    EXPECT_EQ(outcome.response.finishCode, 0);
  }
  // Page calls of "methods" run on the host's main thread.
  EXPECT_EQ(host.RunMethodCalls(true), 3);
  EXPECT_EQ(host.RunMethodCalls(false), 0);
}

TEST(Dispatch, UnknownModulesAndMethodsAnswer404) {
  TTestHost host;
  struct Case {
    std::u16string module, method, message;
  };
  const std::u16string longName(300, u'x');
  for (const Case& c : std::vector<Case>{
           {u"nothing", u"GetDebugMode", u"[nothing] not found!"},
           {u"", u"GetDebugMode", u"[] not found!"},
           {u"methods", u"X", u"[methods] not found [X] method!"},
           {u"methods", u"", u"[methods] not found [] method!"},
           // Rows whose service is not built yet answer like unknown methods.
           {u"methods", u"RDKGetQbzInfo", u"[methods] not found [RDKGetQbzInfo] method!"},
           // An over-long name is cut to 255 characters before the lookup.
           {u"methods", longName, u"[methods] not found [" + longName.substr(0, 255) + u"] method!"},
           {u"methods", u"GetDebugMode" + std::u16string(300, u' '), u""},
       }) {
    SCOPED_TRACE(ToUtf8(c.module + u"." + c.method.substr(0, 40)));
    TCallOutcome outcome = host.Call(c.method, {}, c.module);
    EXPECT_FALSE(outcome.returned);
    EXPECT_FALSE(outcome.flag);
    EXPECT_EQ(outcome.response.ending, TResponseRecord::Ending::ErrorFmt);
    EXPECT_EQ(outcome.response.status, 404);
    if (!c.message.empty()) {
      EXPECT_EQ(outcome.response.message, c.message);
    }
  }
}

TEST(Dispatch, OnlyTheWholeNameFindsTheMethod) {
  TTestHost host;
  // The name's prefix is a method; the name is not.
  std::u16string name = u"GetDebugMode";
  EXPECT_TRUE(host.Call(name).returned);
  EXPECT_FALSE(host.Call(name + std::u16string(250, u'z')).returned);
}

TEST(Script, ServedWithTheUrlInPlaceOfThePlaceholder) {
  TTestHost host(L"KVNative.dll", u"http://127.0.0.1:9/base");
  TCallOutcome outcome = host.RequireScript();
  ASSERT_TRUE(outcome.returned);
  const TResponseRecord& r = outcome.response;
  EXPECT_TRUE(r.Finished());
  EXPECT_EQ(r.finishCode, 0);
  EXPECT_EQ(r.contentType, u"application/javascript");
  EXPECT_EQ(r.resultKind, TResponseRecord::ResultKind::String);
  EXPECT_EQ(r.text.find(u"%url%"), std::u16string::npos);
  EXPECT_NE(r.text.find(u"\"http://127.0.0.1:9/base\""), std::u16string::npos);
  EXPECT_NE(r.text.substr(0, 1), u"\uFEFF");
}

TEST(Unload, CallsAfterUnloadGoNowhere) {
  TTestHost host;
  INativeMethods* native = host.Native();
  ASSERT_NE(native, nullptr);
  host.Unload();
  EXPECT_FALSE(host.Loaded());
  EXPECT_FALSE(host.Call(u"GetDebugMode").returned);
}

}  // namespace
