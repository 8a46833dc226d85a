// The node classes behind the JSON interfaces. Parsing is lazy and one level
// at a time: a node created from text keeps it as a run of a shared text
// block (pending) and splits it into children, which keep runs of the same
// block, only when it is first touched.
#include "JsonValue.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "FileBytes.h"
#include "JsonText.h"
#include "NativeStrings.h"
#include "TextConv.h"

namespace {

// A file's failure raised as the JSON error it is to the caller.
template <typename Call>
auto AsJsonError(Call call) {
  try {
    return call();
  } catch (const ENativeError& e) {
    throw EJsonException(e.Message());
  }
}

enum class TNodeClass : uint8_t { Value, Object, Array };

// The values of one parsed container level, allocated together: one
// allocation and one reference to the text block per level instead of one
// per value. The memory goes when the last of its values is freed.
// The slab lives in the block's arena.
struct TJsonSlab {
  std::atomic<int32_t> live;
  TJsonTextBlock* block;  // one reference while values live

  void Release() {
    if (live.fetch_sub(1, std::memory_order_acq_rel) == 1) block->Drop();
  }
};

class TJsonValue;
class TJsonObject;
class TJsonArray;

// Nodes whose last reference went away, destroyed one after the other so
// that freeing a deep tree never recurses.
class TDyingNodes {
 public:
  void Push(TJsonBase* node) {
    if (count_ < kInline) {
      inline_[count_++] = node;
    } else {
      more_.push_back(node);
    }
  }
  TJsonBase* Pop() {
    if (!more_.empty()) {
      TJsonBase* n = more_.back();
      more_.pop_back();
      return n;
    }
    return count_ ? inline_[--count_] : nullptr;
  }

 private:
  static constexpr int kInline = 16;
  TJsonBase* inline_[kInline];
  int count_ = 0;
  std::vector<TJsonBase*> more_;
};

[[noreturn]] void RaiseTooDeep(const char16_t* className) {
  RaiseJsonError(className, StrFormat(u"nesting deeper than %d levels", {kJsonMaxDepth}));
}

[[noreturn]] void RaiseValueTypeError(JsonKind current, JsonKind requested) {
  RaiseJsonError(u"TJsonValue",
                 StrFormat(u"value type error: %s to %s", {JsonKindName(current), JsonKindName(requested)}));
}

[[noreturn]] void RaiseAssignError(const char16_t* source, const char16_t* target) {
  RaiseJsonError(target, StrFormat(u"assign error: %s to %s", {source, target}));
}

std::u16string DecodeJsonBytes(std::string_view bytes, bool utf8Default) {
  if (bytes.size() >= 3) {
    const auto b0 = static_cast<unsigned char>(bytes[0]), b1 = static_cast<unsigned char>(bytes[1]),
               b2 = static_cast<unsigned char>(bytes[2]);
    if (b0 == 0xFF && b1 == 0xFE) return Utf16LeBytesToUtf16(bytes.substr(2));
    if (b0 == 0xEF && b1 == 0xBB && b2 == 0xBF) return Utf8ToUtf16(bytes.substr(3));
  }
  return utf8Default ? Utf8ToUtf16(bytes) : AnsiToUtf16(bytes);
}

}  // namespace

// The state every node has; the class behind GetNode().
class TJsonBase {
 public:
  explicit TJsonBase(TNodeClass cls) : cls_(cls) {}
  virtual ~TJsonBase() = default;

  TNodeClass cls() const { return cls_; }
  const char16_t* ClassName() const {
    switch (cls_) {
      case TNodeClass::Value: return u"TJsonValue";
      case TNodeClass::Object: return u"TJsonObject";
      case TNodeClass::Array: return u"TJsonArray";
    }
    return u"TJsonBase";
  }

  // ParseChars over a run of a shared block: clears the content first and
  // always ends parsed, without pending text.
  virtual void ParseText(const TJsonText& text) = 0;
  // The parsed node's text; depth counts the containers above it.
  virtual void WriteContent(TJsonWriter& writer, int depth) = 0;
  virtual void AssignFrom(TJsonBase* source, int depth) = 0;
  // Drops the references to children, handing those that die to `dying`.
  virtual void ReleaseChildren(TDyingNodes& dying) = 0;

  void EnsureParsed() {
    if (!parsed_) ParsePending();
  }
  void ParsePending() {
    TJsonText text = std::move(text_);
    parsed_ = true;
    if (!text.empty()) ParseText(text);
  }
  void WriteTo(TJsonWriter& writer, int depth) {
    if (!formatted_ && !parsed_) {
      writer.Append(text_.view());
      return;
    }
    EnsureParsed();
    WriteContent(writer, depth);
  }
  void Hold() { refs_.fetch_add(1, std::memory_order_relaxed); }
  void Drop() {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) Destroy(this);
  }
  // For ReleaseChildren: the reference goes, the node joins `dying` when it
  // was the last.
  static void DropInto(TJsonBase* node, TDyingNodes& dying) {
    if (node && node->refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) dying.Push(node);
  }
  static void Destroy(TJsonBase* node) {
    TDyingNodes dying;
    dying.Push(node);
    while (TJsonBase* n = dying.Pop()) {
      n->ReleaseChildren(dying);
      Free(n);
    }
  }
  static void Free(TJsonBase* node);

  std::atomic<int32_t> refs_{0};
  const TNodeClass cls_;
  bool formatted_ = false;
  bool parsed_ = true;
  JsonKind kind_ = jvNull;  // values only
  int32_t indent_ = 0;
  int32_t tag_ = 0;
  // Where the node's memory is: in a slab of values, in a block's arena (a
  // container parsed from it, holding one reference to it), or alone.
  TJsonSlab* slab_ = nullptr;
  TJsonTextBlock* home_ = nullptr;
  // Pending text while not parsed; for values, afterwards the string content.
  // Runs of the slab's block may be borrowed: the slab holds the block.
  TJsonText text_;
};

void TJsonBase::Free(TJsonBase* node) {
  TJsonSlab* slab = node->slab_;
  TJsonTextBlock* home = node->home_;
  void* memory = dynamic_cast<void*>(node);
  node->~TJsonBase();
  if (slab) {
    slab->Release();
  } else if (home) {
    home->Drop();
  } else {
    ::operator delete(memory);
  }
}

namespace {

// The operations of IJsonBase, shared by the three node classes.
template <class Intf>
class TJsonNode : public Intf, public TJsonBase {
 public:
  explicit TJsonNode(TNodeClass cls) : TJsonBase(cls) {}

  bool QueryInterface(const TJsonGuid& iid, void** out) override {
    if (iid == Intf::IID) {
      *out = static_cast<Intf*>(this);
    } else if (iid == IJsonBase::IID) {
      *out = static_cast<IJsonBase*>(this);
    } else {
      *out = nullptr;
      return false;
    }
    Hold();
    return true;
  }
  int32_t AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  int32_t Release() override {
    const int32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) Destroy(this);
    return left;
  }

  int32_t GetIndent() override { return indent_; }
  bool GetFormatted() override { return formatted_; }
  int32_t GetTag() override { return tag_; }
  void SetIndent(int32_t indent) override { indent_ = indent; }
  void SetFormatted(bool formatted) override { formatted_ = formatted; }
  void SetTag(int32_t tag) override { tag_ = tag; }
  TJsonBase* GetNode() override { return this; }

