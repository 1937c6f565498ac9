// The NMEA 0183 sentence layer: every received line goes through
// CNMEASentence::DispatchSentence, which checks the checksum, parses the
// sentence into a pooled object of its registered type (only when somebody
// listens for that type) and dispatches it through Listener<T>.
//
// Sentence types register themselves: a static CNMEASentenceTypeOf<T> next
// to each sentence class links itself into the registry list. Instances come
// from a per-type pool, so the steady state allocates nothing; fields a
// sentence does not set keep the value of the previous sentence of its type.
//
// Text conventions: a sentence starts at '$' (or '!' for encapsulated data
// such as AIS) and ends with '*' and two upper-case hexadecimal digits. Field
// 0 is the address ("$GPRMC"); data fields count from 1.
#pragma once

#include <cstdint>

#include "app/base/datasource.h"

class CDataConnection;
class CNMEASentenceType;

class CNMEASentence {
public:
    explicit CNMEASentence(CNMEASentenceType* sentenceType) : type(sentenceType) {}
    virtual ~CNMEASentence() = default;
    CNMEASentence(const CNMEASentence&) = delete;
    CNMEASentence& operator=(const CNMEASentence&) = delete;

    // Parses the sentence text (from '$' or '!'; it may be modified in place).
    // True means the object is valid and is dispatched.
    virtual bool Init(char* text) = 0;

    // A listener that keeps the object beyond its OnUpdate holds it; the
    // object returns to its pool when the last holder releases it.
    void Hold() { ++holders; }
    void Release();

    // Handles one received line (NUL-terminated, no line end; modified in
    // place). connection may be null. True when the sentence was accepted:
    // parsed and dispatched, or handed to the raw-sentence listeners.
    static bool DispatchSentence(char* line, CDataConnection* connection);

    // text starts with '$' or '!'; needs '*' and two upper-case hex digits.
    static bool check_checksum(const char* text);
    // Appends '*', the two hex digits of the XOR of text[1..] and NUL; text
    // needs room for three more characters.
    static void compute_checksum(char* text);

    // Fills exactly count field pointers, cutting text at ',' and at the
    // '*' that ends the data; fields past the end are empty strings.
    static void SplitArgs(char* text, int count, char** fields);

    // Position from a value field and its hemisphere letter: latitude
    // "ddmm.mmmm" + N/S, longitude "dddmm.mmmm" + E/W, in degrees (south and
    // west negative). A field of another form gives 0.0.
    static double GetLat(char** fields);
    static double GetLon(char** fields);
    // True when both position fields (fields[0..3]: lat, N/S, lon, E/W) are
    // empty or well formed, so that one bad half never makes a position.
    static bool PositionFieldsValid(char** fields);

    // "hhmmss[.ss]" to seconds of the day (fraction dropped); 0 when empty,
    // -1 when not a valid time of day.
    static int GetUTC(char* field);
    // "ddmmyy" to 00:00 UTC of that date in seconds since 1970; 0.0 when
    // empty, -1.0 when not a valid date. Years 0-99 are 2000-2099, 100-199
    // are 1900 + value, larger values are the year itself.
    static double GetDate(char* field);

    // Copies at most n-1 characters and always terminates.
    static void strncpy_to_TCHAR(char* to, const char* from, int n);

    // Numbers as C strtod/strtol read them in the C locale, whatever the
    // process locale: an empty or non-numeric field reads as 0, "inf" and
    // "nan" read as non-finite so that the caller can reject the sentence.
    static double ToDouble(const char* field);
    static int ToInt(const char* field);  // clamped to the 32-bit range
    // True when every value is finite (a float field may overflow to inf).
    template <class... Values>
    static bool AllFinite(Values... values) {
        return (isFiniteValue(double(values)) && ...);
    }

    CDataConnection* connection = nullptr;  // where it arrived; may be null
    CNMEASentenceType* type;
    CNMEASentence* next_free = nullptr;  // link in the type's pool
    int32_t holders = 0;

private:
    static bool isFiniteValue(double v) { return v - v == 0; }
};

// One registered kind of sentence. The sentence matches when `id` appears at
// character `offset` of the text (3 for standard sentences, which skips the
// '$' and the two talker letters; 1 for proprietary "$P..." sentences).
class CNMEASentenceType {
public:
    CNMEASentenceType(int offset, const char* id, CDataSource** source);
    virtual ~CNMEASentenceType();
    CNMEASentenceType(const CNMEASentenceType&) = delete;
    CNMEASentenceType& operator=(const CNMEASentenceType&) = delete;

    virtual CNMEASentence* NewInstance() = 0;
    // Hands a parsed instance to the listeners of its concrete class.
    virtual void Dispatch(CNMEASentence* sentence) = 0;

    // The first registered type whose id matches the sentence, or null.
    static CNMEASentenceType* FindType(const char* sentence);
    bool Matches(const char* sentence) const;
    // An idle instance from the pool, or a new one.
    CNMEASentence* GetInstance();
    void ReturnInstance(CNMEASentence* sentence);
    void FreePool();
    // True when the type's data source exists, i.e. somebody listens.
    bool HasListeners() const { return source && *source; }

    // Prefix rule shared with CNMEA_Raw::Matches: id at offset; the id must
    // end the address (',' or '*' or the end follows) and standard ids
    // (offset 3) never match proprietary "$P..." addresses.
    static bool MatchesAt(const char* sentence, int offset, const char* id);

    static CNMEASentenceType* first;  // head of the registry list

    CNMEASentenceType* next = nullptr;
    int32_t offset;
    const char* id;
    CNMEASentence* pool = nullptr;
    CDataSource** source;  // &Listener<T>::pDatasource
};

// The registry entry of sentence class T (T's constructor takes the type).
template <class T>
class CNMEASentenceTypeOf : public CNMEASentenceType {
public:
    CNMEASentenceTypeOf(int offset, const char* id)
        : CNMEASentenceType(offset, id, &Listener<T>::pDatasource) {}
    CNMEASentence* NewInstance() override { return new T(this); }
    void Dispatch(CNMEASentence* s) override { Listener<T>::Dispatch(*static_cast<T*>(s)); }
};
