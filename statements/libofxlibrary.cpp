#include "libofxlibrary.h"

#include <dlfcn.h>

namespace {

QString g_error;

template <typename Function>
bool resolve(void *handle, const char *name, Function *function, QString *error)
{
    *function = reinterpret_cast<Function>(dlsym(handle, name));
    if (!*function && error->isEmpty())
        *error = QStringLiteral("%1 has no %2.")
                     .arg(QLatin1String(NV_LIBOFX_SONAME), QLatin1String(name));
    return *function != nullptr;
}

} // namespace

LibofxLibrary LibofxLibrary::load(QString *error)
{
    LibofxLibrary library;
    // Loaded once and kept: the library keeps state of its own across reads.
    void *handle = dlopen(NV_LIBOFX_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        *error = QStringLiteral("OFX statements are read through %1, which cannot be loaded: %2")
                     .arg(QLatin1String(NV_LIBOFX_SONAME), QString::fromLocal8Bit(dlerror()));
        return library;
    }
    resolve(handle, "libofx_get_new_context", &library.getNewContext, error);
    resolve(handle, "ofx_set_transaction_cb", &library.setTransactionCallback, error);
    resolve(handle, "ofx_set_status_cb", &library.setStatusCallback, error);
    resolve(handle, "libofx_proc_file", &library.processFile, error);
    resolve(handle, "libofx_free_context", &library.freeContext, error);
    for (const char *name :
         {"ofx_PARSER_msg", "ofx_DEBUG_msg", "ofx_DEBUG1_msg", "ofx_DEBUG2_msg", "ofx_DEBUG3_msg",
          "ofx_DEBUG4_msg", "ofx_DEBUG5_msg", "ofx_STATUS_msg", "ofx_INFO_msg", "ofx_WARNING_msg",
          "ofx_ERROR_msg", "ofx_show_position"}) {
        int *messageSwitch = nullptr;
        if (resolve(handle, name, &messageSwitch, error))
            library.m_messageSwitches.append(messageSwitch);
    }
    return library;
}

const LibofxLibrary *LibofxLibrary::get()
{
    static const LibofxLibrary library = load(&g_error);
    return g_error.isEmpty() ? &library : nullptr;
}

QString LibofxLibrary::error()
{
    return g_error;
}

void LibofxLibrary::silence() const
{
    for (int *messageSwitch : m_messageSwitches)
        *messageSwitch = 0;
}
