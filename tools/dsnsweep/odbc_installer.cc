#include "tools/dsnsweep/odbc_installer.h"

#include <dlfcn.h>

namespace {

template <typename Function>
bool find_call(void *library, const char *name, Function *call) {
  *call = reinterpret_cast<Function>(dlsym(library, name));
  return *call != nullptr;
}

}  // namespace

bool odbc_installer_load(const char *library, OdbcInstaller *installer) {
  *installer = OdbcInstaller{};
  void *handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    return false;
  }
  installer->library = handle;
  if (find_call(handle, "SQLGetConfigMode", &installer->get_config_mode) &&
      find_call(handle, "SQLSetConfigMode", &installer->set_config_mode) &&
      find_call(handle, "SQLGetPrivateProfileString", &installer->get_profile_string) &&
      find_call(handle, "SQLRemoveDSNFromIni", &installer->remove_dsn_from_ini) &&
      find_call(handle, "SQLValidDSN", &installer->valid_dsn)) {
    return true;
  }
  dlclose(handle);
  *installer = OdbcInstaller{};
  return false;
}
