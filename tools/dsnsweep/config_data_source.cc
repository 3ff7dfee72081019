// Removing a system data source with the installer's profile calls: the
// installer's own request would hand the work to the driver's setup library,
// which a removal of a data source needs no more than its name and driver.
#include "tools/dsnsweep/config_data_source.h"

#include <stdio.h>
#include <string.h>
#include <strings.h>

#include "tools/dsnsweep/odbc_installer.h"

namespace {

constexpr const char *kDataSources = "odbc.ini";
constexpr const char *kDrivers = "odbcinst.ini";

// A profile value, or the empty text when it is not set.
std::string profile_value(const OdbcInstaller &odbc, const char *section, const char *key,
                          const char *file) {
  char value[1024] = "";
  odbc.get_profile_string(section, key, "", value, sizeof value, file);
  return value;
}

// Whether the data source's Driver entry names |driver| or its library.
bool has_driver(const OdbcInstaller &odbc, const char *dsn, const char *driver) {
  std::string named = profile_value(odbc, dsn, "Driver", kDataSources);
  if (named.empty()) {
    return false;
  }
  if (strcasecmp(named.c_str(), driver) == 0) {
    return true;
  }
  std::string library = profile_value(odbc, driver, "Driver", kDrivers);
  return !library.empty() && named == library;
}

// Whether the system odbc.ini has a section |dsn| (with any entry in it).
bool is_defined(const OdbcInstaller &odbc, const char *dsn) {
  char keys[256] = "";
  return odbc.get_profile_string(dsn, nullptr, "", keys, sizeof keys, kDataSources) > 0 &&
         keys[0] != '\0';
}

bool remove_system_dsn(const OdbcInstaller &odbc, const char *driver, const char *dsn) {
  UWORD previous_mode = ODBC_BOTH_DSN;
  if (!odbc.get_config_mode(&previous_mode) || !odbc.set_config_mode(ODBC_SYSTEM_DSN)) {
    return false;
  }
  bool removed = is_defined(odbc, dsn) && has_driver(odbc, dsn, driver) &&
                 odbc.remove_dsn_from_ini(dsn) && !is_defined(odbc, dsn);
  odbc.set_config_mode(previous_mode);
  return removed;
}

}  // namespace

std::optional<std::string> attribute_value(const char *attributes, const char *keyword) {
  size_t keyword_length = strlen(keyword);
  for (const char *pair = attributes; *pair != '\0'; pair += strlen(pair) + 1) {
    if (strncasecmp(pair, keyword, keyword_length) == 0 && pair[keyword_length] == '=') {
      return std::string(pair + keyword_length + 1);
    }
  }
  return std::nullopt;
}

bool config_data_source(const char *library, int request, const char *driver,
                        const char *attributes) {
  OdbcInstaller odbc;
  if (!odbc_installer_load(library, &odbc)) {
    fprintf(stderr, "%s: %s\n", kInstallerErrorTitle, kInstallerMissingText);
    return false;
  }
  std::optional<std::string> dsn = attribute_value(attributes, "DSN");
  // A name the installer rejects could address something else in odbc.ini
  // (a "]" ends the section header).
  return request == ODBC_REMOVE_SYS_DSN && driver != nullptr && dsn &&
         odbc.valid_dsn(dsn->c_str()) && remove_system_dsn(odbc, driver, dsn->c_str());
}
