// Web methods of the service object's settings and the trace.
#include "NativeMethod_win.h"
#include "WebNativeMeths_win.h"

namespace {

const TWebMethodBinding kBindings[] = {
    {u"GetDebugMode", [](TWebCall& c) { c.Result(c.Native().GetDebugMode()); }},
    {u"SetDebugMode", [](TWebCall& c) { c.Native().SetDebugMode(c.Flag(u"mode")); }},
    {u"Log", [](TWebCall& c) { c.Native().Log(c.Text(u"msg")); }},
    {u"GetAreaCode", [](TWebCall& c) { c.Result(c.Native().GetAreaCode()); }},
    {u"SetAreaCode", [](TWebCall& c) { c.Native().SetAreaCode(c.Text(u"value")); }},
};

}  // namespace

std::span<const TWebMethodBinding> SettingsWebMethods() { return kBindings; }
