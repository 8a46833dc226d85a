#include <gtest/gtest.h>

#include "MemStore.h"

namespace {

const char16_t kRecord[] = u"{\"type\":\"string\",\"value\":\"税务 a=b;c\"}";

TEST(MemStore, PathsHoldTexts) {
  TMemStore store;
  EXPECT_EQ(store.Get(u"never.set"), kMemStoreUndefined);
  EXPECT_EQ(store.Get(u""), kMemStoreUndefined);

  EXPECT_TRUE(store.Set_(u"a.b", kRecord));
  EXPECT_EQ(store.Get(u"a.b"), kRecord);
  EXPECT_TRUE(store.Set_(u"a.b", u"{\"type\":\"integer\",\"value\":\"2\"}"));
  EXPECT_EQ(store.Get(u"a.b"), u"{\"type\":\"integer\",\"value\":\"2\"}");
  EXPECT_TRUE(store.Set_(u"top", kRecord));
  EXPECT_EQ(store.Get(u"top"), kRecord);
  // A member that holds members reads as their JSON text.
  EXPECT_EQ(store.Get(u"a"), u"{\"b\":\"{\\\"type\\\":\\\"integer\\\",\\\"value\\\":\\\"2\\\"}\"}");

  EXPECT_FALSE(store.Set_(u"", kRecord));
  EXPECT_FALSE(store.Set_(u"", u""));
}

TEST(MemStore, EmptyValuesRemove) {
  TMemStore store;
  store.Set_(u"x", kRecord);
  EXPECT_TRUE(store.Set_(u"x", u""));
  EXPECT_EQ(store.Get(u"x"), kMemStoreUndefined);

  // A nested member goes from its parent; its siblings stay.
  store.Set_(u"a.b.c", kRecord);
  store.Set_(u"a.b.d", kRecord);
  EXPECT_TRUE(store.Set_(u"a.b.c", u""));
  EXPECT_EQ(store.Get(u"a.b.c"), kMemStoreUndefined);
  EXPECT_EQ(store.Get(u"a.b.d"), kRecord);

  // Removing what is not there, also below a stored text, changes nothing.
  EXPECT_TRUE(store.Set_(u"none.such", u""));
  EXPECT_TRUE(store.Set_(u"a.b.d.deeper", u""));
  EXPECT_EQ(store.Get(u"a.b.d"), kRecord);
}

TEST(MemStore, PathThroughAStoredTextIsAnError) {
  TMemStore store;
  store.Set_(u"x", kRecord);
  EXPECT_THROW(store.Get(u"x.y"), EJsonException);
  EXPECT_THROW(store.Set_(u"x.y", kRecord), EJsonException);
  EXPECT_EQ(store.Get(u"x"), kRecord);
}

}  // namespace
