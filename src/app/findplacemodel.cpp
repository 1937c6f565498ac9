#include "app/findplacemodel.h"

#include <QtQml/qqml.h>
#include <QCoreApplication>

#include "app/orvantaappmodel.h"

namespace {

void registerQmlType() {
    qmlRegisterType<CFindPlaceModel>("Orvanta", 1, 0, "FindPlaceModel");
}
Q_COREAPP_STARTUP_FUNCTION(registerQmlType)

}  // namespace

CFindPlaceModel::CFindPlaceModel(QObject* parent) : QObject(parent) {
    m_dialog.searchStringChanged = [this] { Q_EMIT resultsChanged(); };
    m_dialog.showArea = [](const CBounds& bounds) {
        if (theApp) theApp->ShowAreaOnTheMap(bounds);
    };
}

void CFindPlaceModel::setSearchText(const QString& text) {
    if (text.toStdString() != m_dialog.searchString()) m_dialog.onChangedSearch(text.toStdString());
}

QVariantList CFindPlaceModel::rows() const {
    QVariantList list;
    const auto& groups = m_dialog.groups();
    for (int g = 0; g < int(groups.size()); ++g) {
        list.append(QVariantMap{{"header", true},
                                {"text", QString::fromStdString(groups[size_t(g)].label())},
                                {"group", g},
                                {"index", -1}});
        const auto& results = groups[size_t(g)].results;
        for (int i = 0; i < int(results.size()); ++i)
            list.append(QVariantMap{{"header", false},
                                    {"text", QString::fromStdString(results[size_t(i)].name)},
                                    {"group", g},
                                    {"index", i}});
    }
    return list;
}

void CFindPlaceModel::open(const QString& databasePath) {
    m_dialog.init(databasePath.toStdString());
}

bool CFindPlaceModel::choose(int group, int index) {
    return m_dialog.itemSelected(group, index);
}
