#pragma once

// Owning handles for GStreamer objects, so release is automatic, and the one place the library
// is initialised.
//
// Threads: the handles are plain values; GStreamer's reference counts are atomic.

#include <gst/gst.h>

#include <memory>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace remote {

struct GstObjectUnref {
    void operator()(gpointer object) const
    {
        if (object)
            gst_object_unref(object);
    }
};
template <class T> using GstRef = std::unique_ptr<T, GstObjectUnref>;

// A new reference to `object` (null stays null).
template <class T> GstRef<T> gstRef(T* object)
{
    return GstRef<T>(object ? static_cast<T*>(gst_object_ref(object)) : nullptr);
}

struct GstBufferUnref {
    void operator()(GstBuffer* buffer) const
    {
        if (buffer)
            gst_buffer_unref(buffer);
    }
};
using GstBufferPtr = std::unique_ptr<GstBuffer, GstBufferUnref>;

struct GstCapsUnref {
    void operator()(GstCaps* caps) const
    {
        if (caps)
            gst_caps_unref(caps);
    }
};
using GstCapsPtr = std::unique_ptr<GstCaps, GstCapsUnref>;

// GLib's locks are not instrumented, so the thread sanitizer cannot see that data handed to a
// GStreamer thread (a callback's context) was written before it is read there. The sender
// releases at the data's address, the receiving callback acquires there.
inline void gstHandOff([[maybe_unused]] const void* data)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_release(const_cast<void*>(data));
#endif
}
inline void gstTakeOver([[maybe_unused]] const void* data)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(const_cast<void*>(data));
#endif
}

// Initialises GStreamer once per process; safe from any thread.
void ensureGstInitialised();

} // namespace remote
