#include "mapview/dvikartilewindow.h"

#include <QtQml/qqml.h>
#include <QCoreApplication>
#include <QPainter>
#include <QQuickWindow>
#include <algorithm>
#include <cmath>

#include "data/overlaygpsposition.h"
#include "geo/units.h"
#include "maps/ktlformat.h"
#include "mapview/globallatlonghighlight.h"
#include "mapview/kartileview.h"
#include "overlays/marktool.h"

namespace {

CDVI_Kartile_Window* s_main = nullptr;

void registerQmlType() {
    qmlRegisterType<CDVI_Kartile_Window>("Orvanta", 1, 0, "KartileWindow");
}
Q_COREAPP_STARTUP_FUNCTION(registerQmlType)

constexpr int kWheelStep = 120;  // one notch of a mouse wheel
constexpr double kMetresPerNauticalMile = 1852;

}  // namespace

CDVI_Kartile_Window::CDVI_Kartile_Window(QQuickItem* parent)
    : QQuickPaintedItem(parent), CHeartbeat::Counter(1) {
    setAcceptedMouseButtons(Qt::AllButtons);
    setAcceptHoverEvents(true);
    setAcceptTouchEvents(true);
    setFlag(ItemIsFocusScope, true);
    setActiveFocusOnTab(true);
    setOpaquePainting(true);
    m_frames.setInterval(16);
    m_frames.setTimerType(Qt::PreciseTimer);
    connect(&m_frames, &QTimer::timeout, this, &CDVI_Kartile_Window::onFrame);
    m_ownView = std::make_unique<CKartileView>();
    attachView(m_ownView.get());
    if (!s_main) s_main = this;
}

CDVI_Kartile_Window::~CDVI_Kartile_Window() {
    if (s_main == this) s_main = nullptr;
    if (m_view) m_view->redraw = nullptr;
}

CDVI_Kartile_Window* CDVI_Kartile_Window::mainWindow() {
    return s_main;
}

namespace {
std::vector<std::function<void(CKartileView&)>> s_pendingActions;
}

void CDVI_Kartile_Window::withMainView(std::function<void(CKartileView&)> action) {
    if (s_main && s_main->m_view)
        action(*s_main->m_view);
    else
        s_pendingActions.push_back(std::move(action));
}

void CDVI_Kartile_Window::attachView(CKartileView* view) {
    if (m_view) m_view->redraw = nullptr;
    m_view = view;
    if (m_view)
        m_view->redraw = [this] {
            update();
            startFrames();
            updateTool();
        };
    update();
}

void CDVI_Kartile_Window::setView(CKartileView* view) {
    attachView(view ? view : m_ownView.get());
    if (view && s_main == this && !s_pendingActions.empty()) {
        auto actions = std::move(s_pendingActions);
        s_pendingActions.clear();
        for (auto& action : actions) action(*view);
    }
}

double CDVI_Kartile_Window::ratio() const {
    return window() ? window()->effectiveDevicePixelRatio() : 1.0;
}

bool CDVI_Kartile_Window::hasMap() const {
    return m_view && m_view->hasMap();
}

bool CDVI_Kartile_Window::gpsLockedOn() const {
    return m_view && m_view->isLockedOnToGPS();
}

QColor CDVI_Kartile_Window::scaleBarColor() const {
    return CKartileView::scale_bar_color.toQColor();
}

QSize CDVI_Kartile_Window::updateScreenRect() {
    const double r = ratio();
    const QSize size(int(std::lround(width() * r)), int(std::lround(height() * r)));
    m_view->setScreenRect(0, 0, size.width(), size.height());
    return size;
}

void CDVI_Kartile_Window::paint(QPainter* painter) {
    if (!m_view) return;
    // The ratio may have changed with the screen since the last resize.
    const QSize size = updateScreenRect();
    painter->save();
    painter->scale(1 / ratio(), 1 / ratio());
    m_view->onDraw(*painter, 0, 0, size.width(), size.height());
    painter->restore();
}

void CDVI_Kartile_Window::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) {
    QQuickPaintedItem::geometryChange(newGeometry, oldGeometry);
    if (m_view && newGeometry.size() != oldGeometry.size()) updateScreenRect();
}

