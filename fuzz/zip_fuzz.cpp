// The ZIP directory reader and entry extraction over arbitrary bytes: every
// input either reads or raises ENativeError, extraction never reads outside
// the input nor hands out more than an entry's declared size, and streaming
// and in-memory extraction agree.
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "BoundedSink.h"
#include "NativeError.h"
#include "ZipRead.h"

namespace {

// 0: ok, 1: mismatch, 2: raised.
int Outcome(const auto& extract) {
  try {
    return extract() ? 0 : 1;
  } catch (const ENativeError&) {
    return 2;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const TZipRead zip({data, size});
    for (const TZipEntry& entry : zip.Entries()) {
      IsSafeZipEntryName(entry.name);
      if (!entry.Extractable()) continue;
      TBoundedSink sink(entry.uncompressedSize);
      const int streamed = Outcome([&] { return zip.ExtractEntry(entry, sink); });
      if (entry.uncompressedSize > (16u << 20)) continue;
      const std::unique_ptr<uint8_t[]> out(new uint8_t[entry.uncompressedSize + 1]);
      if (Outcome([&] { return zip.ExtractEntryInto(entry, out.get()); }) != streamed) abort();
    }
  } catch (const ENativeError&) {
  }
  return 0;
}
