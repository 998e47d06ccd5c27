/* The smallest DLL mingw-w64 makes: a real PE image for the image tests. */
int __stdcall DllMain(void* module, unsigned long reason, void* reserved) {
  (void)module;
  (void)reason;
  (void)reserved;
  return 1;
}
