// CDVI_Kartile_Window: the Qt Quick item (QML type "KartileWindow" in module
// "Orvanta") that paints a CKartileView and hands it the mouse, wheel,
// touch and keys. Coordinates reach the view in device pixels. The item
// hosts a view of its own until the page framework hosts one for it
// (setView).
//
// Every heartbeat tick it runs the view's animation and updates the scale
// bar (length in item pixels and label) and the cursor's position text,
// followed by the ground height there while altitudes come from the terrain.
// While a zoom or fling animates, a frame timer advances it between ticks
// so that it moves at the display's pace rather than ten steps a second.
#pragma once

#include <QElapsedTimer>
#include <QQuickPaintedItem>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "app/base/datasource.h"
#include "app/base/heartbeat.h"
#include "geo/units.h"

class CKartileView;

class CDVI_Kartile_Window : public QQuickPaintedItem,
                            public CHeartbeat::Counter,
                            public Listener<CUnits> {
    Q_OBJECT
    Q_PROPERTY(int scaleBarLength READ scaleBarLength NOTIFY scaleBarChanged)
    Q_PROPERTY(QString scaleBarLabel READ scaleBarLabel NOTIFY scaleBarChanged)
    Q_PROPERTY(QColor scaleBarColor READ scaleBarColor NOTIFY scaleBarChanged)
    Q_PROPERTY(bool gpsLockedOn READ gpsLockedOn NOTIFY gpsLockedOnChanged)
    Q_PROPERTY(QString cursorPosition READ cursorPosition NOTIFY cursorPositionChanged)
    Q_PROPERTY(QString mapTitle READ mapTitle NOTIFY mapChanged)
    Q_PROPERTY(bool hasMap READ hasMap NOTIFY mapChanged)
    // The selected mark's tool: shown beside the mark with its label, a menu
    // button and a drag handle (none when locked). Item coordinates.
    Q_PROPERTY(bool toolShown READ toolShown NOTIFY toolChanged)
    Q_PROPERTY(QPointF toolPoint READ toolPoint NOTIFY toolChanged)
    Q_PROPERTY(QString toolLabel READ toolLabel NOTIFY toolChanged)
    Q_PROPERTY(bool toolLocked READ toolLocked NOTIFY toolChanged)

public:
    explicit CDVI_Kartile_Window(QQuickItem* parent = nullptr);
    ~CDVI_Kartile_Window() override;

    // The first window made: the one the command line and the tests drive.
    static CDVI_Kartile_Window* mainWindow();
    // Runs action on the main window's view now, or, while no page with a map
    // is on show, when the next map item hands its view to a window.
    static void withMainView(std::function<void(CKartileView&)> action);

    CKartileView* view() const { return m_view; }
    // Hands the item another view to show (not owned); null returns to its own.
    void setView(CKartileView* view);

    void paint(QPainter* painter) override;
    void OnHeartbeat() override;
    // Recomputes the scale bar when the displayed scale changed by > 0.1 %.
    void onChangedScale();
    // Other units: the scale bar and the cursor's position are written again.
    void OnUpdate(CUnits& units) override;
    using CHeartbeat::Counter::OnUpdate;

    int scaleBarLength() const { return m_barLength; }
    QString scaleBarLabel() const { return m_barLabel; }
    QColor scaleBarColor() const;
    bool gpsLockedOn() const;
    QString cursorPosition() const { return m_cursorText; }
    QString mapTitle() const { return m_mapTitle; }
    bool hasMap() const;

    Q_INVOKABLE void zoomIn();
    Q_INVOKABLE void zoomOut();
    Q_INVOKABLE void clickZoom(int n);
    Q_INVOKABLE void lockOnToGPS();
    Q_INVOKABLE void scrollGesture(double dx, double dy, bool inverted);
    Q_INVOKABLE bool handleKey(int key);
    // A new mark at the centre (or the marked point), selected.
    Q_INVOKABLE bool addMark();
    // The tool's menu button and drag handle; dx, dy in item pixels.
    Q_INVOKABLE void toolMenu();
    Q_INVOKABLE void toolDrag(double dx, double dy);

    bool toolShown() const { return m_toolShown; }
    QPointF toolPoint() const { return m_toolPoint; }
    QString toolLabel() const { return m_toolLabel; }
    bool toolLocked() const { return m_toolLocked; }

Q_SIGNALS:
    void scaleBarChanged();
    void gpsLockedOnChanged();
    void cursorPositionChanged();
    void mapChanged();
    void toolChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hoverMoveEvent(QHoverEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void touchEvent(QTouchEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    double ratio() const;
    // The view's screen in device pixels, from the item's size; returns it.
    QSize updateScreenRect();
    void attachView(CKartileView* view);
    void updateCursorText(double x, double y);
    QString groundHeightText(double lat, double lon) const;
    void refreshState();
    void updateTool();
    void startFrames();
    void onFrame();

    std::unique_ptr<CKartileView> m_ownView;
    CKartileView* m_view = nullptr;
    double m_lastScale = 0;
    int m_barLength = 0;
    QString m_barLabel;
    QString m_cursorText;
    QPointF m_cursor{-1, -1};
    QString m_mapTitle;
    QString m_mapPath;
    bool m_lastLocked = false;
    uint32_t m_highlight = 0;  // the map highlight's generation drawn
    int m_wheelRest = 0;       // eighths of a degree not yet turned into a step
    bool m_toolShown = false;
    QPointF m_toolPoint;
    QString m_toolLabel;
    bool m_toolLocked = false;
    QTimer m_frames;
    QElapsedTimer m_sinceFrame;
};
