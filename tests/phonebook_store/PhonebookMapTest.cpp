// The store's map against std::map, over many random changes (removals close probe runs,
// moves of the last entry, growth).
#include "phonebook/PhonebookMap.h"

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
            ASSERT_EQ(map.size(), model.size());
        }
        std::map<std::string, std::string> walked(map.Entries().begin(), map.Entries().end());
        EXPECT_EQ(walked, model);
        for (const auto& [number, name] : model)
            ASSERT_TRUE(map.Find(number) && *map.Find(number) == name);
        EXPECT_EQ(map.Find("absent"), nullptr);
        EXPECT_FALSE(map.Remove("absent"));
    }
}
