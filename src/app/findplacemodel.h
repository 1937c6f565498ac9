// CFindPlaceModel: the QML element "FindPlaceModel" that presents the
// find-place search (CDlgFindPlace) to the dialog: the text typed, the
// results as rows (a header per group, then its results), the hint for an
// empty list, and choosing a row, which shows it on the map through the
// application model.
#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>

#include "online/dlgfindplace.h"

class CFindPlaceModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY resultsChanged)
    // {header: bool, text, group, index}: a group's header row has index -1.
    Q_PROPERTY(QVariantList rows READ rows NOTIFY resultsChanged)
    Q_PROPERTY(QString hint READ hint NOTIFY resultsChanged)
    Q_PROPERTY(bool hasDatabase READ hasDatabase NOTIFY resultsChanged)

public:
    explicit CFindPlaceModel(QObject* parent = nullptr);

    QString searchText() const { return QString::fromStdString(m_dialog.searchString()); }
    void setSearchText(const QString& text);
    QVariantList rows() const;
    QString hint() const { return QString::fromStdString(m_dialog.hint()); }
    bool hasDatabase() const { return m_dialog.hasDatabase(); }

    // Opens the place-name file ("" for none), keeping the text typed.
    Q_INVOKABLE void open(const QString& databasePath);
    // Shows the result on the map; false for a header or no such row.
    Q_INVOKABLE bool choose(int group, int index);

Q_SIGNALS:
    void resultsChanged();

private:
    CDlgFindPlace m_dialog;
};