  void Parse(std::u16string_view text) override {
    const std::u16string_view t = TrimBlanks(text);
    if (t.size() < 2) return;
    ParseText(TJsonText::Copy(t));
  }
  void LoadFromStream(TJsonStream& stream, bool utf8Default) override {
    const int64_t size = stream.GetSize();
    std::string bytes(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    stream.SetPosition(0);
    bytes.resize(stream.Read(bytes.data(), bytes.size()));
    Parse(DecodeJsonBytes(bytes, utf8Default));
  }
  void LoadFromFile(std::u16string_view fileName, bool utf8Default) override {
    Parse(DecodeJsonBytes(AsJsonError([&] { return ReadFileBytes(fileName); }), utf8Default));
  }
  std::u16string ToJson() override {
    TJsonWriter writer;
    WriteTo(writer, cls_ == TNodeClass::Value ? 0 : 1);
    return writer.Take();
  }
  int32_t SaveToStream(TJsonStream& stream) override {
    const std::string bytes = Utf16ToUtf16LeBytes(ToJson());
    const int64_t position = stream.GetPosition();
    stream.Write(bytes.data(), bytes.size());
    const int64_t end = position + static_cast<int64_t>(bytes.size());
    if (stream.GetSize() > end) stream.SetSize(end);
    return static_cast<int32_t>(bytes.size());
  }
  void SaveToFile(std::u16string_view fileName, std::u16string_view encoding) override {
    // The encoding is checked first, so that a refused save leaves the file alone.
    std::string bytes;
    if (encoding.empty()) {
      bytes = Utf16ToAnsi(ToJson());
    } else if (encoding == u"utf-8" || encoding == u"utf8") {
      bytes = "\xEF\xBB\xBF" + Utf16ToUtf8(ToJson());
    } else if (encoding == u"unicode") {
      bytes = "\xFF\xFE" + Utf16ToUtf16LeBytes(ToJson());
    } else {
      RaiseJsonError(ClassName(), u"Can not support " + std::u16string(encoding) + u" encode!");
    }
    AsJsonError([&] { WriteFileBytes(fileName, bytes); });
  }
  void Assign(IJsonBase* source) override {
    AssignFrom(source ? source->GetNode() : nullptr, cls_ == TNodeClass::Value ? 0 : 1);
  }
  int32_t GetJsonLength() override { return static_cast<int32_t>(ToJson().size()); }
  std::u16string Escape(std::u16string_view text) override { return JsonEscape(text); }
  std::u16string EscapeChars(const char16_t* chars, int32_t count) override {
    return JsonEscape(std::u16string_view(chars, count > 0 ? count : 0));
  }
  std::u16string Unescape(std::u16string_view text) override { return JsonUnescape(text, ClassName()); }
  std::u16string UnescapeChars(const char16_t* chars, int32_t count) override {
    return JsonUnescape(std::u16string_view(chars, count > 0 ? count : 0), ClassName());
  }
  void SplitTopLevel(std::u16string_view text, char16_t separator, JsonSplitCallback callback,
                     void* context) override {
    SplitTopLevelChars(text.data(), text.data() + text.size(), callback, context, separator);
  }
  void SplitTopLevelChars(const char16_t* first, const char16_t* end, JsonSplitCallback callback, void* context,
                          char16_t separator) override {
    if (!first || end <= first) return;
    int32_t last = -1;
    std::u16string_view lastText;
    JsonWalkTopLevel(
        nullptr, first, end, separator, kJsonMaxDepth, ClassName(), std::u16string_view(first, end - first),
        [&](int32_t index, const char16_t* s, const char16_t* e) {
          last = index;
          lastText = std::u16string_view(s, e - s);
          callback(context, first, index, true, lastText);
        },
        nullptr);
    if (last >= 0) callback(context, first, last + 1, false, lastText);
  }
  bool IsObjectText(std::u16string_view text) override { return JsonIsObjectText(text); }
  bool IsArrayText(std::u16string_view text) override { return JsonIsArrayText(text); }
  bool IsStringText(std::u16string_view text) override { return JsonIsStringText(text); }
  bool IsNumberText(std::u16string_view text) override {
    double d;
    return JsonTryReadFloat(text, d);
  }
  bool IsBooleanText(std::u16string_view text) override { return JsonIsBooleanText(text); }
  bool IsNullText(std::u16string_view text) override { return JsonIsNullText(text); }
  JsonKind DetectKind(std::u16string_view text) override { return JsonDetectKind(text); }
};

class TJsonValue final : public TJsonNode<IJsonValue> {
 public:
  TJsonValue() : TJsonNode(TNodeClass::Value) {}
  // A value of a slab; the parent's reference comes with it.
  TJsonValue(TJsonSlab* slab, TJsonText pending) : TJsonNode(TNodeClass::Value) {
    refs_.store(1, std::memory_order_relaxed);
    slab_ = slab;
    parsed_ = pending.empty();
    text_ = std::move(pending);
  }
  ~TJsonValue() override { ClearContent(); }

  // IJsonValue
  JsonKind GetKind() override {
    EnsureParsed();
    return kind_;
  }
  IJsonArrayPtr GetAsArray() override;
  bool GetAsBoolean() override;
  int64_t GetAsInteger() override;
  double GetAsFloat() override;
  IJsonObjectPtr GetAsObject() override;
  std::u16string GetAsString() override;
  std::u16string GetAsRawString() override;
  JsonMethod GetAsMethod() override {
    EnsureParsed();
    return kind_ == jvMethod ? *method_ : JsonMethod();
  }
  bool IsNull() override {
    EnsureParsed();
    return kind_ == jvNull;
  }
  void SetAsArray(IJsonArray* array) override;
  void SetAsBoolean(bool value) override {
    EnsureParsed();
    ClearContent();
    kind_ = jvBoolean;
    bool_ = value;
  }
  void SetAsInteger(int64_t value) override {
    EnsureParsed();
    ClearContent();
    kind_ = jvInteger;
    int_ = value;
  }
  void SetAsFloat(double value) override {
    EnsureParsed();
    ClearContent();
    kind_ = jvFloat;
    float_ = value;
  }
  void SetAsObject(IJsonObject* object) override;
  void SetAsString(std::u16string_view text) override { SetText(jvString, TJsonText::Copy(text)); }
  void SetAsRawString(std::u16string_view escaped) override { SetText(jsRawString, TJsonText::Copy(escaped)); }
  void SetAsMethod(JsonMethod method) override {
    EnsureParsed();
    auto m = std::make_unique<JsonMethod>(std::move(method));
    ClearContent();
    kind_ = jvMethod;
    method_ = m.release();
  }
  void SetNull() override {
    EnsureParsed();
    ClearContent();
  }
  void Clear() override {
    ClearContent();
    parsed_ = true;
  }
  IJsonValuePtr Clone() override;
  bool IsKind(JsonKind kind) override {
    EnsureParsed();
    return kind_ == kind;
  }

  // TJsonBase
  void ParseText(const TJsonText& text) override;
  void WriteContent(TJsonWriter& writer, int depth) override;
  void AssignFrom(TJsonBase* source, int depth) override;
  void ReleaseChildren(TDyingNodes& dying) override {
    if (kind_ == jvObject || kind_ == jvArray) {
      DropInto(container_, dying);
      container_ = nullptr;
      kind_ = jvNull;
    }
  }

  // Releases the content and any pending text; kind null.
  void ClearContent() {
    switch (kind_) {
      case jvObject:
      case jvArray: container_->Drop(); break;
      case jvMethod: delete method_; break;
      default: break;
    }
    kind_ = jvNull;
    int_ = 0;
    text_.reset();
  }
  // Stores a container that already holds one reference for this value.
  void TakeContainer(JsonKind kind, TJsonBase* container) {
    ClearContent();
    kind_ = kind;
    container_ = container;
  }
  void SetText(JsonKind kind, TJsonText text) {
    EnsureParsed();
    ClearContent();
    kind_ = kind;
    text_ = std::move(text);
  }
  TJsonObject* Object() const;
  TJsonArray* Array() const;
  // The content of `source` (parsed), deep for containers.
  void CopyContentFrom(TJsonValue* source, int depth);

  union {
    int64_t int_ = 0;
    double float_;
    bool bool_;
    TJsonBase* container_;  // jvObject, jvArray: one reference
    JsonMethod* method_;    // jvMethod: owned
  };
};

// One member of an object, held by value in its object's list.
struct TJsonPair {
  TJsonText key;
  TJsonValue* value = nullptr;  // one reference; created on first need

  TJsonValue* Value() {
    if (!value) {
      value = new TJsonValue;
      value->Hold();
    }
    return value;
  }
};

// The values of one level parsed from `source`, in a new slab. Each is
// constructed from its pending run by make(slot, slab).
template <class Make>
void MakeSlab(const TJsonText& source, size_t count, Make&& make) {
  if (count == 0) return;
  constexpr size_t kHeader = (sizeof(TJsonSlab) + alignof(TJsonValue) - 1) / alignof(TJsonValue) * alignof(TJsonValue);
  TJsonTextBlock* block = source.block();
  void* memory = block->Allocate(kHeader + count * sizeof(TJsonValue));
  auto* slab = new (memory) TJsonSlab;
  slab->live.store(static_cast<int32_t>(count), std::memory_order_relaxed);
  slab->block = block;
  block->Hold();
  char* slots = static_cast<char*>(memory) + kHeader;
  for (size_t i = 0; i < count; ++i) make(slots + i * sizeof(TJsonValue), slab, i);
}

// A list with room for the items of one level on the stack.
template <class T, size_t N = 32>
class TScratch {
 public:
  void push_back(T item) {
    if (heap_.empty() && count_ < N) {
      inline_[count_++] = std::move(item);
      return;
    }
    if (heap_.empty()) {
      heap_.reserve(N * 4);
      for (size_t i = 0; i < count_; ++i) heap_.push_back(std::move(inline_[i]));
    }
    heap_.push_back(std::move(item));
  }
  size_t size() const { return heap_.empty() ? count_ : heap_.size(); }
  T& operator[](size_t i) { return heap_.empty() ? inline_[i] : heap_[i]; }

