// Web methods of the service object's settings.
#include "NativeMethod_win.h"
#include "WebNativeMeths_win.h"

namespace {

const TWebMethodBinding kBindings[] = {
    {u"GetDebugMode", [](TWebCall& c) { c.Result(c.Native().GetDebugMode()); }},
    {u"SetDebugMode", [](TWebCall& c) { c.Native().SetDebugMode(c.Flag(u"mode")); }},
};

}  // namespace

std::span<const TWebMethodBinding> SettingsWebMethods() { return kBindings; }
