// Action-sheet menus built by path: where entries land, what choosing runs,
// and list menus reported by index.
#include "app/base/menutree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Titles = std::vector<std::string>;

TEST(MenuTree, PathsMakeSubmenusOnceInOrderAndOnlyEnabledLeavesRun) {
    CMenuTree menu("Main Menu");
    Titles ran;
    for (const char* path : {"Settings:Units:Metric", "Edit Layout", "Settings:Units:Nautical",
                             "Settings:Units:Bearings:Magnetic", "Settings:About", "Quit App"})
        menu.Add(path, [&ran, path] { ran.push_back(path); });
    menu.Add("Off", [&] { ran.push_back("Off"); }).enabled = false;
    menu.Append("a:b", [&] { ran.push_back("a:b"); });  // a title with a colon, not a path

    const std::pair<const char*, Titles> levels[] = {
        {"Settings", {"Units", "About"}},
        {"Settings:Units", {"Metric", "Nautical", "Bearings"}},
        {"Settings:Units:Bearings", {"Magnetic"}},
    };
    EXPECT_EQ(menu.titles(), (Titles{"Settings", "Edit Layout", "Quit App", "Off", "a:b"}));
    for (const auto& [path, titles] : levels) {
        CMenuTree::Entry* e = menu.Find(path);
        ASSERT_TRUE(e && e->submenu) << path;
        EXPECT_EQ(e->submenu->titles(), titles) << path;
    }
    for (const char* path : {"Settings", "Off", "Nothing", "Settings:Nothing"})
        EXPECT_FALSE(menu.Choose(std::string(path))) << path;
    EXPECT_FALSE(menu.Choose(-1));
    EXPECT_FALSE(menu.Choose(menu.size()));
    EXPECT_TRUE(menu.Choose("Settings:Units:Bearings:Magnetic"));
    EXPECT_TRUE(menu.Choose(1));
    EXPECT_TRUE(menu.Choose(4));
    EXPECT_EQ(ran, (Titles{"Settings:Units:Bearings:Magnetic", "Edit Layout", "a:b"}));
}

TEST(MenuTree, ListMenuReportsIndexOrDismissalWhenNobodyShowsIt) {
    std::vector<int> answers;
    auto menu = CMenuTree::FromList("GPS Connection", {"Serial", "TCP/IP", "None"}, 1,
                                    [&](int i) { answers.push_back(i); });
    ASSERT_EQ(menu->size(), 3);
    EXPECT_TRUE(menu->entries()[1].checked);
    EXPECT_TRUE(menu->Choose(2));
    CMenuTree::SetPresenter({});
    CMenuTree::Show(nullptr, menu);  // nobody to show it: dismissed
    EXPECT_EQ(answers, (std::vector<int>{2, -1}));
}
