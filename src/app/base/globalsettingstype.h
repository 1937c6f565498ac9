// CGlobalSettingsType: the settings pages the settings menu offers, in menu
// order. Each page is a static object that inserts itself by its `order`;
// among equal orders the page constructed later comes first.
#pragma once

#include <string>

class CMenuTree;
using OV_HWND = void*;

class CGlobalSettingsType {
public:
    CGlobalSettingsType(const char* name, int order);
    virtual ~CGlobalSettingsType();
    CGlobalSettingsType(const CGlobalSettingsType&) = delete;
    CGlobalSettingsType& operator=(const CGlobalSettingsType&) = delete;

    // Adds the page's entries under `path` ("Settings:"); by default none.
    virtual CMenuTree* addMenu(CMenuTree* menu, const std::string& path, OV_HWND parent);
    virtual void showDialog(OV_HWND parent);

    static CGlobalSettingsType* First() { return s_first; }

    std::string name;
    int order;
    CGlobalSettingsType* next = nullptr;

private:
    static CGlobalSettingsType* s_first;
};
