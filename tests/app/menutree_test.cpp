// Action-sheet menus built by path: where entries land, what choosing does,
// and menus of plain entries reported by index.
#include "app/base/menutree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Titles = std::vector<std::string>;

TEST(MenuTree, PathsMakeSubmenusOnceInOrder) {
    CMenuTree menu("Main Menu");
    std::vector<std::string> ran;
    for (const char* path : {"Settings:Units:Metric", "Edit Layout", "Settings:Units:Nautical",
                             "Settings:Units:Bearings:Magnetic", "Settings:About", "Quit App"})
        menu.Add(path, [&ran, path] { ran.push_back(path); });

    struct Case {
        const char* path;  // "" is the top level
        Titles titles;
    };
    const Case cases[] = {
        {"", {"Settings", "Edit Layout", "Quit App"}},
        {"Settings", {"Units", "About"}},
        {"Settings:Units", {"Metric", "Nautical", "Bearings"}},
        {"Settings:Units:Bearings", {"Magnetic"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const CMenuTree* level = &menu;
        if (*c.path) {
            CMenuTree::Entry* e = menu.Find(c.path);
            ASSERT_NE(e, nullptr);
            ASSERT_NE(e->submenu, nullptr);
            level = e->submenu.get();
        }
        EXPECT_EQ(level->titles(), c.titles);
    }

    EXPECT_TRUE(menu.Choose("Settings:Units:Bearings:Magnetic"));
    EXPECT_TRUE(menu.Choose(1));  // "Edit Layout"
    EXPECT_EQ(ran, (Titles{"Settings:Units:Bearings:Magnetic", "Edit Layout"}));
}

TEST(MenuTree, ChoosingOnlyRunsEnabledLeaves) {
    CMenuTree menu("m");
    int runs = 0;
    menu.Add("Sub:Leaf", [&] { ++runs; });
    menu.Add("Off", [&] { ++runs; }).enabled = false;
    menu.Append("a:b", [&] { ++runs; });  // a title with a colon, not a path
    struct Case {
        const char* name;
        bool chosen;
    };
    const Case byPath[] = {
        {"Sub", false},         {"Off", false},     {"Nothing", false},
        {"Sub:Nothing", false}, {"Sub:Leaf", true},
    };
    for (const Case& c : byPath) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(menu.Choose(std::string(c.name)), c.chosen);
    }
    EXPECT_FALSE(menu.Choose(-1));
    EXPECT_FALSE(menu.Choose(menu.size()));
    EXPECT_TRUE(menu.Choose(2));
    EXPECT_EQ(menu.titles(), (Titles{"Sub", "Off", "a:b"}));
    EXPECT_EQ(runs, 2);
}

TEST(MenuTree, ListMenuReportsIndexOrDismissal) {
    std::vector<int> answers;
    auto menu = CMenuTree::FromList("GPS Connection", {"Serial", "TCP/IP", "None"}, 1,
                                    [&](int i) { answers.push_back(i); });
    EXPECT_EQ(menu->title, "GPS Connection");
    ASSERT_EQ(menu->size(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(menu->entries()[size_t(i)].checked, i == 1) << i;
    EXPECT_TRUE(menu->Choose(2));
    menu->dismissed();
    EXPECT_EQ(answers, (std::vector<int>{2, -1}));
}

TEST(MenuTree, ShowGoesToThePresenterOrIsDismissed) {
    int dismissals = 0;
    auto menu = std::make_shared<CMenuTree>("m");
    menu->dismissed = [&] { ++dismissals; };
    CMenuTree::SetPresenter({});
    CMenuTree::Show(nullptr, menu);
    EXPECT_EQ(dismissals, 1);

    std::shared_ptr<CMenuTree> shown;
    void* parent = &dismissals;
    void* shownParent = nullptr;
    CMenuTree::SetPresenter([&](OV_HWND p, std::shared_ptr<CMenuTree> m) {
        shownParent = p;
        shown = std::move(m);
    });
    CMenuTree::Show(parent, menu);
    CMenuTree::SetPresenter({});
    EXPECT_EQ(shown, menu);
    EXPECT_EQ(shownParent, parent);
    EXPECT_EQ(dismissals, 1);
}