 private:
  T inline_[N];
  size_t count_ = 0;
  std::vector<T> heap_;
};

// The key index: bucket chains of (key, position).
class TJsonHash final : public IJsonHash {
 public:
  explicit TJsonHash(int32_t buckets) : buckets_(buckets > 0 ? static_cast<uint32_t>(buckets) : 1) {}
  ~TJsonHash() { Clear(); }

  bool QueryInterface(const TJsonGuid& iid, void** out) override {
    if (iid == IJsonHash::IID) {
      *out = static_cast<IJsonHash*>(this);
      AddRef();
      return true;
    }
    *out = nullptr;
    return false;
  }
  int32_t AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  int32_t Release() override {
    const int32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

  TJsonHashEntry** Find(std::u16string_view key) override {
    TJsonHashEntry** link = &Bucket(key);
    while (*link && (*link)->key != key) link = &(*link)->next;
    return link;
  }
  uint32_t HashOf(const char16_t* chars, int32_t count) override {
    uint32_t h = 0;
    for (int32_t i = 0; i < count; ++i) h = ((h << 2) | (h >> 30)) ^ chars[i];
    return h;
  }
  void Add(std::u16string_view key, int32_t value) override {
    TJsonHashEntry*& head = Bucket(key);
    head = new TJsonHashEntry{head, std::u16string(key), value};
  }
  void Clear() override {
    for (TJsonHashEntry*& head : table_) {
      while (TJsonHashEntry* e = head) {
        head = e->next;
        delete e;
      }
    }
    table_.clear();
  }
  void Remove(std::u16string_view key) override {
    TJsonHashEntry** link = Find(key);
    if (TJsonHashEntry* e = *link) {
      *link = e->next;
      delete e;
    }
  }
  bool Modify(std::u16string_view key, int32_t value) override {
    TJsonHashEntry* e = *Find(key);
    if (!e) return false;
    e->value = value;
    return true;
  }
  int32_t ValueOf(std::u16string_view key) override {
    const TJsonHashEntry* e = *Find(key);
    return e ? e->value : -1;
  }

 private:
  TJsonHashEntry*& Bucket(std::u16string_view key) {
    if (table_.empty()) table_.assign(buckets_, nullptr);
    return table_[HashOf(key.data(), static_cast<int32_t>(key.size())) % buckets_];
  }

  std::atomic<int32_t> refs_{0};
  uint32_t buckets_;
  std::vector<TJsonHashEntry*> table_;  // allocated on first use
};

class TJsonObject final : public TJsonNode<IJsonObject> {
 public:
  TJsonObject() : TJsonNode(TNodeClass::Object) {}
  explicit TJsonObject(TJsonText pending) : TJsonNode(TNodeClass::Object) {
    parsed_ = pending.empty();
    text_ = std::move(pending);
  }
  ~TJsonObject() override { ClearPairs(); }

  // IJsonObject
  int32_t GetCount() override {
    EnsureParsed();
    return static_cast<int32_t>(pairs_.size());
  }
  int32_t GetCapacity() override { return buckets_; }
  IJsonValuePtr GetValue(std::u16string_view key) override {
    TJsonValue* v = Found(key);
    return v ? IJsonValuePtr(v) : nullptr;
  }
  std::u16string GetKey(int32_t index) override { return std::u16string(PairAt(index).key.view()); }
  IJsonValuePtr GetValueAt(int32_t index) override { return PairAt(index).Value(); }
  bool GetAutoCreate() override { return autoCreate_; }
  IJsonArrayPtr GetArray(std::u16string_view key) override {
    TJsonValue* v = FoundOrCreated(key);
    return v ? v->GetAsArray() : nullptr;
  }
  bool GetBoolean(std::u16string_view key) override {
    TJsonValue* v = Found(key);
    return v ? v->GetAsBoolean() : false;
  }
  double GetFloat(std::u16string_view key) override {
    TJsonValue* v = Found(key);
    return v ? v->GetAsFloat() : 0;
  }
  int64_t GetInteger(std::u16string_view key) override {
    TJsonValue* v = Found(key);
    return v ? v->GetAsInteger() : 0;
  }
  IJsonObjectPtr GetObject(std::u16string_view key) override {
    TJsonValue* v = FoundOrCreated(key);
    return v ? v->GetAsObject() : nullptr;
  }
  std::u16string GetString(std::u16string_view key) override {
    TJsonValue* v = Found(key);
    return v ? v->GetAsString() : std::u16string();
  }
  std::u16string GetRawString(std::u16string_view key) override {
    TJsonValue* v = Found(key);
    return v ? v->GetAsRawString() : std::u16string();
  }
  JsonMethod GetMethod(std::u16string_view key) override {
    TJsonValue* v = Found(key);
    return v ? v->GetAsMethod() : JsonMethod();
  }
  IJsonValuePtr GetValueByPath(std::u16string_view path) override;
  PairParsedHandler GetOnPairParsed() override { return onPairParsed_ ? *onPairParsed_ : PairParsedHandler(); }
  void SetCapacity(int32_t buckets) override {
    if (buckets == buckets_ || buckets <= 64) return;
    buckets_ = buckets;
    index_.reset();
    pairs_.reserve(static_cast<size_t>(buckets < 65536 ? buckets : 65536));
  }
  void SetAutoCreate(bool autoCreate) override { autoCreate_ = autoCreate; }
  void SetValueAt(int32_t index, IJsonValue* value) override { PairAt(index).Value()->Assign(value); }
  void SetValue(std::u16string_view key, IJsonValue* value) override {
    if (TJsonValue* v = Found(key)) {
      v->Assign(value);
    } else if (autoCreate_) {
      AddValue(key, value);
    }
  }
  void SetArray(std::u16string_view key, IJsonArray* value) override {
    if (TJsonValue* v = FoundOrCreated(key)) v->SetAsArray(value);
  }
  void SetBoolean(std::u16string_view key, bool value) override {
    if (TJsonValue* v = FoundOrCreated(key)) v->SetAsBoolean(value);
  }
  void SetFloat(std::u16string_view key, double value) override {
    if (TJsonValue* v = FoundOrCreated(key)) v->SetAsFloat(value);
  }
  void SetInteger(std::u16string_view key, int64_t value) override {
    if (TJsonValue* v = FoundOrCreated(key)) v->SetAsInteger(value);
  }
  void SetObject(std::u16string_view key, IJsonObject* value) override {
    if (TJsonValue* v = FoundOrCreated(key)) v->SetAsObject(value);
  }
  void SetString(std::u16string_view key, std::u16string_view value) override {
    if (TJsonValue* v = FoundOrCreated(key)) v->SetAsString(value);
  }
  void SetRawString(std::u16string_view key, std::u16string_view value) override {
    if (TJsonValue* v = FoundOrCreated(key)) v->SetAsRawString(value);
  }
  void SetMethod(std::u16string_view key, JsonMethod value) override {
    if (TJsonValue* v = FoundOrCreated(key)) v->SetAsMethod(std::move(value));
  }
  void SetValueByPath(std::u16string_view path, IJsonValue* value) override;
  void SetOnPairParsed(PairParsedHandler handler) override {
    if (handler) {
      onPairParsed_ = std::make_unique<PairParsedHandler>(std::move(handler));
    } else {
      onPairParsed_.reset();
    }
  }
  std::u16string FormatTemplate(std::u16string_view templ, char16_t openChar, char16_t closeChar) override;
  IJsonValuePtr Add(std::u16string_view key) override { return AddPair(key); }
  int32_t AddBoolean(std::u16string_view key, bool value) override {
    AddPair(key)->SetAsBoolean(value);
    return LastPosition();
  }
  int32_t AddInteger(std::u16string_view key, int64_t value) override {
    AddPair(key)->SetAsInteger(value);
    return LastPosition();
  }
  int32_t AddFloat(std::u16string_view key, double value) override {
    AddPair(key)->SetAsFloat(value);
    return LastPosition();
  }
  int32_t AddString(std::u16string_view key, std::u16string_view value) override {
    AddPair(key)->SetAsString(value);
    return LastPosition();
  }
  int32_t AddMethod(std::u16string_view key, JsonMethod value) override {
    AddPair(key)->SetAsMethod(std::move(value));
    return LastPosition();
  }
  int32_t AddArray(std::u16string_view key, IJsonArray* value) override {
    AddPair(key)->SetAsArray(value);
    return LastPosition();
  }
  int32_t AddObject(std::u16string_view key, IJsonObject* value) override {
    AddPair(key)->SetAsObject(value);
    return LastPosition();
  }
  int32_t AddValue(std::u16string_view key, IJsonValue* value) override;
  IJsonValuePtr AddObjectText(std::u16string_view key, std::u16string_view text) override {
    TJsonValue* v = AddPair(key);
    IJsonValuePtr keep(v);
    v->GetAsObject()->Parse(text);
    return keep;
  }
  IJsonValuePtr AddArrayText(std::u16string_view key, std::u16string_view text) override {
    TJsonValue* v = AddPair(key);
    IJsonValuePtr keep(v);
    v->GetAsArray()->Parse(text);
    return keep;
  }
  IJsonValuePtr Insert(int32_t index, std::u16string_view key) override;
  void Merge(IJsonObject* other) override;
  int32_t IndexOf(std::u16string_view key) override {
    EnsureParsed();
    return Lookup(key);
  }
  void Delete(int32_t index) override;
  int32_t Remove(std::u16string_view key) override {
    const int32_t index = IndexOf(key);
    if (index >= 0) Delete(index);
    return index;
  }
  void Clear() override {
    ClearPairs();
    text_.reset();
    parsed_ = true;
  }
  void CallMethod(std::u16string_view key, IJsonValue* params, void* a, void* b) override {
    const JsonMethod method = GetMethod(key);
    if (!method) RaiseJsonError(ClassName(), u"Method [" + std::u16string(key) + u"] not exist in JsonObject!");
    method(a, params, b);
  }
  void CallMethodText(std::u16string_view key, std::u16string_view paramsText, void* a, void* b) override {
    CallMethod(key, NewJsonValue(paramsText), a, b);
  }

