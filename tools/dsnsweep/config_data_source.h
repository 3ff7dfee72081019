// config_data_source.h: the installer's data-source request, as the tool
// makes it: request, driver name and a keyword=value attribute list.
#ifndef KIT_TOOLS_DSNSWEEP_CONFIG_DATA_SOURCE_H
#define KIT_TOOLS_DSNSWEEP_CONFIG_DATA_SOURCE_H

#include <optional>
#include <string>

// The installer error shown when its library cannot be loaded, on standard
// error as "<title>: <text>\n".
constexpr const char *kInstallerErrorTitle = "ODBC Installer Error";
constexpr const char *kInstallerMissingText =
    "The ODBC installer library (libodbcinst.so.2) is not installed on this system.";

// attribute_value returns the value of |keyword| (matched without regard to
// case) in |attributes|, a sequence of NUL-terminated "keyword=value" texts
// ended by an empty text; nullopt when it is not there.
std::optional<std::string> attribute_value(const char *attributes, const char *keyword);

// config_data_source makes |request| through the installer library named
// |library|. Only ODBC_REMOVE_SYS_DSN is served: in system mode, the data
// source named by the DSN attribute is removed from the system odbc.ini when
// it is there and its driver is |driver| (by name, or by the library that
// odbcinst.ini gives for |driver|). Returns true only when the data source was
// there and is gone. When the library cannot be loaded the installer error is
// printed and false returned. Every other failure is silent.
bool config_data_source(const char *library, int request, const char *driver,
                        const char *attributes);

#endif  // KIT_TOOLS_DSNSWEEP_CONFIG_DATA_SOURCE_H
