#include "app/base/persistantdata.h"

#include <QDebug>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "app/base/apphooks.h"
#include "app/base/directories.h"

PersistantData* PersistantData::s_first = nullptr;
std::string PersistantData::s_appname;
std::string PersistantData::s_lastError;
bool PersistantData::s_saving = false;
CAttributes* PersistantData::s_current = nullptr;
PersistantData::Pass PersistantData::s_pass = PersistantData::Pass::None;
std::vector<PersistantData::Field>* PersistantData::s_fields = nullptr;

namespace {

// A count above this in a settings file is damage, not a list.
constexpr int kMaxElements = 100000;

std::string g_appFolder;
std::string g_docsFolder;
// The settings file as last read or written, for a merge when it can't be
// read again in full.
CAttributes g_lastKnown;

bool isHexText(const std::string& text, size_t digits) {
    if (text.size() != digits) return false;
    for (char c : text)
        if (!std::isxdigit((unsigned char)c)) return false;
    return true;
}

// Sets the current pass for the lifetime of the object.
class PassScope {
public:
    PassScope(bool saving, CAttributes* set) {
        m_saving = PersistantData::s_saving;
        m_set = PersistantData::s_current;
        PersistantData::s_saving = saving;
        PersistantData::s_current = set;
    }
    ~PassScope() {
        PersistantData::s_saving = m_saving;
        PersistantData::s_current = m_set;
    }

private:
    bool m_saving;
    CAttributes* m_set;
};

}  // namespace

PersistantData::PersistantData(const char* name_) : name(name_), next(s_first) {
    s_first = this;
}

PersistantData::~PersistantData() {
    for (PersistantData** p = &s_first; *p; p = &(*p)->next) {
        if (*p == this) {
            *p = next;
            break;
        }
    }
}

std::string PersistantData::key(const char* field) const {
    return std::string(name) + ":" + field;
}

void PersistantData::describe(const std::string& key, FieldType type, std::string value) {
    Field f;
    f.key = key;
    f.type = type;
    f.value = std::move(value);
    s_fields->push_back(std::move(f));
}

// ---- Declare overloads

void PersistantData::Declare(const char* field, int& value) {
    Declare(field, value, 0, 0);
}

void PersistantData::Declare(const char* field, int& value, int min, int max) {
    const std::string k = key(field);
    const bool ranged = min < max;
    switch (s_pass) {
        case Pass::Load: {
            const int v = s_current->GetInt(k, value);
            if (!ranged || (v >= min && v <= max)) value = v;
            break;
        }
        case Pass::Save:
            s_current->SetInt(k, value);
            break;
        case Pass::Describe:
            describe(k, FieldType::Int, std::to_string(value));
            s_fields->back().min = min;
            s_fields->back().max = max;
            break;
        case Pass::None:
            break;
    }
}

void PersistantData::Declare(const char* field, bool& value) {
    const std::string k = key(field);
    switch (s_pass) {
        case Pass::Load:
            value = s_current->GetInt(k, value ? 1 : 0) != 0;
            break;
        case Pass::Save:
            s_current->SetIntD(k, value ? 1 : 0);
            break;
        case Pass::Describe:
            describe(k, FieldType::Bool, value ? "1" : "0");
            break;
        case Pass::None:
            break;
    }
}

void PersistantData::Declare(const char* field, std::string& value) {
    const std::string k = key(field);
    switch (s_pass) {
        case Pass::Load:
            value = s_current->GetStr(k, value);
            break;
        case Pass::Save:
            s_current->Set(k, value);
            break;
        case Pass::Describe:
            describe(k, FieldType::String, value);
            break;
        case Pass::None:
            break;
    }
}

template <class Real>
void PersistantData::declareReal(const char* field, Real& value, FieldType type) {
    const std::string k = key(field);
    switch (s_pass) {
        case Pass::Load: {
            std::string text;
            if (!s_current->GetIfPresent(k, text)) break;
            // The stored form is the raw bytes; a decimal typed by hand is welcome too.
            // Infinity or NaN would reach drawing and arithmetic unchecked: the
            // default stays, as SetField refuses them too.
            double v = 0;
            if (text.find('.') == std::string::npos && isHexText(text, 2 * sizeof(Real))) {
                Real raw = 0;
                s_current->GetData(k, &raw, sizeof(Real));
                if (std::isfinite(raw)) value = raw;
            } else if (CAttributes::ParseDecimal(text, v) && std::isfinite(Real(v))) {
                value = Real(v);
            }
            break;
        }
        case Pass::Save:
            s_current->SetData(k, &value, sizeof(Real));
            break;
        case Pass::Describe:
            describe(
                k, type,
                CAttributes::FormatDecimal(sizeof(Real) == 8 ? "%.17g" : "%.9g", double(value)));
            break;
        case Pass::None:
            break;
    }
}

