// A shared object that carries resources of several types and ids, and one
// export whose address finds the module.

extern "C" __attribute__((visibility("default"))) int ResourceModuleAnchor() { return 1; }