void CDVI_Kartile_Window::startFrames() {
    if (m_frames.isActive() || !m_view || !m_view->isAnimating()) return;
    m_sinceFrame.start();
    m_frames.start();
}

void CDVI_Kartile_Window::onFrame() {
    if (!m_view || !m_view->isAnimating()) {
        m_frames.stop();
        return;
    }
    const double ticks = std::min(m_sinceFrame.restart() / 100.0, 1.0);
    m_view->AdvanceAnimation(ticks);
}

void CDVI_Kartile_Window::OnHeartbeat() {
    if (!m_view) return;
    if (m_frames.isActive())
        m_view->PollRenderer();
    else
        m_view->onTimer();
    onChangedScale();
    refreshState();
}

void CDVI_Kartile_Window::refreshState() {
    if (m_view->isLockedOnToGPS() != m_lastLocked) {
        m_lastLocked = m_view->isLockedOnToGPS();
        Q_EMIT gpsLockedOnChanged();
    }
    CKartile* map = m_view->hasMap() ? m_view->renderer().map() : nullptr;
    const QString path = map ? QString::fromStdString(map->path()) : QString();
    if (path != m_mapPath) {
        m_mapPath = path;
        // The header's long title reads better above the map than its name.
        std::string title = map ? map->headerString(ktl::kOffTitle) : std::string();
        if (map && title.empty()) title = map->GetTitle();
        m_mapTitle = QString::fromStdString(title);
        Q_EMIT mapChanged();
    }
    if (m_cursor.x() >= 0) updateCursorText(m_cursor.x(), m_cursor.y());
    if (m_highlight != CGlobalLatLongHighlight::generation()) {
        m_highlight = CGlobalLatLongHighlight::generation();
        update();
    }
    updateTool();
}

void CDVI_Kartile_Window::updateTool() {
    COverlayTool* tool = COverlayTool::the_tool;
    FPoint at;
    const bool shown = m_view && tool && tool->view() == m_view && tool->ScreenPoint(at);
    const double r = ratio();
    const QPointF point = shown ? QPointF(at.x / r, at.y / r) : QPointF();
    const QString label = shown ? QString::fromStdString(tool->label) : QString();
    const bool locked = shown && tool->isLocked();
    if (shown == m_toolShown && point == m_toolPoint && label == m_toolLabel &&
        locked == m_toolLocked)
        return;
    m_toolShown = shown;
    m_toolPoint = point;
    m_toolLabel = label;
    m_toolLocked = locked;
    Q_EMIT toolChanged();
}

bool CDVI_Kartile_Window::addMark() {
    if (!m_view) return false;
    const bool made = m_view->CreateNewMark() != nullptr;
    updateTool();
    return made;
}

void CDVI_Kartile_Window::toolMenu() {
    if (COverlayTool* tool = COverlayTool::the_tool; tool && m_view && tool->view() == m_view)
        tool->OnMenu();
}

void CDVI_Kartile_Window::toolDrag(double dx, double dy) {
    COverlayTool* tool = COverlayTool::the_tool;
    if (!tool || !m_view || tool->view() != m_view) return;
    const double r = ratio();
    tool->Move(dx * r, dy * r);
    update();
    updateTool();
}

void CDVI_Kartile_Window::onChangedScale() {
    const bool shown = m_barLength > 0 || !m_barLabel.isEmpty();
    if (!CKartileView::show_scale_bar || !m_view) {
        if (shown) {
            m_barLength = 0;
            m_barLabel.clear();
            m_lastScale = 0;
            Q_EMIT scaleBarChanged();
        }
        return;
    }
    const double s = m_view->getDisplayedScale() * ratio();
    if (s > 0 && m_lastScale > 0 && std::max(s, m_lastScale) / std::min(s, m_lastScale) <= 1.001)
        return;
    if (s == m_lastScale) return;
    m_lastScale = s;
    int length = 0;
    std::string label;
    if (s > 0 && CUnits::Default) {
        const int maxPixels = int(std::min(250.0, 0.4 * width()));
        length = CUnits::Default->format_scale(s, label, maxPixels);
    }
    m_barLength = length;
    m_barLabel = QString::fromStdString(label);
    Q_EMIT scaleBarChanged();
}

