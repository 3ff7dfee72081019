// Names the launchers fix about the Java runtime and the server's classes: the Java
// launcher executables under a Java home's bin directory (the style adds ".exe" where
// the system has one) and the classes named on VM command lines.
#pragma once

inline constexpr const char *kJdkLauncher = "java";        // a JDK
inline constexpr const char *kJreLauncher = "jre";         // a JRE with a console
inline constexpr const char *kJreWindowlessLauncher = "jrew";  // a JRE without a console
inline constexpr const char *kSkiffExecutable = "skiff";

inline constexpr const char *kServerProcessClass = "com.quill.server.ServerProcess";
inline constexpr const char *kAdminCommandClass = "com.quill.server.http.admin.CommandLine";
inline constexpr const char *kAuthStoreClass = "com.quill.server.admin.security.AuthStore";
inline constexpr const char *kLoginWrapperClass = "quill.security.Login";
inline constexpr const char *kLoginFromFileClass = "quill.security.AuthFile";
inline constexpr const char *kLoginFromTerminalClass = "quill.security.AuthTTY";
inline constexpr const char *kLoginFromWindowClass = "quill.security.AuthGUI";

// A supervised Java program ending with this status asks to be started again.
inline constexpr int kRestartStatus = 255;
