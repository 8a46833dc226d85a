// Readers of page and peer text: Base64, hexadecimal containers and the
// parameter text. Each must take any input without fault, and the writers'
// output must read back to what was written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Base64.h"
#include "CipherText.h"
#include "NativeError.h"
#include "ParamText.h"
#include "TextConv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string text = Utf8ToUtf16(bytes);

  if (Base64Decode(Base64Encode(bytes)) != bytes) std::abort();
  Base64Decode(bytes);

  if (HexToBytes(BytesToHex(bytes, size % 2 == 0)) != bytes) std::abort();
  try {
    const std::string container = HexToBytes(text);
    const TAesContainer parsed = ParseAesContainer(container);
    AesContainerText(parsed.blocks, parsed.length);
  } catch (const ENativeError&) {
  }

  // The first line is a value, the rest a list to read it from.
  const size_t cut = text.find(u'\n');
  const std::u16string_view value = std::u16string_view(text).substr(0, cut);
  std::u16string list = cut == std::u16string::npos ? std::u16string() : text.substr(cut + 1);
  ParamTextGet(list, u"Per", u"-1");
  const bool escapesIntact = value.find(u"&eq%") == std::u16string_view::npos &&
                             value.find(u"&lim%") == std::u16string_view::npos;
  std::u16string fresh;
  ParamTextAdd(u"Per", value, fresh);
  ParamTextAdd(u"x", u"y", fresh);
  if (escapesIntact && ParamTextGet(fresh, u"Per", u"") != value) std::abort();
  return 0;
}
