// The shell's side of the overlays: routes listed after the marks, shown,
// hidden and followed from the list, the picked objects exported together,
// icons in the mark's own colour, and the track rename dialog's answers.
#include <gtest/gtest.h>

#include <QImage>
#include <QQmlEngine>
#include <QQuickImageProvider>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "app/base/filedialogs.h"
#include "app/markpresenters.h"
#include "overlays/gpxreader.h"
#include "overlays/markmanager.h"
#include "overlays/overlaytrack.h"

namespace {

CMarkManager& manager = CMarkManager::theManager;

class MarkPresenters : public ::testing::Test {
protected:
    void SetUp() override {
        manager.ClearAll();
        manager.LoadRoutes("/nonexistent/routes.ovtf");
    }
    void TearDown() override { SetUp(); }
    COverlayRoute* makeRoute() {  // R1, two waypoints
        COverlayRoute* route = manager.CreateNewRoute();
        route->AddWaypoint(50.8, -1.3);
        route->AddWaypoint(50.81, -1.3);
        manager.FinishRouteBuilding();
        return route;
    }
    QVariantMap row(const QString& name) const {
        for (const QVariant& v : presenters.overlays("name"))
            if (v.toMap()["name"].toString() == name) return v.toMap();
        return {};
    }

    CMarkPresenters presenters;
};

TEST_F(MarkPresenters, RoutesAreListedShownAndFollowed) {
    manager.CreateNewMark(nullptr, 50.8, -1.3)->name = "Buoy";
    COverlayRoute* route = makeRoute();
    const QString ovid = QString::fromStdString(route->GetObjectIDstr());

    QStringList kinds;
    for (const QVariant& v : presenters.overlays("name"))
        if (v.toMap()["kind"] != "track") kinds << v.toMap()["kind"].toString();
    EXPECT_EQ(kinds, QStringList({"mark", "route"}));  // marks first
    EXPECT_EQ(row("R1")["ovid"], ovid);

    presenters.goTo(ovid);
    EXPECT_EQ(manager.go_to.route, route);
    EXPECT_TRUE(row("R1")["navigating"].toBool());
    presenters.cancelNavigation();
    EXPECT_FALSE(row("R1")["navigating"].toBool());

    presenters.setShown(ovid, false);
    EXPECT_FALSE(route->visible);
    EXPECT_FALSE(row("R1")["shown"].toBool());
    presenters.edit(ovid);  // builds the route again
    EXPECT_EQ(manager.route_in_progress, route);
    manager.FinishRouteBuilding();
}

TEST_F(MarkPresenters, ThePickedObjectsAndOnlyThoseAreExported) {
    for (const char* name : {"Alpha", "Bravo", "Charlie"})
        manager.CreateNewMark(nullptr, 50.8, -1.3)->name = name;
    makeRoute();
    const QString bravo = row("Bravo")["ovid"].toString(), r1 = row("R1")["ovid"].toString();
    QTemporaryDir dir;
    const std::string path = dir.filePath("picked.gpx").toStdString();
    setFileDialogPresenter(
        [&](OV_HWND, FileDialogKind kind, const std::string&, const std::string&, auto done) {
            EXPECT_EQ(kind, FileDialogKind::Export);
            done(path);
        });
    presenters.exportGpxSelection({bravo, r1});
    setFileDialogPresenter({});
    GpxData data;
    ASSERT_TRUE(ReadGPXFile(path, data));
    ASSERT_EQ(data.marks.size(), 1u);
    EXPECT_EQ(data.marks[0].name, "Bravo");
    ASSERT_EQ(data.routes.size(), 1u);
    EXPECT_EQ(data.routes[0].points.size(), 2u);
}

TEST_F(MarkPresenters, IconsComeInTheMarksColourNotTheKeyColour) {
    QQmlEngine engine;
    QQmlEngine::setContextForObject(&presenters, engine.rootContext());
    const auto pixels = [&](const QString& url) {
        QSet<QRgb> found;
        if (!url.startsWith("image://markicon/")) return found;
        auto* provider = static_cast<QQuickImageProvider*>(engine.imageProvider("markicon"));
        const QImage image = provider->requestImage(url.mid(17), nullptr, QSize(64, 64))
                                 .convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(image.height(), 64) << url.toStdString();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) == 255) found.insert(image.pixel(x, y) | 0xFF000000);
        return found;
    };
    const QSet<QRgb> flag = pixels(presenters.iconUrl("Flag", "#1e88e5"));
    EXPECT_TRUE(flag.contains(qRgb(0x1e, 0x88, 0xe5)));
    EXPECT_FALSE(flag.contains(qRgb(0xff, 0x00, 0xff)));
    EXPECT_FALSE(pixels(presenters.iconUrl("Anchor", "#1e88e5")).isEmpty());
    EXPECT_EQ(presenters.iconUrl("No such icon", "#1e88e5"), "");
    QQmlEngine::setContextForObject(&presenters, nullptr);
}

TEST_F(MarkPresenters, TheRenameDialogAnswersTheTrackMenu) {
    ASSERT_TRUE(COverlayTrack::renameEditor);
    QSignalSpy asked(&presenters, &CMarkPresenters::renameRequested);
    // Text typed, whether OK was pressed, and the name the menu gets.
    const std::tuple<const char*, QString, bool, std::string> cases[] = {
        {"a new name, trimmed", "  Morning sail ", true, "Morning sail"},
        {"cancelled", "Evening", false, ""},
        {"emptied", "   ", true, ""},
    };
    for (const auto& [name, text, ok, expected] : cases) {
        SCOPED_TRACE(name);
        std::string got;
        COverlayTrack::renameEditor(nullptr, "T1", [&got](const std::string& n) { got = n; });
        ASSERT_EQ(asked.size(), 1);
        const QList<QVariant> args = asked.takeFirst();
        EXPECT_EQ(args[1].toString(), "T1");
        presenters.answerRename(args[0].toInt(), text, ok);
        EXPECT_EQ(got, expected);
    }
}

}  // namespace
