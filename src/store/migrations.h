// The store's schema as numbered migrations, each a list of statements per
// engine. A migration is applied once, in order, inside the transaction that
// raises schema_version to its number; one is never changed once released, a
// new one is added instead.
#pragma once

#include "store/database.h"

namespace ccp::store {

// Brings the schema up to the newest migration this program knows (or to
// `upTo`, as an earlier program would have left it); throws DatabaseError for
// a store whose schema is newer than that.
void migrate(Database& db, int upTo);
void migrate(Database& db);

// The newest migration number this program knows.
int newestMigration();

} // namespace ccp::store
