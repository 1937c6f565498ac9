// The settings registry against real files: encodings of every Declare
// overload, the merge on save, the documents copy, and failed saves.
#include "app/base/persistantdata.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cmath>
#include <cstdio>

#include "app/base/apphooks.h"
#include "support/dieatrename.h"
#include "support/testsupport.h"

using testsupport::TempDir;

namespace {

// A persistor of every field kind, with defaults as an owner would have them.
struct AllKinds : PersistantData {
    explicit AllKinds(const char* name) : PersistantData(name) {}
    void DeclareData() override {
        Declare("count", count);
        Declare("mode", mode, 0, 4);
        Declare("flag", flag);
        Declare("text", text);
        Declare("ratio", ratio);
        Declare("scale", scale);
        Declare("color", color);
        Declare("shown", shown);
        Declare("recent", recent);
        Declare("block", block, sizeof block);
    }
    int count = 7;
    int mode = 2;
    bool flag = false;
    std::string text = "default";
    double ratio = 0.5;
    float scale = 1.0f;
    GraphicsColor color{255, 0, 0};
    std::set<std::string> shown;
    std::list<std::string> recent;
    unsigned char block[4] = {1, 2, 3, 4};
};

// Every field's key and readable form, or the one of `key`.
std::string shown(PersistantData& p, const std::string& key = {}) {
    std::string text;
    for (const PersistantData::Field& f : p.DescribeFields()) {
        if (key.empty()) text += f.key + "=" + f.value + ";";
        if (f.key == key) return f.value;
    }
    return text;
}

// Settings in a test folder: the app folder and the documents folder.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir(dir.path()).mkdir("app");
        QDir(dir.path()).mkdir("docs");
        PersistantData::SetFolders(appDir(), docsDir());
    }
    void TearDown() override { PersistantData::SetFolders("", ""); }

    std::string appDir() const { return dir.file("app").toStdString(); }
    std::string docsDir() const { return dir.file("docs").toStdString(); }
    QString iniPath() const { return dir.file("app/orvanta.ini"); }
    void writeIni(const QByteArray& text) { ASSERT_TRUE(testsupport::writeFile(iniPath(), text)); }
    CAttributes readIni() const {
        CAttributes a;
        a.AddFile(iniPath().toStdString());
        return a;
    }

    TempDir dir;
};

}  // namespace

// The raw bytes of a value as the settings file stores them.
template <class T>
QByteArray hexOf(const T& value) {
    CAttributes a;
    a.SetData("x", &value, sizeof value);
    return QByteArray::fromStdString(a.Get("x"));
}

TEST_F(SettingsTest, LoadTakesEachEncodingAndKeepsTheDefaultForBadValues) {
    const float green[4] = {0.0f, 1.0f, 0.0f, 1.0f}, noColour[4] = {-1.0f, 0.0f, 0.0f, 1.0f};
    // Name, the line, the key and its readable form after loading.
    const std::tuple<const char*, QByteArray, const char*, const char*> cases[] = {
        {"two settings on one line", "TP:flag=1&TP:count=0x1", "TP:count", "1"},
        {"escaped text", "TP:text=a+b%2Fc", "TP:text", "a b/c"},
        {"unreadable int", "TP:count=nonsense", "TP:count", "7"},
        {"mode above its range", "TP:mode=9", "TP:mode", "2"},
        {"mode below its range", "TP:mode=-1", "TP:mode", "2"},
        {"mode in range", "TP:mode=3", "TP:mode", "3"},
        {"double as hex", "TP:ratio=" + hexOf(1234.5), "TP:ratio", "1234.5"},
        {"double typed as decimal", "TP:ratio=12.5", "TP:ratio", "12.5"},
        {"unreadable double", "TP:ratio=x.y", "TP:ratio", "0.5"},
        {"infinite double", "TP:ratio=inf", "TP:ratio", "0.5"},
        {"not-a-number double", "TP:ratio=nan", "TP:ratio", "0.5"},
        {"not-a-number as hex", "TP:ratio=" + hexOf(std::nan("")), "TP:ratio", "0.5"},
        {"float typed as decimal", "TP:scale=12.5", "TP:scale", "12.5"},
        {"float beyond its range", "TP:scale=1e39", "TP:scale", "1"},
        {"infinite float as hex", "TP:scale=" + hexOf(HUGE_VALF), "TP:scale", "1"},
        {"colour by hash", "TP:color=#80FF0000", "TP:color", "#80FF0000"},
        {"colour as four floats", "TP:color=" + hexOf(green), "TP:color", "#FF00FF00"},
        {"float block marked empty", "TP:color=" + hexOf(noColour), "TP:color", "#FFFF0000"},
    };
    for (const auto& [name, line, key, loaded] : cases) {
        SCOPED_TRACE(name);
        AllKinds p("TP");
        writeIni(line + "\n   # a remark\n\n");
        PersistantData::LoadAll("orvanta");
        EXPECT_EQ(shown(p, key), loaded);
    }
}

