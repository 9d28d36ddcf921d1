#pragma once
// Which command/subcommand pairs CAPI 2.0 defines. libcapi20 has a layout only for those and
// crashes decoding any other (ALERT_IND, say), so both ends of the line check first.

namespace capi {

bool HasMessageLayout(unsigned command, unsigned subcommand);

} // namespace capi
