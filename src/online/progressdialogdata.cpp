#include "online/progressdialogdata.h"

void CProgressDialogData::Start(int total, int alreadyDone) {
    m_started = true;
    m_total = total < 0 ? 0 : total;
    m_done = alreadyDone < 0 ? 0 : alreadyDone > m_total ? m_total : alreadyDone;
    m_failed = 0;
    if (onChanged) onChanged();
}

void CProgressDialogData::Advance(bool stored) {
    if (m_finished) return;
    ++(stored ? m_done : m_failed);
    if (onChanged) onChanged();
}

void CProgressDialogData::Finish(bool ok, const std::string& message) {
    if (m_finished) return;
    m_finished = true;
    m_ok = ok;
    m_message = message;
    if (onChanged) onChanged();
    // Taken out first: the callback may delete this object.
    auto done = std::move(onFinished);
    onFinished = nullptr;
    if (done) done(ok);
}

void CProgressDialogData::Cancel() {
    if (m_finished || m_cancelled) return;
    m_cancelled = true;
    if (onCancel) onCancel();
}

double CProgressDialogData::fraction() const {
    return m_total > 0 ? double(m_done + m_failed) / m_total : 1.0;
}
