// CDisplayViewPage: the Qt Quick item (QML type "DisplayPages" in module
// "Orvanta") that shows the current page of the user's layout and lets the
// user move between pages (a swipe, the arrow keys with Ctrl or Alt, the
// page buttons) and edit them (by mouse or touch while arranging: press to
// select, drag to move, drag the bottom-right corner to resize; the edit
// menu adds, changes, locks, re-layers and removes items).
//
// Two of them make a slide: the application model turns pages when it
// listens to `turnRequested`, showing the new page on the standby item.
#pragma once

#include <QQuickItem>
#include <QTimer>
#include <QVariantList>
#include <map>
#include <memory>

#include "displays/displayview.h"

class CDisplayViewArrangementSet;
class CItemComponent;
class QuickItemWindow;
class SelectionOverlay;

class CDisplayViewPage : public QQuickItem, public CDisplayView::IWindow {
    Q_OBJECT
    Q_PROPERTY(QString pageName READ pageName NOTIFY pageChanged)
    Q_PROPERTY(int pageIndex READ pageIndex NOTIFY pageChanged)
    Q_PROPERTY(int pageCount READ pageCount NOTIFY pageChanged)
    Q_PROPERTY(QString pageSetName READ pageSetName NOTIFY pageChanged)
    Q_PROPERTY(bool arranging READ arranging WRITE setArranging NOTIFY arrangingChanged)
    Q_PROPERTY(bool hasSelection READ hasSelection NOTIFY selectionChanged)
    Q_PROPERTY(bool selectionLocked READ selectionLocked NOTIFY selectionChanged)
    Q_PROPERTY(QObject* mapWindow READ mapWindow NOTIFY pageChanged)
    // A standby item shows only the page it is given (showView), never the
    // layout's current page by itself.
    Q_PROPERTY(bool standby READ standby WRITE setStandby NOTIFY standbyChanged)

public:
    explicit CDisplayViewPage(QQuickItem* parent = nullptr);
    ~CDisplayViewPage() override;

    // Another layout than the user's (tests).
    void setLayout(CDisplayViewArrangementSet* layout);
    CDisplayViewArrangementSet& layout() const { return *m_layout; }
    CDisplayView* page() const { return m_page; }
    // For the application model: let go of the page on show before the
    // layout is replaced, and show a page of the current set (made current;
    // null: the set's current page).
    void releasePage();
    void showPage(CDisplayView* page);
    // Shows exactly this page (null: none), the page set untouched.
    void showView(CDisplayView* page);
    bool standby() const { return m_standby; }
    void setStandby(bool on);

    QString pageName() const;
    int pageIndex() const;
    int pageCount() const;
    QString pageSetName() const;
    bool arranging() const;
    void setArranging(bool on);
    bool hasSelection() const { return m_page && m_page->selectedItem(); }
    bool selectionLocked() const;
    QObject* mapWindow() const;

    // Swipes, keys and the page buttons: turned by whoever listens to
    // turnRequested, else by the item itself.
    Q_INVOKABLE void nextPage();
    Q_INVOKABLE void previousPage();
    Q_INVOKABLE bool addPage();
    Q_INVOKABLE bool duplicatePage();
    Q_INVOKABLE bool removePage();
    Q_INVOKABLE bool movePage(int delta);
    // The kinds of the menu: {group, name, id, checked}.
    Q_INVOKABLE QVariantList kindMenu() const;
    Q_INVOKABLE bool addItem(int kind);
    Q_INVOKABLE bool changeItem(int kind);
    Q_INVOKABLE void removeSelected();
    Q_INVOKABLE void toggleLock();
    Q_INVOKABLE void setLayer(int layer);
    Q_INVOKABLE int selectedLayer() const;
    Q_INVOKABLE QStringList itemMenu() const;
    Q_INVOKABLE void itemMenuChosen(const QString& entry);

    // IWindow
    void Invalidate() override;
    void Move(double, double, double, double) override {}
    void GetSize(double& w, double& h) override;
    IWindow* NewItemWindow(CDisplayView::CItem& item) override;
    void DeleteItemWindow(IWindow* window) override;
    void ItemsChanged() override;

Q_SIGNALS:
    void pageChanged();
    void arrangingChanged();
    void selectionChanged();
    // A right click or a long press while arranging: show the edit menu.
    void editMenuRequested(double x, double y);
    void turnRequested(int direction);
    void standbyChanged();

protected:
    void componentComplete() override;
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showCurrentPage();
    QQuickItem* newComponentWindow(CItemComponent& item);
    void pageEdited();
    void updateClickable();

    CDisplayViewArrangementSet* m_layout;
    CDisplayView* m_page = nullptr;
    std::map<IWindow*, std::unique_ptr<QuickItemWindow>> m_windows;
    SelectionOverlay* m_overlay = nullptr;
    QPointF m_press;
    bool m_pressed = false;
    bool m_standby = false;
    // The page on show is written a moment after the pages stop turning:
    // a file synced to disk on every swipe would stall the swipe.
    QTimer m_remember;
};
