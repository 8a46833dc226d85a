#include "MemStore.h"

TMemStore::TMemStore() : root_(NewJsonObject()) {}

std::u16string TMemStore::Get(std::u16string_view path) {
  const IJsonValuePtr value = root_->GetValueByPath(path);
  std::u16string text = value ? value->GetAsString() : std::u16string();
  return text.empty() ? std::u16string(kMemStoreUndefined) : text;
}

bool TMemStore::Set_(std::u16string_view path, std::u16string_view value) {
  if (path.empty()) return false;
  if (value.empty()) {
    Remove(path);
    return true;
  }
  const IJsonValuePtr text = NewJsonValue();
  text->SetAsString(value);
  root_->SetValueByPath(path, text.get());
  return true;
}

void TMemStore::Remove(std::u16string_view path) {
  IJsonObjectPtr parent = root_;
  for (size_t dot = path.find(u'.'); dot != std::u16string_view::npos; dot = path.find(u'.')) {
    const IJsonValuePtr member = parent->GetValue(path.substr(0, dot));
    if (!member || member->GetKind() != jvObject) return;
    parent = member->GetAsObject();
    path.remove_prefix(dot + 1);
  }
  parent->Remove(path);
}
