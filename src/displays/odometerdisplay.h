// The odometer item: the distance travelled since its base, kept in
// "<name>.odo" in the application folder: 9 bytes, the little-endian double
// base distance in metres (the frozen reading while paused) and one byte,
// 1 when paused.
//
// Its name comes from page files that other people may send, so the file
// name is made safe: letters, digits, blank, "-" and "_" only, never a
// path; anything else becomes "_".
#pragma once

#include <string>

#include "app/base/datasource.h"
#include "data/datagpsposition.h"
#include "displays/displayview.h"

namespace NDisplayGPS {

class OdometerDisplay : public CDisplayView::CItemText, public Listener<CDataGPSPosition> {
public:
    static constexpr int kTypeId = 118;
    class CSettings : public CDisplayView::CItemSettings {
    public:
        CSettings() : CItemSettings(kTypeId) {}
        CDisplayView::CItem* CreateItem(CDisplayView::IWindow*) override;
        Fields OwnFields() const override { return {{"name", name}}; }
        std::string name = "Odometer";

    protected:
        bool SerializeOwn(IOStream& stream) override;
    };

    explicit OdometerDisplay(CSettings& settings);
    void OnUpdate(CDataGPSPosition&) override { Show(); }
    std::vector<std::string> editMenus() const override;
    bool onEditMenu(const std::string& entry) override;

    void Reset();
    void Pause();
    void Resume();
    void Rename(const std::string& name);
    bool paused() const { return m_paused; }
    double reading() const;  // metres
    void Show();

    static std::string SafeFileName(const std::string& name);
    std::string filePath() const;
    // The folder of the odometer files; the application folder when empty.
    static std::string directory;
    // The distance travelled so far; the own position's by default.
    static double (*totalDistance)();

private:
    bool load();
    bool save() const;

    CSettings& m_settings;
    double m_base = 0;  // metres; the frozen reading while paused
    bool m_paused = false;
};

}  // namespace NDisplayGPS
