// The sailing-axis items: the true wind, heading and course against the
// course axis, the axis itself, the velocity made good along it, and the
// bias of the start line against the axis or the true wind. Axis items
// add "Set Axis" to their menu, which opens the axis dialog.
//
// Line bias: with the right end as origin, the left end at (x, y) metres,
// the line's square bearing B is that of (y, -x) / L; against a reference
// R (unit vector u) the angle is B - R in -180..180 and the advantage
// s = (x, y) . u metres: how far the left end lies towards R. The text is
// "<s<a°" when the left end is ahead, ">s>a°" (both negated) otherwise.
#pragma once

#include <string>
#include <vector>

#include "app/base/datasource.h"
#include "data/dataspeeddirection.h"
#include "data/datatruewind.h"
#include "data/startdata.h"
#include "displays/displayview.h"
#include "geo/units.h"

namespace NDisplayAxis {

extern const char* const kSetAxis;  // "Set Axis"

class CAxisTextItem : public CDisplayView::CItemText,
                      public Listener<CUnits>,
                      public Listener<CDataStartLine> {
public:
    explicit CAxisTextItem(CDisplayView::CItemSettings& settings);
    std::vector<std::string> editMenus() const override { return {kSetAxis}; }
    bool onEditMenu(const std::string& entry) override;
    void OnUpdate(CUnits&) override {
        m_axis = 999;  // the bearing's form may have changed
        updateTitle();
    }
    void OnUpdate(CDataStartLine&) override { updateTitle(); }
    virtual void updateTitle() = 0;

protected:
    // Sets "<prefix><axis bearing>" when the axis moved since the last
    // title; true when it did.
    bool titleForAxis(const char* prefix, const char* units = "");
    float m_axis = 999;
};

class TrueWind_from_axis : public CAxisTextItem, public Listener<CDataTrueWind> {
public:
    static constexpr int kTypeId = 105;
    explicit TrueWind_from_axis(CDisplayView::CItemSettings& settings);
    void updateTitle() override { titleForAxis("True Wind vs "); }
    void OnUpdate(CDataTrueWind& wind) override;
    using CAxisTextItem::OnUpdate;
};

// Heading (106) or course over ground (110) against the axis.
class Heading_from_axis : public CAxisTextItem, public Listener<CDataSpeedDirection> {
public:
    static constexpr int kTypeId = 106;
    explicit Heading_from_axis(CDisplayView::CItemSettings& settings);
    void updateTitle() override;
    void OnUpdate(CDataSpeedDirection& motion) override;
    using CAxisTextItem::OnUpdate;
};

class COG_from_axis : public CAxisTextItem, public Listener<CDataSpeedDirection> {
public:
    static constexpr int kTypeId = 110;
    explicit COG_from_axis(CDisplayView::CItemSettings& settings);
    void updateTitle() override;
    void OnUpdate(CDataSpeedDirection& motion) override;
    using CAxisTextItem::OnUpdate;
};

class CDispAxis : public CAxisTextItem {
public:
    static constexpr int kTypeId = 109;
    explicit CDispAxis(CDisplayView::CItemSettings& settings);
    void updateTitle() override;
};

class CDispVMGAlongAxis : public CAxisTextItem, public Listener<CDataSpeedDirection> {
public:
    static constexpr int kTypeId = 134;
    explicit CDispVMGAlongAxis(CDisplayView::CItemSettings& settings);
    void updateTitle() override;
    void OnUpdate(CDataSpeedDirection& motion) override;
    using CAxisTextItem::OnUpdate;

private:
    float m_sin = 0, m_cos = 1;
};

// The start line's square bearing and the left end's offset from the right
// end; false when either end is missing or the line is not 5..10,000 m.
struct LineGeometry {
    double x = 0, y = 0;  // metres east, north
    float bearing = 999;  // degrees
};
bool StartLineGeometry(const CDataStartLine& line, LineGeometry& geometry);
// The bias text against a reference direction (degrees, unit vector east,
// north); with clampToZero a negative angle shows as 0.
std::string LineBiasText(const LineGeometry& line, float reference, float ux, float uy,
                         bool clampToZero);

class Line_Bias_from_axis : public CAxisTextItem {
public:
    static constexpr int kTypeId = 107;
    explicit Line_Bias_from_axis(CDisplayView::CItemSettings& settings);
    void updateTitle() override;
};

class Line_Bias_from_wind : public CDisplayView::CItemText,
                            public Listener<CDataStartLine>,
                            public Listener<CDataTrueWind> {
public:
    static constexpr int kTypeId = 108;
    explicit Line_Bias_from_wind(CDisplayView::CItemSettings& settings);
    void OnUpdate(CDataStartLine& line) override;
    void OnUpdate(CDataTrueWind& wind) override;

private:
    LineGeometry m_line;  // bearing 999 until a usable line exists
};

}  // namespace NDisplayAxis
