#include "app/base/datasource.h"

#include <QDateTime>

double CDataSource::timestamp_correction = 0;

CPrioritizedList::CPrioritizedList() {
    m_sentinel.next = m_sentinel.prev = &m_sentinel;
    m_sentinel.priority = INT32_MAX;
}

void CPrioritizedList::Enqueue(Node* node) {
    // Walk back from the end past lower priorities: equal ones stay first.
    Node* after = m_sentinel.prev;
    while (after != &m_sentinel && after->priority < node->priority) after = after->prev;
    node->prev = after;
    node->next = after->next;
    after->next->prev = node;
    after->next = node;
}

CPrioritizedList::Node* CPrioritizedList::Dequeue() {
    if (IsEmpty()) return nullptr;
    Node* node = m_sentinel.next;
    Remove(node);
    return node;
}

void CPrioritizedList::Remove(Node* node) {
    if (!node->next) return;
    node->prev->next = node->next;
    node->next->prev = node->prev;
    node->next = node->prev = nullptr;
}

// A running dispatch: the node to call next. Detaching that node moves the
// cursor on, so iteration never touches a node that has left the list.
struct CDataSource::Cursor {
    CPrioritizedList::Node* next;
    uint32_t generation;
    Cursor* outer;
};

void CDataSource::callback::attach(CDataSource& to, Function fn, void* ctx, int prio) {
    detach();
    function = fn;
    context = ctx;
    priority = prio;
    source = &to;
    generation = to.m_generation;
    to.callbacks.Enqueue(this);
}

void CDataSource::callback::detach() {
    if (!source) return;
    source->unlinking(this);
    CPrioritizedList::Remove(this);
    source = nullptr;
}

void CDataSource::unlinking(callback* node) {
    for (Cursor* c = m_cursor; c; c = c->outer)
        if (c->next == node) c->next = node->next;
}

CDataSource::~CDataSource() {
    while (CPrioritizedList::Node* n = callbacks.Dequeue()) static_cast<callback*>(n)->source = nullptr;
}

void CDataSource::ForEach(void (*visit)(callback&, void*), void* arg) {
    // Callbacks attached during this pass carry the new generation and wait
    // for the next one.
    Cursor cursor{callbacks.First(), m_generation++, m_cursor};
    m_cursor = &cursor;
    while (cursor.next != callbacks.End()) {
        callback* cb = static_cast<callback*>(cursor.next);
        cursor.next = cb->next;
        if (int32_t(cb->generation - cursor.generation) <= 0) visit(*cb, arg);
    }
    m_cursor = cursor.outer;
    if (!m_cursor && m_releasePending) delete this;
}

void CDataSource::Dispatch(void* data) {
    timestamp = 0;
    ForEach([](callback& cb, void* d) { cb.function(cb.context, d); }, data);
}

double CDataSource::Timestamp() {
    if (timestamp == 0)
        timestamp = double(QDateTime::currentMSecsSinceEpoch()) / 1000.0 + timestamp_correction;
    return timestamp;
}

void CDataSource::Release() {
    if (m_cursor)
        m_releasePending = true;
    else
        delete this;
}
