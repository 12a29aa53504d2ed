// The errors with which the spooler's functions fail because the Print
// Spooler service is not there to answer: stopped, disabled, or still
// starting. The spooler's functions reach the service through RPC, so its
// absence shows as RPC's own errors rather than as a spooler error:
// EnumPrinters, OpenPrinter and AddPrinter answer 1722 with the service
// stopped (reported, for one, in github.com/tojocky/node-printer/pull/223;
// PowerShell's Get-Printer says "The spooler service is not reachable" with
// HRESULT 0x800706BA, which is 1722); 1753 while its endpoint is not (yet)
// registered; 1062 where a function asks the service itself.
#pragma once

#include <cstdint>

namespace tarnwell {

namespace spooler_error {
inline constexpr std::uint32_t kRpcServerUnavailable = 1722;  // RPC_S_SERVER_UNAVAILABLE
inline constexpr std::uint32_t kNoEndpointRegistered = 1753;  // EPT_S_NOT_REGISTERED
inline constexpr std::uint32_t kServiceNotStarted = 1062;     // ERROR_SERVICE_NOT_ACTIVE
}  // namespace spooler_error

inline bool SpoolerUnreachable(std::uint32_t error) {
  return error == spooler_error::kRpcServerUnavailable ||
         error == spooler_error::kNoEndpointRegistered ||
         error == spooler_error::kServiceNotStarted;
}

}  // namespace tarnwell