void CDVI_Kartile_Window::OnUpdate(CUnits& units) {
    if (&units != CUnits::Default) return;
    m_lastScale = 0;
    onChangedScale();
    if (m_cursor.x() >= 0) updateCursorText(m_cursor.x(), m_cursor.y());
}

// With terrain altitudes on, the ground height under the cursor, at the
// tiles' level nearest the map's own pixel size.
QString CDVI_Kartile_Window::groundHeightText(double lat, double lon) const {
    CDataAltitude::TerrainSource* terrain = CDataAltitude::GetTerrainSource();
    if (!terrain || COverlayGPSPosition::theLatestPosition.mode != CDataAltitude::kTerrain)
        return {};
    const double metresPerPixel = m_view->getDisplayedScale() * ratio() * kMetresPerNauticalMile;
    const double height = terrain->GroundHeightAt(lat, lon, metresPerPixel);
    if (height <= -9999) return {};
    std::string s;
    CUnits::Default->FormatDepth(float(height), s);
    return QStringLiteral("   Ground ") + QString::fromStdString(s);
}

void CDVI_Kartile_Window::updateCursorText(double x, double y) {
    QString text;
    double lat, lon;
    const double r = ratio();
    if (m_view && m_view->hasMap() && m_view->ScreenTolatlong(x * r, y * r, lat, lon) &&
        CUnits::Default) {
        std::string s;
        CUnits::Default->FormatPosition(lat, lon, s);
        text = QString::fromStdString(s) + groundHeightText(lat, lon);
    }
    if (text != m_cursorText) {
        m_cursorText = text;
        Q_EMIT cursorPositionChanged();
    }
}

// ---------------------------------------------------------------- commands

void CDVI_Kartile_Window::zoomIn() {
    if (m_view) m_view->SmoothZoom(-1);
}

void CDVI_Kartile_Window::zoomOut() {
    if (m_view) m_view->SmoothZoom(+1);
}

void CDVI_Kartile_Window::clickZoom(int n) {
    if (m_view) m_view->SmoothZoom(n);
}

void CDVI_Kartile_Window::lockOnToGPS() {
    if (!m_view) return;
    m_view->LockOnToGPS(true);
    m_lastLocked = m_view->isLockedOnToGPS();
    Q_EMIT gpsLockedOnChanged();
}

void CDVI_Kartile_Window::scrollGesture(double dx, double dy, bool inverted) {
    if (!m_view) return;
    const double r = ratio();
    const double sign = inverted ? 1 : -1;
    m_view->LockOnToGPS(false);
    m_view->DoScroll(sign * dx * r, sign * dy * r);
}

bool CDVI_Kartile_Window::handleKey(int key) {
    if (!m_view) return false;
    const double d = 100 * ratio();
    if (key == Qt::Key_Left || key == Qt::Key_Up || key == Qt::Key_Right || key == Qt::Key_Down)
        m_view->LockOnToGPS(false);  // looking elsewhere stops following the boat
    switch (key) {
        case Qt::Key_Home:
        case Qt::Key_G:
            lockOnToGPS();
            return true;
        case Qt::Key_Left:
            m_view->DoScroll(d, 0);
            return true;
        case Qt::Key_Up:
            m_view->DoScroll(0, d);
            return true;
        case Qt::Key_Right:
            m_view->DoScroll(-d, 0);
            return true;
        case Qt::Key_Down:
            m_view->DoScroll(0, -d);
            return true;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
        case Qt::Key_VolumeUp:
            m_view->SmoothZoom(-1);
            return true;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
        case Qt::Key_VolumeDown:
            m_view->SmoothZoom(+1);
            return true;
        case Qt::Key_I:
            m_view->ChangeMapScale(-1);
            return true;
        case Qt::Key_O:
            m_view->ChangeMapScale(+1);
            return true;
        case Qt::Key_Delete:
        case Qt::Key_Backspace:
            return m_view->onDeleteKey();
        case Qt::Key_M:
            return addMark();
        default:
            // Escape, Return, Enter and Select belong to a "Done" button when one
            // is shown; none is, so they pass on.
            return false;
    }
}

