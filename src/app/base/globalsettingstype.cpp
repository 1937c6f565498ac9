#include "app/base/globalsettingstype.h"

CGlobalSettingsType* CGlobalSettingsType::s_first = nullptr;

CGlobalSettingsType::CGlobalSettingsType(const char* name_, int order_)
    : name(name_), order(order_) {
    CGlobalSettingsType** at = &s_first;
    while (*at && (*at)->order < order) at = &(*at)->next;
    next = *at;
    *at = this;
}

CGlobalSettingsType::~CGlobalSettingsType() {
    for (CGlobalSettingsType** p = &s_first; *p; p = &(*p)->next) {
        if (*p == this) {
            *p = next;
            break;
        }
    }
}

CMenuTree* CGlobalSettingsType::addMenu(CMenuTree*, const std::string&, OV_HWND) {
    return nullptr;
}

void CGlobalSettingsType::showDialog(OV_HWND) {}
