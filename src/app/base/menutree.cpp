#include "app/base/menutree.h"

#include <utility>

namespace {

CMenuTree::Presenter& presenter() {
    static CMenuTree::Presenter instance;
    return instance;
}

// Splits "a:b:c" into the head "a" and the rest "b:c" (empty at the end).
std::pair<std::string, std::string> splitHead(const std::string& path) {
    const size_t colon = path.find(':');
    if (colon == std::string::npos) return {path, {}};
    return {path.substr(0, colon), path.substr(colon + 1)};
}

}  // namespace

CMenuTree::Entry* CMenuTree::findChild(const std::string& name) {
    for (Entry& e : m_entries)
        if (e.title == name) return &e;
    return nullptr;
}

CMenuTree& CMenuTree::Submenu(const std::string& path, const std::string& icon) {
    auto [head, rest] = splitHead(path);
    Entry* e = findChild(head);
    if (!e || !e->submenu) {
        Entry added;
        added.title = head;
        added.icon = rest.empty() ? icon : std::string();
        added.submenu = std::make_unique<CMenuTree>(head);
        m_entries.push_back(std::move(added));
        e = &m_entries.back();
    }
    if (rest.empty()) return *e->submenu;
    return e->submenu->Submenu(rest, icon);
}

CMenuTree::Entry& CMenuTree::Add(const std::string& path, std::function<void()> action,
                                 const std::string& icon) {
    const size_t colon = path.rfind(':');
    CMenuTree& menu = colon == std::string::npos ? *this : Submenu(path.substr(0, colon));
    return menu.Append(colon == std::string::npos ? path : path.substr(colon + 1),
                       std::move(action), icon);
}

CMenuTree::Entry& CMenuTree::Append(const std::string& title, std::function<void()> action,
                                    const std::string& icon) {
    Entry e;
    e.title = title;
    e.icon = icon;
    e.action = std::move(action);
    m_entries.push_back(std::move(e));
    return m_entries.back();
}

CMenuTree::Entry* CMenuTree::Find(const std::string& path) {
    auto [head, rest] = splitHead(path);
    Entry* e = findChild(head);
    if (!e || rest.empty()) return e;
    return e->submenu ? e->submenu->Find(rest) : nullptr;
}

std::vector<std::string> CMenuTree::titles() const {
    std::vector<std::string> out;
    out.reserve(m_entries.size());
    for (const Entry& e : m_entries) out.push_back(e.title);
    return out;
}

bool CMenuTree::Choose(int index) {
    if (index < 0 || index >= size()) return false;
    Entry& e = m_entries[size_t(index)];
    if (!e.enabled || e.submenu || !e.action) return false;
    // The action may rebuild or drop this menu: run a copy.
    std::function<void()> action = e.action;
    action();
    return true;
}

bool CMenuTree::Choose(const std::string& path) {
    auto [head, rest] = splitHead(path);
    for (int i = 0; i < size(); ++i) {
        Entry& e = m_entries[size_t(i)];
        if (e.title != head) continue;
        if (rest.empty()) return Choose(i);
        return e.submenu && e.enabled && e.submenu->Choose(rest);
    }
    return false;
}

std::shared_ptr<CMenuTree> CMenuTree::FromList(const std::string& title,
                                               const std::vector<std::string>& entries, int checked,
                                               std::function<void(int)> done) {
    auto menu = std::make_shared<CMenuTree>(title);
    auto shared = std::make_shared<std::function<void(int)>>(std::move(done));
    for (size_t i = 0; i < entries.size(); ++i) {
        menu->Append(entries[i],
                     [shared, i] {
                         if (*shared) (*shared)(int(i));
                     })
            .checked = int(i) == checked;
    }
    menu->dismissed = [shared] {
        if (*shared) (*shared)(-1);
    };
    return menu;
}

void CMenuTree::SetPresenter(Presenter p) {
    presenter() = std::move(p);
}

bool CMenuTree::HasPresenter() {
    return bool(presenter());
}

void CMenuTree::Show(OV_HWND parent, std::shared_ptr<CMenuTree> menu) {
    if (!menu) return;
    if (presenter()) {
        presenter()(parent, std::move(menu));
        return;
    }
    if (menu->dismissed) menu->dismissed();
}
