#include "platform/NetInterfaces.h"

#include "platform/LineSplitter.h"
#include "platform/RegularFile.h"

#include <cstdlib>
#include <sstream>

#include <ifaddrs.h>
#include <net/if.h>

namespace platform {

namespace {

void Merge(std::vector<NetInterface>& list, const std::string& name, unsigned flags) {
    for (auto& item : list) {
        if (item.name == name) {
            item.flags |= flags;
            return;
        }
    }
    list.push_back({name, flags});
}

// A list that can't be read holds no interface.
std::vector<NetInterface> ReadFakeList(const char* path) {
    std::vector<NetInterface> list;
    std::string text;
    if (ReadRegularFile(path, std::size_t{1} << 20, text) != 0)
        return list;
    LineSplitter lines(text);
    for (std::string_view line; lines.Next(line);) {
        std::istringstream words(std::string(line.substr(0, line.find('#'))));
        std::string name;
        if (!(words >> name))
            continue;
        unsigned flags = 0;
        std::string word;
        while (words >> word) {
            if (word == "UP")
                flags |= IFF_UP;
            else if (word == "RUNNING")
                flags |= IFF_RUNNING;
            else if (word == "POINTOPOINT")
                flags |= IFF_POINTOPOINT;
            else if (word == "LOOPBACK")
                flags |= IFF_LOOPBACK;
        }
        Merge(list, name, flags);
    }
    return list;
}

} // namespace

std::vector<NetInterface> ListNetInterfaces() {
    const char* fake = std::getenv("TINTOREL_FAKE_IFACES");
    if (fake && *fake)
        return ReadFakeList(fake);
    std::vector<NetInterface> list;
    ifaddrs* addrs = nullptr;
    if (getifaddrs(&addrs) != 0)
        return list;
    for (ifaddrs* a = addrs; a; a = a->ifa_next)
        if (a->ifa_name)
            Merge(list, a->ifa_name, a->ifa_flags);
    freeifaddrs(addrs);
    return list;
}

} // namespace platform
