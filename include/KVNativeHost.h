/*
 * KVNative host interfaces.
 *
 * A host program embeds a browser engine, loads KVNative.dll and routes the
 * calls that pages make to it. The host implements the interfaces below; the
 * library only calls them (and implements IWebScript and
 * IWebRunFileDialogCallback itself).
 *
 * Conventions (COM):
 *   - Every interface derives from IUnknown; methods use the stdcall
 *     convention (STDMETHODCALLTYPE) and return HRESULT. The library treats a
 *     failed HRESULT from a getter as "no value" (empty text, no object).
 *   - Wide strings passed in are zero-terminated UTF-16 (LPCWSTR, never NULL
 *     unless stated); the callee copies what it keeps.
 *   - Wide strings passed out are BSTRs allocated with SysAllocString*; the
 *     library frees them with SysFreeString.
 *   - Booleans are BOOL (0 = false, anything else = true).
 *   - Lists of tagged values are arrays of VARIANT with a count. The library
 *     produces only VT_BOOL (VARIANT_TRUE/VARIANT_FALSE), VT_BSTR and
 *     VT_UNKNOWN holding an IWebScript. The array and its values stay owned
 *     by the caller and are valid for the duration of the call only.
 *
 * Exports of KVNative.dll (undecorated names, stdcall on 32-bit):
 *
 *   BOOL NativeResourceRequire(IWebContext* ctx, IWebRequest* req, IWebResponse* resp);
 *       Writes the client script into resp (a string result, content type
 *       "application/javascript", then Finish(0)), with the first "%url%" of
 *       the script replaced by req->GetUrl. Returns TRUE when delivered.
 *
 *   BOOL NativeLoadResource(IWebContext* ctx, IWebRequest* req, IWebResponse* resp, BOOL* flag);
 *       Executes one page call: module req->GetModuleName ("methods"), method
 *       req->GetMethodName, parameters by name through req->GetParam. The
 *       method runs through ctx->RunMethod; its result and status go to resp.
 *       Returns TRUE when a method was found and run (also when the method
 *       reported an error through resp), FALSE when the module or method is
 *       unknown (resp->SetErrorFmt with status 404) or the dispatch failed.
 *       *flag is always set to FALSE.
 *
 *   INativeMethods** NativeMethod(void);
 *       The address of the library's native service reference (see
 *       KVNativeMethods.h). The library owns the reference: do not release
 *       it, and do not use it after the library was unloaded.
 */
#ifndef KVNATIVE_HOST_H
#define KVNATIVE_HOST_H

#include <windows.h>
#include <oaidl.h>
#include <unknwn.h>

#if defined(_MSC_VER)
#define KV_DECLARE_INTERFACE(name, base, iid) struct __declspec(uuid(iid)) __declspec(novtable) name : public base
#define KV_DEFINE_IID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)
#else
#define KV_DECLARE_INTERFACE(name, base, iid) struct name : public base
#define KV_DEFINE_IID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
  __CRT_UUID_DECL(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)
#endif

struct IWebRunFileDialogCallback;

/* Base of the host's request-side interfaces. It adds no operation the
 * library calls. */
KV_DECLARE_INTERFACE(IWebBase, IUnknown, "2891159D-4C15-4019-AF70-6BE0CD0887B0") {};
KV_DEFINE_IID(IWebBase, 0x2891159D, 0x4C15, 0x4019, 0xAF, 0x70, 0x6B, 0xE0, 0xCD, 0x08, 0x87, 0xB0)

/* The page call: which module and method, and its named parameters. Valid
 * only during NativeLoadResource / NativeResourceRequire. */
