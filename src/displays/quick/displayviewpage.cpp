#include "displays/quick/displayviewpage.h"

#include <QtQml/qqml.h>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickPaintedItem>
#include <set>

#include "displays/componentitem.h"
#include "displays/displayviewarrangementset.h"
#include "displays/itemarrangement.h"
#include "displays/quick/displayitemwindow.h"
#include "mapview/displayviewkartile.h"
#include "mapview/dvikartilewindow.h"

namespace {

void registerQmlType() {
    qmlRegisterType<CDisplayViewPage>("Orvanta", 1, 0, "DisplayPages");
}
Q_COREAPP_STARTUP_FUNCTION(registerQmlType)

// A horizontal drag this long, and mostly sideways, turns the page.
constexpr double kSwipe = 80;

}  // namespace

// The selection while arranging, above every item.
class SelectionOverlay : public QQuickPaintedItem {
public:
    explicit SelectionOverlay(CDisplayViewPage* page) : QQuickPaintedItem(page), m_page(page) {
        setZ(100);
        setVisible(false);
    }
    // Shown only while arranging: a transparent layer over the whole page
    // would be blended over every changed value on every frame.
    void refresh() {
        setVisible(m_page->arranging());
        update();
    }
    void paint(QPainter* p) override {
        CDisplayView* page = m_page->page();
        if (!page || !m_page->arranging()) return;
        const auto& grid = page->arrangement();
        p->setPen(QColor(11, 61, 92, 60));
        for (int c = 0; c <= grid.columns; c += 8)
            p->drawLine(QPointF(c * grid.cellWidth, 0), QPointF(c * grid.cellWidth, height()));
        for (int r = 0; r <= grid.rows; r += 8)
            p->drawLine(QPointF(0, r * grid.cellHeight), QPointF(width(), r * grid.cellHeight));
        if (!page->selectedItem()) return;
        const CDisplayView::Rect& r = page->selectionRect();
        p->setPen(QPen(page->selectedItem()->settings().locked ? Qt::red : QColor(0, 120, 215), 3));
        p->setBrush(QColor(0, 120, 215, 40));
        p->drawRect(QRectF(r.left, r.top, r.right - r.left, r.bottom - r.top));
        p->setBrush(QColor(0, 120, 215));
        p->drawRect(QRectF(r.right - 14, r.bottom - 14, 14, 14));
    }

private:
    CDisplayViewPage* m_page;
};

CDisplayViewPage::CDisplayViewPage(QQuickItem* parent)
    : QQuickItem(parent), m_layout(&CDisplayViewArrangementSet::theLayout()) {
    setAcceptedMouseButtons(Qt::LeftButton | Qt::RightButton);
    setFlag(ItemIsFocusScope, true);
    setActiveFocusOnTab(true);
    setClip(true);
    m_overlay = new SelectionOverlay(this);
    m_remember.setSingleShot(true);
    m_remember.setInterval(2000);
    connect(&m_remember, &QTimer::timeout, this, [this] { m_layout->save_layout_if_changed(); });
}

CDisplayViewPage::~CDisplayViewPage() {
    if (m_remember.isActive()) m_layout->save_layout_if_changed();
    if (m_page) m_page->DetachFromWindow();
    m_page = nullptr;
}

void CDisplayViewPage::setLayout(CDisplayViewArrangementSet* layout) {
    if (m_page) m_page->DetachFromWindow();
    m_page = nullptr;
    m_layout = layout;
    showCurrentPage();
}

void CDisplayViewPage::releasePage() {
    if (m_page) m_page->DetachFromWindow();
    m_page = nullptr;
}

void CDisplayViewPage::showPage(CDisplayView* page) {
    if (page && page->pageSet()) page->pageSet()->setPage(page);
    showCurrentPage();
}

void CDisplayViewPage::showView(CDisplayView* page) {
    if (page != m_page) {
        if (m_page) m_page->DetachFromWindow();
        m_page = page;
        if (m_page) m_page->Attach(*this);
    }
    if (m_page) m_page->Resized(false);
    updateClickable();
    m_overlay->setSize(size());
    m_overlay->refresh();
    update();
    Q_EMIT pageChanged();
    Q_EMIT selectionChanged();
}

