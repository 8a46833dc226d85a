// The Windows half of the archive reader: read-only mappings of archive
// files, module resources as byte ranges, and the files an extraction writes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "FileView_win.h"
#include "WinHandle.h"
#include "ZipRead.h"

// A whole file mapped read-only; the file is shared with readers only, so
// nobody changes it while it is mapped.
class TMappedFile {
 public:
  // False when the file cannot be opened or mapped; an empty file cannot be
  // mapped either.
  bool Open(std::u16string_view path);
  std::span<const uint8_t> Bytes() const { return view_.Bytes(); }

 private:
  unique_hfile file_;
  TFileView view_;
};

// The bytes of a module resource; empty when the module has no such resource.
std::span<const uint8_t> ResourceBytes(HMODULE module, std::u16string_view name, std::u16string_view type);

// Files below a destination directory. An existing file that cannot be
// deleted is moved into the "_DeleteFiles" folder beside the host executable
// under its name and the ".hhnnsszzz" time of the move.
class TZipTargetFiles final : public IZipTargetFiles {
 public:
  std::unique_ptr<IZipTargetFile> Create(const std::u16string& path) override;

 private:
  // Entries of one directory follow each other: its chain is made once.
  std::u16string lastDir_;
};

// Creates `path` for writing, replacing an existing file; null when that
// fails. The file is removed again unless it is committed.
std::unique_ptr<IZipTargetFile> CreateZipTargetFile(const std::u16string& path);
