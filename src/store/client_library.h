// The databases' client libraries are loaded when a store of their kind is
// first opened, not linked: libpq, with the Kerberos, LDAP and TLS libraries
// it brings, costs every start of a program that links it about ten
// milliseconds of mapping and relocation, SQLite about one, and the window
// needs neither to open.
//
// A database keeps its functions as a struct of pointers named after them:
//   #define FUNCTIONS(X) X(sqlite3_open_v2) X(sqlite3_close)
//   struct Sqlite {
//       FUNCTIONS(CCP_CLIENT_POINTER)
//       Sqlite(void* library, const char* soname) { FUNCTIONS(CCP_CLIENT_LOAD) }
//   };
#pragma once

namespace ccp::store {

// Loads `soname` (kept for the process); throws DatabaseError naming `what`
// and the loader's reason when it cannot.
void* loadClientLibrary(const char* soname, const char* what);
// The address of `name` in `library`; throws DatabaseError when it has none.
void* clientFunction(void* library, const char* soname, const char* name);

} // namespace ccp::store

#define CCP_CLIENT_POINTER(name) decltype(&::name) name = nullptr;
#define CCP_CLIENT_LOAD(name)                                                                      \
    name =                                                                                         \
        reinterpret_cast<decltype(&::name)>(::ccp::store::clientFunction(library, soname, #name));