void CDisplayViewPage::setStandby(bool on) {
    if (on == m_standby) return;
    m_standby = on;
    Q_EMIT standbyChanged();
}

void CDisplayViewPage::componentComplete() {
    QQuickItem::componentComplete();
    if (!m_layout->loaded) m_layout->loadInitialLayout();
    showCurrentPage();
}

void CDisplayViewPage::showCurrentPage() {
    if (width() * height() <= 0 || m_standby) return;
    if (!m_page) m_layout->setBestPagesetForWindowSize(width(), height());
    CDisplayView* current = m_layout->getPageSet()->getCurrentPage();
    if (current != m_page) {
        if (m_page) m_page->DetachFromWindow();
        m_page = current;
        m_page->Attach(*this);
        m_remember.start();
    }
    updateClickable();
    m_overlay->setSize(size());
    m_overlay->refresh();
    Q_EMIT pageChanged();
    Q_EMIT selectionChanged();
}

void CDisplayViewPage::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) {
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (!isComponentComplete()) return;
    if (!m_page) return showCurrentPage();
    if (m_page->Resized(!m_standby)) {
        m_page = nullptr;
        showCurrentPage();
    }
    m_overlay->setSize(size());
}

// ---------------------------------------------------------------- IWindow

void CDisplayViewPage::Invalidate() {
    m_overlay->refresh();
    Q_EMIT selectionChanged();
}

void CDisplayViewPage::GetSize(double& w, double& h) {
    w = width();
    h = height();
}

CDisplayView::IWindow* CDisplayViewPage::NewItemWindow(CDisplayView::CItem& item) {
    QQuickItem* quick = nullptr;
    if (item.kind() == CDisplayView::CItem::kMap) {
        auto* map = new CDVI_Kartile_Window(this);
        map->setView(&static_cast<CDisplayViewKartile&>(item).view());
        quick = map;
    } else if (item.kind() == CDisplayView::CItem::kComponent) {
        quick = newComponentWindow(static_cast<CItemComponent&>(item));
    } else if (item.kind() != CDisplayView::CItem::kPlain) {
        quick = new CDisplayItemWindow(item, this);
    }
    if (!quick) return nullptr;
    auto window = std::make_unique<QuickItemWindow>(quick);
    IWindow* raw = window.get();
    m_windows[raw] = std::move(window);
    return raw;
}

// The component named by the item, fed by the item's object as `model`;
// null outside a QML engine or when the component does not load.
QQuickItem* CDisplayViewPage::newComponentWindow(CItemComponent& item) {
    QQmlEngine* engine = qmlEngine(this);
    if (!engine) return nullptr;
    QQmlComponent component(engine, QUrl(QString::fromStdString(item.componentUrl())));
    QObject* made = component.createWithInitialProperties(
        {{"model", QVariant::fromValue(item.componentModel())}}, qmlContext(this));
    auto* quick = qobject_cast<QQuickItem*>(made);
    if (!quick) {
        if (component.isError()) qWarning("%s", qPrintable(component.errorString()));
        delete made;
        return nullptr;
    }
    quick->setParentItem(this);
    return quick;
}

void CDisplayViewPage::DeleteItemWindow(IWindow* window) {
    auto it = m_windows.find(window);
    if (it == m_windows.end()) return;
    if (auto* map = qobject_cast<CDVI_Kartile_Window*>(it->second->item())) map->setView(nullptr);
    m_windows.erase(it);
}

void CDisplayViewPage::ItemsChanged() {
    // The page went to another item, or away: this one shows nothing.
    if (m_page && m_page->window() != this) m_page = nullptr;
    updateClickable();
    Q_EMIT pageChanged();
}

// Buttons, maps and drawings that ask for it take the pointer except while
// the page is arranged.
void CDisplayViewPage::updateClickable() {
    const bool live = !arranging();
    for (auto& [raw, window] : m_windows) {
        QQuickItem* quick = window->item();
        if (!quick) continue;
        if (auto* item = qobject_cast<CDisplayItemWindow*>(quick)) item->setClickable(false);
        quick->setEnabled(live);
    }
    if (!m_page) return;
    for (auto& [layer, item] : m_page->arrangement().items) {
        const bool takes = item->kind() == CDisplayView::CItem::kButton ||
                           (item->kind() == CDisplayView::CItem::kDraw &&
                            static_cast<CDisplayView::CItemDraw&>(*item).takesPointer());
        if (!takes || !item->window()) continue;
        auto* quick = static_cast<QuickItemWindow*>(item->window())->item();
        if (auto* w = qobject_cast<CDisplayItemWindow*>(quick)) w->setClickable(live);
    }
}

