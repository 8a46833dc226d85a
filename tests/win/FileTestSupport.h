// Real files for the file and directory tests: a scratch folder per test,
// byte-exact reads and writes, and page calls with their results.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "NativePublic_win.h"
#include "TestHost.h"
#include "TextConv.h"
#include "WinText.h"

inline const wchar_t* W(const std::u16string& s) { return as_wcstr(s.c_str()); }

inline std::string ReadBytes(const std::u16string& path) {
  std::ifstream in(W(path), std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline void WriteBytes(const std::u16string& path, const std::string& bytes) {
  std::ofstream out(W(path), std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline bool Exists(const std::u16string& path) { return GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES; }

// Deletes a tree whatever its attributes.
inline void DeleteTree(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(W(path));
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesW(W(path), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileW(W(path));
    return;
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {  // a link, not what it points to
    RemoveDirectoryW(W(path));
    return;
  }
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW(W(path + u"\\*"), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::u16string name(as_u16cstr(fd.cFileName));
      if (name != u"." && name != u"..") DeleteTree(path + u"\\" + name);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
  }
  RemoveDirectoryW(W(path));
}

// A scratch folder, removed with everything in it at the end.
class TScratchDir {
 public:
  // Under the temporary folder, or under `parent` when given.
  explicit TScratchDir(const std::u16string& parent = {}) {
    std::u16string base = parent;
    if (base.empty()) {
      wchar_t temp[MAX_PATH + 1] = {};
      GetTempPathW(MAX_PATH, temp);
      base = as_u16cstr(temp);
    }
    if (base.back() != u'\\') base += u'\\';
    static int counter = 0;
    path_ = base + u"kvfiles_" + AsciiToUtf16(std::to_string(GetCurrentProcessId())) + u"_" +
            AsciiToUtf16(std::to_string(++counter));
    DeleteTree(path_);
    CreateDirectoryW(W(path_), nullptr);
  }
  ~TScratchDir() { DeleteTree(path_); }
  TScratchDir(const TScratchDir&) = delete;
  TScratchDir& operator=(const TScratchDir&) = delete;

  const std::u16string& Path() const { return path_; }
  // A path inside the folder.
  std::u16string operator/(std::u16string_view name) const { return path_ + u"\\" + std::u16string(name); }
  // Creates the file with `bytes` (and its folders).
  std::u16string File(std::u16string_view name, const std::string& bytes = {}) const {
    const std::u16string path = *this / name;
    ForceDirectories(path.substr(0, path.rfind(u'\\')));
    WriteBytes(path, bytes);
    return path;
  }
  std::u16string Dir(std::u16string_view name) const {
    const std::u16string path = *this / name;
    ForceDirectories(path);
    return path;
  }

 private:
  std::u16string path_;
};

// A page call that must finish; its result.
inline TResponseRecord Page(TTestHost& host, std::u16string_view method, const TParams& params = {}) {
  TCallOutcome call = host.Call(method, params);
  EXPECT_TRUE(call.response.Finished()) << ToUtf8(method) << ": " << ToUtf8(call.response.message);
  return call.response;
}

inline bool PageFlag(TTestHost& host, std::u16string_view method, const TParams& params = {}) {
  const TResponseRecord r = Page(host, method, params);
  EXPECT_EQ(r.resultKind, TResponseRecord::ResultKind::Boolean) << ToUtf8(method);
  return r.boolean;
}

inline std::u16string PageText(TTestHost& host, std::u16string_view method, const TParams& params = {}) {
  const TResponseRecord r = Page(host, method, params);
  EXPECT_TRUE(r.resultKind == TResponseRecord::ResultKind::String || r.resultKind == TResponseRecord::ResultKind::Json)
      << ToUtf8(method);
  return r.text;
}
