// ovtool pages dump FILE: a layout (.pstf) or page (.dvpage) file as JSON.
// ovtool pages default -o FILE: writes the factory layout.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "displays/displayviewarrangementset.h"
#include "displays/itemarrangement.h"
#include "ovtoolcommand.h"

namespace {

int runDump(const QStringList& args);
int runDefault(const QStringList& args);

const OvtoolCommand dumpCommand("pages dump", "FILE",
                                "describe a page layout (.pstf) or page (.dvpage) file as JSON",
                                runDump);
const OvtoolCommand defaultCommand("pages default", "-o FILE",
                                   "write the factory page layout (default_page_layout.pstf)",
                                   runDefault);

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

QJsonObject describeItem(const CDisplayView::CItemSettings& s) {
    QJsonObject settings;
    for (const auto& [name, value] : s.OwnFields()) settings[text(name)] = text(value);
    return QJsonObject{
        {"kind", text(CDisplayView::CItemSettingsType::getNameOfType(int(s.GetTypeId())))},
        {"id", int(s.GetTypeId())},
        {"cells",
         QJsonObject{
             {"row", s.row}, {"column", s.column}, {"height", s.height}, {"width", s.width}}},
        {"layer", s.layer},
        {"locked", s.locked},
        {"settings", settings},
    };
}

QJsonObject describePage(CDisplayView& page) {
    const auto& grid = page.arrangement();
    QJsonArray items, signature;
    for (const auto& s : grid.settings) items.append(describeItem(*s));
    const int* sig = page.signature();
    for (int i = 0; i < CDisplayView::kSignatureLength; ++i) signature.append(sig[i]);
    return QJsonObject{
        {"name", text(page.getPageName())}, {"rows", grid.rows},
        {"columns", grid.columns},          {"margin", grid.margin},
        {"signature", signature},           {"items", items},
    };
}

QJsonObject describeLayout(CDisplayViewArrangementSet& layout) {
    QJsonArray sets;
    for (const auto& set : layout.pageSets) {
        QJsonArray pages;
        for (const auto& page : set->pages) pages.append(describePage(*page));
        sets.append(QJsonObject{
            {"name", text(set->getScreenName())},
            {"design_size", QJsonObject{{"width", set->screenWidth},
                                        {"height", set->screenHeight},
                                        {"unit", "1/100 inch"}}},
            {"pages", pages},
        });
    }
    return QJsonObject{{"type", "layout"}, {"page_sets", sets}};
}

int runDump(const QStringList& args) {
    if (args.size() != 1) return ovtoolUsageError(dumpCommand);
    const std::string path = args[0].toStdString();
    QJsonObject description;
    CDisplayViewArrangementSet layout;
    CDisplayView page;
    if (layout.ReadFileWithMagic(path)) {
        description = describeLayout(layout);
    } else if (page.ReadFile(path, CDisplayView::kPageFileMagic)) {
        description = describePage(page);
        description["type"] = "page";
    } else {
        ovtoolError(QString("%1 is not a page layout or page file").arg(args[0]));
        return 1;
    }
    ovtoolPrint(QString::fromUtf8(QJsonDocument(description).toJson(QJsonDocument::Indented)));
    return 0;
}

int runDefault(const QStringList& args) {
    if (args.size() != 2 || args[0] != "-o") return ovtoolUsageError(defaultCommand);
    CDisplayViewArrangementSet layout;
    MakeDefaultLayout(layout);
    if (!layout.WriteFileWithMagic(args[1].toStdString())) {
        ovtoolError(QString("can't write %1").arg(args[1]));
        return 1;
    }
    return 0;
}

}  // namespace
