// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CPulseContext.h"

#include "platform/LoadOnDemand.h"

namespace {

struct TimerState {
    bool fired;
    pa_threaded_mainloop* loop;
};

void TimerFired(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata)
{
    auto* t = static_cast<TimerState*>(userdata);
    t->fired = true;
    pa_threaded_mainloop_signal(t->loop, 0);
}

struct OperationState {
    bool done;
    int success;
    pa_threaded_mainloop* loop;
};

void OperationDone(pa_stream*, int success, void* userdata)
{
    auto* s = static_cast<OperationState*>(userdata);
    s->success = success;
    s->done = true;
    pa_threaded_mainloop_signal(s->loop, 0);
}

} // namespace

PulseError CPulseContext::LoadClientLibrary()
{
    return LoadPulseOnDemand() ? PulseError::None : PulseError::LibraryMissing;
}

PulseError CPulseContext::Create(const char* clientName)
{
    if (const PulseError loaded = LoadClientLibrary(); loaded != PulseError::None)
        return loaded;
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop)
        return PulseError::NoMemory;
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), clientName);
    if (!m_context)
        return PulseError::NoMemory;
    pa_context_set_state_callback(m_context, &CPulseContext::ContextState, this);
    return PulseError::None;
}

PulseError CPulseContext::Connect(int timeoutMs, const std::function<bool()>& cancelled)
{
    if (!m_context)
        return PulseError::NoMemory;
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return Classify(pa_context_errno(m_context));
    lock();
    if (pa_threaded_mainloop_start(m_loop) < 0) {
        unlock();
        return PulseError::NoMemory;
    }
    const bool settled = WaitFor(
        [&] {
            const pa_context_state_t state = pa_context_get_state(m_context);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state) || (cancelled && cancelled());
        },
        timeoutMs);
    PulseError result = PulseError::None;
    if (pa_context_get_state(m_context) != PA_CONTEXT_READY) {
        if (cancelled && cancelled())
            result = PulseError::Cancelled;
        else if (!settled)
            result = PulseError::NoServer;
        else
            result = Classify(pa_context_errno(m_context));
        // A context that failed without a telling error has no server behind it.
        if (result == PulseError::None || result == PulseError::Other)
            result = PulseError::NoServer;
    }
    unlock();
    return result;
}

PulseError CPulseContext::Open(int timeoutMs, const char* clientName)
{
    const PulseError created = Create(clientName);
    return created != PulseError::None ? created : Connect(timeoutMs);
}

void CPulseContext::Disconnect()
{
    if (!m_loop)
        return;
    lock();
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    unlock();
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
    m_loop = nullptr;
}

void CPulseContext::SetStateHandler(std::function<void(pa_context_state_t)> handler)
{
    m_stateHandler = std::move(handler);
}

bool CPulseContext::IsReady() const
{
    return m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY;
}

bool CPulseContext::WaitFor(const std::function<bool()>& done, int milliseconds)
{
    if (done())
        return true;
    if (milliseconds < 0) {
        while (!done())
            Wait();
        return true;
    }
    TimerState timer{false, m_loop};
    struct timeval tv;
    pa_gettimeofday(&tv);
    pa_timeval_add(&tv, pa_usec_t(milliseconds) * PA_USEC_PER_MSEC);
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(m_loop);
    pa_time_event* event = api->time_new(api, &tv, &TimerFired, &timer);
    while (!done() && !timer.fired)
        Wait();
    api->time_free(event);
    return done();
}

bool CPulseContext::Complete(const std::function<pa_operation*(pa_stream_success_cb_t, void*)>& start,
                             int milliseconds)
{
    OperationState state{false, 0, m_loop};
    pa_operation* op = start(&OperationDone, &state);
    if (!op)
        return false;
    WaitFor([&] { return state.done || pa_operation_get_state(op) != PA_OPERATION_RUNNING; }, milliseconds);
    // The callback must never reach the state on this stack once we are gone.
    if (!state.done)
        pa_operation_cancel(op);
    pa_operation_unref(op);
    return state.done && state.success;
}

bool CPulseContext::Finish(pa_operation* op, int milliseconds)
{
    if (!op)
        return false;
    const bool ended = WaitFor([&] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; }, milliseconds);
    if (!ended)
        pa_operation_cancel(op);
    pa_operation_unref(op);
    return ended;
}

int CPulseContext::LastErrno() const { return m_context ? pa_context_errno(m_context) : PA_ERR_UNKNOWN; }

PulseError CPulseContext::Classify(int paError)
{
    switch (paError) {
    case PA_OK: return PulseError::None;
    case PA_ERR_CONNECTIONREFUSED:
    case PA_ERR_INVALIDSERVER:
    case PA_ERR_CONNECTIONTERMINATED:
    case PA_ERR_TIMEOUT:
    case PA_ERR_NOENTITY:
    case PA_ERR_KILLED:
    case PA_ERR_VERSION: return PulseError::NoServer;
    case PA_ERR_NOTSUPPORTED: return PulseError::BadFormat;
    case PA_ERR_BUSY:
    case PA_ERR_EXIST:
    case PA_ERR_ACCESS:
    case PA_ERR_AUTHKEY: return PulseError::Busy;
    case PA_ERR_INVALID:
    case PA_ERR_TOOLARGE:
    case PA_ERR_BADSTATE: return PulseError::InvalidParam;
    default: return PulseError::Other;
    }
}

std::string CPulseContext::ErrorText(int paError)
{
    const char* text = pa_strerror(paError);
    return text ? text : "unknown error";
}

void CPulseContext::ContextState(pa_context* context, void* self)
{
    auto* me = static_cast<CPulseContext*>(self);
    if (me->m_stateHandler)
        me->m_stateHandler(pa_context_get_state(context));
    me->Signal();
}