  // TJsonBase
  void ParseText(const TJsonText& text) override;
  void WriteContent(TJsonWriter& writer, int depth) override;
  void AssignFrom(TJsonBase* source, int depth) override;
  void ReleaseChildren(TDyingNodes& dying) override {
    for (TJsonPair& pair : pairs_) {
      DropInto(pair.value, dying);
      pair.value = nullptr;
    }
    pairs_.clear();
  }

  TJsonPair& PairAt(int32_t index) {
    EnsureParsed();
    if (index < 0 || static_cast<size_t>(index) >= pairs_.size()) RaiseJsonListIndexError(index);
    return pairs_[index];
  }
  // The value of the key (parsing this object first), or nullptr.
  TJsonValue* Found(std::u16string_view key) {
    EnsureParsed();
    const int32_t index = Lookup(key);
    return index >= 0 ? pairs_[index].Value() : nullptr;
  }
  TJsonValue* FoundOrCreated(std::u16string_view key) {
    if (TJsonValue* v = Found(key)) return v;
    return autoCreate_ ? AddPair(key) : nullptr;
  }
  // Appends a member holding a new null value and returns the value.
  TJsonValue* AddPair(std::u16string_view key) { return AddPair(TJsonText::Copy(key)); }
  TJsonValue* AddPair(TJsonText key) {
    EnsureParsed();
    TJsonPair pair{std::move(key), nullptr};
    TJsonValue* v = pair.Value();
    Append(std::move(pair));
    return v;
  }
  void Append(TJsonPair&& pair) {
    try {
      pairs_.push_back(std::move(pair));
    } catch (...) {
      if (pair.value) pair.value->Drop();
      throw;
    }
    if (index_ && indexValid_) index_->Add(pairs_.back().key.view(), LastPosition());
  }
  int32_t LastPosition() const { return static_cast<int32_t>(pairs_.size()) - 1; }
  // Position of the key; with duplicates the last one. Small objects are
  // searched from the back, which finds what the index would.
  int32_t Lookup(std::u16string_view key) {
    const int32_t n = static_cast<int32_t>(pairs_.size());
    if (n <= kLinearLookup) {
      for (int32_t i = n - 1; i >= 0; --i) {
        if (pairs_[i].key.view() == key) return i;
      }
      return -1;
    }
    if (!index_ || !indexValid_) RebuildIndex();
    return index_->ValueOf(key);
  }
  void RebuildIndex() {
    // Bucket counts far beyond any member count only cost memory.
    index_ = std::make_unique<TJsonHash>(buckets_ < (1 << 20) ? buckets_ : (1 << 20));
    for (size_t i = 0; i < pairs_.size(); ++i) index_->Add(pairs_[i].key.view(), static_cast<int32_t>(i));
    indexValid_ = true;
  }
  void ClearPairs() {
    std::vector<TJsonPair> pairs;
    pairs.swap(pairs_);
    index_.reset();
    indexValid_ = false;
    for (TJsonPair& pair : pairs) {
      if (pair.value) pair.value->Drop();
    }
    pairs.clear();
    source_.reset();
  }
  // Builds the members of parsed text: one slab for their values.
  struct TParsedMember {
    TJsonText key;
    const char16_t* value;
    const char16_t* valueEnd;
  };
  void AddParsedMembers(const TJsonText& text, TScratch<TParsedMember>& members);
  void MergeFrom(TJsonObject* other, int depth);

  static constexpr int32_t kLinearLookup = 8;
  std::vector<TJsonPair> pairs_;
  TJsonText source_;  // the parsed text, whose runs the keys borrow
  int32_t buckets_ = 1024;
  bool autoCreate_ = true;
  bool indexValid_ = false;
  std::unique_ptr<TJsonHash> index_;  // built on the first lookup that needs it
  std::unique_ptr<PairParsedHandler> onPairParsed_;
};

class TJsonArray final : public TJsonNode<IJsonArray> {
 public:
  TJsonArray() : TJsonNode(TNodeClass::Array) {}
  explicit TJsonArray(TJsonText pending) : TJsonNode(TNodeClass::Array) {
    parsed_ = pending.empty();
    text_ = std::move(pending);
  }
  ~TJsonArray() override { ClearItems(); }

