// An item drawn by a Qt Quick component of the front end ("qrc:/<Name>.qml")
// rather than by the page: the item owns a QObject whose properties feed the
// component, which the page creates with that object as its `model`.
#pragma once

#include <QObject>
#include <string>

#include "displays/displayview.h"

class CItemComponent : public CDisplayView::CItem {
public:
    using CItem::CItem;
    Kind kind() const override { return kComponent; }
    virtual std::string componentUrl() const = 0;
    virtual QObject* componentModel() = 0;
};
