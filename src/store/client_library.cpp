#include "store/client_library.h"

#include "store/database.h"

#include <dlfcn.h>
#include <string>

namespace ccp::store {

void* loadClientLibrary(const char* soname, const char* what) {
    void* library = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        throw DatabaseError(std::string(what) + " could not be loaded: " + dlerror());
    return library;
}

void* clientFunction(void* library, const char* soname, const char* name) {
    void* function = dlsym(library, name);
    if (function == nullptr)
        throw DatabaseError(std::string(soname) + " has no " + name);
    return function;
}

} // namespace ccp::store
