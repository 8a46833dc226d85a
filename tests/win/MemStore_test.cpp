// The memory store as pages reach it.
#include <gtest/gtest.h>

#include "TestHost.h"

namespace {

TEST(MemStore, TypedRecordsThroughPageCalls) {
  TTestHost host;
  TResponseRecord r = host.Call(u"GetMemStore", {{u"path", u"page.value"}}).response;
  EXPECT_TRUE(r.Finished());
  EXPECT_EQ(r.resultKind, TResponseRecord::ResultKind::Json);
  EXPECT_EQ(r.text, u"{ \"type\": \"undefined\" }");

  const std::u16string record = u"{\"type\":\"object\",\"value\":\"{\\\"a\\\":1}\"}";
  r = host.Call(u"SetMemStore", {{u"path", u"page.value"}, {u"value", record}}).response;
  EXPECT_TRUE(r.Finished());
  EXPECT_EQ(r.resultKind, TResponseRecord::ResultKind::Boolean);
  EXPECT_TRUE(r.boolean);
  r = host.Call(u"GetMemStore", {{u"path", u"page.value"}}).response;
  EXPECT_EQ(r.resultKind, TResponseRecord::ResultKind::Json);
  EXPECT_EQ(r.text, record);

  // Clearing, as the page's clear and falsy values do.
  EXPECT_TRUE(host.Call(u"SetMemStore", {{u"path", u"page.value"}}).response.boolean);
  EXPECT_EQ(host.Call(u"GetMemStore", {{u"path", u"page.value"}}).response.text, u"{ \"type\": \"undefined\" }");

  r = host.Call(u"SetMemStore", {{u"value", record}}).response;
  EXPECT_TRUE(r.Finished());
  EXPECT_FALSE(r.boolean);

  // A path through a stored text is the call's error.
  host.Call(u"SetMemStore", {{u"path", u"text"}, {u"value", record}});
  r = host.Call(u"GetMemStore", {{u"path", u"text.below"}}).response;
  EXPECT_EQ(r.ending, TResponseRecord::Ending::Error);
  EXPECT_EQ(r.message.rfind(u"[GetMemStore]", 0), 0u) << ToUtf8(r.message);
}

}  // namespace
