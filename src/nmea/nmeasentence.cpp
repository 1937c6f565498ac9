#include "nmea/nmeasentence.h"

#include <locale.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/base/timeutils.h"
#include "nmea/nmea_raw.h"

CNMEASentenceType* CNMEASentenceType::first = nullptr;

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Digits [from, from + n) of text as a number; text must hold them.
int digitsValue(const char* text, int from, int n) {
    int v = 0;
    for (int i = from; i < from + n; ++i) v = v * 10 + (text[i] - '0');
    return v;
}

bool allDigits(const char* text, int n) {
    for (int i = 0; i < n; ++i)
        if (!isDigit(text[i])) return false;
    return true;
}

// Reads "<degreeDigits digits><mm>.<digits>" into degrees; false when the
// field has another form. Never looks past the field's NUL.
bool parseAngle(const char* field, int degreeDigits, int maxDegrees, double& out) {
    const int dot = degreeDigits + 2;
    const size_t length = std::strlen(field);
    if (length <= size_t(dot) || field[dot] != '.' || !allDigits(field, dot)) return false;
    if (!allDigits(field + dot + 1, int(length) - dot - 1)) return false;
    const int degrees = digitsValue(field, 0, degreeDigits);
    const double minutes = CNMEASentence::ToDouble(field + degreeDigits);
    if (!(minutes < 60) || degrees > maxDegrees || (degrees == maxDegrees && minutes > 0))
        return false;
    out = degrees + minutes / 60.0;
    return true;
}

double position(char** fields, int degreeDigits, int maxDegrees, char negative) {
    double value = 0;
    if (!parseAngle(fields[0], degreeDigits, maxDegrees, value)) return 0.0;
    return fields[1][0] == negative ? -value : value;
}

bool positionFieldValid(char** fields, int degreeDigits, int maxDegrees, const char* letters) {
    double unused;
    if (fields[0][0] && !parseAngle(fields[0], degreeDigits, maxDegrees, unused)) return false;
    const char h = fields[1][0];
    return h == 0 || ((h == letters[0] || h == letters[1]) && fields[1][1] == 0);
}

// Powers of ten that doubles hold exactly.
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

double strtodC(const char* text) {
    static locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return strtod_l(text, nullptr, c_locale);
}

}  // namespace

// ---- numbers ------------------------------------------------------------

double CNMEASentence::ToDouble(const char* s) {
    const char* start = s;
    while (*s == ' ' || *s == '\t') ++s;
    bool negative = false;
    if (*s == '-' || *s == '+') negative = *s++ == '-';
    if (*s == 'i' || *s == 'I' || *s == 'n' || *s == 'N') return strtodC(start);
    uint64_t mantissa = 0;
    int digits = 0, exponent = 0;
    bool any = false;
    for (; isDigit(*s); ++s, any = true) {
        if (digits < 19) {
            mantissa = mantissa * 10 + uint64_t(*s - '0');
            if (mantissa) ++digits;
        } else {
            ++exponent;
        }
    }
    if (*s == '.') {
        for (++s; isDigit(*s); ++s, any = true) {
            if (digits < 19) {
                mantissa = mantissa * 10 + uint64_t(*s - '0');
                if (mantissa) ++digits;
                --exponent;
            }
        }
    }
    if (!any) return 0.0;
    if (*s == 'e' || *s == 'E') return strtodC(start);  // rare: let the C library round
    if (mantissa > (uint64_t(1) << 53) || exponent < -22 || exponent > 22) return strtodC(start);
    double v = double(mantissa);
    v = exponent < 0 ? v / kPow10[-exponent] : v * kPow10[exponent];
    return negative ? -v : v;
}

int CNMEASentence::ToInt(const char* s) {
    while (*s == ' ' || *s == '\t') ++s;
    bool negative = false;
    if (*s == '-' || *s == '+') negative = *s++ == '-';
    long long v = 0;
    for (; isDigit(*s); ++s) {
        v = v * 10 + (*s - '0');
        if (v > INT_MAX) return negative ? INT_MIN : INT_MAX;
    }
    return int(negative ? -v : v);
}

// ---- checksums and fields ---------------------------------------------------

bool CNMEASentence::check_checksum(const char* text) {
    if (text[0] != '$' && text[0] != '!') return false;
    unsigned sum = 0;
    const char* p = text + 1;
    for (; *p && *p != '*'; ++p) sum ^= uint8_t(*p);
    if (*p != '*') return false;
    // Both digits must be there: a missing one is not read as 0.
    const int high = hexDigit(p[1]);
    if (high < 0) return false;
    const int low = hexDigit(p[2]);
    if (low < 0) return false;
    return unsigned(high * 16 + low) == sum;
}

