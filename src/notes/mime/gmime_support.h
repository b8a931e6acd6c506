#pragma once
// GMime's set-up, owning pointers for its objects and strings, and their
// bytes and text.
#include <gmime/gmime.h>

#include <QByteArray>
#include <QString>
#include <memory>

namespace vantor::mime {

// GMime's global set-up, once per process.
inline void initGMime() {
    static const bool done = [] {
        g_mime_init();
        return true;
    }();
    (void)done;
}

template <typename T>
struct GObjectUnref {
    void operator()(T* object) const {
        if (object) g_object_unref(object);
    }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref<T>>;

struct GFree {
    void operator()(char* text) const { g_free(text); }
};
using GChars = std::unique_ptr<char, GFree>;

inline QString utf8(const char* text) {
    return text ? QString::fromUtf8(text) : QString();
}

// The bytes of a memory stream.
inline QByteArray streamBytes(GMimeStream* memory) {
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(memory));
    return QByteArray(reinterpret_cast<const char*>(bytes->data),
                      static_cast<qsizetype>(bytes->len));
}

}  // namespace vantor::mime
