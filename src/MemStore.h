// TMemStore: named texts that all pages of one host process share while the
// library is loaded, addressed by dotted paths into one JSON object. Pages
// store typed value records (JSON text) there; the store keeps them as text.
#pragma once

#include <string>
#include <string_view>

#include "JsonValue.h"

// The text of a path that holds nothing.
inline constexpr char16_t kMemStoreUndefined[] = u"{ \"type\": \"undefined\" }";

class TMemStore {
 public:
  TMemStore();

  // The text stored at `path`, or kMemStoreUndefined when there is none.
  // Members missing on the way are created, as the object's path access
  // does; a path through a stored text raises EJsonException.
  std::u16string Get(std::u16string_view path);
  // False for an empty path. An empty value removes the member at `path`
  // (a nested one from its parent; nothing is created for it); any other
  // value is stored as a string at `path`. True otherwise.
  bool Set_(std::u16string_view path, std::u16string_view value);

 private:
  void Remove(std::u16string_view path);

  IJsonObjectPtr root_;
};