void CNMEASentence::compute_checksum(char* text) {
    static const char hex[] = "0123456789ABCDEF";
    unsigned sum = 0;
    char* p = text + (text[0] ? 1 : 0);
    for (; *p; ++p) sum ^= uint8_t(*p);
    p[0] = '*';
    p[1] = hex[(sum >> 4) & 15];
    p[2] = hex[sum & 15];
    p[3] = 0;
}

void CNMEASentence::SplitArgs(char* text, int count, char** fields) {
    static char empty[1] = {0};
    char* p = text;
    bool ended = false;
    for (int i = 0; i < count; ++i) {
        if (ended) {
            fields[i] = empty;
            continue;
        }
        fields[i] = p;
        while (*p && *p != ',' && *p != '*') ++p;
        if (*p == ',') {
            *p++ = 0;
        } else {
            *p = 0;  // '*' or the end: the data stops here
            ended = true;
        }
    }
}

double CNMEASentence::GetLat(char** fields) {
    return position(fields, 2, 90, 'S');
}

double CNMEASentence::GetLon(char** fields) {
    return position(fields, 3, 180, 'W');
}

bool CNMEASentence::PositionFieldsValid(char** fields) {
    return positionFieldValid(fields, 2, 90, "NS") && positionFieldValid(fields + 2, 3, 180, "EW");
}

int CNMEASentence::GetUTC(char* field) {
    if (!field[0]) return 0;
    const size_t length = std::strlen(field);
    if (length < 6 || !allDigits(field, 6)) return -1;
    if (length > 6 && (field[6] != '.' || !allDigits(field + 7, int(length) - 7))) return -1;
    const int h = digitsValue(field, 0, 2), m = digitsValue(field, 2, 2),
              s = digitsValue(field, 4, 2);
    if (h > 23 || m > 59 || s > 60) return -1;  // 60: a leap second
    return h * 3600 + m * 60 + s;
}

double CNMEASentence::GetDate(char* field) {
    // Receivers repeat the same date for a whole day: remember the last one.
    static char last_text[9] = {};
    static double last_result = 0;
    if (!field[0]) return 0.0;
    if (std::strcmp(field, last_text) == 0) return last_result;
    const size_t length = std::strlen(field);
    if (length < 6 || length > 8 || !allDigits(field, int(length))) return -1.0;
    const int day = digitsValue(field, 0, 2), month = digitsValue(field, 2, 2);
    int year = digitsValue(field, 4, int(length) - 4);
    year += year < 100 ? 2000 : year < 200 ? 1900 : 0;
    static const int days_in_month[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || day > days_in_month[month - 1]) return -1.0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && day == 29 && !leap) return -1.0;
    if (year < 1970 || year > 2199) return -1.0;
    std::memcpy(last_text, field, length + 1);
    last_result = getStartOfDayUTC(year, month, day);
    return last_result;
}

void CNMEASentence::strncpy_to_TCHAR(char* to, const char* from, int n) {
    if (n <= 0) return;
    int i = 0;
    for (; i < n - 1 && from[i]; ++i) to[i] = from[i];
    to[i] = 0;
}

// ---- pools and dispatch ---------------------------------------------------

void CNMEASentence::Release() {
    if (--holders <= 0) {
        holders = 0;
        type->ReturnInstance(this);
    }
}

bool CNMEASentence::DispatchSentence(char* line, CDataConnection* connection) {
    char* text = line;
    while (*text && *text != '$' && *text != '!') ++text;
    if (!*text || !check_checksum(text)) return false;

    // Raw copies are for the connections and logs; a line without a
    // connection is never mistaken for one the program generated.
    CNMEA_Raw raw;
    const bool haveRaw = connection && Listener<CNMEA_Raw>::HasListeners();
    if (haveRaw) {
        raw.source = connection;
        raw.Init(text);
    }

    CNMEASentenceType* type = CNMEASentenceType::FindType(text);
    if (type && type->HasListeners()) {
        CNMEASentence* sentence = type->GetInstance();
        sentence->Hold();
        sentence->connection = connection;
        const bool valid = sentence->Init(text);
        if (valid && type->HasListeners()) type->Dispatch(sentence);
        sentence->Release();
        if (!haveRaw) return valid;
        Listener<CNMEA_Raw>::Dispatch(raw);
        return true;
    }
    if (!haveRaw) return false;
    Listener<CNMEA_Raw>::Dispatch(raw);
    return true;
}

// ---- the registry -----------------------------------------------------------

