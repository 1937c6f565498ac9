// CMarkIconProvider: mark icons for the QML front end as "image://markicon/
// NAME/RRGGBB", coloured as the map draws them (the icon files hold a key
// colour in place of the mark's).
#pragma once

#include <QQuickImageProvider>

class QQmlEngine;

class CMarkIconProvider : public QQuickImageProvider {
public:
    static constexpr const char* kId = "markicon";

    CMarkIconProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}
    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;

    // Adds the provider to the engine unless it has one.
    static void installOn(QQmlEngine& engine);
    // The address of the icon in that colour ("#rrggbb"), or "" when the name
    // has no icon.
    static QString url(const QString& name, const QString& colour);
};
