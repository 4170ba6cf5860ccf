// The SQLite shell extension: `.load libptsqlserver` gives the sqlite3 shell the collation and
// functions of a host database, so a maintainer can query one directly.
#include <sqlite3.h>

#include <exception>

#include "hostapp/HostDatabase.h"

extern "C" __attribute__((visibility("default"))) int sqlite3_ptsqlserver_init(sqlite3* db, char** error,
                                                                               const void* /*api*/) {
  try {
    pt::hostapp::RegisterSqlServerDialect(db, nullptr);
    return SQLITE_OK;
  } catch (const std::exception& e) {
    if (error) *error = sqlite3_mprintf("%s", e.what());
    return SQLITE_ERROR;
  }
}
