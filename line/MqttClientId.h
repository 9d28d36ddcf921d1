#pragma once
// The name a copy goes by at the MQTT broker: its client id, also the origin of the calls it
// shares and the object id Home Assistant knows it by. The same for one copy from one start to
// the next, different for two copies: "tintorel-<host name>-<8 hex digits of the data
// folder's key>", in lower-case letters, digits, "-" and "_" only.

#include <string>
#include <string_view>

namespace line {

// The id for a host name and a data folder: the host's first label, lower-case, other
// characters as "_", at most 32 of them ("desktop" when none is left).
std::string MakeMqttClientId(std::string_view hostName, const std::string& dataFolder);

// This copy's id, from the machine's name and the folder of its call log. Two copies that
// share that folder would throw each other off the broker: the second takes "-2", the third
// "-3" (a lock in the user's runtime folder says which is free).
std::string ThisCopysMqttClientId();

} // namespace line
