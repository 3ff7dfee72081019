// odbc_installer.h: unixODBC's installer library, loaded at run time so that a
// system without it still runs the tool (and says what is missing).
#ifndef KIT_TOOLS_DSNSWEEP_ODBC_INSTALLER_H
#define KIT_TOOLS_DSNSWEEP_ODBC_INSTALLER_H

#include <odbcinst.h>

// The library's name on the loader's search path.
constexpr const char *kOdbcInstallerLibrary = "libodbcinst.so.2";

struct OdbcInstaller {
  void *library;
  decltype(&SQLGetConfigMode) get_config_mode;
  decltype(&SQLSetConfigMode) set_config_mode;
  decltype(&SQLGetPrivateProfileString) get_profile_string;
  decltype(&SQLRemoveDSNFromIni) remove_dsn_from_ini;
  decltype(&SQLValidDSN) valid_dsn;
};

// odbc_installer_load loads the installer library |library| and fills
// |installer|; returns false, |installer| empty, when the library cannot be
// loaded or lacks one of the calls. A loaded library stays loaded for the
// rest of the process: it keeps its profile caches in its own globals, and
// unloading it would orphan them.
bool odbc_installer_load(const char *library, OdbcInstaller *installer);

#endif  // KIT_TOOLS_DSNSWEEP_ODBC_INSTALLER_H
