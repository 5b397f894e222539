#include "platform/gtk/GtkPostQueue.h"

#include <deque>
#include <mutex>

namespace hx {
namespace {

    struct Calls {
        std::mutex mutex;
        std::deque<std::function<void()>> queue;
    };

    struct QueueSource {
        GSource base; // first: GLib allocates and frees the whole struct as a GSource
        Calls* calls;
    };

    Calls& CallsOf(GSource* source) { return *reinterpret_cast<QueueSource*>(source)->calls; }

    bool Waiting(GSource* source)
    {
        Calls& calls = CallsOf(source);
        std::lock_guard lock(calls.mutex);
        return !calls.queue.empty();
    }

    gboolean Prepare(GSource* source, gint* timeout)
    {
        *timeout = -1;
        return Waiting(source);
    }

    gboolean Check(GSource* source) { return Waiting(source); }

    gboolean Dispatch(GSource* source, GSourceFunc, gpointer)
    {
        Calls& calls = CallsOf(source);
        for (;;) {
            // A call may end the queue's owner: what is left is dropped, as at destruction.
            if (g_source_is_destroyed(source))
                return G_SOURCE_REMOVE;
            std::function<void()> call;
            {
                std::lock_guard lock(calls.mutex);
                if (calls.queue.empty())
                    return G_SOURCE_CONTINUE;
                call = std::move(calls.queue.front());
                calls.queue.pop_front();
            }
            call();
        }
    }

    void Finalize(GSource* source) { delete reinterpret_cast<QueueSource*>(source)->calls; }

    GSourceFuncs kQueueFuncs = { Prepare, Check, Dispatch, Finalize, nullptr, nullptr };

} // namespace

GtkPostQueue::GtkPostQueue()
    : source_(g_source_new(&kQueueFuncs, sizeof(QueueSource)))
{
    reinterpret_cast<QueueSource*>(source_)->calls = new Calls;
    g_source_set_name(source_, "hx posts");
    // A call that runs a nested loop must not stop the calls behind it.
    g_source_set_can_recurse(source_, TRUE);
    g_source_attach(source_, nullptr);
}

GtkPostQueue::~GtkPostQueue()
{
    g_source_destroy(source_);
    g_source_unref(source_);
}

void GtkPostQueue::Push(std::function<void()> call)
{
    Calls& calls = CallsOf(source_);
    bool wasEmpty;
    {
        std::lock_guard lock(calls.mutex);
        wasEmpty = calls.queue.empty();
        calls.queue.push_back(std::move(call));
    }
    // Only the first call of a batch needs to wake the loop; the loop empties the queue.
    // (g_source_set_ready_time would also wake it each time the loop itself re-armed it.)
    if (wasEmpty)
        g_main_context_wakeup(g_source_get_context(source_));
}

} // namespace hx