  // IJsonArray
  int32_t GetCapacity() override { return capacity_; }
  IJsonValuePtr Find(std::u16string_view key, std::u16string_view text) override {
    const int32_t index = IndexOf(text, key, true);
    return index >= 0 ? IJsonValuePtr(items_[index]) : nullptr;
  }
  IJsonValuePtr GetItem(int32_t index) override { return Item(index); }
  int32_t GetCount() override {
    EnsureParsed();
    return Count();
  }
  IJsonArrayPtr GetArray(int32_t index) override { return Item(index)->GetAsArray(); }
  bool GetBoolean(int32_t index) override { return Item(index)->GetAsBoolean(); }
  double GetFloat(int32_t index) override { return Item(index)->GetAsFloat(); }
  int64_t GetInteger(int32_t index) override { return Item(index)->GetAsInteger(); }
  IJsonObjectPtr GetObject(int32_t index) override { return Item(index)->GetAsObject(); }
  std::u16string GetString(int32_t index) override { return Item(index)->GetAsString(); }
  JsonMethod GetMethod(int32_t index) override { return Item(index)->GetAsMethod(); }
  void SetCapacity(int32_t capacity) override {
    EnsureParsed();
    if (capacity < Count()) {
      throw EJsonException(StrFormat(u"List capacity out of bounds (%d)", {capacity}));
    }
    capacity_ = capacity;
  }
  void SetItem(int32_t index, IJsonValue* value) override { Item(index)->Assign(value); }
  void SetFound(std::u16string_view key, std::u16string_view text, IJsonValue* value) override {
    const int32_t index = IndexOf(text, key, true);
    if (index >= 0) SetItem(index, value);
  }
  void SetArray(int32_t index, IJsonArray* value) override { Item(index)->SetAsArray(value); }
  void SetBoolean(int32_t index, bool value) override { Item(index)->SetAsBoolean(value); }
  void SetFloat(int32_t index, double value) override { Item(index)->SetAsFloat(value); }
  void SetInteger(int32_t index, int64_t value) override { Item(index)->SetAsInteger(value); }
  void SetObject(int32_t index, IJsonObject* value) override { Item(index)->SetAsObject(value); }
  void SetString(int32_t index, std::u16string_view value) override { Item(index)->SetAsString(value); }
  void SetRawString(int32_t index, std::u16string_view value) override { Item(index)->SetAsRawString(value); }
  void SetMethod(int32_t index, JsonMethod value) override { Item(index)->SetAsMethod(std::move(value)); }
  IJsonValuePtr Add() override { return AddNew(); }
  int32_t AddBoolean(bool value) override {
    AddNew()->SetAsBoolean(value);
    return Count() - 1;
  }
  int32_t AddInteger(int64_t value) override {
    AddNew()->SetAsInteger(value);
    return Count() - 1;
  }
  int32_t AddFloat(double value) override {
    AddNew()->SetAsFloat(value);
    return Count() - 1;
  }
  int32_t AddString(std::u16string_view value) override {
    AddNew()->SetAsString(value);
    return Count() - 1;
  }
  int32_t AddMethod(JsonMethod value) override {
    AddNew()->SetAsMethod(std::move(value));
    return Count() - 1;
  }
  int32_t AddArray(IJsonArray* value) override {
    AddNew()->SetAsArray(value);
    return Count() - 1;
  }
  int32_t AddObject(IJsonObject* value) override {
    AddNew()->SetAsObject(value);
    return Count() - 1;
  }
  int32_t AddValue(IJsonValue* value) override {
    EnsureParsed();
    Push(Adopt(value));
    return Count() - 1;
  }
  IJsonValuePtr AddParsed(std::u16string_view text) override {
    IJsonValuePtr v = NewJsonValue(text);
    AddValue(v);
    return v;
  }
  IJsonValuePtr AddParsedText(std::u16string_view text) override { return AddParsed(text); }
  IJsonValuePtr First() override {
    EnsureParsed();
    return items_.empty() ? nullptr : IJsonValuePtr(items_.front());
  }
  IJsonValuePtr Last() override {
    EnsureParsed();
    return items_.empty() ? nullptr : IJsonValuePtr(items_.back());
  }
  void Insert(int32_t index, IJsonValue* value) override {
    EnsureParsed();
    if (index < 0 || index > Count()) RaiseJsonListIndexError(index);
    TJsonValue* v = Adopt(value);
    GrowCapacity();
    items_.insert(items_.begin() + index, v);
  }
  void Delete(int32_t index) override {
    TJsonValue* v = Item(index);
    items_.erase(items_.begin() + index);
    v->Drop();
  }
  int32_t Remove(std::u16string_view text, std::u16string_view key, bool caseSensitive) override {
    const int32_t index = IndexOf(text, key, caseSensitive);
    if (index >= 0) Delete(index);
    return index;
  }
  void Clear() override {
    ClearItems();
    text_.reset();
    parsed_ = true;
  }
  void AddAll(IJsonArray* other) override {
    if (!other) return;
    EnsureParsed();
    TJsonArray* source = static_cast<TJsonArray*>(other->GetNode());
    source->EnsureParsed();
    const size_t n = source->items_.size();  // AddAll(this) appends each item once
    for (size_t i = 0; i < n; ++i) {
      TJsonValue* v = source->items_[i];
      v->Hold();
      Push(v);
    }
  }
  void Exchange(int32_t i, int32_t j) override {
    Item(i);
    Item(j);
    std::swap(items_[i], items_[j]);
  }
  std::u16string Join(std::u16string_view separator, std::u16string_view key) override;
  int32_t IndexOf(std::u16string_view text, std::u16string_view key, bool caseSensitive) override {
    EnsureParsed();
    for (int32_t i = 0; i < Count(); ++i) {
      if (JsonCompareText(ItemText(items_[i], key), text, caseSensitive) == 0) return i;
    }
    return -1;
  }
  int32_t LastIndexOf(std::u16string_view text, std::u16string_view key, bool caseSensitive) override {
    EnsureParsed();
    for (int32_t i = Count() - 1; i >= 0; --i) {
      if (JsonCompareText(ItemText(items_[i], key), text, caseSensitive) == 0) return i;
    }
    return -1;
  }
  void Sort(const JsonCompare& compare, std::u16string_view key, bool caseSensitive) override;
  IJsonArrayPtr Slice(int32_t first, int32_t last) override;
  void Reverse() override {
    EnsureParsed();
    std::reverse(items_.begin(), items_.end());
  }
  bool IsEmpty() override {
    EnsureParsed();
    return Count() < 1;
  }
  void CallMethod(int32_t index, IJsonValue* params, void* a, void* b) override {
    const JsonMethod method = GetMethod(index);
    if (!method) RaiseJsonError(ClassName(), StrFormat(u"Method [%d] not exist in JsonArray!", {index}));
    method(a, params, b);
  }
  void CallMethodText(int32_t index, std::u16string_view paramsText, void* a, void* b) override {
    CallMethod(index, NewJsonValue(paramsText), a, b);
  }

  // TJsonBase
  void ParseText(const TJsonText& text) override;
  void WriteContent(TJsonWriter& writer, int depth) override;
  void AssignFrom(TJsonBase* source, int depth) override;
  void ReleaseChildren(TDyingNodes& dying) override {
    for (TJsonValue* v : items_) DropInto(v, dying);
    items_.clear();
  }

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  TJsonValue* Item(int32_t index) {
    EnsureParsed();
    if (index < 0 || index >= Count()) RaiseJsonListIndexError(index);
    return items_[index];
  }
  // A reference to the given value (a new null value for none).
  static TJsonValue* Adopt(IJsonValue* value) {
    TJsonValue* v = value ? static_cast<TJsonValue*>(value->GetNode()) : new TJsonValue;
    v->Hold();
    return v;
  }
  TJsonValue* AddNew() {
    EnsureParsed();
    TJsonValue* v = new TJsonValue;
    v->Hold();
    Push(v);
    return v;
  }
  void Push(TJsonValue* v) {
    GrowCapacity();
    items_.push_back(v);
  }
  // The list's capacity grows as lists do: by a quarter, or by 16 or 4 when small.
  void GrowCapacity() {
    if (Count() < capacity_) return;
    capacity_ += capacity_ > 64 ? capacity_ / 4 : (capacity_ > 8 ? 16 : 4);
  }
  void ClearItems() {
    std::vector<TJsonValue*> items;
    items.swap(items_);
    for (TJsonValue* v : items) v->Drop();
  }
  static std::u16string ItemText(TJsonValue* item, std::u16string_view key) {
    return key.empty() ? item->GetAsString() : item->GetAsObject()->GetString(key);
  }