// ---------------------------------------------------------------- input

void CDVI_Kartile_Window::keyPressEvent(QKeyEvent* event) {
    event->setAccepted(handleKey(event->key()));
}

void CDVI_Kartile_Window::mousePressEvent(QMouseEvent* event) {
    forceActiveFocus(Qt::MouseFocusReason);
    if (!m_view) return;
    const double r = ratio();
    const QPointF p = event->position();
    if (event->button() == Qt::LeftButton) m_view->onMouseDown(p.x() * r, p.y() * r);
    if (event->button() == Qt::MiddleButton) m_view->centerMouseDown(p.x() * r, p.y() * r);
    if (event->button() == Qt::RightButton) m_view->rightMouseDown(p.x() * r, p.y() * r);
    updateTool();
    event->accept();
}

void CDVI_Kartile_Window::mouseMoveEvent(QMouseEvent* event) {
    if (!m_view) return;
    const double r = ratio();
    const QPointF p = event->position();
    m_view->onSingleTouchMove(p.x() * r, p.y() * r);
    m_cursor = p;
    updateCursorText(p.x(), p.y());
}

void CDVI_Kartile_Window::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_view) return;
    const double r = ratio();
    const QPointF p = event->position();
    if (m_view->onSingleTouchUp()) m_view->onTap(p.x() * r, p.y() * r, m_view->touchPrecision2);
    startFrames();  // a fling carries on
}

void CDVI_Kartile_Window::hoverMoveEvent(QHoverEvent* event) {
    m_cursor = event->position();
    updateCursorText(m_cursor.x(), m_cursor.y());
}

void CDVI_Kartile_Window::wheelEvent(QWheelEvent* event) {
    forceActiveFocus(Qt::MouseFocusReason);
    if (!m_view) return;
    // Turning the wheel away from the user zooms in; touchpads send small
    // deltas that add up to a notch.
    m_wheelRest += event->angleDelta().y();
    const double r = ratio();
    const QPointF p = event->position();
    while (std::abs(m_wheelRest) >= kWheelStep) {
        const int step = m_wheelRest > 0 ? 1 : -1;
        m_wheelRest -= step * kWheelStep;
        m_view->SmoothZoomAtPoint(-step, p.x() * r, p.y() * r);
    }
    event->accept();
}

void CDVI_Kartile_Window::touchEvent(QTouchEvent* event) {
    forceActiveFocus(Qt::OtherFocusReason);
    if (!m_view) return;
    const double r = ratio();
    const auto& points = event->points();
    if (event->type() == QEvent::TouchCancel) {
        m_view->onPinchEnd();  // nothing when no pinch is on
        m_view->onSingleTouchUp();
        return;
    }
    if (points.size() >= 2) {
        const QPointF a = points[0].position() * r, b = points[1].position() * r;
        const QPointF c = (a + b) / 2;
        const double d = std::hypot(a.x() - b.x(), a.y() - b.y());
        if (!m_view->isPinching())
            m_view->onPinchBegin(c.x(), c.y(), d);
        else
            m_view->onPinchMove(c.x(), c.y(), d);
        if (event->type() == QEvent::TouchEnd || points[0].state() == QEventPoint::Released ||
            points[1].state() == QEventPoint::Released)
            m_view->onPinchEnd();
        event->accept();
        return;
    }
    if (points.isEmpty()) return;
    const QPointF p = points[0].position() * r;
    if (m_view->isPinching()) {
        // The second finger lifted: the pinch is over, the touch ends with it.
        m_view->onPinchEnd();
        m_view->onSingleTouchUp();
        event->accept();
        return;
    }
    switch (points[0].state()) {
        case QEventPoint::Pressed:
            m_view->onSingleTouchDown(p.x(), p.y());
            break;
        case QEventPoint::Updated:
            m_view->onSingleTouchMove(p.x(), p.y());
            break;
        case QEventPoint::Released:
            if (m_view->onSingleTouchUp()) m_view->onTap(p.x(), p.y(), m_view->touchPrecision2);
            break;
        default:
            break;
    }
    startFrames();
    event->accept();
}
