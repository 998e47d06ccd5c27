#include "updater/download/dns_share.h"

#include <curl/curl.h>

#include <mutex>

namespace {

// One mutex per kind of shared data, as the share interface hands them out.
std::mutex g_shareLocks[CURL_LOCK_DATA_LAST];

void LockShare(CURL*, curl_lock_data data, curl_lock_access, void*) { g_shareLocks[data].lock(); }
void UnlockShare(CURL*, curl_lock_data data, void*) { g_shareLocks[data].unlock(); }

}  // namespace

CURLSH* DnsShare() {
  static CURLSH* const share = [] {
    curl_global_init(CURL_GLOBAL_ALL);
    CURLSH* created = curl_share_init();
    curl_share_setopt(created, CURLSHOPT_LOCKFUNC, LockShare);
    curl_share_setopt(created, CURLSHOPT_UNLOCKFUNC, UnlockShare);
    curl_share_setopt(created, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    return created;
  }();
  return share;
}
