// CDisplayViewPageSet: the pages designed for one screen size (hundredths of
// an inch), and the current page among them. At most 100 pages.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "displays/displayview.h"

class CDisplayViewArrangementSet;

class CDisplayViewPageSet : public CSerializable {
public:
    static constexpr uint32_t kMagic = 0x1D85823C;
    static constexpr int kMaxPages = 100;
    // A design screen of 1,000 inches is refused when read.
    static constexpr int kMaxScreenSize = 100000;

    explicit CDisplayViewPageSet(CDisplayViewArrangementSet* owner = nullptr);
    ~CDisplayViewPageSet() override;
    bool Serialize(IOStream& stream) override;

    CDisplayView* getCurrentPage();
    void checkCurrentPage();
    void setPage(CDisplayView* page);
    void nextPage();
    void previousPage();
    // Null when the set already holds 100 pages.
    CDisplayView* AddNewPage();
    // Appends a page (import, duplicate); false at 100 pages.
    bool AppendPage(std::unique_ptr<CDisplayView> page);
    bool RemoveCurrentPage();
    // A copy of the current page after it, made current; null at 100 pages.
    CDisplayView* DuplicateCurrentPage();
    // Moves the current page by delta places.
    bool MoveCurrentPage(int delta);
    CDisplayView* FindPageMatching(const CDisplayView& page) const;
    CDisplayView* bestPageForSignature(const int* signature) const;
    bool setBestPageForSignature(const int* signature);
    int SizeDifference(int w, int h) const;
    std::string getScreenName() const;
    void AdjustPagesForScreen();
    void ReIndexItems();
    void ReIndexItemsOfType(int typeId);
    void clear();
    int currentIndex() const;

    CDisplayViewArrangementSet* owner = nullptr;
    std::vector<std::unique_ptr<CDisplayView>> pages;
    std::string name;
    int32_t screenWidth = 640;
    int32_t screenHeight = 320;
    double marginTop = 0, marginBottom = 0, marginLeft = 0, marginRight = 0;
    bool modified = false;

private:
    CDisplayView* m_current = nullptr;
};
