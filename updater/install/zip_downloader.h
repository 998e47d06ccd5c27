#pragma once
// The concrete update job: downloads and verifies the package of one update
// record (Downloader), and installs it on the window's word (DoInstall).

#include "updater/cmdline/zip_conf.h"
#include "updater/download/downloader.h"

class ZipDownloader : public Downloader {
 public:
  explicit ZipDownloader(const ZipConf& config, DownloadSettings settings = {});
  ~ZipDownloader() override;

  // On the window's thread, once succeeded() is true: stops the client, for a
  // forced update unpacks the package over the application folder (where the
  // launcher would unpack it), registers the installer component, shows the
  // launch window and starts the launcher with the record's parameters.
  void DoInstall() override;

  // Where DoInstall unpacks: the launcher's folder, with a trailing "/".
  static std::string InstallFolderOf(const ZipConf& config);

 private:
  void StopClient();
  bool Extract();
  void Launch();

  const ZipConf config_;
};

// What the job takes from the record: the package address and digest, the
// package path in the updater's folder, and whether to stop the client first.
UpdateOrder UpdateOrderFrom(const ZipConf& config);
