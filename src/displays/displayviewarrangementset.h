// CDisplayViewArrangementSet: every page set of the user, kept in
// "page_layout.pstf" in the application folder, with the signature of the
// page on show in "current_page.i5" (five little-endian int32).
//
// Window sizes are turned into hundredths of an inch by pixels * 100 / dpi
// (truncated) to choose the page set whose design size is nearest.
//
// A layout that can't be read is never lost: the file is kept as
// "page_layout.pstf.bad", the last good copy (".backup") or the bundled
// default takes its place, and the status line says so.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "displays/displayviewpageset.h"

class CDisplayViewArrangementSet : public CSerializable {
public:
    static constexpr uint32_t kMagic = 0x8D85923F;
    static constexpr uint32_t kLayoutFileMagic = 0x47F8FB82;
    static constexpr int kMaxPageSets = 25;
    static constexpr const char* kLayoutFile = "page_layout.pstf";
    static constexpr const char* kSignatureFile = "current_page.i5";

    // The user's layout, loaded by the first page window and saved at shutdown.
    static CDisplayViewArrangementSet& theLayout();
    bool loaded = false;

    CDisplayViewArrangementSet();
    ~CDisplayViewArrangementSet() override;
    bool Serialize(IOStream& stream) override;

    // The folder of the layout files (the application folder by default).
    void setDirectory(const std::string& directory) {
        m_directory = directory;
        m_writtenKnown = false;
    }
    std::string path(const char* name) const;

    // Start-up: the signature, then the layout, recovering from a bad file.
    void loadInitialLayout();
    bool LoadFile(const std::string& path, double w, double h);
    bool ReadFileWithMagic(const std::string& path);
    bool WriteFileWithMagic(const std::string& path);
    bool save_layout_if_changed();
    bool saveBackupLayout();
    bool revertToSavedLayout(double w, double h);
    bool restoreDefaultLayout(double w, double h);
    // Exports one page set alone as a layout file.
    bool ExportPageSet(CDisplayViewPageSet* set, const std::string& path);
    static bool ExportPage(CDisplayView& page, const std::string& path);
    // Appends the page of a ".dvpage" file to the current page set.
    bool ImportPage(const std::string& path);

    CDisplayViewPageSet* getPageSet();
    void setPageset(CDisplayViewPageSet* set);
    CDisplayViewPageSet* FindBestFitPageSet(int w, int h);
    // Window pixels; true when the current page set changed.
    bool setBestPagesetForWindowSize(double w, double h);
    const int* getCurrentPageSignature() const { return m_signature; }
    void storeCurrentPageSignature();
    // Null at 25 page sets. w, h in hundredths of an inch.
    CDisplayViewPageSet* AddNewArrangement(int w, int h);
    bool RemoveCurrentArrangement();
    void clear();
    int toHundredths(double pixels) const { return int(pixels * 100 / dpi); }

    // Where the factory layout comes from; the bundled file by default.
    static std::string (*defaultLayoutPath)();

    std::vector<std::unique_ptr<CDisplayViewPageSet>> pageSets;
    bool arranging = false;
    bool changed = false;
    double dpi = 96.0;
    static bool shown_layout_hint;

private:
    bool readSignature();
    bool writeSignature();
    bool recoverFrom(const std::string& damaged);

    CDisplayViewPageSet* m_current = nullptr;
    int m_signature[CDisplayView::kSignatureLength] = {0, 0, 0, 0, 0};
    // What the file holds, when known: an unchanged page is not written again.
    int m_written[CDisplayView::kSignatureLength] = {0, 0, 0, 0, 0};
    bool m_writtenKnown = false;
    std::string m_directory;
};

// The factory layout: a map page with its buttons, a page of GPS values and a
// go-to page, for a laptop screen and for an 800 x 480 screen.
void MakeDefaultLayout(CDisplayViewArrangementSet& set);
