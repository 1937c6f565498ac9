// The one notification mechanism for live data.
//
// A CDataSource per kind of value T holds the callbacks attached to it and
// hands one object to all of them, synchronously and in priority order, when
// the value changes. Listener<T> attaches itself on construction; the data
// source of T exists only while some listener of T exists, so a producer
// that finds Listener<T>::pDatasource null does no work at all.
//
// Attaching and detaching callbacks is safe at any time, also from inside a
// dispatch of the same source: a callback detached mid-dispatch is not called
// again, a callback attached mid-dispatch is first called on the next
// dispatch, and a source whose last listener leaves during its own dispatch
// is deleted when that dispatch returns.
#pragma once

#include <cstdint>

class CDataSource;

// Circular doubly linked list with a sentinel of the highest priority,
// sorted by descending priority; equal priorities keep attachment order.
class CPrioritizedList {
public:
    struct Node {
        Node* next = nullptr;
        Node* prev = nullptr;
        int32_t priority = 0;
    };

    CPrioritizedList();
    CPrioritizedList(const CPrioritizedList&) = delete;
    CPrioritizedList& operator=(const CPrioritizedList&) = delete;

    void Enqueue(Node* node);        // after every node of equal or higher priority
    Node* Dequeue();                 // removes and returns the first node, or null
    static void Remove(Node* node);  // unlinks a node that is in a list
    bool IsEmpty() const { return m_sentinel.next == &m_sentinel; }
    Node* First() { return m_sentinel.next; }
    const Node* End() const { return &m_sentinel; }

private:
    Node m_sentinel;
};

class CDataSource {
public:
    using Function = void (*)(void* context, void* data);

    class callback : public CPrioritizedList::Node {
    public:
        callback() = default;
        ~callback() { detach(); }
        callback(const callback&) = delete;
        callback& operator=(const callback&) = delete;

        void attach(CDataSource& source, Function function, void* context, int priority = 0);
        void detach();
        bool attached() const { return source != nullptr; }

        Function function = nullptr;
        void* context = nullptr;
        CDataSource* source = nullptr;

    private:
        friend class CDataSource;
        uint32_t generation = 0;  // dispatch count when attached
    };

    CDataSource() = default;
    ~CDataSource();
    CDataSource(const CDataSource&) = delete;
    CDataSource& operator=(const CDataSource&) = delete;

    // Calls every attached callback in order with (context, data).
    void Dispatch(void* data);
    // Calls visit(callback, arg) for every attached callback in order, with
    // the same safety rules as Dispatch (used by the heartbeat).
    void ForEach(void (*visit)(callback&, void* arg), void* arg);

    // Time of the current dispatch: read from the clock once per dispatch, in
    // seconds since 1970 UTC plus timestamp_correction.
    double Timestamp();
    void ClearTimestamp() { timestamp = 0; }
    bool IsEmpty() const { return callbacks.IsEmpty(); }
    bool IsDispatching() const { return m_cursor != nullptr; }

    // Deletes the source now, or when its running dispatch returns.
    void Release();

    // Added to the wall clock to give data time (GPS time minus local time).
    static double timestamp_correction;

    double timestamp = 0;
    CPrioritizedList callbacks;

private:
    struct Cursor;
    void unlinking(callback* node);

    Cursor* m_cursor = nullptr;  // innermost running dispatch
    uint32_t m_generation = 1;
    bool m_releasePending = false;
};

// One listener of values of type T. Derive and override OnUpdate.
template <class T>
class Listener {
public:
    explicit Listener(int priority = 0) {
        if (!pDatasource) pDatasource = new CDataSource;
        m_callback.attach(*pDatasource, &Listener::call, this, priority);
    }
    virtual ~Listener() { Detach(); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    virtual void OnUpdate(T&) {}

    // Hands value to every listener of T; does nothing when there is none.
    static void Dispatch(T& value) {
        if (pDatasource) pDatasource->Dispatch(&value);
    }
    static bool HasListeners() { return pDatasource != nullptr; }

    static inline CDataSource* pDatasource = nullptr;

protected:
    // Leaves the data source, destroying it with its last listener.
    void Detach() {
        CDataSource* source = m_callback.source;
        if (!source) return;
        m_callback.detach();
        if (source->IsEmpty()) {
            if (pDatasource == source) pDatasource = nullptr;
            source->Release();
        }
    }
    CDataSource::callback& Callback() { return m_callback; }

private:
    static void call(void* context, void* data) {
        static_cast<Listener*>(context)->OnUpdate(*static_cast<T*>(data));
    }
    CDataSource::callback m_callback;
};

// The notice dispatched once at exit, for parts that must finish work then.
struct ShutDown {};
