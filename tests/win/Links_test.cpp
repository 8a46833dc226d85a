// Shell links created, read back and retargeted through the real library.
#include "FileTestSupport.h"
#include "NativePaths.h"
#include "NativeStrings.h"

namespace {

TEST(ShellLinks, CreatedReadBackAndRetargeted) {
  TTestHost host;
  const TScratchDir dir;
  const std::u16string link = dir / u"prog.lnk";
  const std::u16string program = HostExecutablePath();
  EXPECT_TRUE(PageFlag(
      host, u"CreateLink",
      {{u"linkfile", link}, {u"programPath", program}, {u"programArg", u"-a \"b c\""}, {u"desc", u"测试 link"}}));
  EXPECT_TRUE(Exists(link));
  EXPECT_TRUE(SameTextAscii(PageText(host, u"GetPathFromLink", {{u"linkfile", link}}), program));
  EXPECT_TRUE(SameTextAscii(PageText(host, u"GetWorkPathFromLink", {{u"linkfile", link}}), ExtractFilePath(program)));

  const std::u16string target = HostExecutableDir() + u"\\KVNative.dll";
  EXPECT_TRUE(PageFlag(host, u"SetPathOfLink", {{u"linkfile", link}, {u"path", target}}));
  EXPECT_TRUE(SameTextAscii(PageText(host, u"GetPathFromLink", {{u"linkfile", link}}), target));

  // The extension decides, in any case.
  EXPECT_TRUE(PageFlag(host, u"CreateLink", {{u"linkfile", dir / u"UPPER.LNK"}, {u"programPath", program}}));
  EXPECT_FALSE(PageFlag(host, u"CreateLink", {{u"linkfile", dir / u"prog.txt"}, {u"programPath", program}}));
  EXPECT_FALSE(Exists(dir / u"prog.txt"));
  // A link that cannot be saved is reported as such.
  EXPECT_FALSE(PageFlag(host, u"CreateLink", {{u"linkfile", dir / u"missing\\p.lnk"}, {u"programPath", program}}));

  EXPECT_EQ(PageText(host, u"GetPathFromLink", {{u"linkfile", dir / u"none.lnk"}}), u"");
  EXPECT_EQ(PageText(host, u"GetWorkPathFromLink", {{u"linkfile", dir / u"none.lnk"}}), u"");
  EXPECT_FALSE(PageFlag(host, u"SetPathOfLink", {{u"linkfile", dir / u"none.lnk"}, {u"path", target}}));
  EXPECT_FALSE(Exists(dir / u"none.lnk"));
}

TEST(ShellLinks, RelativeNamesAreBesideTheHost) {
  TTestHost host;
  const TScratchDir app(HostExecutableDir());
  const std::u16string rel = ExtractFileName(app.Path());
  BOOL ok = FALSE;
  ASSERT_EQ(host.Native()->CreateLink2(W(rel + u"\\lib.lnk"), L"KVNative.dll", &ok), S_OK);
  EXPECT_TRUE(ok);
  ASSERT_TRUE(Exists(app / u"lib.lnk"));
  TBstr text;
  ASSERT_EQ(host.Native()->GetPathFromLink(W(app / u"lib.lnk"), text.put()), S_OK);
  EXPECT_TRUE(SameTextAscii(text.str(), HostExecutableDir() + u"\\KVNative.dll")) << ToUtf8(text.str());
  // The working directory is the program's folder, also for a relative name.
  ASSERT_EQ(host.Native()->GetWorkPathFromLink(W(app / u"lib.lnk"), text.put()), S_OK);
  EXPECT_TRUE(SameTextAscii(text.str(), HostExecutableDir() + u"\\")) << ToUtf8(text.str());

  ASSERT_EQ(host.Native()->CreateLink3(W(app / u"args.lnk"), W(HostExecutablePath()), L"--x", &ok), S_OK);
  EXPECT_TRUE(ok);
  ASSERT_EQ(host.Native()->CreateLink3(W(app / u"args.txt"), W(HostExecutablePath()), L"--x", &ok), S_OK);
  EXPECT_FALSE(ok);
}

}  // namespace