KV_DECLARE_INTERFACE(IWebRequest, IWebBase, "63E1F81A-D586-4394-B55B-3DE7924CB3A8") {
  /* The base URL under which the host routes page calls to the library; it
   * replaces "%url%" in the client script, which then calls
   * Ajax(url + "/methods"). */
  virtual HRESULT STDMETHODCALLTYPE GetUrl(BSTR * url) = 0;
  /* The method name the page passed to requestSync (first argument). */
  virtual HRESULT STDMETHODCALLTYPE GetMethodName(BSTR * name) = 0;
  /* The module name: the path segment after the base URL ("methods"). */
  virtual HRESULT STDMETHODCALLTYPE GetModuleName(BSTR * name) = 0;
  /* The text of the named parameter (names are case-sensitive keys of the
   * page's parameter object). An absent parameter yields empty text (an
   * empty or NULL BSTR). The host converts page values to text: Booleans as
   * "true"/"false", numbers in decimal. */
  virtual HRESULT STDMETHODCALLTYPE GetParam(LPCWSTR name, BSTR * value) = 0;
};
KV_DEFINE_IID(IWebRequest, 0x63E1F81A, 0xD586, 0x4394, 0xB5, 0x5B, 0x3D, 0xE7, 0x92, 0x4C, 0xB3, 0xA8)

/* The result holder of one call: holds one typed value that the host
 * delivers to the page as the return value of requestSync. */
KV_DECLARE_INTERFACE(IWebPostData, IWebBase, "8B64B054-F1A8-4EF9-9137-8503A507A423") {
  /* Reads the value back as a Boolean. */
  virtual HRESULT STDMETHODCALLTYPE GetAsBoolean(BOOL * value) = 0;
  /* The page receives a string. */
  virtual HRESULT STDMETHODCALLTYPE SetAsString(LPCWSTR value) = 0;
  /* The page receives true or false. */
  virtual HRESULT STDMETHODCALLTYPE SetAsBoolean(BOOL value) = 0;
  /* The page receives a number. */
  virtual HRESULT STDMETHODCALLTYPE SetAsInteger(INT32 value) = 0;
  /* The page receives a number. */
  virtual HRESULT STDMETHODCALLTYPE SetAsFloat(double value) = 0;
  /* The page receives the value the JSON text denotes (object, array or null). */
  virtual HRESULT STDMETHODCALLTYPE SetAsJson(LPCWSTR json) = 0;
};
KV_DEFINE_IID(IWebPostData, 0x8B64B054, 0xF1A8, 0x4EF9, 0x91, 0x37, 0x85, 0x03, 0xA5, 0x07, 0xA4, 0x23)

/* The answer to one call. Exactly one of Finish, SetError, SetErrorCode and
 * SetErrorFmt ends it. */
KV_DECLARE_INTERFACE(IWebResponse, IWebBase, "6FD9B2D4-BE06-456B-AC45-1865D78904C2") {
  /* The result holder of this call. Every call within one page call must
   * hand out the same holder (AddRef'ed): a value set through one reference
   * is read back through the next. */
  virtual HRESULT STDMETHODCALLTYPE GetData(IWebPostData * *data) = 0;
  /* MIME type of the body; only NativeResourceRequire sets it. */
  virtual HRESULT STDMETHODCALLTYPE SetContentType(LPCWSTR value) = 0;
  /* The call completed normally; the library always passes 0. */
  virtual HRESULT STDMETHODCALLTYPE Finish(INT32 code) = 0;
  /* The call failed with this message (used instead of Finish). */
  virtual HRESULT STDMETHODCALLTYPE SetError(LPCWSTR message) = 0;
  /* The call failed with an HTTP-like status and a message. */
  virtual HRESULT STDMETHODCALLTYPE SetErrorCode(INT32 status, LPCWSTR message) = 0;
  /* As SetErrorCode; the host builds the message from a format whose "%s"
   * placeholders take the VT_BSTR arguments in order. */
  virtual HRESULT STDMETHODCALLTYPE SetErrorFmt(INT32 status, LPCWSTR format, const VARIANT* args, UINT count) = 0;
};
KV_DEFINE_IID(IWebResponse, 0x6FD9B2D4, 0xBE06, 0x456B, 0xAC, 0x45, 0x18, 0x65, 0xD7, 0x89, 0x04, 0xC2)

/* A parameterless procedure that RunMethod runs: call proc(data) once. */
typedef void(STDMETHODCALLTYPE* KVWebMethodProc)(void* data);

