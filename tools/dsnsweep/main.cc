// dsnsweep: removes the installation's two ODBC system data sources and says
// which it removed. Arguments are ignored; the exit status is always 0.
// DSNSWEEP_ODBCINST_LIBRARY names another installer library to load in place
// of libodbcinst.so.2 (a path or a name on the loader's search path).
#include <stdio.h>
#include <stdlib.h>

#include "tools/dsnsweep/config_data_source.h"
#include "tools/dsnsweep/odbc_installer.h"

namespace {

struct RemovalRequest {
  const char *driver;
  const char *attributes;  // keyword=value texts, each NUL-terminated, then an empty one
  const char *message;
};

const RemovalRequest kRequests[] = {
    {"SQL Server", "DSN=pelta\0", "Succeed removing pelta data source!\n"},
    {"SQL Server", "DSN=lumometa\0", "Succeed removing lumometa data source!\n"},
};

}  // namespace

int main() {
  const char *library = getenv("DSNSWEEP_ODBCINST_LIBRARY");
  if (library == nullptr || library[0] == '\0') {
    library = kOdbcInstallerLibrary;
  }
  for (const RemovalRequest &request : kRequests) {
    if (config_data_source(library, ODBC_REMOVE_SYS_DSN, request.driver, request.attributes)) {
      fputs(request.message, stdout);
    }
  }
  return 0;
}