void PersistantData::Declare(const char* field, double& value) {
    declareReal(field, value, FieldType::Double);
}

void PersistantData::Declare(const char* field, float& value) {
    declareReal(field, value, FieldType::Float);
}

void PersistantData::Declare(const char* field, GraphicsColor& value) {
    const std::string k = key(field);
    switch (s_pass) {
        case Pass::Load: {
            const std::string text = s_current->Get(k);
            if (!text.empty() && text[0] == '#') {
                value.SetHash(text);
                break;
            }
            // The older form: four floats r, g, b, a; r = -1 marks "not stored".
            float rgba[4] = {-1.0f, 0.0f, 0.0f, 1.0f};
            s_current->GetData(k, rgba, sizeof rgba);
            if (rgba[0] >= 0.0f) value.setRgbF(rgba[0], rgba[1], rgba[2], rgba[3]);
            break;
        }
        case Pass::Save:
            s_current->Set(k, value.ToHash());
            break;
        case Pass::Describe:
            describe(k, FieldType::Color, value.ToHash());
            break;
        case Pass::None:
            break;
    }
}

template <class Container>
void PersistantData::declareContainer(const char* field, Container& value, FieldType type) {
    const std::string k = key(field);
    const std::string countKey = k + ":n";
    switch (s_pass) {
        case Pass::Load: {
            int count = s_current->GetInt(countKey, 0);
            if (count < 0) count = 0;
            if (count > kMaxElements) count = kMaxElements;
            value.clear();
            for (int i = 0; i < count; ++i) {
                std::string element = s_current->GetNumbered(k, i);
                if constexpr (std::is_same_v<Container, std::set<std::string>>) {
                    if (!element.empty()) value.insert(std::move(element));
                } else {
                    value.push_back(std::move(element));
                }
            }
            break;
        }
        case Pass::Save: {
            // Elements beyond the new count would be stale garbage in the file.
            int oldCount = s_current->GetInt(countKey, 0);
            if (oldCount > kMaxElements) oldCount = kMaxElements;
            s_current->SetIntD(countKey, int(value.size()));
            int i = 0;
            for (const std::string& element : value) s_current->SetNumbered(k, i++, element);
            for (; i < oldCount; ++i) s_current->Clear(CAttributes::NumberedKey(k, i));
            break;
        }
        case Pass::Describe: {
            std::string joined;
            for (const std::string& element : value)
                joined += (joined.empty() ? "" : ", ") + element;
            describe(k, type, joined);
            s_fields->back().elements.assign(value.begin(), value.end());
            break;
        }
        case Pass::None:
            break;
    }
}

void PersistantData::Declare(const char* field, std::set<std::string>& value) {
    declareContainer(field, value, FieldType::StringSet);
}

void PersistantData::Declare(const char* field, std::list<std::string>& value) {
    declareContainer(field, value, FieldType::StringList);
}

void PersistantData::Declare(const char* field, void* block, int length) {
    if (length <= 0) return;
    const std::string k = key(field);
    switch (s_pass) {
        case Pass::Load:
            s_current->GetData(k, block, length);
            break;
        case Pass::Save:
            s_current->SetData(k, block, length);
            break;
        case Pass::Describe: {
            CAttributes hex;
            hex.SetData("x", block, length);
            describe(k, FieldType::Block, hex.Get("x"));
            s_fields->back().length = length;
            break;
        }
        case Pass::None:
            break;
    }
}

// ---- single-persistor passes

void PersistantData::LoadFrom(const CAttributes& set) {
    CAttributes copy = set;
    PassScope scope(false, &copy);
    const Pass previous = s_pass;
    s_pass = Pass::Load;
    DeclareData();
    s_pass = previous;
}

void PersistantData::StoreTo(CAttributes& set) {
    PassScope scope(true, &set);
    const Pass previous = s_pass;
    s_pass = Pass::Save;
    DeclareData();
    s_pass = previous;
}

