#include "displays/odometerdisplay.h"

#include <algorithm>
#include <cstring>

#include "app/base/directories.h"
#include "app/base/fileutils.h"
#include "data/overlaygpsposition.h"
#include "displays/itemkind.h"
#include "geo/units.h"

namespace NDisplayGPS {
namespace {

const CDisplayView::CItemSettingsType odometerType("GPS: Odometer", OdometerDisplay::kTypeId, 5,
                                                   200, 100,
                                                   MakeItemSettings<OdometerDisplay::CSettings>);

double ownTotalDistance() {
    const COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    return p.total_distance + p.leg_distance;
}

constexpr size_t kMaxFileNameLength = 64;

}  // namespace

std::string OdometerDisplay::directory;
double (*OdometerDisplay::totalDistance)() = ownTotalDistance;

bool OdometerDisplay::CSettings::SerializeOwn(IOStream& stream) {
    return SerializeTextSection(stream, name);
}

CDisplayView::CItem* OdometerDisplay::CSettings::CreateItem(CDisplayView::IWindow*) {
    return new OdometerDisplay(*this);
}

OdometerDisplay::OdometerDisplay(CSettings& settings) : CItemText(settings), m_settings(settings) {
    load();
    Show();
}

std::string OdometerDisplay::SafeFileName(const std::string& name) {
    std::string safe;
    for (unsigned char c : name) {
        if (safe.size() >= kMaxFileNameLength) break;
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == ' ' || c == '-' || c == '_';
        safe += plain ? char(c) : '_';
    }
    // Blanks at either end make names that look alike on screen.
    const size_t first = safe.find_first_not_of(' ');
    const size_t last = safe.find_last_not_of(' ');
    safe = first == std::string::npos ? std::string() : safe.substr(first, last - first + 1);
    return safe.empty() ? "Odometer" : safe;
}

std::string OdometerDisplay::filePath() const {
    const std::string folder = directory.empty() ? getAppDirectory() : directory;
    return folder + "/" + SafeFileName(m_settings.name) + ".odo";
}

bool OdometerDisplay::load() {
    std::string bytes;
    if (!read_whole_file(filePath(), bytes) || bytes.size() != 9) return false;
    std::memcpy(&m_base, bytes.data(), 8);
    m_paused = bytes[8] == 1;
    return true;
}

bool OdometerDisplay::save() const {
    std::string bytes(9, '\0');
    std::memcpy(bytes.data(), &m_base, 8);
    bytes[8] = m_paused ? 1 : 0;
    return write_to_file(filePath(), bytes);
}

double OdometerDisplay::reading() const {
    if (m_paused) return m_base;
    return std::max(0.0, totalDistance() - m_base);
}

void OdometerDisplay::Show() {
    std::string value, unit;
    CUnits::Default->FormatDistance(float(reading()), value, unit);
    if (m_paused) value = "|" + value + "|";
    SetTitleUnits(m_settings.name, unit);
    SetValue(value);
}

void OdometerDisplay::Reset() {
    m_base = m_paused ? 0 : totalDistance();
    save();
    Show();
}

void OdometerDisplay::Pause() {
    if (m_paused) return;
    m_base = reading();
    m_paused = true;
    save();
    Show();
}

void OdometerDisplay::Resume() {
    if (!m_paused) return;
    m_base = totalDistance() - m_base;
    m_paused = false;
    save();
    Show();
}

void OdometerDisplay::Rename(const std::string& name) {
    m_settings.name = name;
    if (page()) page()->modified = true;
    load();
    Show();
}

std::vector<std::string> OdometerDisplay::editMenus() const {
    return {"Reset Odometer", m_paused ? "Resume Odometer" : "Pause Odometer", "Change Name"};
}

bool OdometerDisplay::onEditMenu(const std::string& entry) {
    if (entry == "Reset Odometer")
        Reset();
    else if (entry == "Pause Odometer")
        Pause();
    else if (entry == "Resume Odometer")
        Resume();
    else
        return false;
    return true;
}

}  // namespace NDisplayGPS
