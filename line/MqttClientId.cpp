#include "line/MqttClientId.h"

#include "platform/FileLocations.h"
#include "platform/InstanceLock.h"
#include "platform/RuntimeFolder.h"

#include <unistd.h>

#include <climits>

namespace line {

namespace {

constexpr std::size_t kMaxHostChars = 32;
constexpr int kMaxCopies = 9;

std::string HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

} // namespace

std::string MakeMqttClientId(std::string_view hostName, const std::string& dataFolder) {
    hostName = hostName.substr(0, hostName.find('.'));
    std::string host;
    for (const char c : hostName.substr(0, kMaxHostChars)) {
        if (c >= 'A' && c <= 'Z')
            host += static_cast<char>(c - 'A' + 'a');
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_')
            host += c;
        else
            host += '_';
    }
    if (host.empty())
        host = "desktop";
    return "tintorel-" + host + "-" + platform::FolderKey(dataFolder).substr(0, 8);
}

std::string ThisCopysMqttClientId() {
    const std::string id = MakeMqttClientId(HostName(), platform::GetCallLogFolder());
    int error = 0;
    const std::string runtime = platform::RuntimeFolder(error);
    if (runtime.empty())
        return id;
    for (int copy = 1; copy <= kMaxCopies; ++copy) {
        const std::string candidate = copy == 1 ? id : id + "-" + std::to_string(copy);
        if (platform::TakeInstanceLock(runtime + "/mqtt-" + candidate + ".lock", error) !=
            platform::LockResult::HeldElsewhere)
            return candidate;
    }
    return id;
}

} // namespace line
