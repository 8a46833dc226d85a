// The gzip member reader over arbitrary bytes: the header walk stays inside
// the input and inflation never hands out more than ISIZE bytes.
#include <cstdint>

#include "BoundedSink.h"
#include "NativeError.h"
#include "ZipRead.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    TGzipMember member;
    if (!ReadGzipMember({data, size}, member)) return 0;
    TBoundedSink sink(member.size);
    InflateGzipMember(member, sink);
  } catch (const ENativeError&) {
  }
  return 0;
}
