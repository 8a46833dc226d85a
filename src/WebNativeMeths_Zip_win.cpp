// Web methods of the archive services.
#include "NativeMethod_win.h"
#include "WebNativeMeths_win.h"

namespace {

const TWebMethodBinding kBindings[] = {
    {u"ExtractZipFile",
     [](TWebCall& c) { c.Result(c.Native().ExtractZipFile(c.Text(u"zipFile"), c.Text(u"desDir"))); }},
};

}  // namespace

std::span<const TWebMethodBinding> ZipWebMethods() { return kBindings; }
