// The data side of a progress dialog for a long transfer, such as fetching
// every chunk of a map area: how many items of how many are stored or have
// failed, the user's request to cancel, and the outcome. The user interface
// shows it and may call Cancel(); the transfer updates it. It knows nothing
// of any front end. Use it on the user-interface thread only.
#pragma once

#include <functional>
#include <string>

class CProgressDialogData {
public:
    explicit CProgressDialogData(std::string title = {}) : m_title(std::move(title)) {}
    CProgressDialogData(const CProgressDialogData&) = delete;
    CProgressDialogData& operator=(const CProgressDialogData&) = delete;

    const std::string& title() const { return m_title; }

    // The transfer's side. Start counts `alreadyDone` of `total` as done.
    void Start(int total, int alreadyDone = 0);
    void Advance(bool stored);  // one more item stored, or failed
    // Ends the transfer; only the first call counts. The message says why it
    // failed, or is empty.
    void Finish(bool ok, const std::string& message = {});

    // The user's side: asks the transfer to stop; it then finishes, not ok.
    void Cancel();

    int total() const { return m_total; }
    int done() const { return m_done; }
    int failed() const { return m_failed; }
    // Items settled (stored or failed) per item; 1 when there are none.
    double fraction() const;
    bool started() const { return m_started; }
    bool cancelled() const { return m_cancelled; }
    bool finished() const { return m_finished; }
    bool succeeded() const { return m_finished && m_ok; }
    const std::string& message() const { return m_message; }

    std::function<void()> onChanged;          // after every change of the counts
    std::function<void(bool ok)> onFinished;  // exactly once, at the end
    std::function<void()> onCancel;           // set by the transfer: stop now

private:
    std::string m_title;
    int m_total = 0, m_done = 0, m_failed = 0;
    bool m_started = false, m_cancelled = false, m_finished = false, m_ok = false;
    std::string m_message;
};