  std::vector<TJsonValue*> items_;  // one reference each
  int32_t capacity_ = 1024;
};

// ---- values ----

TJsonObject* TJsonValue::Object() const { return static_cast<TJsonObject*>(container_); }
TJsonArray* TJsonValue::Array() const { return static_cast<TJsonArray*>(container_); }

IJsonArrayPtr TJsonValue::GetAsArray() {
  EnsureParsed();
  if (kind_ == jvNull) {
    auto* array = new TJsonArray;
    array->Hold();
    TakeContainer(jvArray, array);
  }
  if (kind_ != jvArray) RaiseValueTypeError(kind_, jvArray);
  return IJsonArrayPtr(Array());
}

IJsonObjectPtr TJsonValue::GetAsObject() {
  EnsureParsed();
  if (kind_ == jvNull) {
    auto* object = new TJsonObject;
    object->Hold();
    TakeContainer(jvObject, object);
  }
  if (kind_ != jvObject) RaiseValueTypeError(kind_, jvObject);
  return IJsonObjectPtr(Object());
}

void TJsonValue::SetAsArray(IJsonArray* array) {
  EnsureParsed();
  TJsonBase* node = array ? array->GetNode() : new TJsonArray;
  node->Hold();
  TakeContainer(jvArray, node);
}

void TJsonValue::SetAsObject(IJsonObject* object) {
  EnsureParsed();
  TJsonBase* node = object ? object->GetNode() : new TJsonObject;
  node->Hold();
  TakeContainer(jvObject, node);
}

namespace {

double TextAsFloat(std::u16string_view text) {
  double d;
  if (!JsonTryReadFloat(text, d)) {
    throw EJsonException(u"'" + std::u16string(text) + u"' is not a valid floating point value");
  }
  return d;
}

bool FitsInt64(double d) { return d >= -9223372036854775808.0 && d < 9223372036854775808.0; }

}  // namespace

bool TJsonValue::GetAsBoolean() {
  EnsureParsed();
  switch (kind_) {
    case jvNull: return false;
    case jvString:
    case jsRawString: return SameTextAscii(text_.view(), u"true");
    case jvInteger: return int_ != 0;
    case jvFloat: return float_ != 0;
    case jvBoolean: return bool_;
    case jvObject:
    case jvArray: return container_ != nullptr;
    case jvMethod: return static_cast<bool>(*method_);
  }
  return false;
}

int64_t TJsonValue::GetAsInteger() {
  EnsureParsed();
  switch (kind_) {
    case jvNull: return 0;
    case jvString:
    case jsRawString: {
      // A decimal integer keeps all its digits; other texts read as floats.
      const std::u16string_view text = text_.view();
      int64_t exact;
      if (text.find_first_of(u"$xX") == std::u16string_view::npos && TryStrToInt64(text, exact)) return exact;
      const double d = TextAsFloat(text);
      if (!FitsInt64(d)) RaiseValueTypeError(kind_, jvInteger);
      return static_cast<int64_t>(d);
    }
    case jvInteger: return int_;
    case jvFloat:
      if (!FitsInt64(float_)) RaiseValueTypeError(kind_, jvInteger);
      return static_cast<int64_t>(float_);
    case jvBoolean: return bool_ ? 1 : 0;
    default: RaiseValueTypeError(kind_, jvInteger);
  }
}

double TJsonValue::GetAsFloat() {
  EnsureParsed();
  switch (kind_) {
    case jvNull: return 0;
    case jvString:
    case jsRawString: return TextAsFloat(text_.view());
    case jvInteger: {
      // Through memory: x87 code would otherwise return the integer with
      // more precision than a double has.
      volatile double d = static_cast<double>(int_);
      return d;
    }
    case jvFloat: return float_;
    case jvBoolean: return bool_ ? 1 : 0;
    default: RaiseValueTypeError(kind_, jvFloat);
  }
}

std::u16string TJsonValue::GetAsString() {
  EnsureParsed();
  switch (kind_) {
    case jvNull: return std::u16string();
    case jvString: return std::u16string(text_.view());
    case jsRawString: return JsonUnescape(text_.view(), ClassName());
    case jvInteger: return IntToStr(int_);
    case jvFloat: return JsonFloatText(float_);
    case jvBoolean: return bool_ ? u"true" : u"false";
    case jvObject: return Object()->ToJson();
    case jvArray: return Array()->ToJson();
    case jvMethod: break;
  }
  RaiseValueTypeError(kind_, jvString);
}

std::u16string TJsonValue::GetAsRawString() {
  EnsureParsed();
  switch (kind_) {
    case jvString: return JsonEscape(text_.view());
    case jsRawString: return std::u16string(text_.view());
    default: return GetAsString();
  }
}

IJsonValuePtr TJsonValue::Clone() {
  EnsureParsed();
  auto* copy = new TJsonValue;
  IJsonValuePtr keep(copy);
  copy->kind_ = kind_;
  switch (kind_) {
    case jvString:
    case jsRawString: copy->text_ = text_; break;
    case jvObject:
    case jvArray:
      copy->container_ = container_;
      container_->Hold();
      break;
    case jvMethod: copy->method_ = new JsonMethod(*method_); break;
    default: copy->int_ = int_; break;
  }
  return keep;
}

// A pending container for a value's text, in the text block's arena; it
// holds the block, so its pending text is borrowed. One reference, for the value.
template <class T>
TJsonBase* MakeParsedContainer(const TJsonText& text) {
  TJsonTextBlock* block = text.block();
  T* node = new (block->Allocate(sizeof(T))) T(text.Borrow(text.data(), text.size()));
  node->home_ = block;
  block->Hold();
  node->refs_.store(1, std::memory_order_relaxed);
  return node;
}

void TJsonValue::ParseText(const TJsonText& text) {
  ClearContent();
  parsed_ = true;
  const std::u16string_view t = text.view();
  int64_t i = 0;
  double d = 0;
  switch (JsonReadKind(t, i, d)) {
    case jvString: {
      const char16_t* inner = text.data() + 1;
      const char16_t* innerEnd = text.end() - 1;
      if (JsonFindBackslash(inner, innerEnd) == innerEnd) {
        text_ = slab_ && text.block() == slab_->block ? text.Borrow(inner, innerEnd - inner)
                                                      : text.Sub(inner, innerEnd - inner);
      } else {
        text_ = TJsonText::Copy(JsonUnescape(std::u16string_view(inner, innerEnd - inner), ClassName()));
      }
      kind_ = jvString;
      break;
    }
    case jvInteger:
      int_ = i;
      kind_ = jvInteger;
      break;
    case jvFloat:
      float_ = d;
      kind_ = jvFloat;
      break;
    case jvBoolean:
      bool_ = SameTextAscii(t, u"true");
      kind_ = jvBoolean;
      break;
    case jvObject: TakeContainer(jvObject, MakeParsedContainer<TJsonObject>(text)); break;
    case jvArray: TakeContainer(jvArray, MakeParsedContainer<TJsonArray>(text)); break;
    default: break;
  }
}

void TJsonValue::WriteContent(TJsonWriter& writer, int depth) {
  switch (kind_) {
    case jvNull: writer.AppendAscii("null", 4); break;
    case jvString:
      writer.Put(u'"');
      writer.AppendEscaped(text_.view());
      writer.Put(u'"');
      break;
    case jsRawString:
      writer.Put(u'"');
      writer.Append(text_.view());
      writer.Put(u'"');
      break;
    case jvInteger: writer.AppendInteger(int_); break;
    case jvFloat:
      // JSON has no text for these; null is what reads back.
      if (std::isfinite(float_)) {
        writer.AppendFloat(float_);
      } else {
        writer.AppendAscii("null", 4);
      }
      break;
    case jvBoolean: bool_ ? writer.AppendAscii("true", 4) : writer.AppendAscii("false", 5); break;
    case jvObject:
    case jvArray:
      container_->formatted_ = formatted_;
      container_->WriteTo(writer, depth + 1);
      break;
    case jvMethod: break;
  }
}

// A held deep copy of an object or array node.
TJsonBase* NewContainerCopy(TJsonBase* container, int depth) {
  TJsonBase* copy = container->cls() == TNodeClass::Object ? static_cast<TJsonBase*>(new TJsonObject)
                                                           : static_cast<TJsonBase*>(new TJsonArray);
  copy->Hold();
  std::unique_ptr<TJsonBase, void (*)(TJsonBase*)> guard(copy, [](TJsonBase* n) { n->Drop(); });
  copy->AssignFrom(container, depth + 1);
  return guard.release();
}

void TJsonValue::CopyContentFrom(TJsonValue* source, int depth) {
  source->EnsureParsed();
  switch (source->kind_) {
    case jvObject:
    case jvArray: TakeContainer(source->kind_, NewContainerCopy(source->container_, depth)); break;
    case jvString:
    case jsRawString: {
      TJsonText text = source->text_;  // shared blocks never change
      ClearContent();
      kind_ = source->kind_;
      text_ = std::move(text);
      break;
    }
    case jvMethod: {
      auto m = std::make_unique<JsonMethod>(*source->method_);
      ClearContent();
      kind_ = jvMethod;
      method_ = m.release();
      break;
    }
    default: {
      const JsonKind kind = source->kind_;
      const int64_t bits = source->int_;
      ClearContent();
      kind_ = kind;
      int_ = bits;
      break;
    }
  }
}

void TJsonValue::AssignFrom(TJsonBase* source, int depth) {
  if (source == this) return;
  if (!source) {
    ClearContent();
    parsed_ = true;
    return;
  }
  // Copies are built before the old content goes, so that a source inside
  // this value's own tree is still whole while it is read.
  if (source->cls() == TNodeClass::Value) {
    CopyContentFrom(static_cast<TJsonValue*>(source), depth);
    parsed_ = true;
    return;
  }
  TakeContainer(source->cls() == TNodeClass::Object ? jvObject : jvArray, NewContainerCopy(source, depth));
  parsed_ = true;
}

}  // namespace

namespace {

// ---- objects ----

// Values under construction, released unless handed over.
class TBuiltValues {
 public:
  ~TBuiltValues() {
    for (TJsonValue* v : items) {
      if (v) v->Drop();
    }
  }
  std::vector<TJsonValue*> Take() { return std::move(items); }
  std::vector<TJsonValue*> items;
};

void TJsonObject::ParseText(const TJsonText& text) {
  ClearPairs();
  text_.reset();
  parsed_ = true;
  const std::u16string_view whole = text.view();
  if (!JsonIsObjectText(whole)) RaiseJsonParseError(ClassName(), whole);
  source_ = home_ && text.block() == home_ ? text.Borrow(text.data(), text.size()) : text;
  TScratch<TParsedMember> members;
  // One walk splits the members and finds each member's top-level colons,
  // which are exactly the units a split of the member at ":" would see
  // before the member's (trimmed) end.
  const char16_t* colon = nullptr;
  const char16_t* secondColon = nullptr;
  auto onMember = [&](int32_t, const char16_t* s, const char16_t* e) {
    const char16_t* c1 = colon && colon < e ? colon : nullptr;
    const bool more = secondColon && secondColon < e;
    colon = secondColon = nullptr;
    if (s == e) return;  // empty members (a trailing comma) are dropped
    const std::u16string_view pairText(s, e - s);
    if (!c1) RaiseJsonParseError(u"TJsonPair", pairText);
    const char16_t* keyEnd = JsonTrimBackward(s, c1);
    if (keyEnd == s) RaiseJsonParseError(u"TJsonPair", u"");
    TJsonText key;
    if (JsonIsStringText(std::u16string_view(s, keyEnd - s))) {
      const char16_t* inner = s + 1;
      const char16_t* innerEnd = keyEnd - 1;
      if (JsonFindBackslash(inner, innerEnd) == innerEnd) {
        key = source_.Borrow(inner, innerEnd - inner);
      } else {
        key = TJsonText::Copy(JsonUnescape(std::u16string_view(inner, innerEnd - inner), u"TJsonPair"));
      }
    } else {
      key = source_.Borrow(s, keyEnd - s);  // unquoted keys stand as written
    }
    if (more) RaiseJsonParseError(u"TJsonPair", pairText);
    const char16_t* valueStart = JsonSkipForward(c1 + 1, e);
    if (!onPairParsed_) {
      members.push_back({std::move(key), valueStart, e});
      return;
    }
    // With a handler each member is added, and reported, as it is parsed.
    auto* v = new TJsonValue;
    v->Hold();
    v->text_ = text.Sub(valueStart, e - valueStart);
    v->parsed_ = v->text_.empty();
    Append(TJsonPair{std::move(key), v});
    const PairParsedHandler handler = *onPairParsed_;
    IJsonValuePtr keep(v);
    handler(this, pairs_.back().key.view(), v);
  };
  auto onColon = [&](const char16_t* p) {
    if (!colon) {
      colon = p;
    } else if (!secondColon) {
      secondColon = p;
    }
  };
  try {
    JsonWalkTopLevel(&text, text.data() + 1, text.end() - 1, u',', kJsonMaxDepth - 1, ClassName(), whole, onMember,
                     onColon);
  } catch (...) {
    AddParsedMembers(text, members);  // the members before the error stay
    throw;
  }
  AddParsedMembers(text, members);
}

void TJsonObject::AddParsedMembers(const TJsonText& text, TScratch<TParsedMember>& members) {
  const size_t n = members.size();
  pairs_.reserve(pairs_.size() + n);
  MakeSlab(text, n, [&](void* slot, TJsonSlab* slab, size_t i) {
    TParsedMember& m = members[i];
    auto* v = new (slot) TJsonValue(slab, text.Borrow(m.value, m.valueEnd - m.value));
    pairs_.push_back(TJsonPair{std::move(m.key), v});
  });
}

void TJsonObject::WriteContent(TJsonWriter& writer, int depth) {
  if (depth > kJsonMaxDepth) RaiseTooDeep(ClassName());
  const bool formatted = formatted_;
  if (formatted) writer.Spaces(indent_);
  writer.Put(u'{');
  bool wrote = false;
  for (size_t i = 0; i < pairs_.size(); ++i) {
    TJsonValue* v = pairs_[i].value;
    // Members without a value, and callables, are not JSON.
    if (!v || (v->parsed_ && v->kind_ == jvMethod)) continue;
    if (wrote) writer.Put(u',');
    if (formatted) {
      writer.LineBreak();
      writer.Spaces(indent_ + 2);
    }
    writer.Put(u'"');
    writer.AppendEscaped(pairs_[i].key.view());
    writer.Put(u'"');
    writer.Put(u':');
    v->WriteTo(writer, depth);
    wrote = true;
  }
  if (formatted && wrote) {
    writer.LineBreak();
    writer.Spaces(indent_);
  }
  writer.Put(u'}');
}

void TJsonObject::AssignFrom(TJsonBase* source, int depth) {
  if (depth > kJsonMaxDepth) RaiseTooDeep(ClassName());
  if (!source || source->cls() != TNodeClass::Object) {
    RaiseAssignError(source ? source->ClassName() : u"nil", ClassName());
  }
  if (source == this) return;
  auto* other = static_cast<TJsonObject*>(source);
  other->EnsureParsed();
  const size_t n = other->pairs_.size();
  TBuiltValues values;
  values.items.reserve(n);
  std::vector<TJsonPair> copies;
  copies.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    auto* v = new TJsonValue;
    v->Hold();
    values.items.push_back(v);
    copies.push_back(TJsonPair{other->pairs_[i].key, v});
    if (TJsonValue* from = other->pairs_[i].value) v->CopyContentFrom(from, depth);
  }
  values.Take();  // the pairs own the values now
  Clear();
  pairs_ = std::move(copies);
}

void TJsonObject::MergeFrom(TJsonObject* other, int depth) {
  if (depth > kJsonMaxDepth) RaiseTooDeep(ClassName());
  EnsureParsed();
  other->EnsureParsed();
  IJsonObjectPtr keep(other);
  const size_t n = other->pairs_.size();
  for (size_t i = 0; i < n && i < other->pairs_.size(); ++i) {
    const TJsonText key = other->pairs_[i].key;
    TJsonValue* theirs = other->pairs_[i].Value();
    IJsonValuePtr keepTheirs(theirs);
    const int32_t index = Lookup(key.view());
    if (index < 0) {
      AddPair(key)->CopyContentFrom(theirs, depth);
      continue;
    }
    TJsonValue* ours = pairs_[index].Value();
    ours->EnsureParsed();
    theirs->EnsureParsed();
    if (ours->kind_ == jvObject && theirs->kind_ == jvObject) {
      ours->Object()->MergeFrom(theirs->Object(), depth + 1);
    } else if (ours->kind_ == jvArray && theirs->kind_ == jvArray) {
      ours->Array()->AddAll(theirs->Array());
    } else {
      ours->AssignFrom(theirs, depth);
    }
  }
}

void TJsonObject::Merge(IJsonObject* other) {
  if (!other) return;
  MergeFrom(static_cast<TJsonObject*>(other->GetNode()), 1);
}

int32_t TJsonObject::AddValue(std::u16string_view key, IJsonValue* value) {
  EnsureParsed();
  TJsonValue* v = value ? static_cast<TJsonValue*>(value->GetNode()) : nullptr;
  if (v) v->Hold();
  Append(TJsonPair{TJsonText::Copy(key), v});
  return LastPosition();
}

IJsonValuePtr TJsonObject::Insert(int32_t index, std::u16string_view key) {
  EnsureParsed();
  if (index < 0 || static_cast<size_t>(index) > pairs_.size()) RaiseJsonListIndexError(index);
  TJsonPair pair{TJsonText::Copy(key), nullptr};
  TJsonValue* v = pair.Value();
  IJsonValuePtr result(v);
  try {
    pairs_.insert(pairs_.begin() + index, std::move(pair));
  } catch (...) {
    v->Drop();
    throw;
  }
  indexValid_ = false;
  return result;
}

void TJsonObject::Delete(int32_t index) {
  TJsonValue* v = PairAt(index).value;
  pairs_.erase(pairs_.begin() + index);
  indexValid_ = false;
  if (v) v->Drop();
}

namespace {

// Walks all but the last segment of a dotted path, adding missing objects.
TJsonObject* WalkPath(TJsonObject* start, std::u16string_view path, IJsonObjectPtr& keep,
                      std::u16string_view& last) {
  TJsonObject* current = start;
  keep = start;
  size_t from = 0;
  for (size_t dot; (dot = path.find(u'.', from)) != std::u16string_view::npos; from = dot + 1) {
    const std::u16string_view segment = path.substr(from, dot - from);
    IJsonObjectPtr next = current->GetObject(segment);
    if (!next) next = current->AddPair(segment)->GetAsObject();
    keep = next;
    current = static_cast<TJsonObject*>(next->GetNode());
  }
  last = path.substr(from);
  return current;
}

}  // namespace

IJsonValuePtr TJsonObject::GetValueByPath(std::u16string_view path) {
  IJsonObjectPtr keep;
  std::u16string_view last;
  TJsonObject* target = WalkPath(this, path, keep, last);
  if (last.empty()) return nullptr;
  if (TJsonValue* v = target->Found(last)) return v;
  return target->AddPair(last);
}

void TJsonObject::SetValueByPath(std::u16string_view path, IJsonValue* value) {
  IJsonObjectPtr keep;
  std::u16string_view last;
  TJsonObject* target = WalkPath(this, path, keep, last);
  if (!last.empty()) target->SetValue(last, value);
}

std::u16string TJsonObject::FormatTemplate(std::u16string_view templ, char16_t openChar, char16_t closeChar) {
  std::u16string out;
  out.reserve(templ.size());
  size_t i = 0;
  while (i < templ.size()) {
    if (templ[i] != openChar) {
      out += templ[i++];
      continue;
    }
    const size_t close = templ.find(closeChar, i + 1);
    if (close == std::u16string_view::npos) break;  // an unclosed placeholder ends the text
    out += GetString(templ.substr(i + 1, close - i - 1));
    i = close + 1;
  }
  return out;
}

// ---- arrays ----

void TJsonArray::ParseText(const TJsonText& text) {
  ClearItems();
  text_.reset();
  parsed_ = true;
  const std::u16string_view whole = text.view();
  if (!JsonIsArrayText(whole)) RaiseJsonParseError(ClassName(), whole);
  struct TRange {
    const char16_t* start;
    const char16_t* end;
  };
  TScratch<TRange> ranges;
  auto build = [&] {
    const size_t n = ranges.size();
    items_.reserve(n);
    MakeSlab(text, n, [&](void* slot, TJsonSlab* slab, size_t i) {
      items_.push_back(new (slot) TJsonValue(slab, text.Borrow(ranges[i].start, ranges[i].end - ranges[i].start)));
    });
    while (capacity_ < Count()) GrowCapacity();
  };
  // Every item counts, empty ones included: a trailing comma adds a null.
  try {
    JsonWalkTopLevel(
        &text, text.data() + 1, text.end() - 1, u',', kJsonMaxDepth - 1, ClassName(), whole,
        [&](int32_t, const char16_t* s, const char16_t* e) { ranges.push_back({s, e}); }, nullptr);
  } catch (...) {
    build();  // the items before the error stay
    throw;
  }
  build();
}

void TJsonArray::WriteContent(TJsonWriter& writer, int depth) {
  if (depth > kJsonMaxDepth) RaiseTooDeep(ClassName());
  const bool formatted = formatted_;
  if (formatted) writer.Spaces(indent_);
  writer.Put(u'[');
  bool wrote = false;
  for (size_t i = 0; i < items_.size(); ++i) {
    TJsonValue* v = items_[i];
    if (v->parsed_ && v->kind_ == jvMethod) continue;
    if (wrote) writer.Put(u',');
    if (formatted) writer.LineBreak();
    v->formatted_ = formatted;
    v->indent_ = indent_ + 2;
    v->WriteTo(writer, depth);
    v->formatted_ = false;
    v->indent_ = 0;
    wrote = true;
  }
  if (formatted && wrote) {
    writer.LineBreak();
    writer.Spaces(indent_);
  }
  writer.Put(u']');
}

void TJsonArray::AssignFrom(TJsonBase* source, int depth) {
  if (depth > kJsonMaxDepth) RaiseTooDeep(ClassName());
  if (!source || source->cls() != TNodeClass::Array) {
    RaiseAssignError(source ? source->ClassName() : u"nil", ClassName());
  }
  if (source == this) return;
  auto* other = static_cast<TJsonArray*>(source);
  other->EnsureParsed();
  TBuiltValues copies;
  copies.items.reserve(other->items_.size());
  for (size_t i = 0; i < other->items_.size(); ++i) {
    auto* v = new TJsonValue;
    v->Hold();
    copies.items.push_back(v);
    v->CopyContentFrom(other->items_[i], depth);
  }
  Clear();
  items_ = copies.Take();
  while (capacity_ < Count()) GrowCapacity();
}

std::u16string TJsonArray::Join(std::u16string_view separator, std::u16string_view key) {
  EnsureParsed();
  std::u16string out;
  for (int32_t i = 0; i < Count(); ++i) {
    TJsonValue* item = Item(i);
    if (!out.empty()) out += separator;
    if (key.empty()) {
      out += item->GetAsString();
    } else if (IJsonValuePtr v = item->GetAsObject()->GetValueByPath(key)) {
      out += v->GetAsString();
    }
  }
  return out;
}

namespace {

// The classic in-place quicksort on positions L..R. The scans stop at the
// range's ends, which changes nothing for a consistent comparison and keeps
// an inconsistent one inside the list; the smaller part recurses, so the
// depth stays logarithmic.
template <class Compare>
void QuickSortItems(TJsonArray& array, int32_t L, int32_t R, Compare& compare) {
  while (L < R) {
    int32_t I = L, J = R, P = L + (R - L) / 2;
    do {
      while (I < R && compare(I, P) < 0) ++I;
      while (J > L && compare(J, P) > 0) --J;
      if (I <= J) {
        array.Exchange(I, J);
        if (P == I) {
          P = J;
        } else if (P == J) {
          P = I;
        }
        ++I;
        --J;
      }
    } while (I <= J);
    if (J - L < R - I) {
      if (L < J) QuickSortItems(array, L, J, compare);
      L = I;
    } else {
      if (I < R) QuickSortItems(array, I, R, compare);
      R = J;
    }
  }
}

}  // namespace

void TJsonArray::Sort(const JsonCompare& compare, std::u16string_view key, bool caseSensitive) {
  EnsureParsed();
  if (Count() < 1) return;
  IJsonArrayPtr keep(this);
  auto order = [&](int32_t i, int32_t j) -> int {
    TJsonValue* a = Item(i);
    TJsonValue* b = Item(j);
    if (compare) return compare(a, b, key, caseSensitive);
    return JsonCompareText(ItemText(a, key), ItemText(b, key), caseSensitive);
  };
  QuickSortItems(*this, 0, Count() - 1, order);
}

IJsonArrayPtr TJsonArray::Slice(int32_t first, int32_t last) {
  EnsureParsed();
  auto* result = new TJsonArray;
  IJsonArrayPtr keep(result);
  const int64_t count = Count();
  if (count == 0 || first == 0) return keep;
  int64_t from = first, to = last;
  if (to == 0) to = count;
  if (from < 0) from += count + 1;
  if (to < 0) to += count + 1;
  if (from > count) return keep;
  if (to > count) to = count;
  if (from < 1) from = 1;  // positions before the first item do not exist
  for (int64_t k = from; k <= to; ++k) {
    TJsonValue* v = items_[k - 1];
    v->Hold();
    result->Push(v);
  }
  return keep;
}

}  // namespace

