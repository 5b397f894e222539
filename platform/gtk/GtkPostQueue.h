// The hand-overs from other threads to the GTK loop: one GLib source with a queue, run in order
// on the loop's thread. A post is a push and, when the queue was empty, one wakeup of the loop;
// no source is made, attached and freed per post, as g_idle_add would.
#pragma once

#include <functional>
#include <glib.h>

namespace hx {

class GtkPostQueue {
public:
    GtkPostQueue(); // attaches to GLib's default context
    // Detaches; calls still queued are dropped unrun.
    ~GtkPostQueue();
    GtkPostQueue(const GtkPostQueue&) = delete;
    GtkPostQueue& operator=(const GtkPostQueue&) = delete;

    // Any thread. Calls run in the order they were pushed; a call that runs a nested loop (a
    // modal window, a menu) does not hold up the ones behind it.
    void Push(std::function<void()> call);

private:
    GSource* source_;
};

} // namespace hx
