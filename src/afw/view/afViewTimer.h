#pragma once
// An interval timer owned by a view (caret blinking, auto-scroll, spinners): a thread timer
// whose ticks one shared timer procedure hands to the timer's callback, through a process-wide
// registry from timer id to timer that lives from the first start to the last stop. A callback
// answering false stops its timer. UI thread only: the ticks come through its message loop.

#include "afw/core/afDelegate.h"

#include <cstdint>
#include <windows.h>

class afViewTimer {
public:
    // Called with the timer on each tick; false stops it.
    using Callback = afDelegate<bool(afViewTimer*)>;

    afViewTimer() = default;
    afViewTimer(UINT interval, const Callback& callback) : m_interval(interval), m_callback(callback) {}
    // Stops the timer.
    ~afViewTimer();
    afViewTimer(const afViewTimer&) = delete;
    afViewTimer& operator=(const afViewTimer&) = delete;

    void setInterval(UINT milliseconds) { m_interval = milliseconds; }
    UINT getInterval() const { return m_interval; }
    void setCallback(const Callback& callback) { m_callback = callback; }
    // Ticks since the timer started on which the callback kept it running.
    uint32_t getTickCount() const { return m_ticks; }
    // The system's id of the running timer; 0 while stopped.
    UINT_PTR getId() const { return m_id; }
    bool isRunning() const { return m_id != 0; }

    // The thread-timer procedure of every view timer. No exception leaves it: a callback that
    // throws is reported and its timer stopped; a tick of a timer no longer registered (queued
    // before it stopped) is logged and its system timer killed.
    static void CALLBACK procedure(HWND window, UINT message, UINT_PTR id, DWORD time);
    // Whether the registry exists: some timer runs.
    static bool hasRegistry();

private:
    friend void startTimer(afViewTimer& timer);
    friend void stopTimer(afViewTimer& timer);
    static void tick(UINT_PTR id);

    uint32_t m_ticks = 0;
    UINT m_interval = 0;
    Callback m_callback;
    UINT_PTR m_id = 0;
};

// Starts the timer afresh: a running one is stopped first and its tick count reset. Throws
// pel::IllegalStateException "Unable to start the timer." when the system gives none.
void startTimer(afViewTimer& timer);
// Stops the timer; nothing when it is not running.
void stopTimer(afViewTimer& timer);
