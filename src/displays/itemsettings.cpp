// The item-kind registry, the base item settings and the item bases.
#include <algorithm>
#include <cstdio>

#include "displays/displayview.h"

CDisplayView::CItemSettingsType* CDisplayView::CItemSettingsType::first_type = nullptr;

// Each kind is also a stored type of the container, under its kind id.
class CDisplayView::CItemSettingsType::SerializableType : public CSerializable::Type {
public:
    SerializableType(const CItemSettingsType& kind)
        : Type(uint32_t(kind.typeId), kind.menuName), m_kind(kind) {}
    CSerializable* Create() const override { return m_kind.factory(); }

private:
    const CItemSettingsType& m_kind;
};

CDisplayView::CItemSettingsType::CItemSettingsType(const char* menuName_, int typeId_,
                                                   int defaultLayer_, int defaultWidthPx_,
                                                   int defaultHeightPx_, Factory factory_,
                                                   bool inMenu_, bool indexed_)
    : menuName(menuName_),
      typeId(typeId_),
      defaultLayer(defaultLayer_),
      defaultWidthPx(defaultWidthPx_),
      defaultHeightPx(defaultHeightPx_),
      indexed(indexed_),
      inMenu(inMenu_),
      factory(factory_),
      next(first_type) {
    first_type = this;
    m_serializable = std::make_unique<SerializableType>(*this);
}

CDisplayView::CItemSettingsType::~CItemSettingsType() {
    for (CItemSettingsType** link = &first_type; *link; link = &(*link)->next) {
        if (*link == this) {
            *link = next;
            break;
        }
    }
}

CDisplayView::CItemSettingsType* CDisplayView::CItemSettingsType::findType(int id) {
    for (CItemSettingsType* t = first_type; t; t = t->next)
        if (t->typeId == id) return t;
    return nullptr;
}

std::string CDisplayView::CItemSettingsType::getNameOfType(int id) {
    if (const CItemSettingsType* t = findType(id)) return t->menuName;
    char text[32];
    std::snprintf(text, sizeof text, "type-%d", id);
    return text;
}

std::unique_ptr<CDisplayView::CItemSettings> CDisplayView::CItemSettingsType::CreateSettings(
    int id) {
    const CItemSettingsType* t = findType(id);
    return std::unique_ptr<CItemSettings>(t ? t->factory() : nullptr);
}

// ---------------------------------------------------------------- CItemSettings

bool CDisplayView::CItemSettings::Serialize(IOStream& stream) {
    {
        Section section(stream);
        if (!section.ok()) return false;
        // The old files kept the layer less 5; newer ones add it whole.
        int32_t oldLayer = layer - 5;
        int32_t newLayer = layer;
        if (stream.isReading()) oldLayer = newLayer = 0;
        stream.declare(row);
        stream.declare(column);
        stream.declare(height);
        stream.declare(width);
        stream.declare(oldLayer);
        stream.declare(locked);
        stream.declare(newLayer);
        if (stream.isReading())
            layer = int32_t(
                std::clamp<int64_t>(newLayer != 0 ? newLayer : int64_t(oldLayer) + 5, 1, 9));
        if (!section.Close() || !stream.ok()) return false;
    }
    return SerializeOwn(stream) && stream.ok();
}

CDisplayView::CItem* CDisplayView::CItemSettings::CreateItem(IWindow*) {
    return nullptr;
}

std::string CDisplayView::CItemSettings::getTypeName() const {
    const CItemSettingsType* t = CItemSettingsType::findType(m_typeId);
    return t ? t->menuName : "";
}

void CDisplayView::CItemSettings::adjustToFitView(int columns, int rows) {
    // Wide arithmetic: stored values may be anything.
    auto clip = [](int32_t& start, int32_t& size, int count) {
        const int64_t end = int64_t(start) + size;
        if (end >= 1 && start < count) {
            start = std::max(start, 0);
            size = int32_t(std::min<int64_t>(count, end) - start);
        } else {
            size = 0;
        }
    };
    clip(row, height, rows);
    clip(column, width, columns);
}

std::unique_ptr<CDisplayView::CItemSettings> CDisplayView::CItemSettings::Clone() {
    IOStream out = IOStream::ForWriting();
    WritePolymorphic(out, this);
    IOStream in = IOStream::ForReading(out.bytes());
    std::unique_ptr<CSerializable> copy = ReadPolymorphic(in);
    auto* settings = dynamic_cast<CItemSettings*>(copy.get());
    if (!settings) return nullptr;
    copy.release();
    return std::unique_ptr<CItemSettings>(settings);
}

// ---------------------------------------------------------------- item bases

void CDisplayView::CItemText::SetTitleUnits(const std::string& title, const std::string& units) {
    if (title == m_title && units == m_units) return;
    m_title = title;
    m_units = units;
    invalidate();
}

void CDisplayView::CItemText::SetValue(const std::string& value) {
    if (value == m_value) return;
    m_value = value;
    invalidate();
}

void CDisplayView::CItemMultilineText::SetValue(const std::string& value) {
    if (value == m_value) return;
    m_value = value;
    invalidate();
}

void CDisplayView::CItemButton::SetLabel(const std::string& label) {
    if (label == m_label) return;
    m_label = label;
    invalidate();
}

void CDisplayView::CItemButton::SetEnabled(bool enabled) {
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    invalidate();
}
