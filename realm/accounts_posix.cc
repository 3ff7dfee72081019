#include "realm/accounts_posix.h"

#include <errno.h>
#include <pwd.h>
#include <security/pam_appl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <mutex>

#include "realm/login_defs.h"

namespace {

constexpr const char *kPamServiceVariable = "SKIFF_REALM_PAM_SERVICE";
constexpr const char *kDefaultPamService = "skiff";
constexpr const char *kLoginDefsPath = "/etc/login.defs";
// Entry buffers grow by doubling up to this; an entry larger is an error.
constexpr size_t kMaxEntryBuffer = 1 << 20;

size_t first_entry_buffer_size() {
  long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
  return suggested > 0 && (size_t)suggested < kMaxEntryBuffer ? (size_t)suggested : 1024;
}

// getpwnam_r's results, as its manual lists them, in the natives' statuses.
int look_up_status(int error, const struct passwd *entry) {
  if (error == 0 && entry != nullptr) {
    return ACCOUNT_OK;
  }
  switch (error) {
    case 0:
    case ENOENT:
    case ESRCH:
    case EBADF:
    case EPERM:
      return ACCOUNT_USER_NOT_FOUND;
    case EACCES:
      return ACCOUNT_ACCESS_DENIED;
    default:
      return ACCOUNT_SYSTEM_ERROR;
  }
}

int posix_look_up(const char *name, AccountFound found, void *context) {
  struct passwd entry;
  struct passwd *result = nullptr;
  char *buffer = nullptr;
  int error = 0;
  for (size_t size = first_entry_buffer_size(); size <= kMaxEntryBuffer; size *= 2) {
    char *grown = static_cast<char *>(realloc(buffer, size));
    if (grown == nullptr) {
      error = ENOMEM;
      break;
    }
    buffer = grown;
    error = getpwnam_r(name, &entry, buffer, size, &result);
    if (error != ERANGE) {
      break;
    }
  }
  int status = look_up_status(error, result);
  if (status == ACCOUNT_OK) {
    found(context, entry.pw_dir != nullptr ? entry.pw_dir : "", "");
  }
  free(buffer);
  return status;
}

void free_replies(struct pam_response *replies, int count) {
  for (int i = 0; i < count; i++) {
    if (replies[i].resp != nullptr) {
      explicit_bzero(replies[i].resp, strlen(replies[i].resp));
      free(replies[i].resp);
    }
  }
  free(replies);
}

// Answers the modules' password prompts with the password being checked.
// Prompts that echo (a user name, a token code) get no answer: the password
// is handed only to a prompt that asks for a secret. Informational messages
// are not shown.
int answer_prompts(int count, const struct pam_message **messages,
                   struct pam_response **responses, void *password) {
  if (count <= 0 || count > PAM_MAX_NUM_MSG) {
    return PAM_CONV_ERR;
  }
  // Some modules pass no place for replies along with messages that need none.
  if (responses == nullptr) {
    for (int i = 0; i < count; i++) {
      if (messages[i]->msg_style != PAM_ERROR_MSG && messages[i]->msg_style != PAM_TEXT_INFO) {
        return PAM_CONV_ERR;
      }
    }
    return PAM_SUCCESS;
  }
  struct pam_response *replies =
      static_cast<struct pam_response *>(calloc((size_t)count, sizeof *replies));
  if (replies == nullptr) {
    return PAM_BUF_ERR;
  }
  for (int i = 0; i < count; i++) {
    switch (messages[i]->msg_style) {
      case PAM_PROMPT_ECHO_OFF:
        replies[i].resp = strdup(static_cast<const char *>(password));
        if (replies[i].resp == nullptr) {
          free_replies(replies, count);
          return PAM_BUF_ERR;
        }
        break;
      case PAM_ERROR_MSG:
      case PAM_TEXT_INFO:
        break;
      default:
        free_replies(replies, count);
        return PAM_CONV_ERR;
    }
  }
  *responses = replies;
  return PAM_SUCCESS;
}

const char *pam_service() {
  const char *service = getenv(kPamServiceVariable);
  return service != nullptr && service[0] != '\0' ? service : kDefaultPamService;
}

bool posix_log_on(const char *name, const char *password) {
  struct pam_conv conversation = {answer_prompts, const_cast<char *>(password)};
  pam_handle_t *pam = nullptr;
  int status = pam_start(pam_service(), name, &conversation, &pam);
  if (status != PAM_SUCCESS) {
    if (pam != nullptr) {
      pam_end(pam, status);
    }
    return false;
  }
  // An empty password logs nobody on, as blank-password logons are refused
  // where the realm came from.
  const int flags = PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK;
  status = pam_authenticate(pam, flags);
  if (status == PAM_SUCCESS) {
    status = pam_acct_mgmt(pam, flags);
  }
  pam_end(pam, status);
  return status == PAM_SUCCESS;
}

// The account database is walked through one cursor per process (setpwent,
// getpwent_r, endpwent); two listings at once would each see part of it.
std::mutex account_walk;

int posix_list_normal(AccountVisit visit, void *context) {
  UidRange normal = login_defs_uid_range(kLoginDefsPath);
  size_t size = first_entry_buffer_size();
  char *buffer = static_cast<char *>(malloc(size));
  if (buffer == nullptr) {
    return ACCOUNT_SYSTEM_ERROR;
  }
  int status = ACCOUNT_OK;
  std::lock_guard<std::mutex> hold(account_walk);
  setpwent();
  for (;;) {
    struct passwd entry;
    struct passwd *result = nullptr;
    int error = getpwent_r(&entry, buffer, size, &result);
    if (error == ERANGE && size < kMaxEntryBuffer) {
      // The same entry comes again with the larger buffer.
      char *grown = static_cast<char *>(realloc(buffer, size * 2));
      if (grown == nullptr) {
        status = ACCOUNT_SYSTEM_ERROR;
        break;
      }
      buffer = grown;
      size *= 2;
      continue;
    }
    if (error == ENOENT || (error == 0 && result == nullptr)) {
      break;  // end of the list
    }
    if (error != 0) {
      status = ACCOUNT_SYSTEM_ERROR;
      break;
    }
    if (uid_range_holds(normal, (uint32_t)entry.pw_uid) && !visit(context, entry.pw_name)) {
      break;
    }
  }
  endpwent();
  free(buffer);
  return status;
}

}  // namespace

const AccountsBackend kPosixAccounts = {posix_look_up, posix_log_on, posix_list_normal};
