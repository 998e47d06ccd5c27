#include "updater/download/dns_share.h"

#include <curl/curl.h>

#include <mutex>

namespace {

// The transfer library's one-time set-up, at program start on the main
// thread, as it asks for: done first on a worker thread (the update job's),
// the TLS library under it left that thread's error state behind when the
// thread ended. Later calls only count.
[[maybe_unused]] const bool g_transferLibraryReady = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;

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
