#pragma once
// The process's one transfer-library share object: every easy handle of the
// downloader uses it, so all requests share one DNS cache. Created on first
// use (with the library's global initialisation) and never destroyed.

typedef void CURLSH;

CURLSH* DnsShare();
