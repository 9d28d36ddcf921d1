#include "line/CallNumbers.h"

#include "phonebook/Phonebook.h"
#include "settings/NumberLists.h"

#include <QString>

#include <algorithm>

namespace line {

namespace {

bool IsWithheldEntry(std::string_view entry) {
    return QString::fromLatin1(entry.data(), static_cast<qsizetype>(entry.size()))
               .compare(QLatin1StringView(settings::kWithheldEntry), Qt::CaseInsensitive) == 0;
}

int PhonebookCountry() {
    return GetPhonebook()->GetCountry();
}

} // namespace

NumberKind KindOf(NumberType type) {
    switch (type) {
    case NumberType::National:
        return NumberKind::National;
    case NumberType::International:
        return NumberKind::International;
    default:
        return NumberKind::AsWritten;
    }
}

std::string CanonicalCalling(const IncomingCall& call, int country) {
    return CanonicalNumber(call.calling, KindOf(call.callingType), country);
}

std::string CanonicalCalled(const IncomingCall& call, int country) {
    return CanonicalNumber(call.called, NumberKind::AsWritten, country);
}

std::string CalledText(const std::string& called, const std::string& label) {
    if (label.empty())
        return called;
    return called + " (" + label + ")";
}

CalledLabels::CalledLabels(const std::vector<std::pair<std::string, std::string>>& labels,
                           int country)
    : m_country(country) {
    for (const auto& [number, label] : labels) {
        m_written.try_emplace(number, label);
        m_canonical.try_emplace(CanonicalNumber(number, NumberKind::AsWritten, country), label);
    }
}

CalledLabels CalledLabels::Stored() {
    return CalledLabels(settings::ReadCalledLabels(), PhonebookCountry());
}

std::string CalledLabels::Find(const std::string& called) const {
    if (called.empty())
        return {};
    if (const auto it = m_written.find(called); it != m_written.end())
        return it->second;
    const auto it = m_canonical.find(CanonicalNumber(called, NumberKind::AsWritten, m_country));
    return it == m_canonical.end() ? std::string() : it->second;
}

IgnoredCallers::IgnoredCallers(const std::vector<std::string>& entries, int country)
    : m_country(country) {
    for (const std::string& entry : entries) {
        if (IsWithheldEntry(entry)) {
            m_withheld = true;
        } else if (entry.ends_with('*')) {
            const std::string_view prefix = std::string_view(entry).substr(0, entry.size() - 1);
            // "*" alone would ignore every caller: it is no prefix.
            if (!prefix.empty())
                m_prefixes.push_back(CanonicalNumber(prefix, NumberKind::AsWritten, country));
        } else {
            m_numbers.emplace_back(entry, CanonicalNumber(entry, NumberKind::AsWritten, country));
        }
    }
}

IgnoredCallers IgnoredCallers::Stored() {
    return IgnoredCallers(settings::ReadIgnoredNumbers(), PhonebookCountry());
}

bool IgnoredCallers::Ignores(const std::string& calling, NumberKind kind) const {
    if (calling.empty())
        return m_withheld;
    const std::string canonical = CanonicalNumber(calling, kind, m_country);
    const bool listed = std::any_of(m_numbers.begin(), m_numbers.end(), [&](const auto& number) {
        return number.first == calling || number.second == canonical;
    });
    return listed || std::any_of(m_prefixes.begin(), m_prefixes.end(),
                                 [&](const auto& prefix) { return canonical.starts_with(prefix); });
}

std::vector<std::string> IgnoredCallers::EntriesFor(const std::string& number) const {
    std::vector<std::string> entries;
    if (number.empty())
        return entries;
    const std::string canonical = CanonicalNumber(number, NumberKind::AsWritten, m_country);
    for (const auto& [entry, form] : m_numbers)
        if (entry == number || form == canonical)
            entries.push_back(entry);
    return entries;
}

bool IsIgnoredEntry(QStringView entry) {
    if (entry.compare(QLatin1StringView(settings::kWithheldEntry), Qt::CaseInsensitive) == 0)
        return true;
    if (entry.endsWith(u'*'))
        entry.chop(1);
    return ReadsAsPhoneNumber(entry);
}

CallTreatment TreatmentOf(const IncomingCall& call) {
    const int country = PhonebookCountry();
    CallTreatment treatment;
    treatment.calledLabel = CalledLabels(settings::ReadCalledLabels(), country).Find(call.called);
    treatment.ignored = IgnoredCallers(settings::ReadIgnoredNumbers(), country)
                            .Ignores(call.calling, KindOf(call.callingType));
    return treatment;
}

} // namespace line
