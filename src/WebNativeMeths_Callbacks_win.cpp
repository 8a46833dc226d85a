// Web methods whose result reaches the page later through a callback of the
// host: the file dialogs.
#include "WebNativeMeths_win.h"
#include "WinText.h"

namespace {

// The page sees false, and the call fails with `message`.
void FailWithFalse(TWebCall& c, std::u16string_view message) {
  com_ptr<IWebPostData> data;
  if (SUCCEEDED(c.Response()->GetData(data.put())) && data) data->SetAsBoolean(FALSE);
  c.Fail(message);
}

void RunFileDialog(TWebCall& c) {
  const com_ptr<IWebRunFileDialogCallback> callback = c.DialogCallback(u"callback");
  const std::u16string type = c.Text(u"type");
  const std::u16string title = c.Text(u"title");
  const std::u16string defaultFileName = c.Text(u"defaultFileName");
  const std::u16string acceptTypes = c.Text(u"acceptTypes");
  IWebContext* host = c.Context();
  // The types are compared exactly.
  if (type == u"open") {
    host->OpenFileDialog(as_wcstr(title.c_str()), as_wcstr(defaultFileName.c_str()), as_wcstr(acceptTypes.c_str()),
                         callback.get());
  } else if (type == u"openm") {
    host->OpenFilesDialog(as_wcstr(title.c_str()), as_wcstr(defaultFileName.c_str()), as_wcstr(acceptTypes.c_str()),
                          callback.get());
  } else if (type == u"save") {
    host->SaveFileDialog(as_wcstr(title.c_str()), as_wcstr(defaultFileName.c_str()), as_wcstr(acceptTypes.c_str()),
                         callback.get());
  } else if (type == u"openfolder") {
    host->OpenFolderDialog(as_wcstr(title.c_str()), as_wcstr(defaultFileName.c_str()), callback.get());
  } else {
    FailWithFalse(c, u"不支持的类型:" + type + u"!");
    return;
  }
  c.Result(true);
}

const TWebMethodBinding kBindings[] = {
    {u"RunFileDialog", RunFileDialog},
};

}  // namespace

std::span<const TWebMethodBinding> CallbacksWebMethods() { return kBindings; }