std::vector<PersistantData::Field> PersistantData::DescribeFields() {
    std::vector<Field> fields;
    std::vector<Field>* previousFields = s_fields;
    const Pass previous = s_pass;
    s_fields = &fields;
    s_pass = Pass::Describe;
    {
        CAttributes scratch;
        PassScope scope(true, &scratch);
        DeclareData();
    }
    s_pass = previous;
    s_fields = previousFields;
    return fields;
}

namespace {

// Puts a field's readable value into `set` in its stored form, and gives the
// readable form the field should show once loaded; false with a reason when
// the text does not fit the type.
bool encodeReadable(const PersistantData::Field& field, const std::vector<std::string>& values,
                    CAttributes& set, std::string& expected, std::string& error) {
    using FieldType = PersistantData::FieldType;
    const std::string& k = field.key;
    const std::string text = values.empty() ? std::string() : values.front();
    const std::string bad = "'" + text + "' is not a valid value for " + k;
    switch (field.type) {
        case FieldType::Int: {
            char* end = nullptr;
            errno = 0;
            const long long v = std::strtoll(text.c_str(), &end, 0);
            const bool ranged = field.min < field.max;
            if (text.empty() || *end || errno || v < INT32_MIN || v > INT32_MAX ||
                (ranged && (v < field.min || v > field.max))) {
                error = bad;
                if (ranged)
                    error +=
                        " (" + std::to_string(field.min) + ".." + std::to_string(field.max) + ")";
                return false;
            }
            set.SetInt(k, int(v));
            expected = std::to_string(v);
            return true;
        }
        case FieldType::Bool: {
            static const char* kTrue[] = {"1", "true", "yes", "on"};
            static const char* kFalse[] = {"0", "false", "no", "off"};
            int v = -1;
            for (const char* t : kTrue)
                if (text == t) v = 1;
            for (const char* f : kFalse)
                if (text == f) v = 0;
            if (v < 0) {
                error = bad + " (0 or 1)";
                return false;
            }
            set.SetIntD(k, v);
            expected = std::to_string(v);
            return true;
        }
        case FieldType::String:
            set.Set(k, text);
            expected = text;
            return true;
        case FieldType::Double:
        case FieldType::Float: {
            double v = 0;
            if (text.empty() || !CAttributes::ParseDecimal(text, v) || !std::isfinite(v)) {
                error = bad;
                return false;
            }
            if (field.type == FieldType::Double) {
                set.SetData(k, &v, sizeof v);
                expected = CAttributes::FormatDecimal("%.17g", v);
            } else {
                const float f = float(v);
                set.SetData(k, &f, sizeof f);
                expected = CAttributes::FormatDecimal("%.9g", double(f));
            }
            return true;
        }
        case FieldType::Color: {
            GraphicsColor c;
            if (!c.SetHash(text)) {
                error = bad + " (#AARRGGBB)";
                return false;
            }
            set.Set(k, c.ToHash());
            expected = c.ToHash();
            return true;
        }
        case FieldType::Block:
            if (!isHexText(text, size_t(field.length) * 2)) {
                error = bad + " (" + std::to_string(field.length * 2) + " hex digits)";
                return false;
            }
            expected = text;
            for (char& ch : expected) ch = char(std::tolower((unsigned char)ch));
            set.Set(k, expected);
            return true;
        case FieldType::StringSet:
        case FieldType::StringList: {
            const int old = set.GetInt(k + ":n", 0);
            for (int i = 0; i < old && i < kMaxElements; ++i)
                set.Clear(CAttributes::NumberedKey(k, i));
            set.SetIntD(k + ":n", int(values.size()));
            for (size_t i = 0; i < values.size(); ++i) set.SetNumbered(k, int(i), values[i]);
            return true;
        }
    }
    return false;
}

}  // namespace

