// A library named like the manager that lacks its entry point.
extern "C" __attribute__((visibility("default"))) int NotTheManager() { return 0; }
