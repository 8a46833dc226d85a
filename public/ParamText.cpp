#include "ParamText.h"

namespace {

void ReplaceAll(std::u16string& text, std::u16string_view from, std::u16string_view to) {
  for (size_t at = text.find(from); at != std::u16string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

}  // namespace

std::u16string ParamTextEscape(std::u16string_view value) {
  std::u16string out;
  out.reserve(value.size());
  for (char16_t c : value) {
    if (c == u'=') out += u"&eq%";
    else if (c == u';') out += u"&lim%";
    else out += c;
  }
  return out;
}

std::u16string ParamTextUnescape(std::u16string_view value) {
  std::u16string out(value);
  ReplaceAll(out, u"&eq%", u"=");
  ReplaceAll(out, u"&lim%", u";");
  return out;
}

void ParamTextAdd(std::u16string_view name, std::u16string_view value, std::u16string& list) {
  list.append(name).append(u"=").append(ParamTextEscape(value)).append(u";");
}

std::u16string ParamTextGet(std::u16string_view list, std::u16string_view name, std::u16string_view def) {
  const std::u16string key = std::u16string(name) + u"=";
  size_t found = std::u16string_view::npos;
  for (size_t at = list.find(key); at != std::u16string_view::npos; at = list.find(key, at + 1)) {
    if (found == std::u16string_view::npos) found = at;
    if (at == 0 || list[at - 1] == u';') {
      found = at;
      break;
    }
  }
  if (found == std::u16string_view::npos) return std::u16string(def);
  const size_t start = found + key.size();
  const size_t end = list.find(u';', start);
  return ParamTextUnescape(list.substr(start, end == std::u16string_view::npos ? end : end - start));
}
