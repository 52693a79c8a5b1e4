// The freedesktop trash through GIO, whose library (with GObject and the
// rest it needs) is loaded the first time something goes to the trash: a
// scan that trashes nothing does not pay for loading it.
#include "output/recycle.h"

#include <dlfcn.h>
#include <gio/gio.h>

namespace quilve {
namespace {

// The four calls the trash needs, looked up in GIO and the libraries it
// brings; set once, then only read.
struct GioCalls {
  decltype(&g_file_new_for_path) newForPath = nullptr;
  decltype(&g_file_trash) trash = nullptr;
  decltype(&g_object_unref) unref = nullptr;
  decltype(&g_error_free) errorFree = nullptr;
  std::string failure;  // why GIO is not available; empty when it is
};

template <typename F>
bool lookUp(void* library, const char* name, F* to) {
  void* symbol = dlsym(library, name);
  if (symbol == nullptr) return false;
  *to = reinterpret_cast<F>(symbol);
  return true;
}

GioCalls loadGio() {
  GioCalls calls;
  void* library = dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = dlerror();
    calls.failure = std::string("the trash is not available (GIO could not be loaded: ") +
                    (why ? why : "unknown reason") + ")";
    return calls;
  }
  // Kept loaded for the rest of the process.
  if (!lookUp(library, "g_file_new_for_path", &calls.newForPath) ||
      !lookUp(library, "g_file_trash", &calls.trash) ||
      !lookUp(library, "g_object_unref", &calls.unref) ||
      !lookUp(library, "g_error_free", &calls.errorFree)) {
    calls = GioCalls{};
    calls.failure = "the trash is not available (GIO lacks a call it needs)";
  }
  return calls;
}

const GioCalls& gio() {
  static const GioCalls calls = loadGio();  // loaded once, on first use, by any thread
  return calls;
}

}  // namespace

bool moveToRecycleBin(const std::string& path, std::string* error) {
  const GioCalls& g = gio();
  if (!g.failure.empty()) {
    *error = path + ": " + g.failure;
    return false;
  }
  GFile* file = g.newForPath(path.c_str());
  GError* failure = nullptr;
  const gboolean ok = g.trash(file, nullptr, &failure);
  g.unref(file);
  if (ok) return true;
  *error = failure ? std::string(failure->message) : path + ": cannot be moved to the trash";
  if (failure) g.errorFree(failure);
  return false;
}

}  // namespace quilve
