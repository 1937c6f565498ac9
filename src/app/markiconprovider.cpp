#include "app/markiconprovider.h"

#include <QColor>
#include <QQmlEngine>
#include <algorithm>

#include "app/base/graphicscolor.h"
#include "overlays/iconmanager.h"

QImage CMarkIconProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize) {
    const qsizetype slash = id.lastIndexOf('/');
    const QString name = id.left(slash), hex = id.mid(slash + 1);
    const QColor colour(QLatin1Char('#') + hex);
    const int wanted = std::max(requestedSize.width(), requestedSize.height());
    const double resolution =
        wanted > 0 ? std::clamp(double(wanted) / CIconManager::kBaseSize, 0.25, 4.0) : 1.0;
    FPoint hot;
    const QImage* icon =
        slash > 0 && colour.isValid()
            ? CIconManager::GetIcon(name.toStdString(), GraphicsColor::fromQColor(colour),
                                    resolution, hot)
            : nullptr;
    const QImage image = icon ? *icon : QImage();
    if (size) *size = image.size();
    return image;
}

void CMarkIconProvider::installOn(QQmlEngine& engine) {
    if (!engine.imageProvider(kId)) engine.addImageProvider(kId, new CMarkIconProvider);
}

QString CMarkIconProvider::url(const QString& name, const QString& colour) {
    FPoint hot;
    const QColor c(colour);
    if (name.isEmpty() || !c.isValid() ||
        !CIconManager::GetIcon(name.toStdString(), GraphicsColor::fromQColor(c), 1.0, hot))
        return {};
    return QStringLiteral("image://%1/%2/%3").arg(kId, name, c.name(QColor::HexRgb).mid(1));
}
