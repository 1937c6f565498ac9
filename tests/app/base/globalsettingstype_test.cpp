// The settings pages keep menu order as they register.
#include "app/base/globalsettingstype.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::string> testPages() {
    std::vector<std::string> names;
    for (CGlobalSettingsType* t = CGlobalSettingsType::First(); t; t = t->next)
        if (t->name.rfind("T-", 0) == 0) names.push_back(t->name);
    return names;
}

}  // namespace

TEST(GlobalSettingsType, SortedByOrderLaterEqualOrderFirst) {
    CGlobalSettingsType about("T-About", 100000);
    CGlobalSettingsType units("T-Units", 60000);
    CGlobalSettingsType first("T-First", 60000);
    CGlobalSettingsType map("T-Map", 10000);
    EXPECT_EQ(testPages(), (std::vector<std::string>{"T-Map", "T-First", "T-Units", "T-About"}));
    {
        CGlobalSettingsType gone("T-Gone", 70000);
        EXPECT_EQ(testPages().size(), 5u);
    }
    EXPECT_EQ(testPages(), (std::vector<std::string>{"T-Map", "T-First", "T-Units", "T-About"}));
}