TEST_F(SettingsTest, EveryKindRoundTripsThroughTheFile) {
    std::string saved;
    {
        AllKinds p("TP");
        PersistantData::LoadAll("orvanta");
        p.count = -5;
        p.flag = true;
        p.text = "a b/c";
        p.ratio = -1.0 / 3.0;
        p.scale = 2.75f;
        p.color = GraphicsColor(1, 2, 3, 4);
        p.shown = {"B", "A"};
        p.recent = {"z", "", "y"};
        p.block[0] = 0xfe;
        p.changed = true;
        ASSERT_TRUE(PersistantData::SaveAll());
        EXPECT_FALSE(p.changed);
        saved = shown(p);
    }
    const CAttributes ini = readIni();
    EXPECT_EQ(ini.Get("TP:count"), "0xfffffffb");
    EXPECT_EQ(ini.Get("TP:flag"), "1");
    EXPECT_EQ(ini.Get("TP:ratio").size(), 16u);
    EXPECT_EQ(ini.Get("TP:scale"), "00003040");  // 2.75f, little-endian
    EXPECT_EQ(ini.Get("TP:shown:n"), "2");
    EXPECT_EQ(ini.Get("TP:shown[0]"), "A");
    EXPECT_EQ(ini.Get("TP:block"), "fe020304");
    EXPECT_TRUE(testsupport::readFile(iniPath()).contains("TP:text=a+b%2fc\n"));

    AllKinds q("TP");
    PersistantData::LoadAll("orvanta");
    EXPECT_EQ(shown(q), saved);
    EXPECT_EQ(q.ratio, -1.0 / 3.0);
    EXPECT_EQ(q.recent, (std::list<std::string>{"z", "", "y"}));
}

TEST_F(SettingsTest, ContainersAreClearedBoundedAndShrunkWithoutStaleElements) {
    AllKinds p("TP");
    p.shown = {"x"};
    writeIni("TP:recent:n=0x7fffffff\nTP:recent[0]=only\nTP:recent[1]=b\n");
    PersistantData::LoadAll("orvanta");
    EXPECT_TRUE(p.shown.empty());
    ASSERT_FALSE(p.recent.empty());
    EXPECT_EQ(p.recent.front(), "only");
    EXPECT_LE(p.recent.size(), 100000u);
    p.recent = {"only"};
    p.changed = true;
    ASSERT_TRUE(PersistantData::SaveAll());
    const CAttributes ini = readIni();
    EXPECT_EQ(ini.Get("TP:recent:n"), "1");
    EXPECT_FALSE(ini.Has("TP:recent[1]"));
}

TEST_F(SettingsTest, SaveKeepsOtherKeysAndNeverWritesTheDocumentsCopy) {
    AllKinds changedOne("TA"), quiet("TB");
    PersistantData::LoadAll("orvanta");
    EXPECT_TRUE(PersistantData::SaveAll());  // nothing changed: no file
    EXPECT_FALSE(QFile::exists(iniPath()));
    writeIni("TB:count=0x63\nTB:text=app\nOther:key=foreign\n");
    ASSERT_TRUE(testsupport::writeFile(dir.file("docs/orvanta.ini"), "TB:text=docs\n"));
    PersistantData::LoadAll("orvanta");
    EXPECT_EQ(quiet.count, 99);
    EXPECT_EQ(quiet.text, "docs");  // the documents copy wins
    quiet.count = 1;                // changed in memory but not marked: not written
    changedOne.text = "new";
    changedOne.changed = true;
    ASSERT_TRUE(PersistantData::SaveAll());
    const CAttributes ini = readIni();
    for (auto [key, value] : {std::pair{"TA:text", "new"},
                              {"TB:count", "0x63"},
                              {"TB:text", "app"},
                              {"Other:key", "foreign"}})
        EXPECT_EQ(ini.Get(key), value) << key;
    EXPECT_EQ(testsupport::readFile(dir.file("docs/orvanta.ini")), "TB:text=docs\n");
}

TEST_F(SettingsTest, FileThatCannotBeReadInFullLosesNoKey) {
    AllKinds changedOne("TA"), quiet("TB");
    writeIni("TB:text=kept\nOther:key=foreign\n");
    PersistantData::LoadAll("orvanta");
    // Damage after loading: the file now starts with an overlong line.
    writeIni("junk=" + QByteArray(1000001, 'x') + "\n");
    changedOne.text = "new";
    changedOne.changed = true;
    ASSERT_TRUE(PersistantData::SaveAll());
    const CAttributes ini = readIni();
    EXPECT_EQ(ini.Get("TA:text"), "new");
    EXPECT_EQ(ini.Get("TB:text"), "kept");
    EXPECT_EQ(ini.Get("Other:key"), "foreign");
}

