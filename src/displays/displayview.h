// CDisplayView: one page of display items laid on a grid, and the pieces it
// is made of: the item-kind registry, the stored item settings, the live
// items and the window interface that the front end implements.
//
// Grid: 8 cells an inch of the page set's design screen. A page of
// `rows` x `columns` cells fills its window less the page margins, so a cell
// is (w - left - right) / columns by (h - top - bottom) / rows pixels; items
// cover whole cells and are inset by `margin` pixels inside them. Higher
// layers (1..9) lie on top; items block each other only on the same layer.
//
// The page signature names a page by the kinds of its five largest items
// (size (width*100/columns)^2 + (height*100/rows)^2, integer arithmetic), so
// the page that best matches the one the user was on can be found in
// another page set.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "overlays/serializable.h"

class QPainter;
class CDisplayViewPageSet;

class CDisplayView : public CSerializable {
public:
    class CItemSettingsType;
    class CItemSettings;
    class CItem;
    class CItemText;
    class CItemMultilineText;
    class CItemDraw;
    class CItemButton;
    class IWindow;
    class CItemArrangement;

    static constexpr uint32_t kTypeId = 0x44565047;  // page records are never polymorphic
    static constexpr uint32_t kPageFileMagic = 0x71831AB9;
    static constexpr int kSignatureLength = 5;
    static constexpr int kCellsPerInch = 8;

    CDisplayView();
    ~CDisplayView() override;
    CDisplayView(const CDisplayView&) = delete;
    CDisplayView& operator=(const CDisplayView&) = delete;

    bool Serialize(IOStream& stream) override;
    uint32_t GetTypeId() const override { return kTypeId; }

    // Live items exist while a window is attached.
    void Attach(IWindow& window);
    void DetachFromWindow();
    IWindow* window() const { return m_window; }
    // The window's size changed; allowPageSetChange lets a much different
    // size choose another page set (true when that happened).
    bool Resized(bool allowPageSetChange);
    void AdjustCellsForScreen();
    bool gridNeedsAdjusting() const;

    // layer 0 = the kind's default layer. Null for an unknown kind.
    CItemSettings* AddItem(int type, int row, int column, int height, int width, int layer = 0);
    void RemoveItem(CItemSettings* settings);
    CItem* NextItemAt(int row, int column, const CItem* after = nullptr) const;
    CItem* findItemAt(int typeId, int row, int column) const;
    CItem* FindLargestItemOfType(int typeId, int& size) const;
    void forAllItemsOfType(int typeId, const std::function<void(CItem&)>& function) const;

    // Editing. Coordinates are window pixels.
    void SelectItem(CItem* item);
    CItem* selectedItem() const { return m_selected; }
    void AdjustSelectedItemPosition();
    void onMouseDown(double x, double y, bool touch = false);
    void onMouseDragged(double x, double y);
    void onMouseUp(double x, double y);
    // Arrow keys while arranging: key is -1 left, -2 up, +1 right, +2 down;
    // with a modifier they resize instead of move. False when ignored.
    bool onArrowKey(int key, bool modifier);
    void SetItemLocked(CItem* item, bool locked);
    void SetItemLayer(CItem* item, int layer);
    // "Change Data": the selected item becomes an item of another kind in
    // the same cells. Returns the new item's settings.
    CItemSettings* ChangeItemKind(CItem* item, int type);
    // "Add Item" at the last pressed cell, sized from the kind's default
    // pixels and moved back inside the grid; the new item is selected.
    CItemSettings* AddItemAtPress(int type);
    struct Rect {
        double left = 0, top = 0, right = 0, bottom = 0;
    };
    const Rect& selectionRect() const { return m_selectionRect; }

    std::string getPageName();
    int compareSignature(const int* signature);
    const int* signature();  // recomputed
    bool isArranging() const;
    bool isCurrentPage() const;
    void ClearAll();
    void SaveIfNeeded();

    CItemArrangement& arrangement() { return *m_arrangement; }
    const CItemArrangement& arrangement() const { return *m_arrangement; }
    CDisplayViewPageSet* pageSet() const { return m_pageSet; }
    void setPageSet(CDisplayViewPageSet* set);

    std::string name;
    bool modified = false;
    bool adding = false;

private:
    void refreshSelectionRect();

    std::unique_ptr<CItemArrangement> m_arrangement;
    CDisplayViewPageSet* m_pageSet = nullptr;
    IWindow* m_window = nullptr;
    CItem* m_selected = nullptr;
    Rect m_selectionRect;
    double m_pressX = 0, m_pressY = 0, m_pressTime = 0;
    int m_pressRow = 0, m_pressColumn = 0;
    bool m_touch = false;
    bool m_moving = false, m_resizing = false, m_dragged = false, m_freshSelection = false;
    int m_signature[kSignatureLength] = {0, 0, 0, 0, 0};
};

// One entry of the item-kind registry. Each kind declares a static entry next
// to its class; the list is headed by first_type, newest first. A kind whose
// live item is not built in this program keeps its entry (files keep its
// items) but stays out of the menu.
class CDisplayView::CItemSettingsType {
public:
    using Factory = CItemSettings* (*)();
    CItemSettingsType(const char* menuName, int typeId, int defaultLayer, int defaultWidthPx,
                      int defaultHeightPx, Factory factory, bool inMenu = true,
                      bool indexed = false);
    ~CItemSettingsType();
    CItemSettingsType(const CItemSettingsType&) = delete;
    CItemSettingsType& operator=(const CItemSettingsType&) = delete;

    static CItemSettingsType* findType(int id);
    // menuName, or "type-%d" for an unknown id.
    static std::string getNameOfType(int id);
    // New default settings of a kind (null for an unknown id).
    static std::unique_ptr<CItemSettings> CreateSettings(int id);

