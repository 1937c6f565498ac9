// ovtool settings get|set|list|path: read and change orvanta.ini through the
// persistors, as the program itself would (same encodings, same checks,
// same atomic save).
#include <QCoreApplication>
#include <algorithm>
#include <string>
#include <vector>

#include "app/base/persistantdata.h"
#include "ovtoolcommand.h"

namespace {

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

void printField(const PersistantData::Field& f) {
    if (f.type == PersistantData::FieldType::StringSet ||
        f.type == PersistantData::FieldType::StringList) {
        ovtoolPrint(text(f.key) + ":n=" + QString::number(f.elements.size()));
        for (size_t i = 0; i < f.elements.size(); ++i)
            ovtoolPrint(text(f.key) + "[" + QString::number(i) + "]=" + text(f.elements[i]));
    } else {
        ovtoolPrint(text(f.key) + "=" + text(f.value));
    }
}

// The field named by key, with its persistor; null when there is none.
PersistantData* findField(const std::string& key, PersistantData::Field& out) {
    PersistantData* p = PersistantData::find_persistor(key);
    if (!p) return nullptr;
    for (const PersistantData::Field& f : p->DescribeFields()) {
        if (f.key == key) {
            out = f;
            return p;
        }
    }
    return nullptr;
}

int runList(const QStringList& argsIn) {
    QStringList args = argsIn;
    if (!ovtoolTakeProfile(args) || !args.isEmpty()) {
        ovtoolError("usage: settings list [--profile NAME]");
        return 2;
    }
    PersistantData::LoadAll("orvanta");
    std::vector<PersistantData::Field> fields;
    for (PersistantData* p = PersistantData::First(); p; p = p->next)
        for (PersistantData::Field& f : p->DescribeFields()) fields.push_back(std::move(f));
    std::sort(fields.begin(), fields.end(),
              [](const auto& a, const auto& b) { return a.key < b.key; });
    for (const PersistantData::Field& f : fields) printField(f);
    return 0;
}

int runGet(const QStringList& argsIn) {
    QStringList args = argsIn;
    if (!ovtoolTakeProfile(args) || args.size() != 1) {
        ovtoolError("usage: settings get KEY [--profile NAME]");
        return 2;
    }
    PersistantData::LoadAll("orvanta");
    PersistantData::Field field;
    if (!findField(args[0].toStdString(), field)) {
        ovtoolError("no setting " + args[0]);
        return 1;
    }
    if (field.type == PersistantData::FieldType::StringSet ||
        field.type == PersistantData::FieldType::StringList) {
        for (const std::string& e : field.elements) ovtoolPrint(text(e));
    } else {
        ovtoolPrint(text(field.value));
    }
    return 0;
}

int runSet(const QStringList& argsIn) {
    QStringList args = argsIn;
    if (!ovtoolTakeProfile(args) || args.size() < 1) {
        ovtoolError("usage: settings set KEY VALUE... [--profile NAME]");
        return 2;
    }
    PersistantData::LoadAll("orvanta");
    const std::string key = args[0].toStdString();
    PersistantData::Field field;
    PersistantData* owner = findField(key, field);
    if (!owner) {
        ovtoolError("no setting " + args[0]);
        return 1;
    }
    std::vector<std::string> values;
    for (qsizetype i = 1; i < args.size(); ++i) values.push_back(args[i].toStdString());
    std::string error;
    if (!owner->SetField(key, values, error)) {
        ovtoolError(text(error));
        return 1;
    }
    if (!PersistantData::SaveAll()) {
        ovtoolError(text(PersistantData::LastSaveError()));
        return 1;
    }
    findField(key, field);
    printField(field);
    return 0;
}

int runPath(const QStringList& argsIn) {
    QStringList args = argsIn;
    if (!ovtoolTakeProfile(args) || !args.isEmpty()) {
        ovtoolError("usage: settings path [--profile NAME]");
        return 2;
    }
    ovtoolPrint(text(PersistantData::Filename("orvanta")));
    return 0;
}

const OvtoolCommand listCommand("settings list", "[--profile NAME]",
                                "every setting with its current value", runList);
const OvtoolCommand getCommand("settings get", "KEY [--profile NAME]",
                               "one setting's value (a list: one element a line)", runGet);
const OvtoolCommand setCommand("settings set", "KEY VALUE... [--profile NAME]",
                               "change a setting in orvanta.ini (a list: one value per element)",
                               runSet);
const OvtoolCommand pathCommand("settings path", "[--profile NAME]",
                                "where orvanta.ini is (it may not exist yet)", runPath);

}  // namespace
