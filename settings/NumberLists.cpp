#include "settings/NumberLists.h"

#include "platform/SettingsStore.h"

namespace settings {

namespace store = platform::settings_store;

namespace {
const char* const kLabels = "Labels";
const char* const kIgnored = "Ignored";
} // namespace

std::vector<std::pair<std::string, std::string>> ReadCalledLabels() {
    std::vector<std::pair<std::string, std::string>> labels = store::ReadSubkeyTexts(kLabels);
    // The default value ("@") names no number.
    std::erase_if(labels, [](const auto& label) { return label.first.empty(); });
    return labels;
}

bool SetCalledLabel(const std::string& number, const std::string& label) {
    return !number.empty() && store::WriteSubkeyText(kLabels, number, label);
}

bool RemoveCalledLabel(const std::string& number) {
    return store::DeleteSubkeyValue(kLabels, number);
}

std::vector<std::string> ReadIgnoredNumbers() {
    std::vector<std::string> entries;
    for (auto& [entry, text] : store::ReadSubkeyTexts(kIgnored))
        if (!entry.empty())
            entries.push_back(std::move(entry));
    return entries;
}

bool AddIgnoredNumber(const std::string& entry) {
    return !entry.empty() && store::WriteSubkeyText(kIgnored, entry, {});
}

bool RemoveIgnoredNumber(const std::string& entry) {
    return store::DeleteSubkeyValue(kIgnored, entry);
}

} // namespace settings
