// CMenuTree: an action-sheet menu. Entries are added by path, "Units:Metric"
// adding "Metric" to a submenu "Units" that is made when missing, so a
// settings page can put its choices anywhere below the menu it is given.
// The user-interface shell installs the presenter that shows a menu; until
// it does (ovtool, tests) every menu counts as dismissed at once.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

using OV_HWND = void*;

class CMenuTree {
public:
    struct Entry {
        std::string title;
        std::string icon;  // resource address, may be empty
        bool checked = false;
        bool enabled = true;
        std::unique_ptr<CMenuTree> submenu;  // set for an entry that opens a submenu
        std::function<void()> action;
    };

    explicit CMenuTree(std::string menuTitle) : title(std::move(menuTitle)) {}
    CMenuTree(const CMenuTree&) = delete;
    CMenuTree& operator=(const CMenuTree&) = delete;

    // Adds an entry at the path's last part, below the submenus its other
    // parts name. The reference stays valid until the next entry is added to
    // the same menu.
    Entry& Add(const std::string& path, std::function<void()> action, const std::string& icon = {});
    // Adds an entry titled exactly `title` (no path) to this menu.
    Entry& Append(const std::string& title, std::function<void()> action,
                  const std::string& icon = {});
    // The submenu at the path, made (with the given icon) when missing.
    CMenuTree& Submenu(const std::string& path, const std::string& icon = {});
    // The entry at the path, or null.
    Entry* Find(const std::string& path);

    const std::vector<Entry>& entries() const { return m_entries; }
    int size() const { return int(m_entries.size()); }
    // Titles of the entries, in order.
    std::vector<std::string> titles() const;

    // Runs the action of entry `index`; false for an entry that is out of
    // range, disabled or opens a submenu.
    bool Choose(int index);
    // Chooses the entry at the path, walking its submenus.
    bool Choose(const std::string& path);

    std::string title;
    std::string message;              // optional line under the title
    std::function<void()> dismissed;  // the user closed the menu without a choice

    // A menu of plain entries whose choice is reported by index (-1 when
    // dismissed), the entry `checked` marked.
    static std::shared_ptr<CMenuTree> FromList(const std::string& title,
                                               const std::vector<std::string>& entries, int checked,
                                               std::function<void(int)> done);

    using Presenter = std::function<void(OV_HWND parent, std::shared_ptr<CMenuTree> menu)>;
    // Replaces the presenter; an empty one restores the dismissing default.
    static void SetPresenter(Presenter presenter);
    static bool HasPresenter();
    // Shows the menu; without a presenter it is dismissed at once.
    static void Show(OV_HWND parent, std::shared_ptr<CMenuTree> menu);

private:
    Entry* findChild(const std::string& name);
    std::vector<Entry> m_entries;
};
