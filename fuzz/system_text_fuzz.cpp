// The page-supplied texts of the system methods: URL queries, registry
// names and DWORD values, and command lines, read from UTF-16LE input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "NativeSystemText.h"
#include "TextConv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::u16string text = Utf16LeBytesToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));

  for (const auto& [name, value] : SplitUrlQuery(text)) {
    if (name.find(u'=') != std::u16string::npos) std::abort();
  }
  for (const std::u16string& arg : SplitCommandLine(text)) {
    if (arg.find(u'"') != std::u16string::npos) std::abort();
  }
  const TRegistryName name = SplitRegistryName(text);
  if (name.keyPath.size() + name.valueName.size() > text.size()) std::abort();
  if (IsDwordValueText(text)) DwordValueOf(text);
  return 0;
}
