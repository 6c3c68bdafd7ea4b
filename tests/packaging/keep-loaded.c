// Preloaded into the sanitizer runs: libraries stay mapped after dlclose, so
// a leak report names the plugin or library that allocated the memory (an
// unloaded one shows only as "<unknown module>"), and memory a library keeps
// in its globals stays reachable instead of turning into a leak at unload.
int dlclose(void* handle)
{
    (void)handle;
    return 0;
}
