(function (url) {
  var channel = Ajax(url + "/methods");
  return {
    version: "1.0.004",
    get debugMode() {
      return channel.requestSync("GetDebugMode", "", {});
    },
    set debugMode(value) {
      channel.requestSync("SetDebugMode", "", { mode: value });
    }
  };
})("%url%")
