// Loads KVNative.dll the way a web shell does and makes a few page calls.
#include <cstdio>
#include <string>

#include "TestHost.h"

namespace {

std::string Describe(const TCallOutcome& outcome) {
  const TResponseRecord& r = outcome.response;
  std::string text = outcome.returned ? "handled" : "not handled";
  switch (r.ending) {
    case TResponseRecord::Ending::Finish: break;
    case TResponseRecord::Ending::None: return text + ", no answer";
    default: return text + ", error " + std::to_string(r.status) + ": " + ToUtf8(r.message);
  }
  switch (r.resultKind) {
    case TResponseRecord::ResultKind::None: return text + ", no result";
    case TResponseRecord::ResultKind::String: return text + ", string \"" + ToUtf8(r.text) + "\"";
    case TResponseRecord::ResultKind::Boolean: return text + ", " + (r.boolean ? "true" : "false");
    case TResponseRecord::ResultKind::Integer: return text + ", " + std::to_string(r.integer);
    case TResponseRecord::ResultKind::Float: return text + ", " + std::to_string(r.number);
    case TResponseRecord::ResultKind::Json: return text + ", JSON " + ToUtf8(r.text);
  }
  return text;
}

void Show(TTestHost& host, const char* label, std::u16string_view method, const TParams& params = {}) {
  std::printf("%-36s -> %s\n", label, Describe(host.Call(method, params)).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  TTestHost host(argc > 1 ? std::wstring(argv[1], argv[1] + std::char_traits<char>::length(argv[1])) : L"KVNative.dll",
                 u"http://127.0.0.1:8080/kvnative");
  if (!host.Loaded()) {
    std::fprintf(stderr, "KVNative.dll could not be loaded (error %lu)\n", GetLastError());
    return 1;
  }

  const TCallOutcome script = host.RequireScript();
  std::printf("Client script (%s, %zu characters):\n", ToUtf8(script.response.contentType).c_str(),
              script.response.text.size());
  size_t start = 0;
  for (int line = 0; line < 8 && start < script.response.text.size(); ++line) {
    size_t end = script.response.text.find(u'\n', start);
    if (end == std::u16string::npos) end = script.response.text.size();
    std::printf("  %s\n", ToUtf8(std::u16string_view(script.response.text).substr(start, end - start)).c_str());
    start = end + 1;
  }

  std::printf("\nPage calls:\n");
  Show(host, "getDebugMode()", u"GetDebugMode");
  Show(host, "setDebugMode(true)", u"SetDebugMode", {{u"mode", u"true"}});
  Show(host, "getDebugMode()", u"GetDebugMode");
  Show(host, "GETDEBUGMODE() (case-insensitive)", u"GETDEBUGMODE");
  Show(host, "getStrMd5Code(\"abc\")", u"GetStrMd5Code", {{u"str", u"abc"}});
  Show(host, "extractFileName(\"C:\\App\\a.txt\")", u"ExtractFileName", {{u"filename", u"C:\\App\\a.txt"}});
  Show(host, "currentProcessFilename()", u"CurrentProcessFilename");
  Show(host, "areacode", u"GetAreaCode");
  Show(host, "getMemStore(\"never.set\")", u"GetMemStore", {{u"path", u"never.set"}});
  Show(host, "getOSInfo()", u"GetOSInfo");
  Show(host, "noSuchMethod()", u"NoSuchMethod");
  return 0;
}
