// PersistantData: the registry of settings persistors and "orvanta.ini".
//
// Every class with user settings owns one static persistor named after the
// class; its DeclareData() calls Declare once per field, and the same body
// serves loading and saving. Keys are "<persistor name>:<field>". Stored
// forms of the fields:
//   int           "0x%x" (32-bit two's complement, so negatives round-trip);
//                 read as decimal, 0x-hex or leading-0 octal
//   bool          "0" / "1"; read as an int, non-zero is true
//   std::string   the text itself
//   double/float  the raw IEEE 754 bytes in memory order as 16 / 8 hex
//                 digits; a decimal number (such as "12.5") is accepted on
//                 reading
//   GraphicsColor "#AARRGGBB"; without that, an older raw block of four
//                 floats r, g, b, a (0..1) is used when r >= 0
//   set / list    "<key>:n" = count, "<key>[i]" = elements in order
//   raw block     2 hex digits per byte
// A key that is absent, or present but not readable as its type, leaves the
// field at its current value (the owner's default); containers are emptied.
//
// Saving is atomic: the file is written to "orvanta.ini.tmp", flushed to
// disk and renamed over the old file. A failed save keeps the changed flags
// (the next SaveAll tries again) and says why in LastSaveError().
#pragma once

#include <list>
#include <set>
#include <string>
#include <vector>

#include "app/base/attributes.h"
#include "app/base/graphicscolor.h"

class PersistantData {
public:
    explicit PersistantData(const char* name);
    virtual ~PersistantData();
    PersistantData(const PersistantData&) = delete;
    PersistantData& operator=(const PersistantData&) = delete;

    // Declares every field with Declare; runs for loading and for saving.
    virtual void DeclareData() = 0;

    void Declare(const char* field, int& value);
    // An int that must lie within [min, max] (an index or a mode); a stored
    // value outside leaves the field as it is.
    void Declare(const char* field, int& value, int min, int max);
    void Declare(const char* field, bool& value);
    void Declare(const char* field, std::string& value);
    void Declare(const char* field, double& value);
    void Declare(const char* field, float& value);
    void Declare(const char* field, GraphicsColor& value);
    void Declare(const char* field, std::set<std::string>& value);
    void Declare(const char* field, std::list<std::string>& value);
    void Declare(const char* field, void* block, int length);

    // Reads the settings of the application directory, then the copy in the
    // documents directory (whose values win), and lets every persistor take
    // its values. Missing files leave the built-in defaults.
    static void LoadAll(const std::string& appname);
    // Writes the fields of every changed persistor into the settings file,
    // keeping all other keys. False when the file could not be written.
    static bool SaveAll();
    // getAppDirectory() + "/" + appname + ".ini".
    static std::string Filename(const std::string& appname);
    // The persistor whose section a key belongs to ("<name>:..."), or null.
    static PersistantData* find_persistor(const std::string& key);

    static PersistantData* First() { return s_first; }
    static const std::string& AppName() { return s_appname; }
    static const std::string& LastSaveError() { return s_lastError; }
    // Where the settings files live instead of the platform folders (tests,
    // tools); empty strings restore the platform folders.
    static void SetFolders(const std::string& appFolder, const std::string& docsFolder);

    // This persistor alone, outside LoadAll and SaveAll.
    void LoadFrom(const CAttributes& set);
    void StoreTo(CAttributes& set);

    enum class FieldType { Int, Bool, String, Double, Float, Color, Block, StringSet, StringList };
    struct Field {
        std::string key;
        FieldType type = FieldType::Int;
        std::string value;                  // readable form ("%d", "%.17g", "#AARRGGBB"...)
        std::vector<std::string> elements;  // sets and lists
        int min = 0, max = 0;               // ints with a range (min < max)
        int length = 0;                     // raw blocks, in bytes
    };
    // The declared fields with their current values.
    std::vector<Field> DescribeFields();
    // Sets one field from its readable form (containers: one text per
    // element) and marks the persistor changed; false with a reason when the
    // key is not a field or the value does not fit its type.
    bool SetField(const std::string& key, const std::vector<std::string>& values,
                  std::string& error);

    const char* name;
    PersistantData* next;
    bool changed = false;

    // Meaningful only inside a pass: true while saving, and the set that
    // Declare reads or writes.
    static bool s_saving;
    static CAttributes* s_current;

private:
    enum class Pass { None, Load, Save, Describe };
    std::string key(const char* field) const;
    bool loading() const { return s_pass == Pass::Load; }
    void describe(const std::string& key, FieldType type, std::string value);
    template <class Container>
    void declareContainer(const char* field, Container& value, FieldType type);
    template <class Real>
    void declareReal(const char* field, Real& value, FieldType type);

    static PersistantData* s_first;
    static std::string s_appname;
    static std::string s_lastError;
    static Pass s_pass;
    static std::vector<Field>* s_fields;
};
