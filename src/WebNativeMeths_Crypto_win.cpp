// Web methods of hashes, encodings, keys and ciphers.
#include "CipherText.h"
#include "Cipher_win.h"
#include "NativeMethod_win.h"
#include "NativeStrings.h"
#include "ScriptCallbacks_win.h"
#include "WebNativeMeths_win.h"

namespace {

// The script of an encrypted page script: the container's text under the
// script key, trimmed, with tabs and CR LF pairs as blanks so that it reads
// as one line.
std::u16string DecryptPageScript(std::u16string_view container) {
  std::u16string script(TrimBlanks(AesDecryptText(container, kAesScriptKeyText)));
  std::u16string out;
  out.reserve(script.size());
  for (size_t i = 0; i < script.size(); ++i) {
    if (script[i] == u'\r' && i + 1 < script.size() && script[i + 1] == u'\n') {
      out += u' ';
      ++i;
    } else {
      out += script[i] == u'\t' ? u' ' : script[i];
    }
  }
  return out;
}

// Calls the page function `name` with the value of calling the function
// expression `script`.
void CallWithScriptResult(IWebContext* context, const std::u16string& name, std::u16string_view script) {
  TVariantArray args(1);
  args.Set(0, ScriptArgument(u"(" + std::u16string(script) + u")()"));
  CallPageFunction(context, name, args);
}

void EvalEncryptScript(TWebCall& c) {
  const std::u16string script = DecryptPageScript(c.Text(u"encryptScript"));
  const std::u16string onDone = c.Text(u"onDone");
  if (!script.empty() && !onDone.empty()) CallWithScriptResult(c.Context(), onDone, script);
  c.Result(!script.empty());
}

const TWebMethodBinding kBindings[] = {
    {u"CreateTimeStamp", [](TWebCall& c) { c.Result(c.Native().CreateTimeStamp()); }},
    {u"CreateAppKey", [](TWebCall& c) {
       c.Result(c.Native().CreateAppKey(c.Text(u"appId"), c.Text(u"appSecret"), c.Text(u"timeStamp")));
     }},
    {u"CreateGUID", [](TWebCall& c) { c.Result(c.Native().CreateGUID()); }},
    {u"GetStrMd5Code", [](TWebCall& c) { c.Result(c.Native().GetStrMd5Code(c.Text(u"str"))); }},
    {u"GetStrSHA1Code", [](TWebCall& c) { c.Result(c.Native().GetStrSHA1Code(c.Text(u"str"))); }},
    {u"GetFileMd5Code", [](TWebCall& c) { c.Result(c.Native().GetFileMd5Code(c.Text(u"filename"))); }},
    {u"GetFileSha1Code", [](TWebCall& c) { c.Result(c.Native().GetFileSHA1Code(c.Text(u"filename"))); }},
    {u"EvalEncryptScript", EvalEncryptScript},
    {u"AESEncrypt", [](TWebCall& c) { c.Result(c.Native().AESEncrypt(c.Text(u"data"), c.Text(u"key"))); }},
    {u"AESDecrypt", [](TWebCall& c) { c.Result(c.Native().AESDecrypt(c.Text(u"data"), c.Text(u"key"))); }},
    {u"Base64Encode", [](TWebCall& c) { c.Result(c.Native().Base64Encode(c.Text(u"str"))); }},
    {u"Base64Decode", [](TWebCall& c) { c.Result(c.Native().Base64Decode(c.Text(u"str"))); }},
};

}  // namespace

std::span<const TWebMethodBinding> CryptoWebMethods() { return kBindings; }
