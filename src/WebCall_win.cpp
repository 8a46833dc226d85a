#include "WebCall_win.h"

#include <atomic>
#include <optional>
#include <vector>

#include "LibraryLifecycle_win.h"
#include "NativeError.h"
#include "NativeStrings.h"
#include "TextConv.h"
#include "WebNativeMeths_win.h"
#include "WinComObject.h"
#include "WinHandle.h"
#include "WinText.h"
#include "WinVariant.h"

namespace {

struct TRegistryEntry {
  std::u16string name;
  TWebCallInfo info;
};

// Written at start-up and unload only; read without a lock.
std::vector<std::unique_ptr<TRegistryEntry>>* g_registry = nullptr;
HMODULE g_libraryModule = nullptr;

std::u16string GetText(HRESULT (STDMETHODCALLTYPE IWebRequest::*getter)(BSTR*), IWebRequest* request) {
  TBstr value;
  if (FAILED((request->*getter)(value.put()))) return {};
  return value.str();
}

void SetErrorFmt(IWebResponse* response, INT32 status, const char16_t* format,
                 std::initializer_list<std::u16string_view> args) {
  TVariantArray variants(args.size());
  size_t i = 0;
  for (std::u16string_view arg : args) variants.Set(i++, TVariant(arg));
  response->SetErrorFmt(status, as_wcstr(format), variants.data(), variants.size());
}

// One call's invocation record, on the stack of NativeLoadResource.
struct TRequestInvokeRec {
  TWebModule* Instance;
  const TWebMethodEntry* Method;
  com_ptr<IWebContext> Context;
  com_ptr<IWebRequest> Request;
  com_ptr<IWebResponse> Response;
  bool invoked = false;
  // A failure that is not the library's own: it cannot travel through the
  // host's RunMethod, so it is reported as a failure of the dispatch.
  std::optional<std::u16string> foreignError;
};

// Adapts a procedure and its data into the parameterless method RunMethod
// runs.
struct TThreadMethodObject {
  void (*Callback)(void* data);
  void* Data;
  static void STDMETHODCALLTYPE Invoke(void* self) {
    auto* object = static_cast<TThreadMethodObject*>(self);
    object->Callback(object->Data);
  }
};

void InvokeMethod(void* data) {
  auto& rec = *static_cast<TRequestInvokeRec*>(data);
  rec.invoked = true;
  try {
    RunWebMethod(*rec.Method, *static_cast<TWebMethods*>(rec.Instance), rec.Context.get(), rec.Request.get(),
                 rec.Response.get());
  } catch (const ENativeError& e) {
    const std::u16string method = GetText(&IWebRequest::GetMethodName, rec.Request.get());
    const std::u16string message = u"[" + method + u"]" + e.Message();
    rec.Response->SetError(as_wcstr(message.c_str()));
  } catch (const std::exception& e) {
    rec.foreignError = Utf8ToUtf16(e.what());
  } catch (...) {
    rec.foreignError = u"Unknown error";
  }
}

}  // namespace

TWebCallInfo& WebCall::RegisterModule(std::u16string_view name, const TWebModuleClass& moduleClass, bool directCall,
                                      bool singleInstance) {
  auto entry = std::make_unique<TRegistryEntry>();
  entry->name = name;
  entry->info.ModuleClass = &moduleClass;
  entry->info.DirectCall = directCall;
  entry->info.SingleInstance = singleInstance;
  entry->info.OwnsInstance = true;
  g_registry->push_back(std::move(entry));
  return g_registry->back()->info;
}

TWebCallInfo* WebCall::FindModule(std::u16string_view name) {
  if (!g_registry) return nullptr;
  for (auto& entry : *g_registry) {
    // Module names are ASCII, like method names.
    if (SameTextAscii(entry->name, name)) return &entry->info;
  }
  return nullptr;
}

void WebCall::Initialize() { g_registry = new std::vector<std::unique_ptr<TRegistryEntry>>(); }

void WebCall::Finalize() {
  if (!g_registry) return;
  // Last to first: the kept instance, then its entry.
  while (!g_registry->empty()) {
    TWebCallInfo& info = g_registry->back()->info;
    if (info.SingleInstance && info.OwnsInstance) info.Instance.reset();
    g_registry->pop_back();
  }
  delete std::exchange(g_registry, nullptr);
}

void SetLibraryModule(HMODULE module) { g_libraryModule = module; }
HMODULE LibraryModule() { return g_libraryModule; }

