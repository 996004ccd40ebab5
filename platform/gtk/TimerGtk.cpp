#include <glib.h>

#include "platform/Timer.h"

// Lives as long as the main loop's source, which keeps it through a run of
// the work even when the work stops or destroys the timer.
struct CTimer::Pending {
    std::function<bool()> work;
    CTimer* owner;

    static gboolean Dispatch(gpointer data) {
        auto* pending = static_cast<Pending*>(data);
        const bool again = pending->work();
        return again && pending->owner != nullptr ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
    }

    static void Free(gpointer data) {
        auto* pending = static_cast<Pending*>(data);
        if (pending->owner != nullptr) {
            pending->owner->m_pPending = nullptr;
            pending->owner->m_nSource = 0;
        }
        delete pending;
    }
};

namespace {

std::function<bool()> Once(std::function<void()> work) {
    return [work = std::move(work)] {
        work();
        return false;
    };
}

}  // namespace

void CTimer::StartOnce(unsigned milliseconds, std::function<void()> work) {
    Start(false, milliseconds, Once(std::move(work)));
}

void CTimer::StartRepeating(unsigned milliseconds, std::function<bool()> work) {
    Start(false, milliseconds, std::move(work));
}

void CTimer::StartIdle(std::function<void()> work) {
    Start(true, 0, Once(std::move(work)));
}

void CTimer::Start(bool idle, unsigned milliseconds, std::function<bool()> work) {
    Stop();
    m_pPending = new Pending{std::move(work), this};
    m_nSource = idle ? g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, Pending::Dispatch, m_pPending,
                                       Pending::Free)
                     : g_timeout_add_full(G_PRIORITY_DEFAULT, milliseconds, Pending::Dispatch,
                                          m_pPending, Pending::Free);
}

void CTimer::Stop() {
    if (m_pPending == nullptr) {
        return;
    }
    // Let go first: the source's end (now, or after a run under way) must
    // not reach back into this object.
    m_pPending->owner = nullptr;
    m_pPending = nullptr;
    g_source_remove(m_nSource);
    m_nSource = 0;
}