bool PersistantData::SetField(const std::string& k, const std::vector<std::string>& values,
                              std::string& error) {
    const std::vector<Field> fields = DescribeFields();
    const auto field =
        std::find_if(fields.begin(), fields.end(), [&](const Field& f) { return f.key == k; });
    if (field == fields.end()) {
        error = "no setting " + k;
        return false;
    }
    const bool container =
        field->type == FieldType::StringSet || field->type == FieldType::StringList;
    if (!container && values.size() != 1) {
        error = k + " takes one value";
        return false;
    }
    CAttributes set;
    StoreTo(set);
    std::string expected;
    if (!encodeReadable(*field, values, set, expected, error)) return false;
    LoadFrom(set);

    // The owner may refuse a value its type allows (an unknown format name,
    // say); then nothing is marked for saving.
    std::vector<std::string> wanted = values;
    if (field->type == FieldType::StringSet) {
        const std::set<std::string> unique(values.begin(), values.end());
        wanted.assign(unique.begin(), unique.end());
    }
    for (const Field& now : DescribeFields()) {
        if (now.key != k) continue;
        if (container ? now.elements == wanted : now.value == expected) break;
        error = "'" + (values.empty() ? std::string() : values.front()) +
                "' was not accepted for " + k + "; it stays '" + now.value + "'";
        return false;
    }
    changed = true;
    return true;
}

// ---- the registry and the settings file

void PersistantData::SetFolders(const std::string& appFolder, const std::string& docsFolder) {
    g_appFolder = appFolder;
    g_docsFolder = docsFolder;
}

std::string PersistantData::Filename(const std::string& appname) {
    const std::string folder = g_appFolder.empty() ? getAppDirectory() : g_appFolder;
    return folder + "/" + appname + ".ini";
}

PersistantData* PersistantData::find_persistor(const std::string& k) {
    for (PersistantData* p = s_first; p; p = p->next) {
        const size_t n = std::strlen(p->name);
        // The name must end the section: "CA" does not own "CAB:x", nor
        // "CA" own "CA::Inner:x".
        if (k.compare(0, n, p->name) == 0 &&
            (k.size() == n || (k[n] == ':' && (k.size() == n + 1 || k[n + 1] != ':'))))
            return p;
    }
    return nullptr;
}

void PersistantData::LoadAll(const std::string& appname) {
    if (s_pass != Pass::None) return;
    s_appname = appname;
    CAttributes set;
    const CAttributes::ReadResult result = set.ReadFile(Filename(appname));
    if (result == CAttributes::ReadResult::Incomplete)
        qWarning() << "Settings file" << Filename(appname).c_str() << "could not be read in full";
    g_lastKnown = set;
    const std::string docs = g_docsFolder.empty() ? getDocsDirectory() : g_docsFolder;
    set.AddFile(docs + "/" + appname + ".ini");

    PassScope scope(false, &set);
    s_pass = Pass::Load;
    for (PersistantData* p = s_first; p; p = p->next) p->DeclareData();
    s_pass = Pass::None;
}

bool PersistantData::SaveAll() {
    if (s_appname.empty()) return true;  // nothing was loaded, so nothing is owed
    if (s_pass != Pass::None) {
        s_lastError = "settings are already being loaded or saved";
        return false;
    }
    bool any = false;
    for (PersistantData* p = s_first; p; p = p->next) any = any || p->changed;
    if (!any) return true;

    const std::string path = Filename(s_appname);
    CAttributes set;
    bool declareAll = false;
    if (set.ReadFile(path) == CAttributes::ReadResult::Incomplete) {
        // Without the whole file, only what is known can be kept: the file
        // as last seen, what could be read now, and every persistor's values.
        CAttributes merged = g_lastKnown;
        merged.Add(set);
        set = merged;
        declareAll = true;
    }

    {
        PassScope scope(true, &set);
        s_pass = Pass::Save;
        for (PersistantData* p = s_first; p; p = p->next)
            if (declareAll || p->changed) p->DeclareData();
        s_pass = Pass::None;
    }

    errno = 0;
    if (!set.ToFile(path)) {
        const int err = errno;
        s_lastError = "could not save the settings to " + path;
        if (err) s_lastError += std::string(": ") + std::strerror(err);
        qWarning() << s_lastError.c_str();
        return false;
    }
    for (PersistantData* p = s_first; p; p = p->next) p->changed = false;
    g_lastKnown = set;
    s_lastError.clear();
    return true;
}

namespace {

void loadSettings(const AppHookContext&) {
    PersistantData::LoadAll("orvanta");
}

void saveSettings(const AppHookContext&) {
    PersistantData::SaveAll();
}

const AppHookRegistration loadSettingsHook(AppHook::LoadSettings, loadSettings);
const AppHookRegistration saveSettingsHook(AppHook::SaveSettings, saveSettings);

}  // namespace
