// The list of checks Windows can show and Wine cannot. Each is skipped
// under Wine with its reason; those not yet written are listed as such, so
// the closing line counts them.
#include "kit_context.h"

namespace kit {
namespace {

Check NotBuilt(std::string name, std::string what) {
  return {std::move(name), [what](Cleanup&) { return Skipped("not built yet: " + what); }};
}

}  // namespace

std::vector<Check> WindowsOnlyChecks(const Context& context) {
  return {
      {"the stock picture, measured",
       [context](Cleanup& cleanup) { return StockPictureMeasured(context, cleanup); }},
      {"the 64-bit registry view and the protected-print API",
       [context](Cleanup& cleanup) {
         return PolicyIn64BitViewAndProtectedPrintApi(context, cleanup);
       }},
      {"high contrast",
       [context](Cleanup& cleanup) { return WindowInHighContrast(context, cleanup); }},
      {"links in the package's tree and on the log path",
       [context](Cleanup& cleanup) { return LinksRefusedNotFollowed(context, cleanup); }},
      {"a second account: the lock, a held setup.exe, a planted log folder with an oplock",
       [context](Cleanup& cleanup) { return SecondAccountCannotStall(context, cleanup); }},
      {"deploy.cmd as LocalSystem in session 0",
       [context](Cleanup& cleanup) { return DeployAsLocalSystem(context, cleanup); }},
      {"the package's major upgrade whose printer setup fails",
       [context](Cleanup& cleanup) { return FailedUpgradeRollsBack(context, cleanup); }},
      NotBuilt("MsiSetMode in a deferred action",
               "refused, as the package's tables assume; it needs a package of its own whose "
               "deferred DLL action calls MsiSetMode and records the answer"),
  };
}

}  // namespace kit
