// A sink for the archive fuzz targets that aborts (a finding) when it is
// handed more than the declared size.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "ZipRead.h"

class TBoundedSink final : public IZipSink {
 public:
  explicit TBoundedSink(uint64_t limit) : limit_(limit) {}
  bool Write(const uint8_t* data, size_t size) override {
    written_ += size;
    if (written_ > limit_) abort();
    return true;
  }

 private:
  uint64_t limit_;
  uint64_t written_ = 0;
};