BOOL NativeLoadResourceImpl(IWebContext* context, IWebRequest* request, IWebResponse* response, BOOL* flag) {
  if (flag) *flag = FALSE;
  // Outside start-up to unload a call gets nothing: no module, no service object.
  if (!LibraryServing() || !request || !response) return FALSE;
  try {
    const std::u16string moduleName = GetText(&IWebRequest::GetModuleName, request);
    TWebCallInfo* info = WebCall::FindModule(moduleName);
    if (!info) {
      SetErrorFmt(response, 404, u"[%s] not found!", {moduleName});
      return FALSE;
    }
    std::u16string methodName = GetText(&IWebRequest::GetMethodName, request);
    if (methodName.size() > 255) methodName.resize(255);
    const TWebMethodEntry* method = info->ModuleClass->findMethod(methodName);
    if (!method) {
      SetErrorFmt(response, 404, u"[%s] not found [%s] method!", {moduleName, methodName});
      return FALSE;
    }
    if (!context) throw ENativeError(u"No IWebContext to run the method on");

    std::unique_ptr<TWebModule> transient;
    TWebModule* instance = info->Instance.get();
    if (!instance) {
      auto created = info->ModuleClass->create();
      instance = created.get();
      if (info->SingleInstance) {
        info->Instance = std::move(created);
      } else {
        transient = std::move(created);
      }
    }

    TRequestInvokeRec rec{instance, method, context, request, response, false, std::nullopt};
    TThreadMethodObject runner{&InvokeMethod, &rec};
    const HRESULT hr = context->RunMethod(info->DirectCall ? FALSE : TRUE, &TThreadMethodObject::Invoke, &runner);
    if (!rec.invoked) {
      throw ENativeError(StrFormat(u"IWebContext.RunMethod did not run the method (0x%08X)",
                                   {static_cast<unsigned>(hr)}));
    }
    if (rec.foreignError) throw ENativeError(*rec.foreignError);

    if (flag) *flag = FALSE;
    return TRUE;
  } catch (const ENativeError& e) {
    response->SetError(as_wcstr(e.Message().c_str()));
  } catch (const std::exception& e) {
    response->SetError(as_wcstr(Utf8ToUtf16(e.what()).c_str()));
  } catch (...) {
    response->SetError(L"Unknown error");
  }
  return FALSE;
}

namespace {

// Replaces the first occurrence of `pattern` (ASCII letters matched without
// regard to case) by `replacement`.
void ReplaceFirstIgnoringCase(std::u16string& text, std::u16string_view pattern, std::u16string_view replacement) {
  if (pattern.empty() || text.size() < pattern.size()) return;
  for (size_t i = 0; i + pattern.size() <= text.size(); ++i) {
    if (SameTextAscii(std::u16string_view(text).substr(i, pattern.size()), pattern)) {
      text.replace(i, pattern.size(), replacement);
      return;
    }
  }
}

}  // namespace

BOOL NativeResourceRequireImpl(IWebContext*, IWebRequest* request, IWebResponse* response) {
  const HMODULE module = LibraryModule();
  if (!LibraryServing() || !module || !response) return FALSE;
  try {
    // Resource names and types match without regard to case.
    const HRSRC resource = FindResourceW(module, L"NativeRequire", L"js");
    const HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
      const std::u16string message = StrFormat(u"resource [%s.js] not found!", {u"NativeRequire"});
      response->SetErrorCode(404, as_wcstr(message.c_str()));
      return FALSE;
    }
    const std::string_view data(static_cast<const char*>(bytes), SizeofResource(module, resource));
    std::u16string script = data.substr(0, 3) == "\xEF\xBB\xBF" ? Utf8ToUtf16(data.substr(3)) : AnsiToUtf16(data);
    ReplaceFirstIgnoringCase(script, u"%url%", request ? GetText(&IWebRequest::GetUrl, request) : u"");

    com_ptr<IWebPostData> result;
    if (FAILED(response->GetData(result.put())) || !result) throw ENativeError(u"IWebResponse.GetData gave no result holder");
    result->SetAsString(as_wcstr(script.c_str()));
    response->SetContentType(L"application/javascript");
    response->Finish(0);
    return TRUE;
  } catch (const ENativeError& e) {
    response->SetError(as_wcstr(e.Message().c_str()));
  } catch (const std::exception& e) {
    response->SetError(as_wcstr(Utf8ToUtf16(e.what()).c_str()));
  } catch (...) {
    response->SetError(L"Unknown error");
  }
  return FALSE;
}

namespace {

// The library's IWebScript: one text fixed at construction.
class TWebScript final : public TComObject<IWebScript> {
 public:
  explicit TWebScript(std::u16string_view text) : text_(text) {}

  HRESULT STDMETHODCALLTYPE GetScript(BSTR* text) override {
    if (!text) return E_POINTER;
    *text = AllocBstr(text_);
    return *text || text_.empty() ? S_OK : E_OUTOFMEMORY;
  }

 private:
  const std::u16string text_;
};

}  // namespace

com_ptr<IWebScript> MakeWebScript(std::u16string_view text) {
  return com_ptr<IWebScript>::attach(new TWebScript(text));
}