    const char* menuName;
    int typeId;
    int defaultLayer;
    int defaultWidthPx;
    int defaultHeightPx;
    bool indexed;
    bool inMenu;
    Factory factory;
    CItemSettingsType* next;

    static CItemSettingsType* first_type;

private:
    class SerializableType;
    std::unique_ptr<SerializableType> m_serializable;
};

// The stored description of one item: where it lies on the grid and on
// which layer. A kind adds its own fields in sections after the base one.
class CDisplayView::CItemSettings : public CSerializable {
public:
    explicit CItemSettings(int typeId) : m_typeId(typeId) {}
    bool Serialize(IOStream& stream) override;
    uint32_t GetTypeId() const override { return uint32_t(m_typeId); }
    // The live item for a window; null when the kind draws nothing here.
    virtual CItem* CreateItem(IWindow* window);
    virtual void SetIndex(int) {}
    std::string getTypeName() const;
    // The kind's own fields as names and texts, for listings.
    using Fields = std::vector<std::pair<std::string, std::string>>;
    virtual Fields OwnFields() const { return {}; }
    // Clips the cell rectangle into a grid (a width or height of 0 when
    // nothing is left inside).
    void adjustToFitView(int columns, int rows);
    // Deep copy through the stored form.
    std::unique_ptr<CItemSettings> Clone();
    bool hitTest(int r, int c) const {
        return row <= r && r < row + height && column <= c && c < column + width;
    }

    int32_t row = -1;
    int32_t column = -1;
    int32_t height = -1;
    int32_t width = -1;
    int32_t layer = 5;
    bool locked = false;

protected:
    // The kind's own fields; the base section is already closed.
    virtual bool SerializeOwn(IOStream&) { return true; }

private:
    int m_typeId;
};

// The front end's side of an item or a page.
class CDisplayView::IWindow {
public:
    virtual ~IWindow() = default;
    virtual void Invalidate() = 0;
    virtual void Move(double x, double y, double w, double h) = 0;
    virtual void Draw(QPainter*) {}
    virtual void show(bool) {}
    virtual void GetSize(double& w, double& h) = 0;
    virtual void GetXY(double& x, double& y) {
        x = 0;
        y = 0;
    }
    virtual void SetLayer(int) {}
    // Page windows: the page margins (pixels) and a window for a new item
    // (null: the item lives without one).
    virtual void GetMargins(double& top, double& bottom, double& left, double& right) {
        top = bottom = left = right = 0;
    }
    virtual IWindow* NewItemWindow(CItem&) { return nullptr; }
    virtual void DeleteItemWindow(IWindow*) {}
    // The page's items were made anew or went away.
    virtual void ItemsChanged() {}
};

// A live item built from its settings.
class CDisplayView::CItem {
public:
    // kComponent: a front-end component fed through an object (componentitem.h).
    enum Kind { kPlain, kText, kMultilineText, kDraw, kButton, kImage, kMap, kComponent };

    explicit CItem(CItemSettings& settings) : m_settings(settings) {}
    virtual ~CItem() = default;
    CItem(const CItem&) = delete;
    CItem& operator=(const CItem&) = delete;

    virtual Kind kind() const { return kPlain; }
    virtual void onItemRemoved() {}
    // Edit menu entries of the kind, and their action.
    virtual std::vector<std::string> editMenus() const { return {}; }
    virtual bool onEditMenu(const std::string&) { return false; }
    // Puts live state (a map's place) into the settings before they are
    // saved; true when the settings changed.
    virtual bool SaveState() { return false; }

    CItemSettings& settings() const { return m_settings; }
    int typeId() const { return int(m_settings.GetTypeId()); }
    IWindow* window() const { return m_window; }
    void setWindow(IWindow* window) { m_window = window; }
    CDisplayView* page() const { return m_page; }
    void setPage(CDisplayView* page) { m_page = page; }
    bool edgeToEdge = false;

protected:
    void invalidate() {
        if (m_window) m_window->Invalidate();
    }

private:
    CItemSettings& m_settings;
    IWindow* m_window = nullptr;
    CDisplayView* m_page = nullptr;
};

// A title, a value and its units.
class CDisplayView::CItemText : public CItem {
public:
    using CItem::CItem;
    Kind kind() const override { return kText; }
    void SetTitleUnits(const std::string& title, const std::string& units);
    void SetValue(const std::string& value);
    const std::string& title() const { return m_title; }
    const std::string& units() const { return m_units; }
    const std::string& value() const { return m_value; }

private:
    std::string m_title, m_units, m_value;
};

class CDisplayView::CItemMultilineText : public CItem {
public:
    using CItem::CItem;
    Kind kind() const override { return kMultilineText; }
    void SetValue(const std::string& value);
    const std::string& value() const { return m_value; }

private:
    std::string m_value;
};

// An item that paints itself into its window's rectangle.
class CDisplayView::CItemDraw : public CItem {
public:
    using CItem::CItem;
    Kind kind() const override { return kDraw; }
    virtual void Paint(QPainter& painter, double w, double h) = 0;
    // Items that take presses and drags get them in item pixels.
    virtual bool takesPointer() const { return false; }
    virtual void onPointer(double /*x*/, double /*y*/, bool /*pressed*/) {}
};

class CDisplayView::CItemButton : public CItem {
public:
    using CItem::CItem;
    Kind kind() const override { return kButton; }
    void SetLabel(const std::string& label);
    void SetEnabled(bool enabled);
    const std::string& label() const { return m_label; }
    const std::string& icon() const { return m_icon; }
    bool enabled() const { return m_enabled; }
    virtual void onClick() = 0;

protected:
    std::string m_icon;  // a name the front end knows

private:
    std::string m_label;
    bool m_enabled = true;
};