// ---------------------------------------------------------------- properties

QString CDisplayViewPage::pageName() const {
    return m_page ? QString::fromStdString(m_page->getPageName()) : QString();
}

int CDisplayViewPage::pageIndex() const {
    return m_page && m_page->pageSet() ? m_page->pageSet()->currentIndex() : -1;
}

int CDisplayViewPage::pageCount() const {
    return m_page && m_page->pageSet() ? int(m_page->pageSet()->pages.size()) : 0;
}

QString CDisplayViewPage::pageSetName() const {
    return m_page && m_page->pageSet() ? QString::fromStdString(m_page->pageSet()->getScreenName())
                                       : QString();
}

bool CDisplayViewPage::arranging() const {
    return m_layout->arranging;
}

void CDisplayViewPage::setArranging(bool on) {
    if (on == m_layout->arranging) return;
    if (on) m_layout->saveBackupLayout();
    m_layout->arranging = on;
    if (!on) {
        if (m_page) m_page->SelectItem(nullptr);
        m_layout->save_layout_if_changed();
    }
    updateClickable();
    m_overlay->refresh();
    Q_EMIT arrangingChanged();
    Q_EMIT selectionChanged();
}

bool CDisplayViewPage::selectionLocked() const {
    return hasSelection() && m_page->selectedItem()->settings().locked;
}

QObject* CDisplayViewPage::mapWindow() const {
    if (!m_page) return nullptr;
    int size = -1;
    CDisplayView::CItem* map = m_page->FindLargestItemOfType(CDisplayViewKartile::kTypeId, size);
    if (!map || !map->window()) return nullptr;
    return static_cast<QuickItemWindow*>(map->window())->item();
}

// ---------------------------------------------------------------- pages

void CDisplayViewPage::nextPage() {
    if (isSignalConnected(QMetaMethod::fromSignal(&CDisplayViewPage::turnRequested)))
        return Q_EMIT turnRequested(1);
    m_layout->getPageSet()->nextPage();
    showCurrentPage();
}

void CDisplayViewPage::previousPage() {
    if (isSignalConnected(QMetaMethod::fromSignal(&CDisplayViewPage::turnRequested)))
        return Q_EMIT turnRequested(-1);
    m_layout->getPageSet()->previousPage();
    showCurrentPage();
}

bool CDisplayViewPage::addPage() {
    const bool added = m_layout->getPageSet()->AddNewPage() != nullptr;
    showCurrentPage();
    return added;
}

bool CDisplayViewPage::duplicatePage() {
    const bool made = m_layout->getPageSet()->DuplicateCurrentPage() != nullptr;
    showCurrentPage();
    return made;
}

bool CDisplayViewPage::removePage() {
    CDisplayView* old = m_page;
    if (m_layout->getPageSet()->pages.size() < 2) return false;
    if (old) old->DetachFromWindow();
    m_page = nullptr;
    const bool removed = m_layout->getPageSet()->RemoveCurrentPage();
    showCurrentPage();
    return removed;
}

bool CDisplayViewPage::movePage(int delta) {
    const bool moved = m_layout->getPageSet()->MoveCurrentPage(delta);
    pageEdited();
    return moved;
}

// ---------------------------------------------------------------- items

QVariantList CDisplayViewPage::kindMenu() const {
    const int selected = hasSelection() ? m_page->selectedItem()->typeId() : 0;
    std::multimap<std::string, QVariantMap> sorted;
    for (auto* t = CDisplayView::CItemSettingsType::first_type; t; t = t->next) {
        if (!t->inMenu) continue;
        const std::string name = t->menuName;
        const size_t colon = name.find(':');
        QVariantMap entry{{"group", QString::fromStdString(name.substr(0, colon))},
                          {"name", QString::fromStdString(name.substr(colon + 1))},
                          {"id", t->typeId},
                          {"checked", t->typeId == selected}};
        sorted.emplace(name, entry);
    }
    QVariantList menu;
    for (auto& [name, entry] : sorted) menu.append(entry);
    return menu;
}

