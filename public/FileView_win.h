// A read-only view of a whole file through a file mapping of exactly the
// size measured, so that a file that shrinks meanwhile can never be read
// past its end.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "WinHandle.h"

class TFileView {
 public:
  enum class TStatus { Ok, MappingFailed, ViewFailed };

  // Maps `size` bytes of the open `file`. An empty file cannot be mapped.
  TStatus Map(HANDLE file, uint64_t size);
  std::span<const uint8_t> Bytes() const { return {static_cast<const uint8_t*>(view_.get()), size_}; }

 private:
  unique_handle mapping_;
  unique_mapview view_;
  size_t size_ = 0;
};

// Moves `file` into `folder` (created when missing) under its name followed
// by the ".hhnnsszzz" local time of the move: where files go that cannot be
// deleted or overwritten now. False when the move fails.
bool MoveIntoDeferredDeleteFolder(std::u16string_view file, std::u16string_view folder);