namespace {

// Finding the type is on the path of every sentence, so the standard
// three-letter ids at offset 3 are looked up in a hash table; the few other
// entries are tried in list order. The first match in list order still wins.
// The index is rebuilt whenever a type registers or leaves.
class TypeIndex {
public:
    CNMEASentenceType* find(const char* sentence) {
        if (m_generation != g_generation) rebuild();
        if (!m_usable) return linear(sentence);
        CNMEASentenceType* best = nullptr;
        int bestRank = INT_MAX;
        if (sentence[1] && sentence[1] != 'P' && sentence[2] && sentence[3] && sentence[4] &&
            sentence[5] && (sentence[6] == ',' || sentence[6] == '*' || sentence[6] == 0)) {
            const uint32_t key = pack(sentence + 3);
            for (unsigned i = hash(key);; i = (i + 1) & (kSlots - 1)) {
                if (m_slots[i].key == 0) break;
                if (m_slots[i].key == key) {
                    best = m_slots[i].type;
                    bestRank = m_slots[i].rank;
                    break;
                }
            }
        }
        for (int i = 0; i < m_otherCount && m_others[i].rank < bestRank; ++i)
            if (m_others[i].type->Matches(sentence)) return m_others[i].type;
        return best;
    }

    static inline uint32_t g_generation = 0;

private:
    static constexpr unsigned kSlots = 64;
    struct Entry {
        uint32_t key = 0;  // 0 = empty slot
        CNMEASentenceType* type = nullptr;
        int rank = 0;  // position in the registry list
    };

    static uint32_t pack(const char* id) {
        return uint32_t(uint8_t(id[0])) | uint32_t(uint8_t(id[1])) << 8 |
               uint32_t(uint8_t(id[2])) << 16 | 1u << 24;
    }
    static unsigned hash(uint32_t key) { return (key * 2654435761u) >> 26; }

    static CNMEASentenceType* linear(const char* sentence) {
        for (CNMEASentenceType* t = CNMEASentenceType::first; t; t = t->next)
            if (t->Matches(sentence)) return t;
        return nullptr;
    }

    void rebuild() {
        *this = TypeIndex();
        m_generation = g_generation;
        int rank = 0, standard = 0;
        m_usable = true;
        for (CNMEASentenceType* t = CNMEASentenceType::first; t; t = t->next, ++rank) {
            if (t->offset == 3 && std::strlen(t->id) == 3) {
                if (++standard > int(kSlots / 2)) m_usable = false;
                const uint32_t key = pack(t->id);
                unsigned i = hash(key);
                while (m_slots[i].key && m_slots[i].key != key) i = (i + 1) & (kSlots - 1);
                if (!m_slots[i].key) m_slots[i] = {key, t, rank};  // the first one stays
            } else if (m_otherCount < kMaxOthers) {
                m_others[m_otherCount++] = {0, t, rank};
            } else {
                m_usable = false;
            }
        }
    }

    static constexpr int kMaxOthers = 16;
    uint32_t m_generation = ~0u;
    bool m_usable = false;
    Entry m_slots[kSlots];
    Entry m_others[kMaxOthers];
    int m_otherCount = 0;
};

TypeIndex g_typeIndex;

}  // namespace

CNMEASentenceType* CNMEASentenceType::FindType(const char* sentence) {
    return g_typeIndex.find(sentence);
}

CNMEASentenceType::CNMEASentenceType(int offset_, const char* id_, CDataSource** source_)
    : next(first), offset(offset_), id(id_), source(source_) {
    first = this;
    ++TypeIndex::g_generation;
}

CNMEASentenceType::~CNMEASentenceType() {
    FreePool();
    ++TypeIndex::g_generation;
    for (CNMEASentenceType** p = &first; *p; p = &(*p)->next) {
        if (*p == this) {
            *p = next;
            break;
        }
    }
}

bool CNMEASentenceType::MatchesAt(const char* sentence, int offset, const char* id) {
    if (!id[0]) return true;
    // Never index past the end of a short sentence.
    for (int i = 0; i < offset; ++i)
        if (!sentence[i]) return false;
    if (offset == 3 && sentence[1] == 'P') return false;
    const char* p = sentence + offset;
    for (; *id; ++id, ++p)
        if (*p != *id) return false;
    return *p == ',' || *p == '*' || *p == 0;
}

bool CNMEASentenceType::Matches(const char* sentence) const {
    return MatchesAt(sentence, offset, id);
}

CNMEASentence* CNMEASentenceType::GetInstance() {
    if (CNMEASentence* s = pool) {
        pool = s->next_free;
        s->next_free = nullptr;
        return s;
    }
    return NewInstance();
}

void CNMEASentenceType::ReturnInstance(CNMEASentence* sentence) {
    sentence->next_free = pool;
    pool = sentence;
}

void CNMEASentenceType::FreePool() {
    while (CNMEASentence* s = pool) {
        pool = s->next_free;
        delete s;
    }
}
