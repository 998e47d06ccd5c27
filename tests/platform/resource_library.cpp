// A shared library with resources of its own, loaded by the module-resource
// tests as a module other than the program.
extern "C" __attribute__((visibility("default"))) int resource_library_anchor() { return 7; }
