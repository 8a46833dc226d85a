// The JSON library: a reference-counted, lazily parsed tree of JSON nodes
// with its text reader and writer.
//
// A node created from text keeps that text and turns it into children only
// when it is first touched, one level at a time; a node that was never
// touched writes its text back unchanged. Nodes are reached through the
// interfaces below and held by TJsonPtr (an intrusive smart pointer):
//
//   IJsonObjectPtr record = NewJsonObject();
//   record->AddString(u"name", u"setup.exe");
//   record->AddInteger(u"size", 1024);
//   IJsonArrayPtr files = record->GetArray(u"files");   // created on demand
//   files->AddString(u"a.txt");
//   std::u16string text = record->ToJson();  // {"name":"setup.exe","size":1024,"files":["a.txt"]}
//
//   IJsonObjectPtr config = ParseJsonObject(text);       // nothing parsed yet
//   std::u16string name = config->GetString(u"name");
//
// Every error is an EJsonException. A tree may be used by one thread at a
// time; only the reference counts are atomic, so a finished tree may be
// handed to another thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "NativeError.h"

// <windows.h> maps GetObject to the GDI call GetObjectW; the containers'
// GetObject must keep its name in every file. (GDI callers name GetObjectW.)
#ifdef GetObject
#undef GetObject
#endif

// The kind of a value. The numeric codes and the names are fixed: the names
// appear in error messages.
enum JsonKind : uint8_t {
  jvNull = 0,
  jvString = 1,     // text, stored unescaped
  jsRawString = 2,  // text, stored escaped (already valid between JSON quotes)
  jvInteger = 3,    // signed 64-bit
  jvFloat = 4,      // IEEE double
  jvBoolean = 5,
  jvObject = 6,
  jvArray = 7,
  jvMethod = 8,     // a bound callable
};

// "jvNull", "jvString", "jsRawString", ... ("" for codes outside the enumeration).
const char16_t* JsonKindName(JsonKind kind);

class EJsonException : public ENativeError {
 public:
  using ENativeError::ENativeError;
};

// Containers reject text nested deeper than this many levels with a parse
// error, and the writer, Assign and Merge refuse deeper trees (or cycles)
// with an error instead of exhausting the stack.
constexpr int kJsonMaxDepth = 1000;

// Interface identity, for QueryInterface.
struct TJsonGuid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
  friend bool operator==(const TJsonGuid& a, const TJsonGuid& b) {
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
    for (int i = 0; i < 8; ++i) {
      if (a.data4[i] != b.data4[i]) return false;
    }
    return true;
  }
};

class IJsonBase;
class IJsonValue;
class IJsonArray;
class IJsonObject;
class IJsonHash;
class TJsonBase;  // the node object behind the interfaces (opaque to callers)
class TJsonStream;

