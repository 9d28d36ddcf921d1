// The store's map against std::map, over many random changes (removals close probe runs,
// moves of the last entry, growth).
#include "phonebook/PhonebookMap.h"

#include "phonebook/CanonicalNumber.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

TEST(PhonebookMap, BehavesLikeAMap) {
    std::mt19937 random(3);
    for (int keys : {5, 60, 3000}) {
        PhonebookMap map;
        std::map<std::string, std::string> model;
        for (int step = 0; step < 40000; ++step) {
            const std::string number = std::to_string(random() % keys);
            const std::string name = "n" + std::to_string(step);
            switch (random() % 4) {
            case 0:
                ASSERT_EQ(map.Add(number, name), model.emplace(number, name).second);
                break;
            case 1:
                map.Set(number, name);
                model[number] = name;
                break;
            case 2:
                ASSERT_EQ(map.Remove(number), model.erase(number) == 1);
                break;
            default: {
                const std::string* found = map.Find(number);
                auto it = model.find(number);
                ASSERT_EQ(found != nullptr, it != model.end());
                if (found) {
                    ASSERT_EQ(*found, it->second);
                }
            }
            }
            ASSERT_EQ(map.Count(), model.size());
        }
        std::map<std::string, std::string> walked(map.Entries().begin(), map.Entries().end());
        EXPECT_EQ(walked, model);
        for (const auto& [number, name] : model)
            ASSERT_TRUE(map.Find(number) && *map.Find(number) == name);
        EXPECT_EQ(map.Find("absent"), nullptr);
        EXPECT_FALSE(map.Remove("absent"));
    }
}

TEST(PhonebookMap, FindsEveryEntryByItsCanonicalFormThroughAnyChange) {
    // Numbers written in several ways, many sharing one canonical form.
    const auto written = [](std::uint32_t n, std::uint32_t form) {
        const std::string digits = "7912" + std::to_string(10000 + n % 700);
        switch (form % 4) {
        case 0:
            return "0" + digits;
        case 1:
            return "+41 " + digits.substr(0, 2) + " " + digits.substr(2);
        case 2:
            return "0041" + digits;
        default:
            return "(0" + digits.substr(0, 2) + ") " + digits.substr(2);
        }
    };
    std::mt19937 random(7);
    PhonebookMap map;
    std::map<std::string, std::string> model;
    std::map<std::string, int> forms; // canonical form -> entries of the model that have it
    const auto canonical = [](const std::string& number, int country = 0) {
        return CanonicalNumber(number, NumberKind::AsWritten, country);
    };
    const auto check = [&](const std::string& form, int country, bool any) {
        const PhonebookMap::Entry* found = map.FindCanonical(form);
        ASSERT_EQ(found != nullptr, any) << form;
        if (found) {
            ASSERT_EQ(canonical(found->first, country), form);
            ASSERT_EQ(model.at(found->first), found->second);
        }
    };
    for (int step = 0; step < 20000; ++step) {
        const std::string number = written(random(), random());
        const std::string name = "n" + std::to_string(step);
        switch (random() % 4) {
        case 0:
            if (map.Add(number, name)) {
                model.emplace(number, name);
                ++forms[canonical(number)];
            }
            break;
        case 1:
            map.Set(number, name);
            if (model.insert_or_assign(number, name).second)
                ++forms[canonical(number)];
            break;
        case 2: {
            const bool removed = map.Remove(number);
            ASSERT_EQ(removed, model.erase(number) == 1);
            if (removed)
                --forms[canonical(number)];
            break;
        }
        default: {
            const std::string form = canonical(number);
            check(form, 0, forms[form] > 0);
        }
        }
        // The index is built at the first lookup and kept up to date from there on; a new
        // country makes it again.
        if (step == 5000) {
            map.SetCountry(1);
            const std::string form = canonical("+41 79 12 10001", 1);
            bool any = false;
            for (const auto& entry : model)
                any = any || canonical(entry.first, 1) == form;
            check(form, 1, any);
            map.SetCountry(0);
        }
    }
    for (const auto& [number, name] : model)
        check(canonical(number), 0, true);
}