/* The page (browser frame) that made a call. It outlives the call: the
 * library keeps a reference inside callback objects to call page functions
 * later, possibly from another thread than the host's main thread. */
KV_DECLARE_INTERFACE(IWebContext, IWebBase, "DB718499-4F7F-4F98-AAA1-A7505788EFAF") {
  /* The native window of the browser that hosts the page. */
  virtual HRESULT STDMETHODCALLTYPE GetWindowHandle(HWND * window) = 0;
  /* Runs proc(data). With mainThread TRUE the host runs it on its main
   * (user-interface) thread, marshalling the call when made from another
   * thread; with FALSE on any thread. In every case RunMethod returns only
   * after proc has returned. */
  virtual HRESULT STDMETHODCALLTYPE RunMethod(BOOL mainThread, KVWebMethodProc proc, void* data) = 0;
  /* Decodes one percent-encoded URL component. */
  virtual HRESULT STDMETHODCALLTYPE UrlDecode(LPCWSTR text, BSTR * decoded) = 0;
  /* Calls the page's global function `name` with the arguments and returns
   * without waiting for it; the library uses no return value. A VT_BOOL or
   * VT_BSTR argument reaches the page as a Boolean or string; a VT_UNKNOWN
   * argument is an IWebScript whose text the host inserts as a script
   * expression (not quoted). May be called from any thread. */
  virtual HRESULT STDMETHODCALLTYPE CallFunction(LPCWSTR name, const VARIANT* args, UINT count) = 0;
  /* File dialogs. The host shows the dialog and later reports the chosen
   * path or paths (joined by ";", empty when cancelled) through
   * callback->OnResult. acceptTypes is the page's filter text. */
  virtual HRESULT STDMETHODCALLTYPE OpenFileDialog(LPCWSTR title, LPCWSTR defaultFileName, LPCWSTR acceptTypes,
                                                   IWebRunFileDialogCallback * callback) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenFilesDialog(LPCWSTR title, LPCWSTR defaultFileName, LPCWSTR acceptTypes,
                                                    IWebRunFileDialogCallback * callback) = 0;
  virtual HRESULT STDMETHODCALLTYPE SaveFileDialog(LPCWSTR title, LPCWSTR defaultFileName, LPCWSTR acceptTypes,
                                                   IWebRunFileDialogCallback * callback) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenFolderDialog(LPCWSTR title, LPCWSTR defaultFileName,
                                                     IWebRunFileDialogCallback * callback) = 0;
};
KV_DEFINE_IID(IWebContext, 0xDB718499, 0x4F7F, 0x4F98, 0xAA, 0xA1, 0xA7, 0x50, 0x57, 0x88, 0xEF, 0xAF)

/* Implemented by the library: a CallFunction argument that is script text
 * to insert literally (JSON text, a function expression). */
KV_DECLARE_INTERFACE(IWebScript, IUnknown, "F85FEC5F-3630-4637-8CD7-2C75F465EEF5") {
  virtual HRESULT STDMETHODCALLTYPE GetScript(BSTR * text) = 0;
};
KV_DEFINE_IID(IWebScript, 0xF85FEC5F, 0x3630, 0x4637, 0x8C, 0xD7, 0x2C, 0x75, 0xF4, 0x65, 0xEE, 0xF5)

/* Implemented by the library: receives the result of a file dialog. */
KV_DECLARE_INTERFACE(IWebRunFileDialogCallback, IUnknown, "49095A80-6ADA-45F0-874D-1DC805B2A232") {
  /* The chosen path or paths joined by ";"; empty when nothing was chosen. */
  virtual HRESULT STDMETHODCALLTYPE OnResult(LPCWSTR paths) = 0;
};
KV_DEFINE_IID(IWebRunFileDialogCallback, 0x49095A80, 0x6ADA, 0x45F0, 0x87, 0x4D, 0x1D, 0xC8, 0x05, 0xB2, 0xA2, 0x32)

#endif /* KVNATIVE_HOST_H */