// Intrusive smart pointer to a reference-counted interface. Constructing from
// a raw pointer takes a new reference (new nodes start with a count of 0), so
// raw interface pointers returned by the library can be held safely.
template <class T>
class TJsonPtr {
 public:
  TJsonPtr() noexcept = default;
  TJsonPtr(std::nullptr_t) noexcept {}
  TJsonPtr(T* p) noexcept : p_(p) {
    if (p_) p_->AddRef();
  }
  TJsonPtr(const TJsonPtr& other) noexcept : TJsonPtr(other.p_) {}
  TJsonPtr(TJsonPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  template <class U>
  TJsonPtr(const TJsonPtr<U>& other) noexcept : TJsonPtr(static_cast<T*>(other.get())) {}
  template <class U>
  TJsonPtr(TJsonPtr<U>&& other) noexcept : p_(static_cast<T*>(other.detach())) {}
  ~TJsonPtr() {
    if (p_) p_->Release();
  }

  TJsonPtr& operator=(const TJsonPtr& other) noexcept {
    TJsonPtr(other).swap(*this);
    return *this;
  }
  TJsonPtr& operator=(TJsonPtr&& other) noexcept {
    TJsonPtr(std::move(other)).swap(*this);
    return *this;
  }
  TJsonPtr& operator=(T* p) noexcept {
    TJsonPtr(p).swap(*this);
    return *this;
  }
  TJsonPtr& operator=(std::nullptr_t) noexcept {
    reset();
    return *this;
  }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  // Raw pointers are what the interfaces take as arguments.
  operator T*() const noexcept { return p_; }

  void reset() noexcept {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  // Gives up the reference without releasing it.
  T* detach() noexcept { return std::exchange(p_, nullptr); }
  // Adopts a reference the caller already owns.
  static TJsonPtr attach(T* p) noexcept {
    TJsonPtr r;
    r.p_ = p;
    return r;
  }
  void swap(TJsonPtr& other) noexcept { std::swap(p_, other.p_); }

 private:
  T* p_ = nullptr;
};

using IJsonBasePtr = TJsonPtr<IJsonBase>;
using IJsonValuePtr = TJsonPtr<IJsonValue>;
using IJsonArrayPtr = TJsonPtr<IJsonArray>;
using IJsonObjectPtr = TJsonPtr<IJsonObject>;
using IJsonHashPtr = TJsonPtr<IJsonHash>;

// A callable stored in a jvMethod value. CallMethod invokes it with
// (a, params, b); a and b are passed through unchanged. Empty = no callable.
using JsonMethod = std::function<void(void* a, IJsonValue* params, void* b)>;

// Called for every member an object parses from text, with the owning object,
// the member's key and its (still unparsed) value.
using PairParsedHandler = std::function<void(IJsonObject* owner, std::u16string_view key, IJsonValue* value)>;

// The comparison of IJsonArray::Sort: negative, zero or positive. An empty
// function sorts by the items' texts (see IJsonArray::IndexOf).
using JsonCompare =
    std::function<int(IJsonValue* item1, IJsonValue* item2, std::u16string_view key, bool caseSensitive)>;

// SplitTopLevel reports every item with (context, start of the text being
// split, index, isItem = true, item text) and finally (.., index + 1,
// isItem = false, last item text) to mark the end.
using JsonSplitCallback = void (*)(void* context, const char16_t* first, int32_t index, bool isItem,
                                   std::u16string_view item);

// Operations common to every node.
class IJsonBase {
 public:
  static constexpr TJsonGuid IID = {0xB2BCABB5, 0x5D80, 0x47F9, {0x91, 0x03, 0x1C, 0x05, 0x8C, 0x11, 0x77, 0x7A}};

  // Stores a new reference in *out and returns true when the node implements
  // the interface `iid`; otherwise *out = nullptr and false.
  virtual bool QueryInterface(const TJsonGuid& iid, void** out) = 0;
  virtual int32_t AddRef() = 0;
  virtual int32_t Release() = 0;

  virtual int32_t GetIndent() = 0;  // spaces before a formatted container
  virtual bool GetFormatted() = 0;
  virtual int32_t GetTag() = 0;     // free for the caller
  virtual void SetIndent(int32_t indent) = 0;
  virtual void SetFormatted(bool formatted) = 0;
  virtual void SetTag(int32_t tag) = 0;
  virtual TJsonBase* GetNode() = 0;

  // Replaces the content from JSON text. Blanks at both ends are dropped; a
  // text of fewer than two units leaves the node as it is.
  virtual void Parse(std::u16string_view text) = 0;
  // Decodes the stream (byte-order mark FF FE: UTF-16LE, EF BB BF: UTF-8,
  // none: UTF-8 when utf8Default, else the system ANSI code page) and parses it.
  virtual void LoadFromStream(TJsonStream& stream, bool utf8Default) = 0;
  virtual void LoadFromFile(std::u16string_view fileName, bool utf8Default) = 0;
  // The node's JSON text: compact unless the node is formatted.
  virtual std::u16string ToJson() = 0;
  // Writes the text as UTF-16LE (no mark) at the stream's position and cuts
  // the stream after it; returns the bytes written.
  virtual int32_t SaveToStream(TJsonStream& stream) = 0;
  // encoding (exact): "" the system ANSI code page; "utf-8" or "utf8": mark
  // and UTF-8; "unicode": mark and UTF-16LE. Anything else raises.
  virtual void SaveToFile(std::u16string_view fileName, std::u16string_view encoding) = 0;
  // Deep copy of source into this node.
  virtual void Assign(IJsonBase* source) = 0;
  virtual int32_t GetJsonLength() = 0;  // UTF-16 units of ToJson()

  // Escaping of text between JSON quotes: backslash b, t, n, f, r, and a
  // backslash before a quote, slash or backslash; nothing else is escaped.
  virtual std::u16string Escape(std::u16string_view text) = 0;
  virtual std::u16string EscapeChars(const char16_t* chars, int32_t count) = 0;
  virtual std::u16string Unescape(std::u16string_view text) = 0;
  virtual std::u16string UnescapeChars(const char16_t* chars, int32_t count) = 0;
  // Splits text at `separator` outside strings, brackets and comments.
  virtual void SplitTopLevel(std::u16string_view text, char16_t separator, JsonSplitCallback callback,
                             void* context) = 0;
  virtual void SplitTopLevelChars(const char16_t* first, const char16_t* end, JsonSplitCallback callback,
                                  void* context, char16_t separator) = 0;
  virtual bool IsObjectText(std::u16string_view text) = 0;   // {...}
  virtual bool IsArrayText(std::u16string_view text) = 0;    // [...]
  virtual bool IsStringText(std::u16string_view text) = 0;   // "..."
  virtual bool IsNumberText(std::u16string_view text) = 0;   // reads as a float
  virtual bool IsBooleanText(std::u16string_view text) = 0;  // true/false, any case
  virtual bool IsNullText(std::u16string_view text) = 0;     // null, any case
  virtual JsonKind DetectKind(std::u16string_view text) = 0;

 protected:
  ~IJsonBase() = default;  // freed by its last Release
};

class IJsonValue : public IJsonBase {
 public:
  static constexpr TJsonGuid IID = {0xD435408F, 0xC5DE, 0x4188, {0xAD, 0x8C, 0xD2, 0x8C, 0x54, 0x2B, 0x78, 0xD5}};

  virtual JsonKind GetKind() = 0;
  // A null value becomes an empty array (object) first; other kinds raise
  // the value type error.
  virtual IJsonArrayPtr GetAsArray() = 0;
  virtual bool GetAsBoolean() = 0;
  virtual int64_t GetAsInteger() = 0;
  virtual double GetAsFloat() = 0;
  virtual IJsonObjectPtr GetAsObject() = 0;
  virtual std::u16string GetAsString() = 0;
  virtual std::u16string GetAsRawString() = 0;  // escaped form
  virtual JsonMethod GetAsMethod() = 0;         // empty unless jvMethod
  virtual bool IsNull() = 0;
  virtual void SetAsArray(IJsonArray* array) = 0;    // nullptr: a new empty array
  virtual void SetAsBoolean(bool value) = 0;
  virtual void SetAsInteger(int64_t value) = 0;
  virtual void SetAsFloat(double value) = 0;
  virtual void SetAsObject(IJsonObject* object) = 0;  // nullptr: a new empty object
  virtual void SetAsString(std::u16string_view text) = 0;
  virtual void SetAsRawString(std::u16string_view escaped) = 0;
  virtual void SetAsMethod(JsonMethod method) = 0;
  virtual void SetNull() = 0;
  virtual void Clear() = 0;  // null, pending text discarded
  // Same kind and content; object and array content is shared, not copied.
  virtual IJsonValuePtr Clone() = 0;
  virtual bool IsKind(JsonKind kind) = 0;
};

// Items are IJsonValue; indexes are 0-based and an index outside the list
// raises "List index out of bounds (%d)".
class IJsonArray : public IJsonBase {
 public:
  static constexpr TJsonGuid IID = {0xBB1D9B8A, 0xA282, 0x4605, {0xAC, 0xB5, 0x38, 0xB5, 0x18, 0x0B, 0x12, 0xFA}};

  virtual int32_t GetCapacity() = 0;
  // Matching (Find, SetFound, IndexOf, LastIndexOf, Remove): an item's text is
  // GetString(key) of the item as an object when key is not empty, else the
  // item's GetAsString; texts compare with the user locale's comparison.
  virtual IJsonValuePtr Find(std::u16string_view key, std::u16string_view text) = 0;  // case-sensitive
  virtual IJsonValuePtr GetItem(int32_t index) = 0;
  virtual int32_t GetCount() = 0;
  virtual IJsonArrayPtr GetArray(int32_t index) = 0;
  virtual bool GetBoolean(int32_t index) = 0;
  virtual double GetFloat(int32_t index) = 0;
  virtual int64_t GetInteger(int32_t index) = 0;
  virtual IJsonObjectPtr GetObject(int32_t index) = 0;
  virtual std::u16string GetString(int32_t index) = 0;
  virtual JsonMethod GetMethod(int32_t index) = 0;
  virtual void SetCapacity(int32_t capacity) = 0;
  virtual void SetItem(int32_t index, IJsonValue* value) = 0;  // Assign into the item
  virtual void SetFound(std::u16string_view key, std::u16string_view text, IJsonValue* value) = 0;
  virtual void SetArray(int32_t index, IJsonArray* value) = 0;
  virtual void SetBoolean(int32_t index, bool value) = 0;
  virtual void SetFloat(int32_t index, double value) = 0;
  virtual void SetInteger(int32_t index, int64_t value) = 0;
  virtual void SetObject(int32_t index, IJsonObject* value) = 0;
  virtual void SetString(int32_t index, std::u16string_view value) = 0;
  virtual void SetRawString(int32_t index, std::u16string_view value) = 0;
  virtual void SetMethod(int32_t index, JsonMethod value) = 0;
  virtual IJsonValuePtr Add() = 0;  // a new null item
  virtual int32_t AddBoolean(bool value) = 0;
  virtual int32_t AddInteger(int64_t value) = 0;
  virtual int32_t AddFloat(double value) = 0;
  virtual int32_t AddString(std::u16string_view value) = 0;
  virtual int32_t AddMethod(JsonMethod value) = 0;
  virtual int32_t AddArray(IJsonArray* value) = 0;    // stores the reference (nullptr: a new array)
  virtual int32_t AddObject(IJsonObject* value) = 0;  // stores the reference (nullptr: a new object)
  virtual int32_t AddValue(IJsonValue* value) = 0;    // stores the reference
  virtual IJsonValuePtr AddParsed(std::u16string_view text) = 0;  // NewJsonValue(text)
  virtual IJsonValuePtr AddParsedText(std::u16string_view text) = 0;
  virtual IJsonValuePtr First() = 0;  // empty reference when empty
  virtual IJsonValuePtr Last() = 0;
  virtual void Insert(int32_t index, IJsonValue* value) = 0;
  virtual void Delete(int32_t index) = 0;
  virtual int32_t Remove(std::u16string_view text, std::u16string_view key, bool caseSensitive) = 0;
  virtual void Clear() = 0;
  virtual void AddAll(IJsonArray* other) = 0;  // appends the other's item references
  virtual void Exchange(int32_t i, int32_t j) = 0;
  // Texts of the items (GetValueByPath(key) of each item's object when key
  // is not empty); a separator goes before an item only once the text so far
  // is not empty, so leading empty texts leave none.
  virtual std::u16string Join(std::u16string_view separator, std::u16string_view key) = 0;
  virtual int32_t IndexOf(std::u16string_view text, std::u16string_view key, bool caseSensitive) = 0;
  virtual int32_t LastIndexOf(std::u16string_view text, std::u16string_view key, bool caseSensitive) = 0;
  virtual void Sort(const JsonCompare& compare, std::u16string_view key, bool caseSensitive) = 0;  // not stable
  // Items first..last, 1-based and inclusive; negative positions count from
  // the end, last = 0 means the end; first = 0 gives an empty array.
  virtual IJsonArrayPtr Slice(int32_t first, int32_t last) = 0;
  virtual void Reverse() = 0;
  virtual bool IsEmpty() = 0;
  virtual void CallMethod(int32_t index, IJsonValue* params, void* a, void* b) = 0;
  virtual void CallMethodText(int32_t index, std::u16string_view paramsText, void* a, void* b) = 0;
};

// Members keep insertion order; keys are case-sensitive. With duplicate keys
// lookups find the last one.
class IJsonObject : public IJsonBase {
 public:
  static constexpr TJsonGuid IID = {0xD0D87EC4, 0x3FBE, 0x4DD8, {0xAD, 0x0B, 0xE3, 0x73, 0xBC, 0x42, 0x4E, 0x84}};

  virtual int32_t GetCount() = 0;
  virtual int32_t GetCapacity() = 0;  // key index buckets
  virtual IJsonValuePtr GetValue(std::u16string_view key) = 0;  // empty reference if missing
  virtual std::u16string GetKey(int32_t index) = 0;
  virtual IJsonValuePtr GetValueAt(int32_t index) = 0;
  virtual bool GetAutoCreate() = 0;
  // Missing key: with auto-create (the default) a new member holding an
  // empty array (object); without, an empty reference.
  virtual IJsonArrayPtr GetArray(std::u16string_view key) = 0;
  virtual bool GetBoolean(std::u16string_view key) = 0;   // missing: false
  virtual double GetFloat(std::u16string_view key) = 0;   // missing: 0
  virtual int64_t GetInteger(std::u16string_view key) = 0;  // missing: 0
  virtual IJsonObjectPtr GetObject(std::u16string_view key) = 0;
  virtual std::u16string GetString(std::u16string_view key) = 0;     // missing: ""
  virtual std::u16string GetRawString(std::u16string_view key) = 0;  // missing: ""
  virtual JsonMethod GetMethod(std::u16string_view key) = 0;
  // Dotted path ("a.b.c"); missing members on the way are added.
  virtual IJsonValuePtr GetValueByPath(std::u16string_view path) = 0;
  virtual PairParsedHandler GetOnPairParsed() = 0;
  virtual void SetCapacity(int32_t buckets) = 0;
  virtual void SetAutoCreate(bool autoCreate) = 0;
  virtual void SetValueAt(int32_t index, IJsonValue* value) = 0;  // Assign into the value
  // Existing key: Assign into its value. Missing: with auto-create the
  // object stores the given reference; without, nothing.
  virtual void SetValue(std::u16string_view key, IJsonValue* value) = 0;
  virtual void SetArray(std::u16string_view key, IJsonArray* value) = 0;
  virtual void SetBoolean(std::u16string_view key, bool value) = 0;
  virtual void SetFloat(std::u16string_view key, double value) = 0;
  virtual void SetInteger(std::u16string_view key, int64_t value) = 0;
  virtual void SetObject(std::u16string_view key, IJsonObject* value) = 0;
  virtual void SetString(std::u16string_view key, std::u16string_view value) = 0;
  virtual void SetRawString(std::u16string_view key, std::u16string_view value) = 0;
  virtual void SetMethod(std::u16string_view key, JsonMethod value) = 0;
  virtual void SetValueByPath(std::u16string_view path, IJsonValue* value) = 0;
  virtual void SetOnPairParsed(PairParsedHandler handler) = 0;
  // Replaces every openChar name closeChar in the template by GetString(name).
  virtual std::u16string FormatTemplate(std::u16string_view templ, char16_t openChar, char16_t closeChar) = 0;
  // Appends a member (never checks for an existing key).
  virtual IJsonValuePtr Add(std::u16string_view key) = 0;
  virtual int32_t AddBoolean(std::u16string_view key, bool value) = 0;
  virtual int32_t AddInteger(std::u16string_view key, int64_t value) = 0;
  virtual int32_t AddFloat(std::u16string_view key, double value) = 0;
  virtual int32_t AddString(std::u16string_view key, std::u16string_view value) = 0;
  virtual int32_t AddMethod(std::u16string_view key, JsonMethod value) = 0;
  virtual int32_t AddArray(std::u16string_view key, IJsonArray* value) = 0;    // stores the reference
  virtual int32_t AddObject(std::u16string_view key, IJsonObject* value) = 0;  // stores the reference
  virtual int32_t AddValue(std::u16string_view key, IJsonValue* value) = 0;    // stores the reference
  virtual IJsonValuePtr AddObjectText(std::u16string_view key, std::u16string_view text) = 0;
  virtual IJsonValuePtr AddArrayText(std::u16string_view key, std::u16string_view text) = 0;
  virtual IJsonValuePtr Insert(int32_t index, std::u16string_view key) = 0;
  // Deep: missing keys are added as copies, nested objects merged, arrays
  // appended, other values replaced by copies.
  virtual void Merge(IJsonObject* other) = 0;
  virtual int32_t IndexOf(std::u16string_view key) = 0;  // -1 if missing
  virtual void Delete(int32_t index) = 0;
  virtual int32_t Remove(std::u16string_view key) = 0;
  virtual void Clear() = 0;
  virtual void CallMethod(std::u16string_view key, IJsonValue* params, void* a, void* b) = 0;
  virtual void CallMethodText(std::u16string_view key, std::u16string_view paramsText, void* a, void* b) = 0;
};

// One entry of a key index chain.
struct TJsonHashEntry {
  TJsonHashEntry* next;
  std::u16string key;
  int32_t value;
};

// The key index of an object: bucket chains, the hash rotating left by 2
// bits and XOR-ing each UTF-16 unit; keys compare exactly.
class IJsonHash {
 public:
  static constexpr TJsonGuid IID = {0xAE758EC1, 0x6806, 0x4F0C, {0x93, 0x00, 0x5C, 0x02, 0x1E, 0x67, 0xF5, 0x77}};

  virtual bool QueryInterface(const TJsonGuid& iid, void** out) = 0;
  virtual int32_t AddRef() = 0;
  virtual int32_t Release() = 0;

  // The link holding the key's entry, or the empty link ending its chain.
  virtual TJsonHashEntry** Find(std::u16string_view key) = 0;
  virtual uint32_t HashOf(const char16_t* chars, int32_t count) = 0;
  virtual void Add(std::u16string_view key, int32_t value) = 0;  // at the head of its chain
  virtual void Clear() = 0;
  virtual void Remove(std::u16string_view key) = 0;
  virtual bool Modify(std::u16string_view key, int32_t value) = 0;  // false when absent
  virtual int32_t ValueOf(std::u16string_view key) = 0;             // -1 when absent

 protected:
  ~IJsonHash() = default;
};

// Byte streams for LoadFromStream and SaveToStream.
class TJsonStream {
 public:
  virtual ~TJsonStream();
  virtual int64_t GetSize() = 0;
  virtual void SetSize(int64_t size) = 0;
  virtual int64_t GetPosition() = 0;
  virtual void SetPosition(int64_t position) = 0;
  // Reads up to count bytes at the position; returns how many were read.
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes all bytes at the position (or raises).
  virtual void Write(const void* buffer, size_t count) = 0;
};

// A stream in memory. Its storage grows to at least 64 bytes and doubles
// whenever a write would pass its end.
class TJsonMemoryStream : public TJsonStream {
 public:
  TJsonMemoryStream() = default;
  explicit TJsonMemoryStream(std::string bytes) : bytes_(std::move(bytes)), size_(bytes_.size()) {}

  int64_t GetSize() override { return static_cast<int64_t>(size_); }
  void SetSize(int64_t size) override;
  int64_t GetPosition() override { return static_cast<int64_t>(position_); }
  void SetPosition(int64_t position) override;
  size_t Read(void* buffer, size_t count) override;
  void Write(const void* buffer, size_t count) override;

  // The stream's bytes (GetSize() of them).
  std::string_view Bytes() const { return std::string_view(bytes_.data(), size_); }
  size_t Allocated() const { return bytes_.size(); }

 private:
  std::string bytes_;  // allocated storage; the first size_ bytes are the stream
  size_t size_ = 0;
  size_t position_ = 0;
};

// Entry functions.
IJsonValuePtr NewJsonValue(std::u16string_view text);  // a null value, then Parse(text)
IJsonValuePtr NewJsonValue();                           // a null value
IJsonObjectPtr NewJsonObject();                         // an empty object
IJsonArrayPtr NewJsonArray();                           // an empty array
IJsonHashPtr NewJsonHash(int32_t buckets);
// NewJsonValue(text)->GetAsObject(): empty, null and unreadable texts give an
// empty object; texts of another kind raise the value type error.
IJsonObjectPtr ParseJsonObject(std::u16string_view text);
IJsonArrayPtr ParseJsonArray(std::u16string_view text);
// A value holding "{}", then LoadFromFile(fileName, utf8Default = false).
IJsonValuePtr LoadJsonFile(std::u16string_view fileName);
IJsonArrayPtr LoadJsonArrayFile(std::u16string_view fileName);
// The JSON text of a node ("" for none).
std::u16string ToJson(IJsonBase* node);

// The interface T of a node (an empty reference when it has none).
template <class T>
TJsonPtr<T> JsonQuery(IJsonBase* node) {
  void* out = nullptr;
  if (!node || !node->QueryInterface(T::IID, &out)) return nullptr;
  return TJsonPtr<T>::attach(static_cast<T*>(out));
}