bool CDisplayViewPage::addItem(int kind) {
    if (!m_page) return false;
    const bool added = m_page->AddItemAtPress(kind) != nullptr;
    pageEdited();
    return added;
}

bool CDisplayViewPage::changeItem(int kind) {
    if (!m_page || !m_page->selectedItem()) return false;
    const bool changed = m_page->ChangeItemKind(m_page->selectedItem(), kind) != nullptr;
    pageEdited();
    return changed;
}

void CDisplayViewPage::removeSelected() {
    if (!m_page || !m_page->selectedItem()) return;
    m_page->RemoveItem(&m_page->selectedItem()->settings());
    pageEdited();
}

void CDisplayViewPage::toggleLock() {
    if (!hasSelection()) return;
    m_page->SetItemLocked(m_page->selectedItem(), !selectionLocked());
    pageEdited();
}

void CDisplayViewPage::setLayer(int layer) {
    if (!hasSelection()) return;
    m_page->SetItemLayer(m_page->selectedItem(), layer);
    pageEdited();
}

int CDisplayViewPage::selectedLayer() const {
    return hasSelection() ? m_page->selectedItem()->settings().layer : 0;
}

QStringList CDisplayViewPage::itemMenu() const {
    QStringList entries;
    if (!hasSelection()) return entries;
    for (const std::string& e : m_page->selectedItem()->editMenus())
        entries << QString::fromStdString(e);
    return entries;
}

void CDisplayViewPage::itemMenuChosen(const QString& entry) {
    if (!hasSelection()) return;
    m_page->selectedItem()->onEditMenu(entry.toStdString());
    pageEdited();
}

void CDisplayViewPage::pageEdited() {
    m_layout->save_layout_if_changed();
    updateClickable();
    m_overlay->refresh();
    Q_EMIT pageChanged();
    Q_EMIT selectionChanged();
}

// ---------------------------------------------------------------- input

void CDisplayViewPage::mousePressEvent(QMouseEvent* event) {
    forceActiveFocus();
    m_press = event->position();
    m_pressed = true;
    const bool touch =
        event->device() && event->device()->type() == QInputDevice::DeviceType::TouchScreen;
    if (arranging()) {
        m_page->onMouseDown(m_press.x(), m_press.y(), touch);
        if (event->button() == Qt::RightButton) {
            // The edit menu acts on what lies under the press.
            m_page->onMouseUp(m_press.x(), m_press.y());
            m_pressed = false;
            Q_EMIT editMenuRequested(m_press.x(), m_press.y());
        }
        m_overlay->refresh();
        Q_EMIT selectionChanged();
    }
    event->accept();
}

void CDisplayViewPage::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressed || !arranging()) return;
    m_page->onMouseDragged(event->position().x(), event->position().y());
    m_overlay->refresh();
}

void CDisplayViewPage::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_pressed) return;
    m_pressed = false;
    const QPointF d = event->position() - m_press;
    if (arranging()) {
        m_page->onMouseUp(event->position().x(), event->position().y());
        pageEdited();
        return;
    }
    if (std::abs(d.x()) > kSwipe && std::abs(d.x()) > 2 * std::abs(d.y())) {
        if (d.x() < 0)
            nextPage();
        else
            previousPage();
    }
}

void CDisplayViewPage::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    int direction = 0;
    switch (event->key()) {
        case Qt::Key_Left:
            direction = -1;
            break;
        case Qt::Key_Up:
            direction = -2;
            break;
        case Qt::Key_Right:
            direction = 1;
            break;
        case Qt::Key_Down:
            direction = 2;
            break;
        default:
            break;
    }
    if (direction == 0) return QQuickItem::keyPressEvent(event);
    if (arranging()) {
        if (m_page->onArrowKey(direction, modifiers != Qt::NoModifier)) pageEdited();
        return event->accept();
    }
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier)) {
        if (direction == -1) previousPage();
        if (direction == 1) nextPage();
        if (direction == -1 || direction == 1) return event->accept();
    }
    QQuickItem::keyPressEvent(event);
}
