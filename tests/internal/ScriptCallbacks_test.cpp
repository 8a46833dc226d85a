// Page callbacks as services use them: what reaches the host's CallFunction
// for each kind of argument, names that never reach it, callables without
// a function, the thread of the call, and the callbacks the web methods
// make for each parameter kind.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "NativeError.h"
#include "ScriptCallbacks_win.h"
#include "TestHost.h"
#include "WebMethodTable.h"
#include "WebNativeMeths_win.h"

namespace {

TVariant Null() {
  TVariant v;
  v.put()->vt = VT_NULL;
  return v;
}

TVariant Double(double value) {
  TVariant v;
  VARIANT* slot = v.put();
  slot->vt = VT_R8;
  slot->dblVal = value;
  return v;
}

TCallArg Script(std::u16string text) { return {TCallArg::Kind::Script, false, std::move(text)}; }
TCallArg String(std::u16string text) { return {TCallArg::Kind::String, false, std::move(text)}; }
TCallArg Boolean(bool value) { return {TCallArg::Kind::Boolean, value, {}}; }

std::string Describe(const std::vector<TCallArg>& args) {
  std::string out;
  for (const TCallArg& a : args) {
    static const char* const kinds[] = {"Boolean", "String", "Script", "Other"};
    out += std::string(kinds[static_cast<int>(a.kind)]) + "(" +
           (a.kind == TCallArg::Kind::Boolean ? (a.boolean ? "true" : "false") : ToUtf8(a.text)) + ") ";
  }
  return out;
}

bool SameArgs(const std::vector<TCallArg>& a, const std::vector<TCallArg>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].kind != b[i].kind || a[i].text != b[i].text ||
        (a[i].kind == TCallArg::Kind::Boolean && a[i].boolean != b[i].boolean)) {
      return false;
    }
  }
  return true;
}

struct TCallbackCase {
  const char* label;
  int arguments;  // 1 or 2: which page callback
  std::vector<TVariant> args;
  std::vector<TCallArg> reaches;
};

TEST(ScriptCallbacks, WhatReachesThePage) {
  TTestHost host(L"");
  const std::vector<TCallbackCase> cases = {
      {"JSON object", 1, {TVariant(u"{\"a\":1}")}, {Script(u"{\"a\":1}")}},
      {"integer", 1, {TVariant(int32_t{42})}, {Script(u"42")}},
      {"float in invariant form", 1, {Double(1.5)}, {Script(u"1.5")}},
      {"Boolean", 1, {TVariant(true)}, {Script(u"true")}},
      {"empty text", 1, {TVariant(u"")}, {Script(u"")}},
      {"null", 1, {Null()}, {Script(u"")}},
      {"empty", 1, {TVariant()}, {Script(u"")}},
      {"true and an object", 2, {TVariant(true), TVariant(u"{\"a\":1}")}, {Boolean(true), Script(u"{\"a\":1}")}},
      {"two strings", 2, {TVariant(u"ok"), TVariant(u"plain")}, {String(u"ok"), String(u"plain")}},
      {"false and an array", 2, {TVariant(false), TVariant(u"[1,2]")}, {Boolean(false), Script(u"[1,2]")}},
      {"empty second text", 2, {TVariant(true), TVariant(u"")}, {Boolean(true), String(u"")}},
      {"brace without its match", 2, {TVariant(u"x"), TVariant(u"{abc")}, {String(u"x"), String(u"{abc")}},
      {"mixed brackets", 2, {TVariant(u"x"), TVariant(u"{1]")}, {String(u"x"), String(u"{1]")}},
      {"a lone brace", 2, {TVariant(u"x"), TVariant(u"{")}, {String(u"x"), String(u"{")}},
      {"number first", 2, {TVariant(int32_t{5}), TVariant(u"[]")}, {String(u"5"), Script(u"[]")}},
      {"null first", 2, {Null(), TVariant(int32_t{7})}, {String(u""), String(u"7")}},
  };
  for (const TCallbackCase& c : cases) {
    SCOPED_TRACE(c.label);
    host.ClearFunctionCalls();
    const TVariant callable = c.arguments == 1 ? MakePageCallback(host.Context(), u"pageFn")
                                               : MakePageCallback2(host.Context(), u"pageFn");
    ASSERT_EQ(callable.vt(), VT_DISPATCH);
    const TVariant result = CallCallback(callable.get(), c.args);
    EXPECT_TRUE(result.Empty());
    const auto calls = host.FunctionCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].name, u"pageFn");
    EXPECT_TRUE(SameArgs(calls[0].args, c.reaches)) << Describe(calls[0].args) << "\nexpected " << Describe(c.reaches);
    EXPECT_EQ(calls[0].threadId, GetCurrentThreadId());
  }
}