// ---- entry functions ----

const char16_t* JsonKindName(JsonKind kind) {
  static const char16_t* const kNames[] = {u"jvNull",    u"jvString", u"jsRawString", u"jvInteger", u"jvFloat",
                                           u"jvBoolean", u"jvObject", u"jvArray",     u"jvMethod"};
  return kind <= jvMethod ? kNames[kind] : u"";
}

IJsonValuePtr NewJsonValue() { return new TJsonValue; }

IJsonValuePtr NewJsonValue(std::u16string_view text) {
  IJsonValuePtr value(new TJsonValue);
  value->Parse(text);
  return value;
}

IJsonObjectPtr NewJsonObject() { return new TJsonObject; }
IJsonArrayPtr NewJsonArray() { return new TJsonArray; }
IJsonHashPtr NewJsonHash(int32_t buckets) { return new TJsonHash(buckets); }

IJsonObjectPtr ParseJsonObject(std::u16string_view text) { return NewJsonValue(text)->GetAsObject(); }
IJsonArrayPtr ParseJsonArray(std::u16string_view text) { return NewJsonValue(text)->GetAsArray(); }

IJsonValuePtr LoadJsonFile(std::u16string_view fileName) {
  IJsonValuePtr value = NewJsonValue(u"{}");
  value->LoadFromFile(fileName, false);
  return value;
}

