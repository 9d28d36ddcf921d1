#include "phonebook/Phonebook.h"

#include "phonebook/DialUp.h"
#include "phonebook/DirectoryClient.h"
#include "phonebook/Entities.h"
#include "phonebook/NameCutter.h"
#include "settings/Settings.h"

namespace {

const char* const kNoConnection = "Pas de connection";
const char* const kError = "Erreur";
const char* const kUnknown = "Inconnu";

// The number goes into the request line unchanged; a control character in it would end that
// line early and let the rest pass for headers of its own.
bool FitsInRequestLine(const std::string& number) {
    for (char c : number)
        if (static_cast<unsigned char>(c) < 0x20)
            return false;
    return true;
}

} // namespace

std::string CPhonebook::LookupCaller(std::string number) {
    Load();
    std::string name;
    if (FindEntry(number, name))
        return name;
    std::string result;
    if (LookupOnline(number, result))
        SetEntry(number, result);
    return result;
}

bool CPhonebook::LookupOnline(std::string number, std::string& result) {
    // Both are always asked, in this order.
    std::uint32_t autoConnect = ReadAutoConnect();
    bool dialUp = IsDialUpConnected();
    if (autoConnect == 0 && !dialUp) {
        result = kNoConnection;
        return false;
    }

    // The profile is copied under the store's lock; the network is used without it.
    Profile profile = GetProfile();
    directory::Endpoint endpoint = directory::DirectoryEndpoint(profile.host);
    if (!FitsInRequestLine(number)) {
        result = kError;
        return false;
    }
    std::string request =
        directory::BuildRequest(profile.request, number, directory::HostHeader(endpoint));
    std::string page;
    if (directory::FetchReply(endpoint, request, page) != directory::FetchStatus::Ok) {
        result = kError;
        return false;
    }

    std::string name;
    if (!CutName(page, profile, name)) {
        result = kUnknown;
        return false;
    }
    DecodeEntities(name);
    result = name;
    return true;
}

std::uint32_t CPhonebook::ReadAutoConnect() const {
    return settings::ReadAutoConnect();
}
