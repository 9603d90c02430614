// The host keeps its own copy of the classes it shares with the module (the
// session above all) and exports them, so the library it loads binds to the
// host's copies. AddressSanitizer sees the same global defined by the host
// and by the library and would call that an ODR violation; here it is the
// design, so that one check is off. Builds without the sanitizer never call
// this function.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options()
{
    return "detect_odr_violation=0";
}