IJsonArrayPtr LoadJsonArrayFile(std::u16string_view fileName) { return LoadJsonFile(fileName)->GetAsArray(); }

std::u16string ToJson(IJsonBase* node) { return node ? node->ToJson() : std::u16string(); }

// ---- streams ----

TJsonStream::~TJsonStream() = default;

void TJsonMemoryStream::SetSize(int64_t size) {
  if (size < 0) size = 0;
  if (static_cast<uint64_t>(size) > bytes_.size()) bytes_.resize(static_cast<size_t>(size));
  size_ = static_cast<size_t>(size);
  if (position_ > size_) position_ = size_;
}

void TJsonMemoryStream::SetPosition(int64_t position) { position_ = position < 0 ? 0 : static_cast<size_t>(position); }

size_t TJsonMemoryStream::Read(void* buffer, size_t count) {
  if (position_ >= size_) return 0;
  const size_t n = count < size_ - position_ ? count : size_ - position_;
  std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += n;
  return n;
}

void TJsonMemoryStream::Write(const void* buffer, size_t count) {
  const size_t end = position_ + count;
  if (end > bytes_.size()) {
    size_t capacity = bytes_.size() < 64 ? 64 : bytes_.size();
    while (capacity < end) capacity *= 2;
    bytes_.resize(capacity);
  }
  if (count) std::memcpy(bytes_.data() + position_, buffer, count);
  position_ = end;
  if (end > size_) size_ = end;
}
