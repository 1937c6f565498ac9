#include "elevation/profileitem.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "displays/itemarrangement.h"
#include "displays/itemkind.h"
#include "elevation/elevationdata.h"
#include "mapview/globallatlonghighlight.h"
#include "overlays/markmanager.h"
#include "overlays/trackmanager.h"

namespace {

const CDisplayView::CItemSettingsType s_kind("Other:Profile", CDisplayProfileItem::kTypeId, 6, 600,
                                             250, MakeItemSettings<CDisplayProfileItem::CSettings>);

// Menu texts use ':' for submenus.
std::string menuName(std::string name) {
    std::replace(name.begin(), name.end(), ':', ' ');
    return name.empty() ? "(no name)" : name;
}

const QColor kPanel(244, 246, 248);
const QColor kInk(11, 61, 92);
const QColor kFill(120, 176, 146);
const QColor kPick(214, 40, 40);
const QColor kAlong(230, 140, 20);

// Samples per pixel of width: ground heights are fetched, so fewer.
int sampleCount(ProfileQuantity quantity, double w) {
    const int pixels = int(std::max(0.0, w));
    return quantity == ProfileQuantity::GroundHeight ? pixels / 3 : pixels / 2;
}

}  // namespace

CDisplayProfileItem::Highlight& CDisplayProfileItem::highlightCallback() {
    static Highlight callback = [](CProfileSource&, const ProfileSample& sample) {
        CGlobalLatLongHighlight::Show(sample.lat, sample.lon);
    };
    return callback;
}

// ---------------------------------------------------------------- settings

bool CDisplayProfileItem::CSettings::SerializeOwn(IOStream& stream) {
    // Pages written before the choice existed end here.
    if (stream.isReading() && stream.atEnd()) return true;
    Section section(stream);
    if (!section.ok()) return false;
    int32_t kind = int32_t(source_kind), what = int32_t(quantity);
    stream.declare(kind);
    stream.declare(source_id);
    stream.declare(what);
    if (stream.isReading()) {
        source_kind = kind == 1 || kind == 2 ? COverlayProfileSource::Kind(kind)
                                             : COverlayProfileSource::Kind::None;
        quantity = what >= 0 && what <= 2 ? ProfileQuantity(what) : ProfileQuantity::GroundHeight;
    }
    return section.Close() && stream.ok();
}

CDisplayView::CItem* CDisplayProfileItem::CSettings::CreateItem(CDisplayView::IWindow*) {
    return new CDisplayProfileItem(*this);
}

CDisplayView::CItemSettings::Fields CDisplayProfileItem::CSettings::OwnFields() const {
    static const char* const kinds[] = {"none", "track", "route"};
    static const char* const quantities[] = {"ground", "altitude", "speed"};
    return {{"source", kinds[int(source_kind)]},
            {"id", std::to_string(source_id)},
            {"quantity", quantities[int(quantity)]}};
}

CDisplayProfileItem::CDisplayProfileItem(CDisplayView::CItemSettings& settings)
    : CItemDraw(settings), m_settings(dynamic_cast<CSettings*>(&settings)) {
    if (m_settings) showChosen();
}

void CDisplayProfileItem::showChosen() {
    if (m_chosen) removeProfile(*m_chosen);
    m_chosen = COverlayProfileSource::make(m_settings->source_kind, m_settings->source_id);
    if (m_chosen) addProfile(*m_chosen, m_settings->quantity);
}

void CDisplayProfileItem::chooseSource(COverlayProfileSource::Kind kind, uint64_t id,
                                       ProfileQuantity quantity) {
    if (!m_settings) return;
    m_settings->source_kind = kind;
    m_settings->source_id = id;
    m_settings->quantity = quantity;
    if (page()) page()->modified = true;
    showChosen();
}

std::vector<CDisplayProfileItem::Choice> CDisplayProfileItem::choices() {
    using Kind = COverlayProfileSource::Kind;
    std::vector<Choice> list;
    for (const auto& route : CMarkManager::theManager.routes)
        if (!route->deleted)
            list.push_back({"Show:Route " + menuName(route->name), Kind::Route,
                            route->GetObjectID(), ProfileQuantity::GroundHeight});
    for (const auto& track : CTrackManager::theManager.tracks) {
        if (track->deleted) continue;
        const std::string name = menuName(track->name);
        list.push_back({"Show:Track " + name + " altitude", Kind::Track, track->GetObjectID(),
                        ProfileQuantity::Altitude});
        list.push_back({"Show:Track " + name + " speed", Kind::Track, track->GetObjectID(),
                        ProfileQuantity::Speed});
    }
    list.push_back({"Show:Nothing", Kind::None, 0, ProfileQuantity::GroundHeight});
    return list;
}

