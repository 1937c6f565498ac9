// The menu of one track: rename, colour, hide, delete after a confirmation,
// split at the selected point, join to the track that follows, resume,
// export as GPX.
#include <string>

#include "app/base/menutree.h"
#include "app/base/messagebox.h"
#include "overlays/gpxexport.h"
#include "overlays/overlaytool.h"
#include "overlays/overlaytrack.h"
#include "overlays/trackmanager.h"
#include "overlays/tracktool.h"

namespace {

// The track may be deleted while its menu is open; find it again by identity.
COverlayTrack* stillThere(uint64_t id) {
    return CTrackManager::theManager.FindTrackById(id);
}

void trackEdited(COverlayTrack& track) {
    track.SetModifiedNow();
    track.Dispatch(COverlayObject::kChanged);
    CTrackManager::theManager.SaveIfNeeded();
}

// The next live track in the list, for joining.
COverlayTrack* following(const COverlayTrack& track) {
    auto& tracks = CTrackManager::theManager.tracks;
    bool seen = false;
    for (auto& t : tracks) {
        if (seen && !t->deleted) return t.get();
        if (t.get() == &track) seen = true;
    }
    return nullptr;
}

const struct {
    const char* name;
    GraphicsColor color;
} kColours[] = {
    {"Red", GraphicsColor(220, 40, 40)},     {"Blue", GraphicsColor(0, 90, 255)},
    {"Green", GraphicsColor(20, 150, 60)},   {"Orange", GraphicsColor(240, 140, 0)},
    {"Purple", GraphicsColor(140, 50, 170)}, {"Black", GraphicsColor(0, 0, 0)},
};

}  // namespace

COverlayTrack::RenameEditor COverlayTrack::renameEditor;

void COverlayTrack::ConfirmDelete(COverlayTrack* track, OV_HWND parent) {
    if (!track) return;
    const uint64_t id = track->GetObjectID();
    MessageBoxYesNo(parent, "Delete", "Delete \"" + track->name + "\".\nAre you sure?",
                    [id](bool yes) {
                        COverlayTrack* target = stillThere(id);
                        if (!yes || !target) return;
                        CTrackManager::theManager.DeleteTrack(target);
                        CTrackManager::theManager.SaveIfNeeded();
                    });
}

void COverlayTrack::ShowTrackMenu(COverlayTrack* track, OV_HWND parent) {
    if (!track) return;
    const uint64_t id = track->GetObjectID();
    CTrackManager& manager = CTrackManager::theManager;
    auto menu = std::make_shared<CMenuTree>(track->name.empty() ? "Track" : track->name);
    if (!track->isRecording())
        menu->Append("Resume Recording", [id] {
            if (COverlayTrack* t = stillThere(id)) manager.ResumeRecording(t);
        });
    if (renameEditor)
        menu->Append("Rename", [id, parent] {
            COverlayTrack* t = stillThere(id);
            if (!t) return;
            renameEditor(parent, t->name, [id](const std::string& text) {
                COverlayTrack* renamed = stillThere(id);
                if (!renamed || text.empty()) return;
                renamed->name = text;
                trackEdited(*renamed);
            });
        });
    for (const auto& colour : kColours) {
        const GraphicsColor c = colour.color;
        menu->Submenu("Colour").Append(colour.name, [id, c] {
            if (COverlayTrack* t = stillThere(id)) {
                t->color = c;
                trackEdited(*t);
            }
        });
    }
    menu->Append("Hide", [id] {
        if (COverlayTrack* t = stillThere(id)) {
            if (CTrackTool::isTrackSelected(t)) COverlayTool::Deselect();
            t->setVisible(false);
            trackEdited(*t);
        }
    });
    if (auto* tool = dynamic_cast<CTrackTool*>(COverlayTool::the_tool);
        tool && tool->GetSelectedTrackSection() && tool->GetSelectedTrackSection()->track == track)
        menu->Append("Split Here", [id, tool] {
            COverlayTrack* t = stillThere(id);
            if (!t || COverlayTool::the_tool != tool) return;
            manager.SplitTrack(t, tool->GetSelectedTrackSection(), tool->selectedIndex());
        });
    if (COverlayTrack* next = following(*track)) {
        const uint64_t nextId = next->GetObjectID();
        menu->Append("Join to \"" + next->name + "\"", [id, nextId] {
            COverlayTrack* t = stillThere(id);
            COverlayTrack* n = stillThere(nextId);
            if (t && n) manager.JoinTracks(t, n);
        });
    }
    menu->Append("Export", [id, parent, name = track->name] {
        ExportGPXWithDialog(parent, name, [id]() -> std::vector<const CSyncable*> {
            if (COverlayTrack* t = stillThere(id)) return {t};
            return {};
        });
    });
    menu->Append("Delete", [id, parent] {
        if (COverlayTrack* t = stillThere(id)) ConfirmDelete(t, parent);
    });
    CMenuTree::Show(parent, menu);
}