TEST(ScriptCallbacks, UnusableNamesNeverReachTheHost) {
  TTestHost host(L"");
  for (const char16_t* name : {u"", u"null", u"undefined"}) {
    SCOPED_TRACE(ToUtf8(name));
    // Not even a wrong argument count is checked for them.
    CallCallback(MakePageCallback(host.Context(), name), {TVariant(u"{}")});
    CallCallback(MakePageCallback(host.Context(), name), {});
    CallCallback(MakePageCallback2(host.Context(), name), {TVariant(true), TVariant(u"{}")});
  }
  EXPECT_TRUE(host.FunctionCalls().empty());
  // Names are compared exactly.
  CallCallback(MakePageCallback(host.Context(), u"Null"), {TVariant(u"1")});
  CallCallback(MakePageCallback(host.Context(), u" undefined"), {TVariant(u"1")});
  EXPECT_EQ(host.FunctionCalls().size(), 2u);
}

TEST(ScriptCallbacks, CallablesWithoutAFunctionCallNothing) {
  TVariant missing;
  VARIANT* slot = missing.put();
  slot->vt = VT_ERROR;
  slot->scode = DISP_E_PARAMNOTFOUND;
  for (const TVariant& callable : {TVariant(), Null(), missing, TVariant(int32_t{3}), TVariant(u"pageFn"),
                                   TVariant(static_cast<IDispatch*>(nullptr))}) {
    SCOPED_TRACE(callable.vt());
    TVariant result(u"marker");
    EXPECT_NO_THROW(result = CallCallback(callable, {TVariant(u"x")}));
    EXPECT_TRUE(result.Empty());
  }
}

TEST(ScriptCallbacks, WrongArgumentCountsRaise) {
  TTestHost host(L"");
  struct Case {
    TVariant callable;
    std::vector<TVariant> args;
    const char16_t* message;
  };
  const std::vector<Case> cases = {
      {MakePageCallback(host.Context(), u"f"), {}, u"TMyAnonymousFunction.Call requires exactly one argument"},
      {MakePageCallback(host.Context(), u"f"),
       {TVariant(u"a"), TVariant(u"b")},
       u"TMyAnonymousFunction.Call requires exactly one argument"},
      {MakePageCallback2(host.Context(), u"f"), {TVariant(true)}, u"TMyAnonymousFunction2.Call requires exactly two arguments"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.message));
    try {
      CallCallback(c.callable.get(), c.args);
      ADD_FAILURE() << "no error";
    } catch (const ENativeError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  EXPECT_TRUE(host.FunctionCalls().empty());
}

TEST(ScriptCallbacks, CalledOnTheCallingThread) {
  TTestHost host(L"");
  const TVariant callable = MakePageCallback(host.Context(), u"onProgress");
  DWORD caller = 0;
  std::thread([&] {
    caller = GetCurrentThreadId();
    CallCallback(callable, {TVariant(u"{\"p\":1}")});
  }).join();
  const auto calls = host.FunctionCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].threadId, caller);
}

// The callbacks TWebCall makes for each callback kind of the method table.
TEST(ScriptCallbacks, WebCallMakesTheRowsCallbackKinds) {
  TTestHost host(L"");
  struct Case {
    const char16_t* method;
    const char16_t* param;
    const char16_t* name;
    bool callable;
    std::vector<TVariant> args;
    bool reaches;
  };
  const std::vector<Case> cases = {
      {u"Download", u"onDone", u"done", true, {TVariant(u"{}")}, true},
      {u"Download", u"onDone", u"undefined", true, {TVariant(u"{}")}, false},
      {u"PostMultipartFormData", u"onDone", u"done2", true, {TVariant(true), TVariant(u"x")}, true},
      {u"PostMultipartFormData", u"onDone", u"", true, {TVariant(true), TVariant(u"x")}, false},
      {u"RDKOnPullOut", u"callback", u"pulled", true, {TVariant(u"{}")}, true},
      {u"RDKOnPullOut", u"callback", u"null", false, {}, false},
      {u"WebFormOnGetMessage", u"callback", u"message", true, {TVariant(u"m"), TVariant(u"[]")}, true},
      {u"WebFormOnGetMessage", u"callback", u"undefined", false, {}, false},
      {u"WebFormOnGetMessage", u"callback", u"", false, {}, false},
  };
  TWebMethods module;
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(std::u16string(c.method) + u"." + c.param + u"=" + c.name));
    host.ClearFunctionCalls();
    TVariant callable;
    host.Invoke(
        [&](IWebContext* context, IWebRequest* request, IWebResponse* response, BOOL*) {
          TWebCall call(*FindWebMethodRow(c.method), module, context, request, response);
          callable = call.Callback(c.param);
          return TRUE;
        },
        c.method, {{c.param, c.name}});
    EXPECT_EQ(callable.vt(), c.callable ? VT_DISPATCH : VT_EMPTY);
    CallCallback(callable.get(), c.args);
    const auto calls = host.FunctionCalls();
    ASSERT_EQ(calls.size(), c.reaches ? 1u : 0u);
    if (c.reaches) {
      EXPECT_EQ(calls[0].name, c.name);
      EXPECT_EQ(calls[0].args.size(), c.args.size());
    }
  }
}

}  // namespace
