// The ZIP directory reader and entry extraction over arbitrary bytes: every
// input either reads or raises ENativeError, and extraction never reads
// outside the input nor hands out more than an entry's declared size.
#include <cstdint>

#include "BoundedSink.h"
#include "NativeError.h"
#include "ZipRead.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const TZipRead zip({data, size});
    for (const TZipEntry& entry : zip.Entries()) {
      IsSafeZipEntryName(entry.name);
      if (!entry.Extractable()) continue;
      TBoundedSink sink(entry.uncompressedSize);
      try {
        zip.ExtractEntry(entry, sink);
      } catch (const ENativeError&) {
      }
    }
  } catch (const ENativeError&) {
  }
  return 0;
}