CDisplayProfileItem* CDisplayProfileItem::findProfileItemToUse(CDisplayView& page) {
    constexpr double kNewItemPixels = 120;
    int size = 0;
    if (CDisplayView::CItem* largest = page.FindLargestItemOfType(kTypeId, size))
        return dynamic_cast<CDisplayProfileItem*>(largest);
    CDisplayView::CItemArrangement& grid = page.arrangement();
    if (!grid.hasGrid()) return nullptr;
    const double cell = grid.cellHeight;
    const int rows = cell < 1 || cell >= kNewItemPixels ? 1 : int(kNewItemPixels / cell);
    CDisplayView::CItemSettings* settings = page.AddItem(kTypeId, 0, 0, rows, grid.columns);
    page.modified = true;
    return settings ? dynamic_cast<CDisplayProfileItem*>(grid.FindItem(settings)) : nullptr;
}

CDisplayProfileItem::~CDisplayProfileItem() {
    for (auto& shown : m_profiles) shown->source->removeWatcher(this);
    m_profiles.clear();
}

void CDisplayProfileItem::addProfile(CProfileSource& source, ProfileQuantity quantity) {
    auto shown = std::make_unique<Shown>();
    shown->source = &source;
    shown->quantity = quantity;
    source.addWatcher(this);
    m_profiles.push_back(std::move(shown));
    m_clickedProfile = m_clickedIndex = -1;
    // Every band changes height.
    for (auto& s : m_profiles) s->stale = true;
    invalidate();
}

void CDisplayProfileItem::removeProfile(CProfileSource& source) {
    bool removed = false;
    for (auto it = m_profiles.begin(); it != m_profiles.end();) {
        if ((*it)->source == &source) {
            it = m_profiles.erase(it);
            removed = true;
        } else {
            ++it;
        }
    }
    if (!removed) return;
    source.removeWatcher(this);
    m_clickedProfile = m_clickedIndex = -1;
    for (auto& s : m_profiles) s->stale = true;
    invalidate();
}

void CDisplayProfileItem::clearProfiles() {
    for (auto& shown : m_profiles) shown->source->removeWatcher(this);
    m_profiles.clear();
    m_clickedProfile = m_clickedIndex = -1;
    invalidate();
}

// ---------------------------------------------------------------- geometry

double CDisplayProfileItem::bandHeight(double h) const {
    if (m_profiles.empty() || h <= kFrame) return 0;
    return (h - kFrame) / double(m_profiles.size());
}

void CDisplayProfileItem::recompute(Shown& shown, double w, double band) {
    const ProfileLine line(shown.source->profilePoints());
    shown.samples =
        line.series(shown.quantity, sampleCount(shown.quantity, w), MZElevationData::g_elevation);
    shown.polygon = profilePolygon(shown.samples, w, band);
    shown.width = w;
    shown.height = band;
    shown.stale = false;
    updateProgress(shown, w);
}

bool CDisplayProfileItem::updateProgress(Shown& shown, double w) {
    const double fraction = shown.source->progressFraction();
    const double x = fraction < 0 ? -1 : (w - 2) * std::min(fraction, 1.0) + 1;
    // Moved by less than a pixel: not worth a redraw.
    if ((x < 0) == (shown.progressX < 0) && std::fabs(x - shown.progressX) < 1) return false;
    shown.progressX = x;
    return true;
}

void CDisplayProfileItem::layout(double w, double h) {
    m_width = w;
    m_height = h;
    const double band = bandHeight(h);
    for (auto& shown : m_profiles)
        if (shown->stale || shown->width != w || shown->height != band) recompute(*shown, w, band);
}

// ---------------------------------------------------------------- drawing

void CDisplayProfileItem::Paint(QPainter& painter, double w, double h) {
    painter.fillRect(QRectF(0, 0, w, h), kPanel);
    layout(w, h);
    const double band = bandHeight(h);
    if (band <= 0) return;
    painter.setRenderHint(QPainter::Antialiasing);
    for (size_t i = 0; i < m_profiles.size(); ++i)
        paintBand(painter, *m_profiles[i], int(i), w, band);
}

