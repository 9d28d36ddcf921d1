#include "phonebook/Phonebook.h"

#include "phonebook/DialUp.h"
#include "phonebook/DirectoryClient.h"
#include "phonebook/Entities.h"
#include "phonebook/NameCutter.h"
#include "phonebook/UnknownNumbers.h"
#include "platform/FileLocations.h"
#include "settings/Settings.h"

#include <optional>

namespace {

const char* const kNoConnection = "Pas de connection";
const char* const kError = "Erreur";
const char* const kUnknown = "Inconnu";

// The number as it goes into the request's query: digits as they are, every other byte
// percent-encoded, so that a space, "&", "#" or "?" from the line can neither end the request
// line nor change the query. Nothing for a number without a digit, which no directory knows.
std::optional<std::string> QueryNumber(const std::string& number) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string query;
    bool digit = false;
    for (const char ch : number) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= '0' && c <= '9') {
            digit = true;
            query += ch;
            continue;
        }
        query += '%';
        query += kHex[c >> 4];
        query += kHex[c & 0x0F];
    }
    if (!digit)
        return std::nullopt;
    return query;
}

enum class Answer {
    Name,    // result is the name
    NoName,  // the directory answered, without a name for the number ("Inconnu")
    NoReply, // result says why: no connection allowed, or an error; or a reply that is no answer
};

Answer AskDirectory(const CPhonebook& book, const std::string& number, std::string& result,
                    std::stop_token stop = {}) {
    // Both are always asked, in this order.
    std::uint32_t autoConnect = book.ReadAutoConnect();
    bool dialUp = IsDialUpConnected();
    if (autoConnect == 0 && !dialUp) {
        result = kNoConnection;
        return Answer::NoReply;
    }

    // The profile is copied under the store's lock; the network is used without it.
    CPhonebook::Profile profile = book.GetProfile();
    directory::Endpoint endpoint = directory::DirectoryEndpoint(profile.host);
    const std::optional<std::string> query = QueryNumber(number);
    if (!query) {
        result = kError;
        return Answer::NoReply;
    }
    std::string request =
        directory::BuildRequest(profile.request, *query, directory::HostHeader(endpoint));
    std::string page;
    if (directory::FetchReply(endpoint, request, page, directory::kTimeout, directory::kDeadline,
                              std::move(stop)) != directory::FetchStatus::Ok) {
        result = kError;
        return Answer::NoReply;
    }

    std::string name;
    if (!CutName(page, profile, name)) {
        result = kUnknown;
        // A server in trouble or something that isn't the directory says nothing about the
        // number.
        return directory::IsSuccessReply(page) ? Answer::NoName : Answer::NoReply;
    }
    DecodeEntities(name);
    result = name;
    return Answer::Name;
}

} // namespace

std::string CPhonebook::LookupCaller(std::string number, NumberKind kind) {
    Load();
    std::string name;
    if (FindCaller(number, kind, name))
        return name;
    const std::string canonical = CanonicalNumber(number, kind, GetCountry());
    // Asked lately and not known: the directory is not asked again so soon. Lines written
    // before canonical forms were used hold the number as the line gave it.
    const std::string unknownNumbers = UnknownNumbersPath(GetPhonebookPath());
    if (IsRecentlyUnknown(unknownNumbers, canonical) ||
        (canonical != number && IsRecentlyUnknown(unknownNumbers, number)))
        return kUnknown;
    std::string result;
    switch (AskDirectory(*this, canonical, result)) {
    case Answer::Name:
        SetEntry(canonical, result);
        break;
    case Answer::NoName:
        RememberUnknown(unknownNumbers, canonical);
        break;
    case Answer::NoReply:
        break;
    }
    return result;
}

bool CPhonebook::LookupOnline(std::string number, std::string& result, std::stop_token stop) {
    return AskDirectory(*this, CanonicalNumber(number, NumberKind::AsWritten, GetCountry()), result,
                        std::move(stop)) == Answer::Name;
}

std::uint32_t CPhonebook::ReadAutoConnect() const {
    return settings::ReadAutoConnect();
}