TEST_F(SettingsTest, FailedSaveSaysWhyKeepsTheOldFileAndIsRetried) {
    AllKinds p("TP");
    writeIni("TP:text=old\n");
    PersistantData::LoadAll("orvanta");
    const QString app = dir.file("app");
    QFile::setPermissions(app, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    // Root ignores folder permissions; a folder squatting on the temporary
    // name refuses the write for everyone.
    if (::geteuid() == 0) QDir(app).mkdir("orvanta.ini.tmp");
    p.text = "new";
    p.changed = true;
    EXPECT_FALSE(PersistantData::SaveAll());
    EXPECT_NE(PersistantData::LastSaveError().find("orvanta.ini"), std::string::npos);
    EXPECT_TRUE(p.changed);
    EXPECT_EQ(testsupport::readFile(iniPath()), "TP:text=old\n");

    QFile::setPermissions(app,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QDir(app).rmdir("orvanta.ini.tmp");
    EXPECT_TRUE(PersistantData::SaveAll());
    EXPECT_FALSE(p.changed);
    EXPECT_TRUE(PersistantData::LastSaveError().empty());
    EXPECT_EQ(readIni().Get("TP:text"), "new");
}

TEST_F(SettingsTest, FindPersistorMatchesWholeSectionNames) {
    AllKinds outer("TOuter"), inner("TOuter::Inner"), longer("TOuterMost");
    EXPECT_EQ(PersistantData::find_persistor("TOuter:text"), &outer);
    EXPECT_EQ(PersistantData::find_persistor("TOuter::Inner:text"), &inner);
    EXPECT_EQ(PersistantData::find_persistor("TOuterMost:x"), &longer);
    EXPECT_EQ(PersistantData::find_persistor("TOut:x"), nullptr);
}

TEST_F(SettingsTest, SetFieldChecksTheValueAgainstTheFieldType) {
    // Key, values, the readable form afterwards (null when refused).
    const std::tuple<const char*, std::vector<std::string>, const char*> cases[] = {
        {"TP:count", {"0x10"}, "16"},     {"TP:count", {"12abc"}, nullptr},
        {"TP:mode", {"5"}, nullptr},      {"TP:flag", {"true"}, "1"},
        {"TP:ratio", {"2.5"}, "2.5"},     {"TP:ratio", {"inf"}, nullptr},
        {"TP:color", {"red"}, nullptr},   {"TP:color", {"#FF00FF00"}, "#FF00FF00"},
        {"TP:shown", {"b", "a"}, "a, b"}, {"TP:block", {"0102"}, nullptr},
        {"TP:nothing", {"1"}, nullptr},   {"TP:count", {"1", "2"}, nullptr},
    };
    for (const auto& [key, values, expected] : cases) {
        SCOPED_TRACE(std::string(key) + " = " + values.front());
        AllKinds p("TP");
        std::string error;
        EXPECT_EQ(p.SetField(key, values, error), expected != nullptr) << error;
        EXPECT_EQ(p.changed, expected != nullptr);
        EXPECT_EQ(error.empty(), expected != nullptr);
        if (expected) {
            EXPECT_EQ(shown(p, key), expected);
        }
        EXPECT_EQ(shown(p, "TP:text"), "default");  // others keep theirs
    }
}

TEST_F(SettingsTest, SetFieldReportsAValueItsOwnerRefuses) {
    // An owner that only knows two formats and keeps its choice otherwise.
    struct Picky : PersistantData {
        Picky() : PersistantData("TPicky") {}
        void DeclareData() override {
            std::string loaded = format;
            Declare("format", loaded);
            if (loaded == "Deg" || loaded == "DegMin") format = loaded;
        }
        std::string format = "Deg";
    } picky;
    std::string error;
    EXPECT_TRUE(picky.SetField("TPicky:format", {"DegMin"}, error));
    picky.changed = false;
    EXPECT_FALSE(picky.SetField("TPicky:format", {"Furlongs"}, error));
    EXPECT_EQ(error, "'Furlongs' was not accepted for TPicky:format; it stays 'DegMin'");
    EXPECT_FALSE(picky.changed);
}

TEST_F(SettingsTest, StartUpAndShutdownHooksLoadAndSave) {
    AllKinds p("TP");
    writeIni("TP:count=0x2a\n");
    RunAppHooks(AppHook::LoadSettings);
    EXPECT_EQ(PersistantData::AppName(), "orvanta");
    EXPECT_EQ(p.count, 42);
    p.count = 43;
    p.changed = true;
    RunAppHooks(AppHook::SaveSettings);
    EXPECT_EQ(readIni().Get("TP:count"), "0x2b");
}

TEST_F(SettingsTest, CrashBetweenWriteAndRenameKeepsTheOldFile) {
    AllKinds p("TP");
    writeIni("TP:text=old\nOther:key=kept\n");
    PersistantData::LoadAll("orvanta");
    p.text = "new";
    p.changed = true;
    ASSERT_EQ(testsupport::RunDyingAtRename(".ini.tmp", [] { PersistantData::SaveAll(); }),
              testsupport::kDiedAtRename);

    EXPECT_EQ(readIni().Get("TP:text"), "old");
    EXPECT_EQ(readIni().Get("Other:key"), "kept");
    CAttributes written;
    written.AddFile(iniPath().toStdString() + ".tmp");
    EXPECT_EQ(written.Get("TP:text"), "new");  // the new file was complete, only unnamed
    EXPECT_TRUE(PersistantData::SaveAll());    // this process still owes the save
    EXPECT_EQ(readIni().Get("TP:text"), "new");
}