void CDisplayProfileItem::paintBand(QPainter& painter, const Shown& shown, int index, double w,
                                    double band) {
    painter.save();
    painter.translate(0, kFrame / 2 + index * band);
    painter.setClipRect(QRectF(0, 0, w, band));
    if (!shown.polygon.empty()) {
        QPainterPath path;
        path.moveTo(shown.polygon.front());
        for (size_t i = 1; i < shown.polygon.size(); ++i) path.lineTo(shown.polygon[i]);
        path.closeSubpath();
        painter.setPen(QPen(kInk, 1.5));
        painter.setBrush(kFill);
        painter.drawPath(path);
    }
    const int samples = int(shown.samples.size());
    if (index == m_clickedProfile && m_clickedIndex >= 0 && m_clickedIndex < samples) {
        const double x = ProfilePicker::dataIndexToX(shown.polygon, samples, m_clickedIndex);
        painter.setPen(QPen(kPick, 2));
        painter.drawLine(QPointF(x, 0), QPointF(x, band));
    }
    if (shown.progressX >= 0) {
        painter.setPen(QPen(kAlong, 3));
        painter.drawLine(QPointF(shown.progressX, 0), QPointF(shown.progressX, band));
    }
    QFont font = painter.font();
    font.setPixelSize(int(std::clamp(band * 0.12, 9.0, 16.0)));
    painter.setFont(font);
    painter.setPen(kInk);
    painter.drawText(QRectF(6, 2, w - 12, band - 4), Qt::AlignLeft | Qt::AlignTop,
                     QString::fromStdString(shown.source->profileName()));
    painter.restore();
}

// ---------------------------------------------------------------- input

void CDisplayProfileItem::onPointer(double x, double y, bool) {
    const double band = bandHeight(m_height);
    if (band <= 0) return;
    const int index = int((y - kFrame / 2) / band);
    if (index < 0 || index >= int(m_profiles.size())) return;
    Shown& shown = *m_profiles[size_t(index)];
    const int samples = int(shown.samples.size());
    const int picked = shown.picker.xToDataIndex(shown.polygon, samples, x);
    if (picked < 0) return;
    m_clickedProfile = index;
    m_clickedIndex = picked;
    if (Highlight& highlight = highlightCallback())
        highlight(*shown.source, shown.samples[size_t(picked)]);
    invalidate();
}

std::vector<std::string> CDisplayProfileItem::editMenus() const {
    std::vector<std::string> entries;
    if (m_settings)
        for (const Choice& c : choices()) entries.push_back(c.entry);
    if (m_profiles.empty()) return entries;
    entries.push_back("Remove profile");
    entries.push_back("Hide All");
    return entries;
}

bool CDisplayProfileItem::onEditMenu(const std::string& entry) {
    if (m_settings && entry.rfind("Show:", 0) == 0) {
        for (const Choice& c : choices())
            if (c.entry == entry) {
                chooseSource(c.kind, c.id, c.quantity);
                return true;
            }
        return false;
    }
    if (entry == "Hide All") {
        clearProfiles();
        return true;
    }
    if (entry == "Remove profile" && !m_profiles.empty()) {
        const int index = m_clickedProfile >= 0 ? m_clickedProfile : 0;
        removeProfile(*m_profiles[size_t(index)]->source);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- notices

void CDisplayProfileItem::profileSourceChanged(CProfileSource& source) {
    bool redraw = false;
    for (auto& shown : m_profiles) {
        if (shown->source != &source) continue;
        shown->stale = true;
        redraw = true;
    }
    if (redraw) invalidate();
}

void CDisplayProfileItem::profileProgressChanged(CProfileSource& source) {
    bool redraw = false;
    for (auto& shown : m_profiles)
        if (shown->source == &source && !shown->stale) redraw |= updateProgress(*shown, m_width);
    if (redraw) invalidate();
}

void CDisplayProfileItem::profileSourceGone(CProfileSource& source) {
    removeProfile(source);
}

void CDisplayProfileItem::OnUpdate(MZElevationData&) {
    bool redraw = false;
    for (auto& shown : m_profiles) {
        if (shown->quantity != ProfileQuantity::GroundHeight) continue;
        shown->stale = true;
        redraw = true;
    }
    if (redraw) invalidate();
}
